#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace fumibako::addressbook {

struct AddressEntry;

/** Key and label of the root folder of the address book. */
inline const QString kRootFolder = QStringLiteral("Root");

/** The deepest path: "Root" and at most this many folder levels (one "\" each) below it. */
inline constexpr int kMaxFolderLevels = 11;

/** One folder of the address book tree; its key is its full path ("Root\仕事\取引先"). */
struct AddressFolder {
    QString key;
    QString label;
    QString parentKey; ///< empty for the root folder
    bool open = false; ///< the current folder shows the "open" icon, every other folder "close"
    bool expanded = false; ///< whether the tree shows its children
};

/**
 * @short The folder tree of the address book, derived from the entries' paths.
 *
 * A plain model for the manager's tree view: folders keyed by path, each with its parent. The
 * root folder always exists.
 */
class AddressFolderTree {
public:
    AddressFolderTree() { clear(); }

    /** Removes every folder but the root and selects the root. */
    void clear();

    bool contains(const QString& key) const { return m_index.contains(key); }
    const AddressFolder* folder(const QString& key) const;
    int count() const { return int(m_folders.size()); }

    /** Adds a folder under @p parentKey; false when @p key exists or the parent does not. */
    bool add(const QString& key, const QString& label, const QString& parentKey);

    /** Keys of the children of @p key in ascending order of label (labelBefore). */
    QStringList children(const QString& key) const;
    /** Every folder, the root first, in no particular order after it. */
    const QList<AddressFolder>& folders() const { return m_folders; }

    /** The selected folder (the manager's current folder, the one with the "open" icon). */
    QString selected() const { return m_selected; }
    /** Makes @p key the current folder: it gets the "open" icon, the one before "close". */
    void select(const QString& key);

    /** Marks @p key as showing its children or not. */
    void setExpanded(const QString& key, bool expanded);

    /**
     * Removes @p key and every folder below it (never the root). The selection moves to the
     * parent when it lay in the removed part.
     */
    void removeSubtree(const QString& key);

    /**
     * Gives folder @p oldKey the key @p newKey and the label @p newLabel, and every folder below it
     * the key with the start @p oldKey replaced by @p newKey. The selection follows.
     */
    void renameSubtree(const QString& oldKey, const QString& newKey, const QString& newLabel);

private:
    void reindex();

    QList<AddressFolder> m_folders;
    QHash<QString, qsizetype> m_index;
    QString m_selected;
};

/** The order of sibling folders: by label ignoring letter case, then by label. */
bool labelBefore(const AddressFolder& a, const AddressFolder& b);

/** Whether @p path is @p folder or lies below it (Root\A\B lies below Root\A, Root\AB does not). */
bool isWithinFolder(const QString& path, const QString& folder);

/** The number of folder levels of @p path below "Root": the number of its backslashes. */
int folderLevels(const QString& path);

/**
 * Adds the ancestor folders of @p path that are missing: for each "\" the text before it is a
 * folder key. False when the path has more than kMaxFolderLevels "\" or its first component
 * has no folder (every path with a "\" must start with "Root\").
 */
bool EnsureFolderAncestors(AddressFolderTree& tree, const QString& path);

/**
 * Adds the folder @p path with its ancestors. A path that is empty or has no "\" adds nothing
 * (true). False when the ancestors fail or the folder exists already.
 */
bool EnsureFolder(AddressFolderTree& tree, const QString& path);

/**
 * Rebuilds @p tree from the paths of @p entries (sorted by path, as the manager keeps them) and
 * selects @p selectPath, creating that folder when no entry lies in it. False on a failure of
 * EnsureFolder; the tree is then partly built and the caller treats the book as broken.
 */
bool BuildFolderTree(AddressFolderTree& tree, const QList<AddressEntry>& entries, const QString& selectPath);

} // namespace fumibako::addressbook
