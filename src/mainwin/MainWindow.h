#pragma once

#include "compose/core/ComposeLauncher.h"
#include "mainwin/core/MainController.h"
#include "mainwin/core/MainWindowRules.h"
#include "widgets/WindowPrompts.h"

#include <QMainWindow>

#include <array>
#include <memory>
#include <optional>

class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QMenu;
class QProgressDialog;
class QSplitter;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace fumibako::compose {
class AddressBookMail;
class ComposeHost;
}
namespace fumibako::mailimport {
class ImportDialog;
}
namespace fumibako::filing {
struct Rule;
}
namespace fumibako::mailview {
struct ReadWindowContext;
}

namespace fumibako::mainwin {

class FolderTreeModel;
class FolderTreeView;
class MailListView;
class PreviewBrowser;
class SearchBar;
class SendingNoticeWindow;
class WindowReceivingDialogs;

/**
 * @short `frmMain`: folder tree, mail list, preview and address pane of the open account, with
 * the menus, the toolbar and the status bar.
 *
 * The window presents and wires; the state and the commands live in its MainController, the rules
 * in the core (MainWindowRules, MailFolderView, FolderTree, AccountSession). Tests drive the
 * controller and find the widgets by their object names. Split over several files: layout,
 * actions, commands, state.
 */
class MainWindow : public QMainWindow {
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

    /** The program's state and commands behind this window, shared with the windows it opens. */
    MainController& controller() { return *m_controller; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // MainWindowLayout.cpp
    void createWidgets();
    QWidget* createLeftColumn();
    QWidget* createRightColumn();
    void connectSplitters();
    void splitterMoved(int which);
    void splittersMoved();
    void applySplitters();
    void resizeLayout();
    QSize formTwips() const;
    void fitBuiltInColumns();
    int splitterOffset(int which) const;

    // MainWindowActions.cpp
    void createActions();
    void createFileAndEditMenus();
    void createToolMenu();
    void createListPopup();
    void createTreePopup();
    void addJunkCommands(QMenu* tool);
    void createToolBar();
    QAction* addCommand(QMenu* menu, const QString& caption, void (MainWindow::*slot)());
    void addMailCommands(QMenu* menu, bool withKeys);

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
    void markJunk();
    void markNotJunk();
    void deletePermanently();
    void deleteKey(bool shift);
    void moveToTrashByButton() { deleteKey(false); }
    void openSelected();
    void moveSelectionToFolder() { fileSelection(FilingCommand::Move); }
    void copySelectionToFolder() { fileSelection(FilingCommand::Copy); }
    void fileSelection(FilingCommand command);
    void replyToSelected() { replyToSelection(mailview::ReplyTo::Sender); }
    void replyToAllSelected() { replyToSelection(mailview::ReplyTo::Everyone); }
    void replyToSelection(mailview::ReplyTo who);
    void openReadWindow(const QString& folder, const QString& name);
    mailview::ReadWindowContext readWindowContext();
    void addFolder();
    void deleteFolder();
    void fillAddressPane();
    void addressDoubleClicked(QTreeWidgetItem* item);

    // MainWindowMailboxes.cpp
    mailimport::ImportDialog* openImportWindow(const QString& targetKey);
    void importMail();
    void importDroppedFiles(const QString& key, const QStringList& paths);
    void exportFolder();

    // MainWindowTransfer.cpp
    void wireSending();
    void sendSelected();

    // MainWindowFiling.cpp
    void addFilingMenuItems(QMenu* tool);
    void addFilingPopupItems();
    void wireFiling();
    void prepareFilingPopup();
    void filingSettings() { showFilingSettings(std::nullopt); }
    void showFilingSettings(const std::optional<filing::Rule>& newRule);
    void filingLog();
    void fileShownFolder();
    void fileTreeFolder();
    void fileSelected();
    void ruleFromSender();
    void ruleFromList();
    void filingProgress(int decided, int total);

    // MainWindowReceive.cpp
    void wireReceiving();
    void receiveMethodChanged(storage::ReceiveMethod method);

    // MainWindowPreview.cpp
    void wirePreview();
    void openLink(const QUrl& url);

    // MainWindow.cpp
    void wireViews();
    void fillAccountBox(const QStringList& accounts);
    void accountChosen(int index);
    void digitTyped(const QString& text);
    void folderSelected(const QModelIndex& index);
    void folderShown(int node, const storage::FolderPresentation& shown);
    void treeReloaded(int expandNode);
    void listReleased();
    void showListPopup(const QPoint& pos);
    void prepareListPopup();
    void showTreePopup(const QPoint& pos);
    int selectedNode() const;
    bool firstStart();

    // MainWindowState.cpp
    void applyDisplaySettings(const storage::DisplaySettings& settings);
    storage::DisplaySettings collectDisplaySettings() const;
    void recordNormalBounds();

    // MainWindowSearch.cpp
    QWidget* createListPane();
    void createSearch();
    void searchAccountOpened();
    void searchFolderShowing(const QString& key, MainController::Listing listing);
    void filterList(const QString& text);
    void searchAllFolders(const QString& text);
    void showFilterCount();

    widgets::WindowPrompts m_prompts;
    std::unique_ptr<WindowReceivingDialogs> m_dialogs; ///< before the controller whose receiver calls it
    std::unique_ptr<MainController> m_controller;
    QString m_selectedAccount; ///< `SentakuUser`
    bool m_followingController = false; ///< the tree's selection follows a folder the controller showed
    bool m_columnsFitted = false; ///< the built-in column widths were fitted to the list once

    FolderTreeModel* m_treeModel = nullptr;
    QComboBox* m_accountBox = nullptr;
    FolderTreeView* m_folderTree = nullptr;
    MailListView* m_mailList = nullptr;
    QTreeWidget* m_addressList = nullptr;
    PreviewBrowser* m_preview = nullptr;
    SendingNoticeWindow* m_sendingNotice = nullptr;
    std::unique_ptr<compose::ComposeHost> m_compose;
    std::unique_ptr<compose::AddressBookMail> m_addressBookMail; ///< the address book's way to the compose window
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
    QAction* m_undoJunk = nullptr;
    QAction* m_popupTakeOut = nullptr;
    QAction* m_popupDelete = nullptr;
    QList<QAction*> m_popupMailCommands; ///< move, copy, reply and reply to all in the list's pop-up
    QAction* m_popupAddFolder = nullptr;
    QAction* m_popupDeleteFolder = nullptr;
    QAction* m_popupExportFolder = nullptr;
    QAction* m_popupFileSelected = nullptr;
    QAction* m_popupRuleFromSender = nullptr;
    QAction* m_popupRuleFromList = nullptr;
    QAction* m_popupFileFolder = nullptr;
    QProgressDialog* m_filingProgress = nullptr;

    SearchBar* m_searchBar = nullptr;
    QLabel* m_indexProgress = nullptr;
};

} // namespace fumibako::mainwin
