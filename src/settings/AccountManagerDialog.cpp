#include "settings/AccountManagerDialog.h"

#include "settings/NumberBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace fumibako::settings {

using platform::mail::ConnectionSecurity;

namespace {

const QStringList kSecurityChoices{QStringLiteral("自動"), QStringLiteral("SSL/TLS"), QStringLiteral("STARTTLS")};

platform::mail::ServerSecurity securityOf(const QComboBox* mode, const QCheckBox* plain)
{
    return {ConnectionSecurity(mode->currentIndex() < 0 ? 0 : mode->currentIndex()), plain->isChecked()};
}

void showSecurity(QComboBox* mode, QCheckBox* plain, const platform::mail::ServerSecurity& security)
{
    mode->setCurrentIndex(int(security.mode));
    plain->setChecked(security.allowPlainLogin);
}

} // namespace

AccountManagerDialog::AccountManagerDialog(const QString& programDir, const QString& currentAccount,
                                           platform::UserPrompts* scriptedPrompts, QWidget* parent)
    : QDialog(parent),
      m_prompts(this, scriptedPrompts),
      m_manager(programDir, m_prompts),
      m_connectionTest(m_prompts),
      m_signIn(m_manager, m_prompts),
      m_currentAccount(currentAccount)
{
    setObjectName(QStringLiteral("frmAccount"));
    setWindowTitle(QStringLiteral("アカウント管理"));
    setModal(true);
    createWidgets();
    wire();
    openAccounts();
}

void AccountManagerDialog::createWidgets()
{
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    m_userLabel = new QLabel(QStringLiteral("ユーザー名"), this);
    m_userLabel->setObjectName(QStringLiteral("lblUser"));
    m_accounts = new QComboBox(this);
    m_accounts->setObjectName(QStringLiteral("cmbUser"));
    m_accounts->setMinimumContentsLength(16);
    m_userLabel->setBuddy(m_accounts);
    top->addWidget(m_userLabel);
    top->addWidget(m_accounts, 1);
    layout->addLayout(top);
    layout->addWidget(createAccountFrame());
    layout->addWidget(createSecurityFrame());
    layout->addLayout(createButtons());
}

QLineEdit* AccountManagerDialog::addField(QGridLayout* grid, int row, const QString& name, const QString& label,
                                          const QString& hint)
{
    auto* caption = new QLabel(label, grid->parentWidget());
    caption->setObjectName(QStringLiteral("lblAcc%1").arg(row));
    auto* box = new QLineEdit(grid->parentWidget());
    box->setObjectName(name);
    box->setToolTip(hint);
    caption->setBuddy(box);
    grid->addWidget(caption, row, 0);
    grid->addWidget(box, row, 1, 1, 2);
    if (name == QLatin1String("txtUserName"))
        m_userNameLabel = caption;
    return box;
}

QWidget* AccountManagerDialog::createAccountFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("アカウント管理"), this);
    frame->setObjectName(QStringLiteral("fraAccount"));
    auto* grid = new QGridLayout(frame);
    const QString serverHint = QStringLiteral("メールサーバーのことです");
    m_userName = addField(grid, 0, QStringLiteral("txtUserName"), QStringLiteral("ユーザー名(ファイル名)"),
                          QStringLiteral("このアカウントの管理名です"));
    m_loginName = addField(grid, 1, QStringLiteral("txtAccName"), QStringLiteral("アカウント名"),
                           QStringLiteral("通常は「@」の前までです"));
    m_mailAddress = addField(grid, 2, QStringLiteral("txtMailA"), QStringLiteral("メールアドレス"),
                             QStringLiteral("このアカウントのメールアドレスです"));
    m_smtp = addField(grid, 3, QStringLiteral("txtSMTP"), QStringLiteral("SMTPサーバ"), serverHint);
    m_pop = addField(grid, 4, QStringLiteral("txtPOP"), QStringLiteral("POPサーバ"), serverHint);
    m_senderName = addField(grid, 5, QStringLiteral("txtName"), QStringLiteral("名前(送信者名)"),
                            QStringLiteral("差出人が「ふみ <fumi@example.jp>」と表示されるとき、") + QLatin1Char('\n')
                                + QStringLiteral("この欄には「ふみ」の部分(ニックネーム)を入れます"));
    m_password = addField(grid, 6, QStringLiteral("txtPass"), QStringLiteral("パスワード"), QString());
    m_password->setEchoMode(QLineEdit::Password);

    createSignInRow(grid, 7);
    m_apop = new QCheckBox(QStringLiteral("APOP認証を使用する"), frame);
    m_apop->setObjectName(QStringLiteral("chkAPOP"));
    grid->addWidget(m_apop, 9, 0, 1, 3);
    m_smtpPortGiven = new QCheckBox(QStringLiteral("SMTPサーバーのポート番号を指定する 規定値(25)"), frame);
    m_smtpPortGiven->setObjectName(QStringLiteral("chkSMTP"));
    m_smtpPort = new NumberBox(portBoxRule(), frame);
    m_smtpPort->setObjectName(QStringLiteral("txtSMTPport"));
    m_smtpPort->setText(QStringLiteral("25"));
    grid->addWidget(m_smtpPortGiven, 10, 0, 1, 2);
    grid->addWidget(m_smtpPort, 10, 2);
    m_popPortGiven = new QCheckBox(QStringLiteral("POPサーバーのポート番号を指定する　規定値(110)"), frame);
    m_popPortGiven->setObjectName(QStringLiteral("chkPOP"));
    m_popPort = new NumberBox(portBoxRule(), frame);
    m_popPort->setObjectName(QStringLiteral("txtPOPport"));
    m_popPort->setText(QStringLiteral("110"));
    grid->addWidget(m_popPortGiven, 11, 0, 1, 2);
    grid->addWidget(m_popPort, 11, 2);
    grid->setColumnStretch(1, 1);
    return frame;
}

void AccountManagerDialog::createSignInRow(QGridLayout* grid, int row)
{
    QWidget* frame = grid->parentWidget();
    auto* caption = new QLabel(QStringLiteral("認証の方法"), frame);
    m_auth = new QComboBox(frame);
    m_auth->setObjectName(QStringLiteral("cmbAuth"));
    m_auth->addItem(kPasswordLogin);
    for (const platform::auth::OAuthProvider& provider : m_manager.providers())
        m_auth->addItem(provider.name);
    m_auth->setToolTip(QStringLiteral("パスワードの代わりに、ブラウザーでサインインするサービスを選べます（OAuth 2.0）"));
    caption->setBuddy(m_auth);
    m_signInButton = new QPushButton(QStringLiteral("サインイン"), frame);
    m_signInButton->setObjectName(QStringLiteral("cmdSignIn"));
    m_signInButton->setAutoDefault(false);
    m_signInButton->setToolTip(QStringLiteral("ブラウザーを開いてサインインし、その結果をこのアカウントに保存します"));
    m_signInNote = new QLabel(frame);
    m_signInNote->setObjectName(QStringLiteral("lblSignIn"));
    m_signInNote->setWordWrap(true);
    // A window's layout does not ask a wrapped label's height for its width, so the note's last
    // line would be cut off: the label keeps its own minimum height for the width it gets.
    m_signInNote->installEventFilter(this);
    grid->addWidget(caption, row, 0);
    grid->addWidget(m_auth, row, 1);
    grid->addWidget(m_signInButton, row, 2);
    grid->addWidget(m_signInNote, row + 1, 0, 1, 3);
}

void AccountManagerDialog::createSecurityRow(QGridLayout* grid, int row, const QString& label, const QString& prefix)
{
    QWidget* frame = grid->parentWidget();
    auto* caption = new QLabel(label, frame);
    auto* mode = new QComboBox(frame);
    mode->setObjectName(QStringLiteral("cmb%1Security").arg(prefix));
    mode->addItems(kSecurityChoices);
    mode->setToolTip(QStringLiteral("自動: ポート995/465はSSL/TLS、それ以外はサーバーが対応していればSTARTTLS"));
    caption->setBuddy(mode);
    auto* plain = new QCheckBox(QStringLiteral("暗号化されていない接続でもパスワードを送る"), frame);
    plain->setObjectName(QStringLiteral("chk%1Plain").arg(prefix));
    grid->addWidget(caption, row, 0);
    grid->addWidget(mode, row, 1);
    grid->addWidget(plain, row, 2);
    (prefix == QLatin1String("POP") ? m_popSecurity : m_smtpSecurity) = mode;
    (prefix == QLatin1String("POP") ? m_popPlain : m_smtpPlain) = plain;
}

QWidget* AccountManagerDialog::createSecurityFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("接続の保護"), this);
    frame->setObjectName(QStringLiteral("fraSecurity"));
    auto* grid = new QGridLayout(frame);
    createSecurityRow(grid, 0, QStringLiteral("POPサーバー"), QStringLiteral("POP"));
    createSecurityRow(grid, 1, QStringLiteral("SMTPサーバー"), QStringLiteral("SMTP"));
    m_plainWarning = new QLabel(QStringLiteral("危険: パスワードが暗号化されずに送られ、盗み見られるおそれがあります"), frame);
    m_plainWarning->setObjectName(QStringLiteral("lblPlainWarning"));
    m_plainWarning->setStyleSheet(QStringLiteral("color: #b00000;"));
    QSizePolicy keepPlace = m_plainWarning->sizePolicy(); // the dialog does not jump when it shows
    keepPlace.setRetainSizeWhenHidden(true);
    m_plainWarning->setSizePolicy(keepPlace);
    grid->addWidget(m_plainWarning, 2, 0, 1, 3);
    m_check = new QPushButton(QStringLiteral("接続テスト"), frame);
    m_check->setObjectName(QStringLiteral("cmdCheck"));
    m_check->setAutoDefault(false);
    m_check->setToolTip(QStringLiteral("入力した設定でサーバーに接続し、ログインできるか確かめます（メールは受信も送信もしません）"));
    grid->addWidget(m_check, 3, 0, 1, 2);
    grid->setColumnStretch(2, 1);
    return frame;
}

QLayout* AccountManagerDialog::createButtons()
{
    auto* row = new QHBoxLayout;
    const auto button = [this, row](const QString& name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        row->addWidget(b);
        return b;
    };
    m_new = button(QStringLiteral("cmdNew"), QStringLiteral("新規"));
    m_edit = button(QStringLiteral("cmdHen"), QStringLiteral("編集"));
    m_delete = button(QStringLiteral("cmdDel"), QStringLiteral("削除"));
    row->addStretch(1);
    m_ok = button(QStringLiteral("cmdAOK"), QStringLiteral("OK"));
    m_ok->setDefault(true);
    m_cancel = button(QStringLiteral("cmdACan"), QStringLiteral("閉じる"));
    return row;
}

void AccountManagerDialog::wire()
{
    connect(m_accounts, &QComboBox::currentIndexChanged, this, &AccountManagerDialog::accountChosen);
    connect(m_smtpPortGiven, &QCheckBox::toggled, m_smtpPort, &QWidget::setEnabled);
    connect(m_popPortGiven, &QCheckBox::toggled, m_popPort, &QWidget::setEnabled);
    connect(m_popPort, &NumberBox::textChanged, this, [this] { m_manager.popPortChanged(); });
    for (QComboBox* mode : {m_popSecurity, m_smtpSecurity})
        connect(mode, &QComboBox::currentIndexChanged, this, &AccountManagerDialog::updateSecurityControls);
    for (QCheckBox* plain : {m_popPlain, m_smtpPlain})
        connect(plain, &QCheckBox::toggled, this, &AccountManagerDialog::updateSecurityControls);
    connect(m_new, &QPushButton::clicked, this, &AccountManagerDialog::newClicked);
    connect(m_edit, &QPushButton::clicked, this, &AccountManagerDialog::editClicked);
    connect(m_delete, &QPushButton::clicked, this, &AccountManagerDialog::deleteClicked);
    connect(m_ok, &QPushButton::clicked, this, &AccountManagerDialog::okClicked);
    connect(m_cancel, &QPushButton::clicked, this, &AccountManagerDialog::cancelClicked);
    connect(m_check, &QPushButton::clicked, this, &AccountManagerDialog::checkClicked);
    connect(m_auth, &QComboBox::activated, this, &AccountManagerDialog::authChosen);
    connect(m_signInButton, &QPushButton::clicked, this, &AccountManagerDialog::signInClicked);
    connect(&m_signIn, &AccountSignIn::finished, this, [this] {
        m_signInButton->setText(QStringLiteral("サインイン"));
        updateSignInControls();
    });
    connect(&m_connectionTest, &ConnectionTest::finished, this, [this] {
        m_check->setEnabled(true);
        m_check->setText(QStringLiteral("接続テスト"));
    });
}

void AccountManagerDialog::openAccounts()
{
    m_smtpPort->resetRule();
    m_popPort->resetRule();
    m_manager.open(m_currentAccount);
    fillAccountList();
    if (m_manager.shownIndex() < 0)
        showForm(m_manager.startNew(currentForm()));
    applyLayout();
    m_smtpPort->setEnabled(m_smtpPortGiven->isChecked());
    m_popPort->setEnabled(m_popPortGiven->isChecked());
}

void AccountManagerDialog::fillAccountList()
{
    m_accounts->blockSignals(true);
    m_accounts->clear();
    m_accounts->addItems(m_manager.accounts());
    m_accounts->setCurrentIndex(-1);
    m_accounts->blockSignals(false);
    if (m_manager.shownIndex() >= 0)
        m_accounts->setCurrentIndex(m_manager.shownIndex()); // shows it
}

void AccountManagerDialog::accountChosen(int index)
{
    if (index >= 0)
        showForm(m_manager.showAccount(index));
}

void AccountManagerDialog::showForm(const AccountForm& form)
{
    m_userName->setText(form.userName);
    m_loginName->setText(form.loginName);
    m_mailAddress->setText(form.mailAddress);
    m_smtp->setText(form.smtpServer);
    m_pop->setText(form.pop3Server);
    m_senderName->setText(form.senderName);
    m_password->setText(form.password);
    m_apop->setChecked(form.apop);
    m_smtpPortGiven->setChecked(form.smtpPortGiven);
    m_smtpPort->setText(form.smtpPortText);
    m_popPortGiven->setChecked(form.popPortGiven);
    m_popPort->setText(form.popPortText);
    showSecurity(m_popSecurity, m_popPlain, form.security.pop3);
    showSecurity(m_smtpSecurity, m_smtpPlain, form.security.smtp);
    const QString auth = form.oauthProvider.isEmpty() ? kPasswordLogin : form.oauthProvider;
    if (m_auth->findText(auth) < 0)
        m_auth->addItem(auth); // named by the file, missing from the providers: kept, and said so
    m_auth->setCurrentIndex(m_auth->findText(auth));
    updateSecurityControls();
    updateSignInControls();
}

AccountForm AccountManagerDialog::currentForm() const
{
    AccountForm form;
    form.userName = m_userName->text();
    form.loginName = m_loginName->text();
    form.mailAddress = m_mailAddress->text();
    form.smtpServer = m_smtp->text();
    form.pop3Server = m_pop->text();
    form.senderName = m_senderName->text();
    form.password = m_password->text();
    form.apop = m_apop->isChecked();
    form.smtpPortGiven = m_smtpPortGiven->isChecked();
    form.smtpPortText = m_smtpPort->text();
    form.popPortGiven = m_popPortGiven->isChecked();
    form.popPortText = m_popPort->text();
    form.security = {securityOf(m_popSecurity, m_popPlain), securityOf(m_smtpSecurity, m_smtpPlain)};
    form.oauthProvider = m_auth->currentIndex() > 0 ? m_auth->currentText() : QString();
    return form;
}

void AccountManagerDialog::applyLayout()
{
    const AccountManagerLayout layout = m_manager.layout();
    for (QLineEdit* box : {m_loginName, m_password, m_mailAddress, m_smtp, m_pop, m_senderName})
        box->setEnabled(layout.fieldsEnabled);
    m_userNameLabel->setVisible(layout.userNameShown);
    m_userName->setVisible(layout.userNameShown);
    m_userName->setEnabled(layout.userNameShown);
    m_ok->setEnabled(layout.okEnabled);
    for (QWidget* w : std::initializer_list<QWidget*>{m_accounts, m_new, m_delete})
        w->setEnabled(layout.listEnabled);
    m_edit->setEnabled(layout.editEnabled && layout.accountListShown);
    for (QWidget* w : std::initializer_list<QWidget*>{m_userLabel, m_accounts, m_delete})
        w->setVisible(layout.accountListShown);
    m_cancel->setText(layout.cancelCaption);
    m_auth->setEnabled(layout.fieldsEnabled);
    updateSignInControls();
}

void AccountManagerDialog::updateSignInControls()
{
    const AccountForm form = currentForm();
    const bool signsIn = !form.oauthProvider.isEmpty();
    // A sign-in logs in without the password, and never with APOP.
    m_password->setEnabled(m_manager.layout().fieldsEnabled && !signsIn);
    m_apop->setEnabled(!signsIn);
    const QString note = m_manager.signInNote(form.oauthProvider);
    m_signInNote->setText(note);
    const bool usable = signsIn && m_manager.provider(form.oauthProvider)
                        && platform::auth::providerProblem(*m_manager.provider(form.oauthProvider)).isEmpty();
    m_signInButton->setEnabled(usable && !m_signIn.isRunning());
}

void AccountManagerDialog::authChosen(int index)
{
    if (index > 0) {
        if (const std::optional<platform::auth::OAuthProvider> provider = m_manager.provider(m_auth->itemText(index)))
            showForm(applyProvider(currentForm(), *provider));
    }
    updateSignInControls();
}

void AccountManagerDialog::signInClicked()
{
    if (!m_signIn.start(currentForm(), *m_browser))
        return;
    m_signInButton->setEnabled(false);
    m_signInButton->setText(QStringLiteral("サインイン中…"));
}

void AccountManagerDialog::updateSecurityControls()
{
    m_popPlain->setEnabled(plainLoginSelectable(securityOf(m_popSecurity, m_popPlain).mode));
    m_smtpPlain->setEnabled(plainLoginSelectable(securityOf(m_smtpSecurity, m_smtpPlain).mode));
    m_plainWarning->setVisible((m_popPlain->isEnabled() && m_popPlain->isChecked())
                               || (m_smtpPlain->isEnabled() && m_smtpPlain->isChecked()));
}

void AccountManagerDialog::newClicked()
{
    showForm(m_manager.startNew(currentForm()));
    applyLayout();
    m_userName->setFocus();
}

void AccountManagerDialog::editClicked()
{
    m_manager.startEdit();
    applyLayout();
    m_loginName->setFocus();
}

void AccountManagerDialog::deleteClicked()
{
    if (m_manager.deleteShown()) {
        accept();
        return;
    }
    fillAccountList();
    if (m_manager.shownIndex() < 0)
        showForm(m_manager.startNew(currentForm()));
    applyLayout();
}

void AccountManagerDialog::okClicked()
{
    if (m_manager.confirm(currentForm())) {
        accept();
        return;
    }
    applyLayout();
}

bool AccountManagerDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_signInNote && event->type() == QEvent::Resize) {
        const int needed = m_signInNote->heightForWidth(m_signInNote->width());
        if (needed > 0 && needed != m_signInNote->minimumHeight())
            m_signInNote->setMinimumHeight(needed);
    }
    return QDialog::eventFilter(watched, event);
}

void AccountManagerDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cancelClicked();
        return;
    }
    QDialog::keyPressEvent(event);
}

void AccountManagerDialog::checkClicked()
{
    const AccountForm form = currentForm();
    if (!m_connectionTest.start(form, form.oauthProvider.isEmpty() ? AccessTokenSource() : m_manager.accessTokenForCheck(form)))
        return;
    m_check->setEnabled(false);
    m_check->setText(QStringLiteral("確認中…"));
}

void AccountManagerDialog::cancelClicked()
{
    if (m_manager.cancel()) {
        reject();
        return;
    }
    const int index = m_manager.accountAfterCancel();
    if (index == m_accounts->currentIndex())
        accountChosen(index); // shows the stored values again
    else
        m_accounts->setCurrentIndex(index);
    applyLayout();
}

} // namespace fumibako::settings
