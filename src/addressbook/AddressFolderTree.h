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
    bool open = false; ///< the root folder shows the "open" icon, every other folder "close"
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

    /** Keys of the children of @p key in ascending order of label (case-insensitive first). */
    QStringList children(const QString& key) const;

    /** The selected folder (the manager's current folder); its ancestors are expanded. */
    QString selected() const { return m_selected; }
    void select(const QString& key) { m_selected = key; }

private:
    QList<AddressFolder> m_folders;
    QHash<QString, qsizetype> m_index;
    QString m_selected;
};

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
