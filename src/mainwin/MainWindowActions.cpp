// The main window's menus, pop-up menus and toolbar, with their captions and enabling.
#include "mainwin/MainWindow.h"

#include "mainwin/MainViews.h"
#include "widgets/Icons.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <array>
#include <type_traits>

namespace fumibako::mainwin {

namespace {
// The receive methods in menu order.
constexpr std::array kReceiveMethods{storage::ReceiveMethod::CountOnly, storage::ReceiveMethod::ReceiveAll,
                                     storage::ReceiveMethod::ReceiveAndDelete};
} // namespace

QAction* MainWindow::addCommand(QMenu* menu, const QString& caption, void (MainWindow::*slot)())
{
    QAction* action = menu->addAction(caption);
    connect(action, &QAction::triggered, this, slot);
    return action;
}

void MainWindow::createActions()
{
    createFileAndEditMenus();
    createListPopup();
    createToolMenu();
    createTreePopup();
    createToolBar();
}

void MainWindow::createFileAndEditMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    file->setObjectName(QStringLiteral("mnuFail"));
    addCommand(file, QStringLiteral("新規メール"), &MainWindow::newMail);
    file->addSeparator();
    addCommand(file, QStringLiteral("メールのインポート…"), &MainWindow::importMail)
        ->setObjectName(QStringLiteral("mnuMailImport"));
    file->addSeparator();
    addCommand(file, QStringLiteral("環境設定(&K)"), &MainWindow::environmentSettings);
    addCommand(file, QStringLiteral("アドレス帳"), &MainWindow::addressBook);
    addCommand(file, QStringLiteral("アカウント(&A)"), &MainWindow::accountManager);
    file->addSeparator();
    QAction* end = file->addAction(QStringLiteral("終了(&X)"));
    connect(end, &QAction::triggered, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
    edit->setObjectName(QStringLiteral("mnuEdit"));
    addCommand(edit, QStringLiteral("フォント(&F)"), &MainWindow::fontChooser);
    edit->addSeparator();
    addMailCommands(edit, true);
}

void MainWindow::addMailCommands(QMenu* menu, bool withKeys)
{
    struct MailCommand {
        const char* name;
        QString caption;
        QKeySequence key;
        void (MainWindow::*slot)();
    };
    // The menu carries the keys; the list's pop-up names the same commands without them.
    const MailCommand commands[] = {
        {"mnuMoveTo", withKeys ? QStringLiteral("フォルダへ移動(&M)…") : QStringLiteral("フォルダへ移動…"),
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M), &MainWindow::moveSelectionToFolder},
        {"mnuCopyTo", withKeys ? QStringLiteral("フォルダへコピー(&C)…") : QStringLiteral("フォルダへコピー…"),
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), &MainWindow::copySelectionToFolder},
        {"mnuReply", withKeys ? QStringLiteral("返信(&R)") : QStringLiteral("返信"), QKeySequence(Qt::CTRL | Qt::Key_R),
         &MainWindow::replyToSelected},
        {"mnuReplyAll", withKeys ? QStringLiteral("全員に返信(&A)") : QStringLiteral("全員に返信"),
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R), &MainWindow::replyToAllSelected},
    };
    for (const MailCommand& command : commands) {
        QAction* action = addCommand(menu, command.caption, command.slot);
        action->setObjectName(QString::fromLatin1(command.name) + (withKeys ? QString() : QStringLiteral("Popup")));
        if (withKeys)
            action->setShortcut(command.key);
        else
            m_popupMailCommands.append(action);
    }
}

void MainWindow::createToolMenu()
{
    QMenu* tool = menuBar()->addMenu(QStringLiteral("ツール(&T)"));
    tool->setObjectName(QStringLiteral("mnuTool"));
    MainController* controller = m_controller.get();
    connect(tool->addAction(QStringLiteral("受信(&P)")), &QAction::triggered, controller, [controller] {
        controller->receive();
    });
    connect(tool->addAction(QStringLiteral("全て送信(&S)")), &QAction::triggered, controller, &MainController::sendAll);
    QMenu* method = tool->addMenu(QStringLiteral("受信方法(&O)"));
    method->setObjectName(QStringLiteral("mnuPopOption"));
    auto* group = new QActionGroup(this);
    const QStringList captions{QStringLiteral("件数(&S)"), QStringLiteral("受信(&P)"), QStringLiteral("受信＆消去(&D)")};
    for (int i = 0; i < 3; ++i) {
        QAction* action = method->addAction(captions.at(i));
        action->setCheckable(true);
        group->addAction(action);
        const storage::ReceiveMethod chosen = kReceiveMethods[i];
        connect(action, &QAction::triggered, controller,
                [controller, chosen] { controller->chooseReceiveMethod(chosen); });
        m_methodActions.at(i) = action;
    }
    m_methodActions.at(0)->setChecked(true);
    tool->addSeparator();
    addCommand(tool, QStringLiteral("メールリスト(&L)"), &MainWindow::serverList);
    addCommand(tool, QStringLiteral("並び替え"), &MainWindow::listOrder);
    m_addressPaneAction = addCommand(tool, QStringLiteral("アドレス表示"), &MainWindow::toggleAddressPane);
    m_addressPaneAction->setCheckable(true);
    addFilingMenuItems(tool);
    addJunkCommands(tool);
}

void MainWindow::addJunkCommands(QMenu* tool)
{
    tool->addSeparator();
    // J and Shift+J act on the mail list's selection, as in the list's pop-up menu.
    QAction* junk = addCommand(tool, QStringLiteral("迷惑メールにする(&J)"), &MainWindow::markJunk);
    junk->setObjectName(QStringLiteral("mnuJunk"));
    junk->setShortcut(QKeySequence(Qt::Key_J));
    QAction* notJunk = addCommand(tool, QStringLiteral("迷惑メールではない(&N)"), &MainWindow::markNotJunk);
    notJunk->setObjectName(QStringLiteral("mnuNotJunk"));
    notJunk->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_J));
    for (QAction* action : {junk, notJunk}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        m_mailList->addAction(action);
    }
    m_undoJunk = tool->addAction(QStringLiteral("迷惑メールの判定を元に戻す(&U)"));
    m_undoJunk->setObjectName(QStringLiteral("mnuUndoJunk"));
    m_undoJunk->setShortcut(QKeySequence::Undo);
    connect(m_undoJunk, &QAction::triggered, m_controller.get(), &MainController::undoJunk);
    connect(tool, &QMenu::aboutToShow, this, [this] { m_undoJunk->setEnabled(m_controller->canUndoJunk()); });
    m_listPopup->insertActions(m_popupTrash, {junk, notJunk});
    m_listPopup->insertSeparator(m_popupTrash);
}

void MainWindow::createListPopup()
{
    m_listPopup = new QMenu(this);
    m_listPopup->setObjectName(QStringLiteral("POPUPlsvmail"));
    QMenu* receive = m_listPopup->addMenu(QStringLiteral("受信"));
    const QStringList methods{QStringLiteral("件数受信"), QStringLiteral("受信"), QStringLiteral("受信、削除")};
    MainController* controller = m_controller.get();
    for (int i = 0; i < 3; ++i) {
        const storage::ReceiveMethod chosen = kReceiveMethods[i];
        connect(receive->addAction(methods.at(i)), &QAction::triggered, controller,
                [controller, chosen] { controller->receive(chosen); });
    }
    m_listPopup->addSeparator();
    addMailCommands(m_listPopup, false);
    m_listPopup->addSeparator();
    m_popupSendSelected = addCommand(m_listPopup, QStringLiteral("送信(選択したもの)"), &MainWindow::sendSelected);
    connect(m_listPopup->addAction(QStringLiteral("全て送信")), &QAction::triggered, controller, &MainController::sendAll);
    m_listPopup->addSeparator();
    const QStringList flags{QStringLiteral("フラグを立てる"), QStringLiteral("フラグを削除する"), QStringLiteral("未読にする"),
                            QStringLiteral("既読にする")};
    for (int i = 0; i < 4; ++i)
        connect(m_listPopup->addAction(flags.at(i)), &QAction::triggered, this, [this, i] { applyFlag(i + 1); });
    m_listPopup->addSeparator();
    m_popupTrash = addCommand(m_listPopup, QStringLiteral("ごみ箱行き"), &MainWindow::moveToTrash);
    m_popupTakeOut = addCommand(m_listPopup, QStringLiteral("取り出す"), &MainWindow::takeOut);
    m_popupDelete = addCommand(m_listPopup, QStringLiteral("削除"), &MainWindow::deletePermanently);
    addFilingPopupItems();
    m_listPopup->addSeparator();
    QAction* all = m_listPopup->addAction(QStringLiteral("すべて選択"));
    connect(all, &QAction::triggered, m_mailList, &QAbstractItemView::selectAll);
    // The items are enabled for the selection the menu opens on, however it is opened.
    connect(m_listPopup, &QMenu::aboutToShow, this, &MainWindow::prepareListPopup);
}

void MainWindow::createTreePopup()
{
    m_treePopup = new QMenu(this);
    m_treePopup->setObjectName(QStringLiteral("POPUPtremain"));
    m_popupAddFolder = addCommand(m_treePopup, QStringLiteral("フォルダの追加"), &MainWindow::addFolder);
    m_popupDeleteFolder = addCommand(m_treePopup, QStringLiteral("フォルダの削除"), &MainWindow::deleteFolder);
    m_treePopup->addSeparator();
    m_popupExportFolder = addCommand(m_treePopup, QStringLiteral("エクスポート…"), &MainWindow::exportFolder);
    m_popupExportFolder->setObjectName(QStringLiteral("mnuSExportFolder"));
    m_popupFileFolder = addCommand(m_treePopup, QStringLiteral("振り分け実行"), &MainWindow::fileTreeFolder);
}

void MainWindow::createToolBar()
{
    m_toolBar = addToolBar(QStringLiteral("ツールバー"));
    m_toolBar->setObjectName(QStringLiteral("tlbMain"));
    m_toolBar->setMovable(false);
    // The tool bar is fixed: no context menu over it or the menu bar offers to hide it.
    setContextMenuPolicy(Qt::NoContextMenu);
    m_toolBar->setIconSize(QSize(28, 28));
    const auto add = [this](const QString& icon, const QString& tip, auto slot) {
        QAction* action = m_toolBar->addAction(widgets::themedIcon(icon), tip);
        action->setToolTip(tip);
        if constexpr (std::is_same_v<decltype(slot), void (MainWindow::*)()>)
            connect(action, &QAction::triggered, this, slot);
        else
            connect(action, &QAction::triggered, m_controller.get(), slot);
        return action;
    };
    add(QStringLiteral("new"), QStringLiteral("新規メール"), &MainWindow::newMail);
    add(QStringLiteral("souju"), QStringLiteral("送受信（受信してから全て送信）"), &MainController::receiveThenSend);
    m_toolDelete = add(QStringLiteral("trush"), QStringLiteral("削除（ごみ箱へ）"), &MainWindow::moveToTrashByButton);
    m_toolDelete->setObjectName(QStringLiteral("tlbDelete"));
    add(QStringLiteral("list"), QStringLiteral("メールリスト（サーバーのメール）"), &MainWindow::serverList);
    add(QStringLiteral("add"), QStringLiteral("アドレス帳"), &MainWindow::addressBook);
    m_toolDelete->setEnabled(false);
}

void MainWindow::prepareListPopup()
{
    const storage::MailPopupEnabling enabling =
        m_controller->folderView().popupEnabling(!m_mailList->selectedRowNumbers().isEmpty());
    m_popupDelete->setEnabled(enabling.deleteItem);
    m_popupTrash->setEnabled(enabling.trash);
    m_popupTakeOut->setEnabled(enabling.takeOut);
    m_popupSendSelected->setEnabled(enabling.sendSelected);
    const bool filing = FolderChoice::isOffered(m_controller->folderView().folderKey(),
                                                !m_mailList->selectedRowNumbers().isEmpty());
    for (QAction* action : std::as_const(m_popupMailCommands))
        action->setEnabled(filing); // replies as filing: received mail only
    prepareFilingPopup();
}

void MainWindow::showListPopup(const QPoint& pos)
{
    m_listPopup->popup(pos);
}

void MainWindow::showTreePopup(const QPoint& pos)
{
    const TreePopupEnabling enabling =
        treePopupFor(selectedNode(), m_controller->session().folderTree().isUserFolder(selectedNode()));
    if (!enabling.shown)
        return;
    m_popupAddFolder->setEnabled(enabling.addFolder);
    m_popupDeleteFolder->setEnabled(enabling.deleteFolder);
    m_popupExportFolder->setEnabled(enabling.exportFolder);
    m_popupFileFolder->setEnabled(enabling.addFolder); // the received-side folders
    m_treePopup->popup(pos);
}

} // namespace fumibako::mainwin
