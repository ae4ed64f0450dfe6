// The compose window's widgets, menus, geometry and text font.
#include "compose/ComposeWindow.h"

#include "compose/ComposeFields.h"
#include "compose/TextFontChooser.h"
#include "storage/RegistrySettings.h"
#include "widgets/StoredGeometry.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace fumibako::compose {

namespace {

QComboBox* recipientBox(const QString& objectName, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(objectName);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert); // Enter must not add what was typed to the drop-down
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(10);
    return box;
}

QPushButton* button(const QString& objectName, const QString& caption, const QString& toolTip, QWidget* parent)
{
    auto* push = new QPushButton(caption, parent);
    push->setObjectName(objectName);
    push->setToolTip(toolTip);
    push->setAutoDefault(false);
    return push;
}

} // namespace

ComposeWindow::ComposeWindow(const ComposeServices& services, ComposeWindowContext context, QWidget* parent)
    : QMainWindow(parent, Qt::Window), m_controller(services), m_context(std::move(context))
{
    setObjectName(QStringLiteral("frmSend"));
    setAttribute(Qt::WA_DeleteOnClose);
    createWidgets();
    createMenus();
    wire();
    m_controller.load();
    m_signatures->addItems(m_controller.signatureNames());
    m_signatures->setCurrentIndex(m_controller.signatureIndex());
    showState();
    applyStoredGeometry();
    applyTextFont();
}

ComposeWindow::~ComposeWindow() = default;

void ComposeWindow::createWidgets()
{
    m_form = new QWidget(this);
    auto* layout = new QVBoxLayout(m_form);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(createFieldGrid(m_form));
    layout->addWidget(createButtonRow(m_form));
    m_body = new ComposeBody(m_form);
    m_body->setObjectName(QStringLiteral("txtBun"));
    m_body->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(m_body, 1);
    setCentralWidget(m_form);
    // Tab leaves the body like any field, so that the controls after it can be reached.
    m_body->setTabChangesFocus(true);
    const QList<QWidget*> tabOrder{m_recipients[0], m_recipients[1], m_recipients[2], m_subject,
                                   m_attachments,   m_body,          m_keep,          m_signatures,
                                   m_signatureButton, m_easyButton,  m_outboxButton,  m_sendButton};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder.at(i - 1), tabOrder.at(i));
}

QWidget* ComposeWindow::createFieldGrid(QWidget* parent)
{
    auto* grid = new QWidget(parent);
    auto* layout = new QGridLayout(grid);
    layout->setContentsMargins(0, 0, 0, 0);
    const QStringList captions{QStringLiteral("To"), QStringLiteral("CC"), QStringLiteral("BCC"), QStringLiteral("件名"),
                               QStringLiteral("添付")};
    const QStringList labelNames{QStringLiteral("lblTo"), QStringLiteral("lblCC"), QStringLiteral("lblBCC"),
                                 QStringLiteral("lblSub"), QStringLiteral("lblFile")};
    m_recipients = {recipientBox(QStringLiteral("cmbTo"), grid), recipientBox(QStringLiteral("cmbCC"), grid),
                    recipientBox(QStringLiteral("cmbBCC"), grid)};
    m_subject = new QLineEdit(grid);
    m_subject->setObjectName(QStringLiteral("txtSub"));
    m_attachments = new AttachmentField(grid);
    m_attachments->setObjectName(QStringLiteral("txtFile"));
    m_attachments->setToolTip(QStringLiteral("ドラッグアンドドロップをしてください"));
    const QList<QWidget*> fields{m_recipients[0], m_recipients[1], m_recipients[2], m_subject, m_attachments};
    for (int row = 0; row < fields.size(); ++row) {
        auto* label = new QLabel(captions.at(row), grid);
        label->setObjectName(labelNames.at(row));
        label->setBuddy(fields.at(row));
        layout->addWidget(label, row, 0);
        layout->addWidget(fields.at(row), row, 1);
    }
    layout->setColumnStretch(1, 1);
    return grid;
}

// Two rows, so that the window keeps its controls at the small sizes its settings allow.
QWidget* ComposeWindow::createButtonRow(QWidget* parent)
{
    auto* rows = new QWidget(parent);
    auto* layout = new QGridLayout(rows);
    layout->setContentsMargins(0, 0, 0, 0);
    m_keep = new QCheckBox(QStringLiteral("保存"), rows);
    m_keep->setObjectName(QStringLiteral("chkHozon"));
    m_signatures = new QComboBox(rows);
    m_signatures->setObjectName(QStringLiteral("cmbSyomei"));
    m_signatures->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_signatures->setMinimumContentsLength(6);
    m_signatureButton = button(QStringLiteral("cmdSyomei"), QStringLiteral("署名"), QString(), rows);
    m_easyButton = button(QStringLiteral("cmdKanTan"), QStringLiteral("簡単"),
                          QStringLiteral("To、CC、BCC、添付を簡単に入力できます"), rows);
    m_outboxButton = button(QStringLiteral("cmdSBox"), QStringLiteral("送信BOX行き"),
                            QStringLiteral("送信BOXに保存します"), rows);
    m_sendButton = button(QStringLiteral("cmdSend"), QStringLiteral("送信"), QString(), rows);
    auto* signature = new QHBoxLayout;
    signature->addWidget(m_keep);
    signature->addWidget(m_signatures, 1);
    signature->addWidget(m_signatureButton);
    auto* commands = new QHBoxLayout;
    commands->addStretch(1);
    commands->addWidget(m_easyButton);
    commands->addWidget(m_outboxButton);
    commands->addWidget(m_sendButton);
    layout->addLayout(signature, 0, 0);
    layout->addLayout(commands, 1, 0);
    return rows;
}

QAction* ComposeWindow::addCommand(QMenu* menu, const QString& objectName, const QString& caption,
                                   void (ComposeWindow::*slot)())
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(objectName);
    connect(action, &QAction::triggered, this, slot);
    return action;
}

void ComposeWindow::createMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    addCommand(file, QStringLiteral("mnuHozon"), QStringLiteral("下書き保存(&P)"), &ComposeWindow::saveDraft);
    m_overwriteAction = addCommand(file, QStringLiteral("mnuOverWrite"), QStringLiteral("上書き保存(&S)"),
                                   &ComposeWindow::overwrite);
    addCommand(file, QStringLiteral("mnuNewMail"), QStringLiteral("新規"), &ComposeWindow::newMail);
    file->addSeparator();
    addCommand(file, QStringLiteral("mnuEnd"), QStringLiteral("閉じる(&X)"), &ComposeWindow::closeWindow);
    QMenu* edit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
    addCommand(edit, QStringLiteral("mnuFont"), QStringLiteral("フォント(&F)"), &ComposeWindow::chooseFont);
    QMenu* tools = menuBar()->addMenu(QStringLiteral("ツール(&T)"));
    addCommand(tools, QStringLiteral("mnuSend"), QStringLiteral("送信(&E)"), &ComposeWindow::sendMail);
    addCommand(tools, QStringLiteral("mnuEasy"), QStringLiteral("簡単(&E)"), &ComposeWindow::easyInput);
}

void ComposeWindow::wire()
{
    connect(m_sendButton, &QPushButton::clicked, this, &ComposeWindow::sendMail);
    connect(m_outboxButton, &QPushButton::clicked, this, &ComposeWindow::storeToOutbox);
    connect(m_easyButton, &QPushButton::clicked, this, &ComposeWindow::easyInput);
    connect(m_signatureButton, &QPushButton::clicked, this, &ComposeWindow::appendSignature);
    connect(m_signatures, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_controller.chooseSignature(index); });
    connect(m_body, &ComposeBody::sendRequested, this, &ComposeWindow::sendMail);
    connect(m_body, &ComposeBody::filesDropped, this, &ComposeWindow::addDroppedFiles);
    connect(m_attachments, &AttachmentField::filesDropped, this, &ComposeWindow::addDroppedFiles);
}

void ComposeWindow::applyStoredGeometry()
{
    widgets::applyStoredGeometry(*this, m_context.geometry);
}

void ComposeWindow::recordNormalBounds()
{
    widgets::recordNormalGeometry(*this, m_context.geometry);
}

// The text font is the body's; the fields keep the window's font.
void ComposeWindow::applyTextFont()
{
    applyTextFontTo(storage::readTextFont(m_context.registryFile), {m_body});
}

// The bounds are kept in memory as they change; the main window writes them on exit.
void ComposeWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    recordNormalBounds();
}

void ComposeWindow::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    recordNormalBounds();
}

void ComposeWindow::closeEvent(QCloseEvent* event)
{
    // The send runs while this window goes on handling events: it must outlive the send. The
    // program's exit comes here too, so the user learns why neither happens.
    if (m_sending) {
        m_controller.refuseCloseWhileSending();
        event->ignore();
        return;
    }
    const ComposeController::Closing closing = m_controller.confirmClose(content());
    if (closing == ComposeController::Closing::StayOpen) {
        event->ignore();
        return;
    }
    if (closing == ComposeController::Closing::CloseStored && m_context.storedMailChanged)
        m_context.storedMailChanged();
    recordNormalBounds();
    QMainWindow::closeEvent(event);
}

void ComposeWindow::present()
{
    if (isMinimized())
        showNormal();
    else
        QMainWindow::show();
    raise();
    activateWindow();
}

} // namespace fumibako::compose
