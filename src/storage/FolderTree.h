#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

namespace fumibako::platform {
class UserPrompts;
}

namespace fumibako::storage {

/** Names (and keys) of the seven fixed folders. */
namespace FixedFolder {
inline const QString Inbox = QStringLiteral("受信BOX");
inline const QString Outbox = QStringLiteral("送信BOX");
inline const QString SentBox = QStringLiteral("送信済BOX");
inline const QString Drafts = QStringLiteral("下書き");
inline const QString Unread = QStringLiteral("未読メール");
inline const QString Standard = QStringLiteral("標準BOX");
inline const QString Trash = QStringLiteral("ごみ箱");
/** Junk: made when first needed (see FolderTree::ensureJunkFolder()), shown with the fixed folders. */
inline const QString Junk = QStringLiteral("迷惑メール");
} // namespace FixedFolder

/** Node indexes of the fixed folders (1-based, in creation order). */
enum FixedFolderIndex { kInboxNode = 1, kOutboxNode, kSentNode, kDraftsNode, kUnreadNode, kStandardNode, kTrashNode };

/** One folder of the tree. */
struct FolderNode {
    QString key;      ///< fixed folders: their name; user folders: their full path ("受信BOX\a\b")
    QString text;     ///< the name shown
    QString imageKey; ///< "folder", "mailclose", "mailopen", "trush" or "user"
    int parent = 0;   ///< node index of the parent, 0 for a root
};

/**
 * @short The mailbox folder tree of the open account, independent of any view.
 *
 * Nodes are numbered from 1 in creation order; 1-7 are the fixed folders, user folders follow in
 * the order they were loaded or created, and every parent comes before its children. A user
 * folder's key is its full path, which is also its section name in the received-mail index.
 */
class FolderTree {
public:
    FolderTree();

    int count() const { return static_cast<int>(m_nodes.size()); }
    const FolderNode& node(int index) const { return m_nodes.at(index - 1); }
    /** Node index of @p key, 0 when no node has it. */
    int indexOfKey(const QString& key) const { return m_indexByKey.value(key, 0); }
    bool hasKey(const QString& key) const { return m_indexByKey.contains(key); }
    /** The texts from the root down to the node, joined with "\". */
    QString fullPath(int index) const;
    /** Node indexes of the direct children of @p index, in index order. */
    QList<int> children(int index) const;

    bool isChanged() const { return m_changed; }
    void clearChanged() { m_changed = false; }

    /** Removes every user folder (and 迷惑メール, which belongs to the account), keeping the seven fixed ones. */
    void removeUserFolders();

    /**
     * The node of "迷惑メール", made first when the account has none: below "受信BOX", after
     * "ごみ箱" (node 8), the user folders after it. It is no user folder: not stored in the list,
     * not renamed, not deleted.
     */
    int ensureJunkFolder();
    bool hasJunkFolder() const { return hasKey(FixedFolder::Junk); }
    /** The node of the first user folder (8, or 9 after "迷惑メール"); beyond count() when there is none. */
    int firstUserIndex() const { return kTrashNode + 1 + (hasJunkFolder() ? 1 : 0); }
    bool isUserFolder(int index) const { return index >= firstUserIndex() && index <= count(); }

    /**
     * Adds the user folders stored in section "Folder" of @p userFile. A damaged list keeps the
     * folders loaded before the damage and shows "ツリー情報が壊れています".
     */
    void load(const QString& userFile, platform::UserPrompts& prompts);

    /** Writes the user folders to section "Folder" of @p userFile. */
    bool save(const QString& userFile) const;

    /**
     * Adds back the user folders that sections of @p receivedIndexFile name but the tree lacks
     * (with the folders above them), so that mail filed into a folder outlives a folder list that
     * was not written; "迷惑メール" when the index has its section. Sections outside the inbox or
     * with an unusable name are left alone. Returns how many folders were added.
     */
    int addFoldersOfIndex(const QString& receivedIndexFile);

    /**
     * Adds "新規フォルダ" + n below the selected folder (below "受信BOX" when a fixed folder under it
     * is selected) and returns its index, or 0 when the selected folder offers no folder commands.
     * The caller starts editing its name.
     */
    int addFolder(int selectedIndex);

    /** Whether the name of @p index may be edited (user folders only). */
    bool canRename(int index) const { return isUserFolder(index); }

    /**
     * Renames a user folder to @p newText after the name checks, renaming the keys below it and
     * the matching sections of @p receivedIndexFile. False (after a message) when refused.
     */
    bool rename(int index, const QString& newText, const QString& receivedIndexFile, platform::UserPrompts& prompts);

    /**
     * Deletes a user folder with everything below it after asking, with the mail files its index
     * sections list (in @p mailDir) and those sections; also deletes index sections of folders that
     * no longer exist. Returns the node index to select afterwards, or 0 when nothing was deleted.
     */
    int deleteFolder(int index, const QString& receivedIndexFile, const QString& mailDir, platform::UserPrompts& prompts);

    /**
     * Adds the user folder @p key ("受信BOX\a\b") with the folders above it that are missing.
     * False, adding nothing, when a name on its path is not usable (isUsableName()) or the
     * path is not below "受信BOX"; true when it exists afterwards.
     */
    bool addFolderPath(const QString& key);

    /** Whether @p name passes the strict name check (nothing shown): not empty, no forbidden character, no outer space. */
    static bool isUsableName(const QString& name);

    /** Whether messages dragged over node @p index may be dropped there. */
    static bool isDropTarget(int index) { return index > kDraftsNode; }
    /** Whether mail files dropped from outside may be imported into node @p index (the received side). */
    static bool takesMailFiles(int index) { return index == kInboxNode || index > kDraftsNode; }

private:
    int addNode(const QString& key, const QString& text, const QString& imageKey, int parent);
    bool loadEntry(const QString& path);
    void addPath(const QString& path);
    void reindex();
    void deleteSectionsOf(const QString& key, const QString& receivedIndexFile, const QString& mailDir,
                          platform::UserPrompts& prompts) const;

    std::vector<FolderNode> m_nodes;
    QHash<QString, int> m_indexByKey;
    bool m_changed = false;
};

/**
 * The name check for folder and account names: none of \ / ? : * " < > | [ ] =, and with @p strict
 * no single-byte space at either end. Shows the refusal message and returns false when refused.
 */
bool CheckName(bool strict, const QString& name, platform::UserPrompts& prompts);

} // namespace fumibako::storage
