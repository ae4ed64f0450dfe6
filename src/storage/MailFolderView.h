#pragma once

#include "storage/FolderTree.h"
#include "storage/MailList.h"
#include "storage/Paths.h"

#include <QList>
#include <QSet>
#include <QString>

#include <vector>

namespace fumibako::platform {
class UserPrompts;
} // namespace fumibako::platform

namespace fumibako::storage {

class MailChangeListener;
class StoredMailReader;

/** What the window shows differently per folder. */
struct FolderPresentation {
    QString senderColumnCaption; ///< "送信者", or "あて先" for the outgoing folders
    bool acceptsDrops = false;   ///< messages may be dropped on the tree while this folder is shown
};

/** Which list pop-up items are enabled. */
struct MailPopupEnabling {
    bool deleteItem = false;       ///< "削除"
    bool trash = false;            ///< "ごみ箱行き"
    bool takeOut = false;          ///< "取り出す"
    bool sendSelected = false;     ///< "送信(選択したもの)"
};

/** A message a search found: the folder (index section) that lists it, and its file's name. */
struct FoundMail {
    QString folderKey;
    QString fileName;
};

/**
 * The key of the virtual folder that lists the messages of the last search, in every folder of
 * the account. No folder of the tree has it: a user folder's key is a path below "受信BOX".
 */
inline const QString kSearchResultsKey = QStringLiteral("検索結果");

/** The flag commands of the list pop-up. */
enum class FlagCommand { SetSaved = 1, ClearSaved, MarkUnread, MarkRead };

/**
 * @short The shown folder and its mail list, with every command on the messages of it.
 *
 * Lists a folder from its index section (repairing the index on the way), and moves, flags,
 * trashes and deletes messages by rewriting their index entries. Selections are row numbers of
 * rows(); commands walk them from the last row to the first.
 *
 * Each row names its folder (its tag), and the commands find a row's index file and mail
 * directory from it: the search results list messages of received and outgoing folders side by
 * side. Moving, trashing and dropping apply to received messages only; an outgoing row among
 * the selected stays where it is.
 */
class MailFolderView {
public:
    MailFolderView(const FolderTree& tree, platform::UserPrompts& prompts, StoredMailReader& reader);

    /** Hears of every message the commands and the listing file, move or remove (none: nobody). */
    void setChangeListener(MailChangeListener* listener) { m_changes = listener; }

    /** The account whose folders are shown; clears the list. */
    void setAccount(const AccountPaths& paths, const QString& workDir);
    const AccountPaths& accountPaths() const { return m_paths; }

    /** Shows the folder @p key: sets the mail directory, lists it and reports the count. */
    FolderPresentation SelectFolder(const QString& key);

    /** Lists the shown folder again (repairs included). */
    void FNSitei();

    /**
     * The messages the folder kSearchResultsKey lists, in this order, from their index entries
     * (a message whose entry or file is gone meanwhile is left out; its folder's listing repairs
     * the index).
     */
    void setFoundMail(std::vector<FoundMail> found);
    /** The folder @p oldKey (with the folders below it) is now @p newKey: the found mail follows. */
    void foundFolderRenamed(const QString& oldKey, const QString& newKey);
    bool isSearchResults() const { return m_folderKey == kSearchResultsKey; }

    const QString& folderKey() const { return m_folderKey; }
    const QString& currentMailDir() const { return m_currentMailDir; }
    /** The index file of the shown folder. */
    QString indexFile() const;
    bool isOutgoingFolder() const { return isOutgoingKey(m_folderKey); }
    static bool isOutgoingKey(const QString& key);
    /** The index file that holds the section of folder @p key. */
    QString indexFileOf(const QString& key) const;
    /** The directory of the mail files of folder @p key. */
    QString mailDirOf(const QString& key) const;

    const MailList& rows() const { return m_rows; }
    MailList& rows() { return m_rows; }

    void applyFlag(FlagCommand command, const QList<int>& selected);
    /** Moves the selected messages into "ごみ箱". */
    void moveToTrash(const QList<int>& selected);
    /** Moves the selected messages out of "ごみ箱" into "標準BOX". */
    void takeOut(const QList<int>& selected);
    /**
     * Deletes the selected messages' files and entries after asking; saved messages are kept.
     * Returns true when it ran (the preview should then be blanked).
     */
    bool deletePermanently(const QList<int>& selected);
    /** Moves (or, onto "未読メール", marks unread) the selected messages dropped on folder @p targetKey. */
    void dropOnFolder(const QString& targetKey, const QList<int>& selected);
    /**
     * Moves the received message @p name from folder @p from into folder @p to by its index entry,
     * whether or not either folder is shown (the list is not listed again). False when @p from
     * does not list it.
     */
    bool moveEntry(const QString& name, const QString& from, const QString& to);

    /**
     * Copies the selected received messages into the received folder @p targetKey (one already
     * there is left alone): each copy is a new file beside its original, with the same flags.
     * The file is written whole and flushed under a hidden name, named, and then indexed, so that
     * a crash leaves either no copy or a complete one (unindexed, the inbox's listing files it
     * into "標準BOX").
     * Returns how many were copied; a copy that fails is reported and the others go on.
     */
    int copyToFolder(const QString& targetKey, const QList<int>& selected);

    /** The unread timer was started for a newly selected message. */
    void startUnreadTimer() { m_unreadTicks = 0; }
    /**
     * One tick of the unread timer with @p selectedRow the selected row (-1 for none). The fourth
     * tick marks the row read. Returns whether the timer goes on.
     */
    bool unreadTimerTick(int selectedRow);

    MailPopupEnabling popupEnabling(bool hasSelection) const;

    /** Shows the row count in status panel 2. */
    void showCount();

private:
    struct ListingPass;

    void listReceivedViews(bool inbox, ListingPass& pass);
    void listSection(const QString& section, const QString& file, ListingPass& pass, bool unreadOnly);
    void addUnindexedReceived(const ListingPass& pass);
    void addUnindexedOutgoing(const ListingPass& pass);
    void listFoundMail();
    void moveSelected(const QList<int>& selected, const QString& targetSection);
    void writeRow(const MailRow& row);
    void notifyMoved(const QString& name, const QString& from, const QString& to);

    const FolderTree& m_tree;
    platform::UserPrompts& m_prompts;
    StoredMailReader& m_reader;
    AccountPaths m_paths;
    QString m_workDir;
    QString m_folderKey;
    QString m_currentMailDir;
    MailList m_rows;
    std::vector<FoundMail> m_found;
    int m_unreadTicks = 0;
    MailChangeListener* m_changes = nullptr;
};

} // namespace fumibako::storage
