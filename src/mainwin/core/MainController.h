#pragma once

#include "mailimport/core/ImportController.h"
#include "addressbook/AddressLookup.h"
#include "mailview/PreviewSelection.h"
#include "mainwin/core/JunkCommands.h"
#include "mailview/core/ReplyText.h"
#include "mainwin/core/FolderChoice.h"
#include "mainwin/core/MainTimers.h"
#include "search/SearchService.h"
#include "storage/AccountSession.h"
#include "storage/MailFolderView.h"
#include "storage/RegistrySettings.h"
#include "storage/WindowGeometry.h"
#include "transfer/MailFileReader.h"
#include "transfer/OperationGuard.h"
#include "transfer/Sending.h"
#include "transfer/StoredMail.h"

#include <QObject>
#include <QSize>
#include <QTimer>

#include <functional>
#include <memory>

namespace fumibako::compose {
class ComposeLauncher;
}
namespace fumibako::transfer {
class Receiver;
}

namespace fumibako::mainwin {

class MailTableModel;
class ManualFilingRunner;
class PreviewPane;
class ReceivingDialogs;

/**
 * @short The program's state behind the main window and its commands: the open account, the
 * shown folder and its list, the preview, the timers, receiving and sending.
 *
 * No widget: the window builds the views, hands row numbers and the pane in, and follows the
 * signals. The other windows reach the account, the guard, the current mail and the receiver
 * through it. Row numbers are rows of folderView().rows() (and of mailModel()).
 */
class MainController : public QObject, public storage::AccountSwitchHost {
    Q_OBJECT
public:
    /** How a folder comes to be listed; the quick filter follows it. */
    enum class Listing {
        Again,      ///< the shown folder listed anew (after a command): its filter stays
        Another,    ///< another folder: the filter ends
        NewResults, ///< the results of a new search: the filter ends
    };
    Q_ENUM(Listing)

    /** @p dialogs answers receiving's prompts; it outlives the controller's transfers. */
    MainController(const storage::ProgramPaths& paths, platform::UserPrompts& prompts, ReceivingDialogs& dialogs,
                   QObject* parent = nullptr);
    ~MainController() override;

    /** The pane the preview rules show pages in (none: nothing is shown). */
    void setPreviewPane(PreviewPane* pane) { m_pane = pane; }
    /** The one compose window, for opening outgoing messages; loaded by the caller when first asked for. */
    void setComposeLauncher(std::function<compose::ComposeLauncher&()> launcher) { m_composer = std::move(launcher); }

    platform::UserPrompts& prompts() { return m_prompts; }
    transfer::OperationGuard& guard() { return m_guard; }
    storage::AccountSession& session() { return m_session; }
    storage::MailFolderView& folderView() { return m_folder; }
    MailTableModel* mailModel() const { return m_mailModel; }
    MainTimers& timers() { return m_timers; }
    transfer::CurrentMail& currentMail() { return m_currentMail; }
    transfer::Receiver& receiver() { return *m_receiver; }
    /** The open account's search index; it hears of every message stored, moved or removed. */
    search::SearchService& search() { return m_search; }
    /** What the window was opened with and keeps until the program ends (bounds in twips, fonts). */
    storage::DisplaySettings& display() { return m_display; }
    bool isSending() const { return m_sender.isSending(); }

    /** Reads the display settings of the registry file into display(). */
    const storage::DisplaySettings& loadDisplaySettings();
    /** The start page "FBTop.htm" of the program directory. */
    QString startPage() const;

    // Accounts
    /** Opens account @p name; false, with the open account kept, while a transfer runs. */
    bool switchAccount(const QString& name);
    void folderTreeReloaded(bool expandFirstUserFolder) override;
    void setReceiveMethod(int method) override;
    void setAutoReceiveArmed(bool armed) override;
    void showUnreadFolder() override;
    void setGridLines(bool shown) override;

    // Folders
    /**
     * Lists folder node @p node (1-based, or FolderTreeModel::kSearchResultsNode for the found
     * mail set by showSearchResults()) and makes it the shown folder.
     */
    void showFolder(int node);
    /** Lists the folder with the key @p key; false when the open account has none. */
    bool showFolder(const QString& key);
    /** The node of the shown folder, 0 before any. */
    int shownNode() const { return m_shownNode; }
    /** Adds a folder below @p selectedNode; its node, or 0 when none was added. */
    int addFolder(int selectedNode);
    /** Deletes the user folder @p node after asking, then shows the folder that takes its place. */
    void deleteFolder(int node);
    /** Renames the user folder @p node; false (after a message) when refused. */
    bool renameFolder(int node, const QString& text);
    /** Lists @p found as the folder "検索結果" and shows it. */
    void showSearchResults(std::vector<storage::FoundMail> found);

    // The shown list's rows
    void applyFlag(storage::FlagCommand command, const QList<int>& rows);
    void moveToTrash(const QList<int>& rows);
    void takeOut(const QList<int>& rows);
    void deletePermanently(const QList<int>& rows);
    /** The list's Delete key: into the trash, or for good where the folder or Shift asks for it. */
    void deleteKey(bool shift, const QList<int>& rows);
    /** Rows dragged onto the folder @p key (out of 迷惑メール: learnt as good mail; onto it: as junk). */
    void dropRows(const QString& key, const QList<int>& rows);
    /** "迷惑メールにする": learns @p rows as junk and moves them into 迷惑メール. */
    void markJunk(const QList<int>& rows);
    /** "迷惑メールではない": learns @p rows as good mail; those in 迷惑メール go into 標準BOX. */
    void markNotJunk(const QList<int>& rows);
    /** markJunk() or markNotJunk() of the shown list's message @p name (the read window's commands). */
    void judgeShownMessage(const QString& name, bool junk);
    /** Takes back the last junk command (learning and moves). */
    void undoJunk();
    bool canUndoJunk() const { return m_junk.canUndo(); }
    /** The data directory's junk filter. */
    filing::JunkFilter& junkFilter() { return *m_junk.filter(); }
    /** A message of the list, found again by its folder and file after the list may have changed. */
    struct ListedMessage {
        QString folderKey;
        QString fileName;
    };
    QList<ListedMessage> listedMessages(const QList<int>& rows) const;
    /** The rows that list @p messages now (those still listed), ascending. */
    QList<int> rowsOf(const QList<ListedMessage>& messages) const;
    /** The folder choice of @p command for the shown folder; the last folder filed into comes first. */
    FolderChoice folderChoice(FilingCommand command);
    /** "フォルダへ移動…" / "フォルダへコピー…": @p rows into the folder @p key (a move as a drop there). */
    void fileRows(FilingCommand command, const QString& key, const QList<int>& rows);
    /**
     * "返信" / "全員に返信" on the list: a reply to the received message of @p row in the compose
     * window, its subject and body quoted; an outgoing row gets none.
     */
    void replyToRow(int row, mailview::ReplyTo who);
    /** A column header was clicked: the list is sorted by the click rule. */
    void sortByColumn(int column);
    /**
     * Opens row @p row: an outgoing message in the compose window, a received one (marked read)
     * in the read window through readMessageRequested().
     */
    void openMessage(int row);
    /** The compose window stored or sent mail: an outgoing folder on show is listed again. */
    void outgoingMailChanged();

    // The preview pane
    /** A mouse or key press in the list. */
    void listPressed();
    /** An item click on @p row: the preview shows it (rendered once) or is blanked. */
    void rowClicked(int row);
    /** A click on the folder tree: the start page comes back. */
    void treeClicked();
    /** A release on the list's empty space: the pane is blanked and the unread timer stops. */
    void emptySpaceReleased();
    /** The unread timer ticked while @p focusedRow (-1: none) is selected. */
    void unreadTick(int focusedRow);
    /** A new preview font: the message on show is rendered again with it. */
    void setPreviewFont(const QString& name, const QString& size);

    // Receiving and sending
    storage::ReceiveMethod receiveMethod() const { return m_receiveMethod; }
    /** The method chosen in the menu, used by receive() and the timer. */
    void chooseReceiveMethod(storage::ReceiveMethod method);
    /** Receives from the open account; false when nothing started (no account, refused). */
    bool receive(storage::ReceiveMethod method);
    bool receive() { return receive(m_receiveMethod); }
    /** Receives with the chosen method, and sends the outbox once the receive has ended. */
    void receiveThenSend();
    /** The progress dialog's cancel. */
    void cancelReceive();
    /** Points the receiver at the open account (the server list does this before it lists). */
    void prepareReceiver();
    void sendAll();
    /** Sends the outgoing messages of @p rows of the shown folder. */
    void sendSelected(const QList<int>& rows);
    /** What a send from the open account works with (also the compose window's). */
    transfer::SendContext sendContext();

    // Import and export of mailbox files
    /** What the import and export windows work with: the open account, the guard, the search index. */
    mailimport::ImportServices mailboxServices();
    /** An import made folders: the tree is loaded anew, and the search index learns of them. */
    void importFoldersAdded();
    /** An import ended: the folder on show is listed again, with what came in. */
    void importEnded();

    // Filing by the rules (MainControllerFiling.cpp)
    /** Which filing items of the list pop-up are on for the selection @p rows (@p focused: the row the menu is for). */
    struct FilingPopup {
        bool fileSelected = false; ///< "振り分け実行（選択したメール）": received mail is selected
        bool bySender = false;     ///< "この差出人で振り分け…"
        bool byList = false;       ///< "このメーリングリストで振り分け…": the message names its list
    };
    FilingPopup filingPopup(const QList<int>& rows, int focused) const;
    /** The path of the received message of row @p row; "" for none or an outgoing one. */
    QString receivedPath(int row) const;
    /** "振り分け実行" on folder @p key; the shown folder is listed again once it has run. */
    void fileFolderByRules(const QString& key);
    /** "振り分け実行" on rows @p rows of the shown folder. */
    void fileRowsByRules(const QList<int>& rows);
    ManualFilingRunner& filingRunner() { return *m_filingRunner; }
    /** The address book as the filing rules see it. */
    const filing::AddressBookLookup& addressLookup() const { return m_addressLookup; }
    /** The folders rules may file into: 標準BOX, ごみ箱 and the user folders. */
    filing::FolderExists folderExists();

    // The window's layout
    const storage::SplitterPositions& splitters() const { return m_splitters; }
    /** The window's inner size in twips, which the splitter rules work in. */
    void setFormSize(QSize formTwips) { m_formTwips = formTwips; }
    /** Fits the splitters into the window's inner size. */
    void fitSplitters();
    /**
     * A splitter (0 vertical, 1 below the list, 2 below the tree) was dragged to @p twips; false
     * when the position is refused. Either way splittersMoved() asks the window to lay out.
     */
    bool moveSplitter(int which, int twips);

Q_SIGNALS:
    /**
     * Folder @p key is about to be listed, as @p listing says; the quick filter has ended unless
     * it is listed again (the list's columns and the search box follow it).
     */
    void folderShowing(const QString& key, fumibako::mainwin::MainController::Listing listing);
    /** Folder @p node is listed; the tree is to show it as selected. */
    void folderShown(int node, const storage::FolderPresentation& shown);
    /** The open account's folders were loaded anew; node @p expandNode (0: none) is to be expanded. */
    void treeReloaded(int expandNode);
    /** A folder was added or deleted: the tree is to be loaded anew. */
    void treeChanged();
    /** Rows of the shown list moved away or were deleted: no row is selected any more. */
    void rowsRemoved();
    /** A receive filed new mail (the unread view is shown then). */
    void newMailArrived();
    void receiveMethodChanged(storage::ReceiveMethod method);
    void gridLinesChanged(bool shown);
    /** A message goes out: the notice window shows @p text until sendEnded(). */
    void sendStarted(const QString& text);
    void sendEnded();
    /** The read window is to open the received message @p name of @p folder. */
    void readMessageRequested(const QString& folder, const QString& name);
    void splittersMoved();

private:
    class ReceiveRelay;
    class NoticeRelay;

    void listFolder(int node, Listing listing);
    void createFilingRunner();
    void autoReceiveMinute();
    void foldersChanged();
    void rowsChanged();
    void junkApplied(const JunkCommands::Outcome& outcome);
    /** A receive filed @p junk messages into 迷惑メール and moved @p expired old ones into ごみ箱. */
    void junkReceived(int junk, int expired);
    void previewFollowsList();
    void markUnreadTimer(int row);
    void showPreviewOf(const QString& key);
    QString previewLocationName() const;

    platform::UserPrompts& m_prompts;
    ReceivingDialogs& m_dialogs;
    transfer::OperationGuard m_guard;
    storage::AccountSession m_session;
    transfer::MailFileReader m_reader;
    search::SearchService m_search; ///< before the folder view and the receiver that tell it changes
    storage::MailFolderView m_folder;
    JunkCommands m_junk{m_folder, m_session.folderTree(), m_prompts};
    MainTimers m_timers;
    storage::DisplaySettings m_display;
    storage::SplitterPositions m_splitters;
    QSize m_formTwips;
    storage::ReceiveMethod m_receiveMethod = storage::ReceiveMethod::CountOnly;
    transfer::CurrentMail m_currentMail;
    std::unique_ptr<ReceiveRelay> m_receiveRelay;
    std::unique_ptr<NoticeRelay> m_notice;
    transfer::Sender m_sender{this}; ///< after the guard and the mail its walks hold
    transfer::Receiver* m_receiver = nullptr;
    MailTableModel* m_mailModel = nullptr;
    addressbook::ProgramAddressLookup m_addressLookup;
    ManualFilingRunner* m_filingRunner = nullptr;
    PreviewPane* m_pane = nullptr;
    std::function<compose::ComposeLauncher&()> m_composer;
    mailview::PreviewState m_previewState;
    int m_shownNode = 0;
    QString m_lastFilingKey; ///< the folder messages were last moved or copied into
    QTimer m_returnFreedMemory; ///< once the window is idle after a listing, sort or preview
};

} // namespace fumibako::mainwin
