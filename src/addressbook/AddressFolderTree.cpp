#include "addressbook/AddressFolderTree.h"

#include "addressbook/AddressBook.h"

#include <algorithm>

namespace fumibako::addressbook {

void AddressFolderTree::clear()
{
    m_folders = {AddressFolder{kRootFolder, kRootFolder, QString(), true, true}};
    m_index = {{kRootFolder, 0}};
    m_selected = kRootFolder;
}

const AddressFolder* AddressFolderTree::folder(const QString& key) const
{
    const auto it = m_index.constFind(key);
    return it == m_index.cend() ? nullptr : &m_folders.at(*it);
}

bool AddressFolderTree::add(const QString& key, const QString& label, const QString& parentKey)
{
    if (contains(key) || !contains(parentKey))
        return false;
    m_index.insert(key, m_folders.size());
    m_folders.append(AddressFolder{key, label, parentKey, false});
    return true;
}

void AddressFolderTree::select(const QString& key)
{
    if (const auto it = m_index.constFind(m_selected); it != m_index.cend())
        m_folders[*it].open = false;
    m_selected = key;
    if (const auto it = m_index.constFind(key); it != m_index.cend())
        m_folders[*it].open = true;
}

void AddressFolderTree::setExpanded(const QString& key, bool expanded)
{
    if (const auto it = m_index.constFind(key); it != m_index.cend())
        m_folders[*it].expanded = expanded;
}

void AddressFolderTree::reindex()
{
    m_index.clear();
    for (qsizetype i = 0; i < m_folders.size(); ++i)
        m_index.insert(m_folders.at(i).key, i);
}

void AddressFolderTree::removeSubtree(const QString& key)
{
    const AddressFolder* removed = folder(key);
    if (!removed || removed->parentKey.isEmpty())
        return;
    const QString parent = removed->parentKey;
    m_folders.removeIf([&key](const AddressFolder& f) { return isWithinFolder(f.key, key); });
    reindex();
    if (isWithinFolder(m_selected, key))
        select(parent);
}

void AddressFolderTree::renameSubtree(const QString& oldKey, const QString& newKey, const QString& newLabel)
{
    const auto rewrite = [&](const QString& k) { return newKey + k.mid(oldKey.size()); };
    for (AddressFolder& f : m_folders) {
        if (isWithinFolder(f.key, oldKey)) {
            if (f.key == oldKey)
                f.label = newLabel;
            f.key = rewrite(f.key);
        }
        if (isWithinFolder(f.parentKey, oldKey))
            f.parentKey = rewrite(f.parentKey);
    }
    reindex();
    if (isWithinFolder(m_selected, oldKey))
        m_selected = rewrite(m_selected);
}

QStringList AddressFolderTree::children(const QString& key) const
{
    QList<const AddressFolder*> found;
    for (const AddressFolder& f : m_folders) {
        if (f.parentKey == key && !f.parentKey.isEmpty())
            found.append(&f);
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const AddressFolder* a, const AddressFolder* b) { return labelBefore(*a, *b); });
    QStringList keys;
    for (const AddressFolder* f : found)
        keys.append(f->key);
    return keys;
}

bool labelBefore(const AddressFolder& a, const AddressFolder& b)
{
    const int folded = a.label.compare(b.label, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a.label < b.label;
}

bool isWithinFolder(const QString& path, const QString& folder)
{
    return path.startsWith(folder) && (path.size() == folder.size() || path.at(folder.size()) == u'\\');
}

int folderLevels(const QString& path)
{
    return int(path.count(u'\\'));
}

bool EnsureFolderAncestors(AddressFolderTree& tree, const QString& path)
{
    QStringList prefixes;
    QStringList components;
    qsizetype from = 0;
    for (qsizetype slash = path.indexOf(u'\\'); slash >= 0; slash = path.indexOf(u'\\', slash + 1)) {
        if (prefixes.size() == kMaxFolderLevels)
            return false;
        prefixes.append(path.left(slash));
        components.append(path.mid(from, slash - from));
        from = slash + 1;
    }
    if (prefixes.isEmpty())
        return true;
    if (!tree.contains(prefixes.first()))
        return false;
    for (qsizetype i = 1; i < prefixes.size(); ++i) {
        if (!tree.contains(prefixes.at(i)))
            tree.add(prefixes.at(i), components.at(i), prefixes.at(i - 1));
    }
    return true;
}

bool EnsureFolder(AddressFolderTree& tree, const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'\\');
    if (slash < 0)
        return true;
    if (!EnsureFolderAncestors(tree, path))
        return false;
    return tree.add(path, path.mid(slash + 1), path.left(slash));
}

bool BuildFolderTree(AddressFolderTree& tree, const QList<AddressEntry>& entries, const QString& selectPath)
{
    tree.clear();
    QString lastPath = kRootFolder;
    for (const AddressEntry& entry : entries) {
        if (entry.path == lastPath)
            continue;
        lastPath = entry.path;
        if (!EnsureFolder(tree, entry.path))
            return false;
    }
    if (!tree.contains(selectPath) && !EnsureFolder(tree, selectPath))
        return false;
    if (!tree.contains(selectPath))
        return true;
    tree.select(selectPath);
    for (QString key = selectPath; !key.isEmpty(); key = tree.folder(key)->parentKey)
        tree.setExpanded(key, true);
    return true;
}

} // namespace fumibako::addressbook
