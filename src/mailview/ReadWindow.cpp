#include "mailview/ReadWindow.h"

#include "compose/TextFontChooser.h"
#include "mailview/SaveAsTextDialog.h"
#include "mailview/SystemReadingDialogs.h"
#include "transfer/StoredMail.h"
#include "widgets/StoredGeometry.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace fumibako::mailview {

namespace {

QLineEdit* fieldBox(QWidget* parent, const QString& name)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    return box;
}

} // namespace

ReadWindow* ReadWindow::of(QWidget* owner, const ReadWindowContext& context)
{
    if (auto* window = owner->findChild<ReadWindow*>(QString(), Qt::FindDirectChildrenOnly))
        return window;
    return new ReadWindow(owner, context);
}

ReadWindow::ReadWindow(QWidget* owner, const ReadWindowContext& context)
    : QMainWindow(owner, Qt::Window), m_context(context), m_dialogs(std::make_unique<SystemReadingDialogs>(this)),
      m_controller({context.prompts, *m_dialogs, context.currentMail, context.composer, context.paths.programDir,
                    context.paths.workDir})
{
    setObjectName(QStringLiteral("frmRMail"));
    setWindowTitle(QStringLiteral("メールの詳細"));
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(createFields());
    layout->addWidget(createReplyRow());
    m_body = new QPlainTextEdit(central);
    m_body->setObjectName(QStringLiteral("txtMBBody"));
    m_body->setReadOnly(true);
    m_body->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    layout->addWidget(m_body, 1);
    m_path = fieldBox(central, QStringLiteral("txtTemp2"));
    m_path->hide();
    setCentralWidget(central);
    createMenus();
}

QWidget* ReadWindow::createFields()
{
    auto* fields = new QWidget(this);
    auto* grid = new QGridLayout(fields);
    grid->setContentsMargins(0, 0, 0, 0);
    m_to = fieldBox(fields, QStringLiteral("txtTo"));
    m_from = fieldBox(fields, QStringLiteral("txtFrom"));
    m_subject = fieldBox(fields, QStringLiteral("txtSub"));
    m_date = fieldBox(fields, QStringLiteral("txtDate"));
    m_senderName = new QLabel(fields);
    m_senderName->setObjectName(QStringLiteral("lblAddFrom"));
    const QList<std::pair<QString, QLineEdit*>> rows{{QStringLiteral("宛先"), m_to},
                                                     {QStringLiteral("送信元"), m_from},
                                                     {QStringLiteral("件名"), m_subject},
                                                     {QStringLiteral("送信日"), m_date}};
    for (int i = 0; i < rows.size(); ++i) {
        grid->addWidget(new QLabel(rows.at(i).first, fields), i, 0);
        grid->addWidget(rows.at(i).second, i, 1, 1, i == 1 ? 1 : 2);
    }
    grid->addWidget(m_senderName, 1, 2);
    grid->setColumnStretch(1, 1);
    return fields;
}

QWidget* ReadWindow::createReplyRow()
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    m_attachmentLabel = new QLabel(QStringLiteral("添付"), row);
    m_attachmentLabel->setObjectName(QStringLiteral("lblRead4"));
    m_attachments = new QListWidget(row);
    m_attachments->setObjectName(QStringLiteral("lstFileName"));
    m_attachments->setMaximumHeight(m_attachments->fontMetrics().height() * 4);
    m_saveAttachments = new QPushButton(QStringLiteral("添付保存"), row);
    m_saveAttachments->setObjectName(QStringLiteral("cmdFileHozon"));
    connect(m_saveAttachments, &QPushButton::clicked, this, [this] { m_controller.saveAttachments(); });

    m_quoteBody = new QCheckBox(QStringLiteral("本文"), row);
    m_quoteBody->setObjectName(QStringLiteral("chkHon"));
    m_quoteBody->setToolTip(QStringLiteral("返信に本文を引用します"));
    connect(m_quoteBody, &QCheckBox::toggled, this, [this](bool on) { m_controller.quoteBody = on; });
    m_quoteSubject = new QCheckBox(QStringLiteral("件名"), row);
    m_quoteSubject->setObjectName(QStringLiteral("chkKen"));
    m_quoteSubject->setToolTip(QStringLiteral("返信に件名を引用します"));
    connect(m_quoteSubject, &QCheckBox::toggled, this, [this](bool on) { m_controller.quoteSubject = on; });
    m_reply = new QPushButton(QStringLiteral("返信"), row);
    m_reply->setObjectName(QStringLiteral("cmdRE"));
    connect(m_reply, &QPushButton::clicked, this, [this] { runAndClose(&ReadMailController::reply); });

    layout->addWidget(m_attachmentLabel);
    layout->addWidget(m_attachments, 1);
    layout->addWidget(m_saveAttachments);
    layout->addSpacing(16);
    layout->addWidget(m_quoteBody);
    layout->addWidget(m_quoteSubject);
    layout->addWidget(m_reply);
    return row;
}

void ReadWindow::createMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    QAction* text = file->addAction(QStringLiteral("テキスト保存(&T)"));
    text->setObjectName(QStringLiteral("mnuText"));
    connect(text, &QAction::triggered, this, &ReadWindow::saveAsText);
    QAction* add = file->addAction(QStringLiteral("アドレス帳に追加(&A)"));
    add->setObjectName(QStringLiteral("mnuAdd"));
    connect(add, &QAction::triggered, this, [this] {
        m_controller.addSenderToAddressBook();
        m_senderName->setText(m_controller.view().senderCaption);
    });
    file->addSeparator();
    QAction* end = file->addAction(QStringLiteral("閉じる(&X)"));
    end->setObjectName(QStringLiteral("mnuEnd"));
    connect(end, &QAction::triggered, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
    QAction* font = edit->addAction(QStringLiteral("フォント(&F)"));
    font->setObjectName(QStringLiteral("mnuFont"));
    connect(font, &QAction::triggered, this, &ReadWindow::chooseFont);

    QMenu* tool = menuBar()->addMenu(QStringLiteral("ツール(&T)"));
    m_replyAction = tool->addAction(QStringLiteral("返信(&R)"));
    m_replyAction->setObjectName(QStringLiteral("mnuRE"));
    connect(m_replyAction, &QAction::triggered, this, [this] { runAndClose(&ReadMailController::reply); });
    m_headerAction = tool->addAction(QStringLiteral("ヘッダー表示(&H)"));
    m_headerAction->setObjectName(QStringLiteral("mnuHeader"));
    m_headerAction->setCheckable(true);
    connect(m_headerAction, &QAction::triggered, this, [this] {
        m_controller.toggleHeader();
        showBody();
    });
    m_forwardMenu = tool->addMenu(QStringLiteral("転送"));
    m_forwardMenu->setObjectName(QStringLiteral("mnuTrans"));
    QAction* redirect = m_forwardMenu->addAction(QStringLiteral("宛先を変更"));
    redirect->setObjectName(QStringLiteral("mnuAtesaki"));
    connect(redirect, &QAction::triggered, this, [this] { runAndClose(&ReadMailController::redirect); });
    QAction* attach = m_forwardMenu->addAction(QStringLiteral("添付ファイルとして転送"));
    attach->setObjectName(QStringLiteral("mnuTenpu"));
    connect(attach, &QAction::triggered, this, [this] { runAndClose(&ReadMailController::forwardAsAttachment); });
    if (!m_context.judgeJunk)
        return;
    tool->addSeparator();
    QAction* junk = tool->addAction(QStringLiteral("迷惑メールにする(&J)"));
    junk->setObjectName(QStringLiteral("mnuJunk"));
    junk->setShortcut(QKeySequence(Qt::Key_J));
    connect(junk, &QAction::triggered, this, [this] { judgeJunk(true); });
    QAction* notJunk = tool->addAction(QStringLiteral("迷惑メールではない(&N)"));
    notJunk->setObjectName(QStringLiteral("mnuNotJunk"));
    notJunk->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_J));
    connect(notJunk, &QAction::triggered, this, [this] { judgeJunk(false); });
    m_junkActions = {junk, notJunk};
}

void ReadWindow::judgeJunk(bool junk)
{
    if (m_storedName.isEmpty() || !m_context.judgeJunk)
        return;
    const QString name = m_storedName;
    m_context.judgeJunk(name, junk);
    if (junk)
        close(); // it went into 迷惑メール
}

void ReadWindow::openStored(const QString& folder, const QString& name)
{
    if (!m_controller.openStored(folder, name))
        return;
    m_storedName = name;
    for (QAction* action : std::as_const(m_junkActions))
        action->setEnabled(true);
    loadIfClosed();
    showView();
    show();
    raise();
    activateWindow();
}

void ReadWindow::showReceived(std::function<void()> closed)
{
    // Modality can only change while the window is hidden.
    recordNormalBounds();
    hide();
    m_loaded = false;
    setWindowModality(Qt::ApplicationModal);
    m_closed = std::move(closed);
    m_storedName.clear(); // not filed yet: nothing to judge
    for (QAction* action : std::as_const(m_junkActions))
        action->setEnabled(false);
    m_controller.showReceived();
    loadIfClosed();
    showView();
    show();
    raise();
    activateWindow();
}

void ReadWindow::loadIfClosed()
{
    if (m_loaded)
        return;
    m_loaded = true;
    m_controller.windowLoaded();
    m_quoteBody->setChecked(false);
    m_quoteSubject->setChecked(false);
    widgets::applyStoredGeometry(*this, m_context.geometry);
    compose::applyTextFontTo(storage::readTextFont(m_context.paths.registryFile), {m_body});
}

void ReadWindow::showView()
{
    const ReadMailView& view = m_controller.view();
    const std::pair<QLineEdit*, QString> fields[] = {{m_to, view.to},           {m_from, view.from},
                                                      {m_subject, view.subject}, {m_date, view.date},
                                                      {m_path, view.messagePath}};
    for (const auto& [box, text] : fields) {
        box->setText(text);
        box->setCursorPosition(0);
    }
    m_senderName->setText(view.senderCaption);
    m_attachments->clear();
    m_attachments->addItems(view.attachments);
    const bool hasAttachments = !view.attachments.isEmpty();
    m_attachmentLabel->setEnabled(hasAttachments);
    m_attachments->setEnabled(hasAttachments);
    m_saveAttachments->setEnabled(hasAttachments);
    for (QWidget* control : {static_cast<QWidget*>(m_reply), static_cast<QWidget*>(m_quoteBody),
                             static_cast<QWidget*>(m_quoteSubject)})
        control->setEnabled(view.replyEnabled);
    m_replyAction->setEnabled(view.replyEnabled);
    m_forwardMenu->setEnabled(view.replyEnabled);
    showBody();
}

void ReadWindow::showBody()
{
    m_body->setPlainText(m_controller.view().body);
    m_headerAction->setChecked(m_controller.view().headerShown);
}

void ReadWindow::chooseFont()
{
    // The compose window's font dialog: the body shares the text font with it.
    if (const std::optional<storage::TextFont> font = compose::ChooseTextFont(this, m_body->font(), m_context.paths.registryFile))
        compose::applyTextFontTo(*font, {m_body});
}

void ReadWindow::runAndClose(bool (ReadMailController::*command)())
{
    if ((m_controller.*command)())
        close();
}

void ReadWindow::saveAsText()
{
    const ReadMailView& view = m_controller.view();
    auto* dialog = new SaveAsTextDialog(this, m_context.prompts, *m_dialogs,
                                        ShownMail{view.to, view.from, view.date, view.subject, view.body});
    dialog->open();
}

void ReadWindow::recordNormalBounds()
{
    if (!m_loaded || !isVisible() || (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        return;
    widgets::recordNormalGeometry(*this, m_context.geometry);
}

// The bounds are kept in memory as they change, so that they are current also when the program
// ends while the window is open; the main window writes them on exit.
void ReadWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    recordNormalBounds();
}

void ReadWindow::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    recordNormalBounds();
}

void ReadWindow::closeEvent(QCloseEvent* event)
{
    recordNormalBounds();
    QMainWindow::closeEvent(event);
    m_loaded = false;
    if (windowModality() != Qt::NonModal) {
        hide();
        setWindowModality(Qt::NonModal);
    }
    if (m_closed)
        std::exchange(m_closed, nullptr)();
}

} // namespace fumibako::mailview
