#include "addressbook/AddressFolderTree.h"

#include "addressbook/AddressBook.h"

#include <algorithm>

namespace fumibako::addressbook {

void AddressFolderTree::clear()
{
    m_folders = {AddressFolder{kRootFolder, kRootFolder, QString(), true}};
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

QStringList AddressFolderTree::children(const QString& key) const
{
    QList<const AddressFolder*> found;
    for (const AddressFolder& f : m_folders) {
        if (f.parentKey == key && !f.parentKey.isEmpty())
            found.append(&f);
    }
    std::stable_sort(found.begin(), found.end(), [](const AddressFolder* a, const AddressFolder* b) {
        const int folded = a->label.compare(b->label, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a->label < b->label;
    });
    QStringList keys;
    for (const AddressFolder* f : found)
        keys.append(f->key);
    return keys;
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
    if (tree.contains(selectPath))
        tree.select(selectPath);
    return true;
}

} // namespace fumibako::addressbook
