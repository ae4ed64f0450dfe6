#include "mainwin/ReceiveDialogs.h"

#include "transfer/ReceiveProgress.h"

#include <QButtonGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSoundEffect>
#include <QUrl>
#include <QVBoxLayout>

namespace fumibako::mainwin {

PasswordDialog::PasswordDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPassword"));
    setWindowTitle(QStringLiteral("パスワード確認"));
    m_password = new QLineEdit(this);
    m_password->setEchoMode(QLineEdit::Password);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("パスワード"), m_password);

    auto* kind = new QGroupBox(QStringLiteral("種類"), this);
    auto* kindLayout = new QVBoxLayout(kind);
    m_keep = new QButtonGroup(this);
    const QStringList captions{QStringLiteral("今回のみ"), QStringLiteral("起動中のみ"), QStringLiteral("保存する")};
    for (int i = 0; i < captions.size(); ++i) {
        auto* option = new QRadioButton(captions.at(i), kind);
        m_keep->addButton(option, i);
        kindLayout->addWidget(option);
    }
    setKeep(transfer::PasswordKeep::WhileRunning);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(kind);
    layout->addWidget(buttons);
}

transfer::PasswordAnswer PasswordDialog::answer() const
{
    return {m_password->text(), static_cast<transfer::PasswordKeep>(m_keep->checkedId())};
}

void PasswordDialog::setKeep(transfer::PasswordKeep keep)
{
    m_keep->button(static_cast<int>(keep))->setChecked(true);
}

ReceiveProgressDialog::ReceiveProgressDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPOPDialog"));
    setWindowTitle(QStringLiteral("メール進捗"));
    setModal(false);
    m_messages = new QLabel(this);
    m_kilobytes = new QLabel(this);
    auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    connect(cancel, &QPushButton::clicked, this, &ReceiveProgressDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_messages);
    layout->addWidget(m_kilobytes);
    layout->addWidget(cancel, 0, Qt::AlignRight);
    setMinimumWidth(260);
}

void ReceiveProgressDialog::showFigures(const transfer::ProgressFigures& figures)
{
    m_messages->setText(figures.messagesText());
    m_kilobytes->setText(figures.kilobytesReceivedText());
}

QString ReceiveProgressDialog::messagesText() const
{
    return m_messages->text();
}

QString ReceiveProgressDialog::kilobytesText() const
{
    return m_kilobytes->text();
}

void ReceiveProgressDialog::reject()
{
    Q_EMIT cancelRequested();
    QDialog::reject();
}

void ReceiveProgressDialog::present(const transfer::ProgressFigures& figures)
{
    ++m_shownCount;
    showFigures(figures);
    show();
    raise();
}

void ReceiveProgressDialog::closeEvent(QCloseEvent* event)
{
    Q_EMIT cancelRequested();
    QDialog::closeEvent(event);
}

WindowReceivingDialogs::WindowReceivingDialogs(QWidget* window, std::function<void()> cancel)
    : m_window(window), m_cancel(std::move(cancel))
{
}

WindowReceivingDialogs::~WindowReceivingDialogs() = default;

std::optional<transfer::PasswordAnswer> WindowReceivingDialogs::askPassword()
{
    if (m_scriptedPassword)
        return m_scriptedPassword();
    PasswordDialog dialog(m_window);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.answer();
}

void WindowReceivingDialogs::showProgress(const transfer::ProgressFigures& figures)
{
    if (!m_progress) {
        m_progress = new ReceiveProgressDialog(m_window);
        QObject::connect(m_progress, &ReceiveProgressDialog::cancelRequested, m_progress, [this] {
            if (m_cancel)
                m_cancel();
        });
    }
    m_progress->present(figures);
}

void WindowReceivingDialogs::updateProgress(const transfer::ProgressFigures& figures)
{
    if (m_progress && m_progress->isVisible())
        m_progress->showFigures(figures);
}

void WindowReceivingDialogs::closeProgress()
{
    if (m_progress) {
        // Hidden, not closed: closing is the user's cancel.
        m_progress->hide();
    }
}

void WindowReceivingDialogs::setClipboardText(const QString& text)
{
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(text);
}

void WindowReceivingDialogs::playNewMailSound(const QString& file)
{
    // Not waited for: without an audio device the effect never reports its end.
    if (!m_sound)
        m_sound = std::make_unique<QSoundEffect>();
    m_sound->setSource(QUrl::fromLocalFile(file));
    m_sound->play();
}

} // namespace fumibako::mainwin
