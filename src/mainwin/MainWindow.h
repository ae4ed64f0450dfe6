#pragma once

#include "compose/core/ComposeLauncher.h"
#include "mailview/PreviewSelection.h"
#include "mainwin/core/MainTimers.h"
#include "mainwin/core/MainWindowRules.h"
#include "storage/AccountSession.h"
#include "storage/MailFolderView.h"
#include "storage/RegistrySettings.h"
#include "transfer/MailFileReader.h"
#include "transfer/OperationGuard.h"
#include "transfer/Sending.h"
#include "transfer/StoredMail.h"
#include "widgets/WindowPrompts.h"

#include <QMainWindow>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QMenu;
class QSplitter;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace fumibako::compose {
class AddressBookMail;
class ComposeHost;
}
namespace fumibako::mailview {
struct ReadWindowContext;
}
namespace fumibako::search {
class SearchService;
}

namespace fumibako::transfer {
class Receiver;
struct SendContext;
} // namespace fumibako::transfer

namespace fumibako::mainwin {

class FolderTreeModel;
class FolderTreeView;
class MailListView;
class MailTableModel;
class PreviewBrowser;
class SearchBar;
class SendingNoticeWindow;
class WindowReceiveUi;

/**
 * @short `frmMain`: folder tree, mail list, preview and address pane of the open account, with
 * the menus, the toolbar, the status bar and the two timers.
 *
 * The window presents and wires; the rules live in the core (MainWindowRules, MailFolderView,
 * FolderTree, AccountSession). Split over several files: layout, actions, commands, state.
 */
class MainWindow : public QMainWindow, public storage::AccountSwitchHost {
    Q_OBJECT
public:
    /** @p scriptedPrompts answers the message boxes instead of the user (tests). */
    explicit MainWindow(const storage::ProgramPaths& paths, platform::UserPrompts* scriptedPrompts = nullptr,
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    /** The load sequence: accounts, first account, display settings. False on a first start without accounts. */
    bool loadSequence();
    /** The steps after the window is shown: "mailto:", receive at start, the unread view. */
    void afterShown(const QString& commandLine);
    /** Another start of the program asked for this window (with its command line). */
    void activateFromAnotherStart(const QString& commandLine);
    /** The one compose window, for every window that starts mail; loaded when first asked for. */
    compose::ComposeLauncher& composeLauncher();

    // AccountSwitchHost
    void folderTreeReloaded(bool expandFirstUserFolder) override;
    void setReceiveMethod(int method) override;
    void setAutoReceiveArmed(bool armed) override;
    void showUnreadFolder() override;
    void setGridLines(bool shown) override;

    // What the tests look at.
    storage::AccountSession& session() { return m_session; }
    storage::MailFolderView& folderView() { return m_folder; }
    MailTableModel* mailModel() const { return m_mailModel; }
    FolderTreeModel* treeModel() const { return m_treeModel; }
    MailListView* mailList() const { return m_mailList; }
    FolderTreeView* folderTree() const { return m_folderTree; }
    QComboBox* accountBox() const { return m_accountBox; }
    PreviewBrowser* preview() const { return m_preview; }
    QTreeWidget* addressList() const { return m_addressList; }
    SendingNoticeWindow* sendingNotice() const { return m_sendingNotice; }
    WindowReceiveUi* receiveUi() const { return m_receiveUi.get(); }
    transfer::Receiver* receiver() const { return m_receiver; }
    QString statusText(int panel) const { return m_prompts.statusText(panel); }
    MainTimers& timers() { return m_timers; }
    QAction* deleteButton() const { return m_toolDelete; }
    storage::ReceiveMethod receiveMethod() const { return m_receiveMethod; }
    QMenu* listPopup() const { return m_listPopup; }
    const storage::SplitterPositions& splitterTwips() const { return m_splitters; }
    /** Moves splitter @p which (0-2) to @p twips as a drag would; false when the rule refuses it. */
    bool dragSplitter(int which, int twips) { return moveSplitterTo(which, twips); }
    storage::DisplaySettings collectDisplaySettings() const;
    void selectFolderNode(int nodeIndex);
    void prepareListPopup();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // MainWindowLayout.cpp
    void createWidgets();
    QWidget* createLeftColumn();
    QWidget* createRightColumn();
    void connectSplitters();
    void splitterMoved(int which);
    bool moveSplitterTo(int which, int twips);
    void applySplitters();
    void resizeLayout();
    int splitterOffset(int which) const;

    // MainWindowActions.cpp
    void createActions();
    void createFileAndEditMenus();
    void createToolMenu();
    void createListPopup();
    void createTreePopup();
    void createToolBar();
    QAction* addCommand(QMenu* menu, const QString& caption, void (MainWindow::*slot)());

    // MainWindowCommands.cpp
    void newMail();
    void environmentSettings();
    void addressBook();
    void accountManager();
    void fontChooser();
    void serverList();
    void listOrder();
    void toggleAddressPane();
    void applyFlag(int element);
    void moveToTrash();
    void takeOut();
    void deletePermanently();
    void deleteKey(bool shift);
    void moveToTrashByButton() { deleteKey(false); }
    void openSelected();
    void openReadWindow(int row);
    mailview::ReadWindowContext readWindowContext();
    void addFolder();
    void deleteFolder();
    bool renameFolder(int nodeIndex, const QString& text);
    void dropRows(const QString& key, const QList<int>& rows);
    void fillAddressPane();
    void addressDoubleClicked(QTreeWidgetItem* item);

    // MainWindowTransfer.cpp
    void sendAll();
    void sendSelected();
    transfer::SendContext sendContext();

    // MainWindowReceive.cpp
    void createReceiver();
    void setReceiverAccount();
    bool startReceive(storage::ReceiveMethod method, std::function<void()> done);
    void receive();
    void receiveWith(storage::ReceiveMethod method);
    void receiveThenSend();
    void autoReceiveMinute();

    // MainWindowPreview.cpp
    void listPressed();
    void mailRowClicked(int row);
    void unreadMarkFor(int row);
    void previewFollowsList();
    void showPreviewOf(const QString& key);
    void showPreviewAgain();
    QString previewLocationName() const;
    void openLink(const QUrl& url);

    // MainWindow.cpp
    void wireViews();
    void fillAccountBox(const QStringList& accounts);
    void accountChosen(int index);
    void digitTyped(const QString& text);
    void folderSelected(const QModelIndex& index);
    void showFolder(int nodeIndex);
    void unreadTick();
    void listReleased();
    void emptySpaceReleased();
    void treeClicked();
    void listChanged();
    void showListPopup(const QPoint& pos);
    void showTreePopup(const QPoint& pos);
    int selectedNode() const;
    bool firstStart();

    // MainWindowState.cpp
    void applyDisplaySettings(const storage::DisplaySettings& settings);
    void recordNormalBounds();

    // MainWindowSearch.cpp
    QWidget* createListPane();
    void createSearch();
    void searchAccountOpened();
    void searchFoldersChanged();
    void searchFolderShowing(const QString& key);
    void filterList(const QString& text);
    void searchAllFolders(const QString& text);
    void showFilterCount();

    widgets::WindowPrompts m_prompts;
    transfer::OperationGuard m_guard;
    storage::AccountSession m_session;
    transfer::MailFileReader m_reader;
    storage::MailFolderView m_folder;
    MainTimers m_timers;
    storage::DisplaySettings m_display;
    storage::SplitterPositions m_splitters;
    QString m_selectedAccount; ///< `SentakuUser`
    storage::ReceiveMethod m_receiveMethod = storage::ReceiveMethod::CountOnly; ///< `GenJu`
    transfer::CurrentMail m_currentMail;
    transfer::Sender m_sender{this}; ///< after the guard and the mail its walks hold
    mailview::PreviewState m_previewState;
    bool m_applyingSplitters = false;
    QTimer m_returnFreedMemory; ///< once the window is idle after a listing, sort or preview

    MailTableModel* m_mailModel = nullptr;
    FolderTreeModel* m_treeModel = nullptr;
    QComboBox* m_accountBox = nullptr;
    FolderTreeView* m_folderTree = nullptr;
    MailListView* m_mailList = nullptr;
    QTreeWidget* m_addressList = nullptr;
    PreviewBrowser* m_preview = nullptr;
    SendingNoticeWindow* m_sendingNotice = nullptr;
    std::unique_ptr<WindowReceiveUi> m_receiveUi;
    std::unique_ptr<compose::ComposeHost> m_compose;
    std::unique_ptr<compose::AddressBookMail> m_addressBookMail; ///< the address book's way to the compose window
    transfer::Receiver* m_receiver = nullptr;
    QSplitter* m_mainSplitter = nullptr;  ///< splitter 0
    QSplitter* m_rightSplitter = nullptr; ///< splitter 1
    QSplitter* m_leftSplitter = nullptr;  ///< splitter 2
    QWidget* m_accountRow = nullptr;

    QToolBar* m_toolBar = nullptr;
    QAction* m_toolDelete = nullptr;
    QAction* m_addressPaneAction = nullptr;
    std::array<QAction*, 3> m_methodActions{};
    QMenu* m_listPopup = nullptr;
    QMenu* m_treePopup = nullptr;
    QAction* m_popupSendSelected = nullptr;
    QAction* m_popupTrash = nullptr;
    QAction* m_popupTakeOut = nullptr;
    QAction* m_popupDelete = nullptr;
    QAction* m_popupAddFolder = nullptr;
    QAction* m_popupDeleteFolder = nullptr;

    search::SearchService* m_search = nullptr; ///< the open account's index, listening to every change
    SearchBar* m_searchBar = nullptr;
    QLabel* m_indexProgress = nullptr;
    QStringList m_unfilteredSelection; ///< the keys selected when the quick filter began
    bool m_showingSearchResults = false; ///< a search selects "検索結果": the box keeps its text
};

} // namespace fumibako::mainwin
