#include "addressbook/core/AddressEntryList.h"

#include "addressbook/AddressFolderTree.h"

#include <algorithm>

namespace fumibako::addressbook {

namespace {

const QString kHeaders[] = {QStringLiteral("パス"), QStringLiteral("表示名"), QStringLiteral("電子メール　アドレス"),
                            QStringLiteral("コメント")};

bool pathBefore(const AddressEntry& entry, const QString& path)
{
    return entry.path < path;
}

bool pathAfter(const QString& path, const AddressEntry& entry)
{
    return path < entry.path;
}

} // namespace

int AddressEntryList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

int AddressEntryList::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant AddressEntryList::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole || index.row() >= count())
        return {};
    const AddressEntry& entry = m_entries.at(index.row());
    switch (index.column()) {
    case PathColumn:
        return entry.path;
    case NameColumn:
        return entry.name;
    case AddressColumn:
        return entry.address;
    case CommentColumn:
        return entry.comment;
    default:
        return {};
    }
}

QVariant AddressEntryList::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return kHeaders[section];
}

void AddressEntryList::setEntries(QList<AddressEntry> entries)
{
    beginResetModel();
    m_entries = std::move(entries);
    endResetModel();
}

int AddressEntryList::firstRowOf(const QString& path) const
{
    return int(std::lower_bound(m_entries.cbegin(), m_entries.cend(), path, pathBefore) - m_entries.cbegin());
}

std::pair<int, int> AddressEntryList::folderRows(const QString& path) const
{
    const auto first = std::lower_bound(m_entries.cbegin(), m_entries.cend(), path, pathBefore);
    const auto last = std::upper_bound(first, m_entries.cend(), path, pathAfter);
    return {int(first - m_entries.cbegin()), int(last - m_entries.cbegin())};
}

bool AddressEntryList::hasEntriesWithin(const QString& folder) const
{
    // Subfolders sort after their folder, though not always right after it (Root\A B lies between
    // Root\A and Root\A\B), so the search starts at the folder and looks at the rest.
    return std::any_of(m_entries.cbegin() + firstRowOf(folder), m_entries.cend(),
                       [&folder](const AddressEntry& e) { return isWithinFolder(e.path, folder); });
}

int AddressEntryList::add(const AddressEntry& entry)
{
    const int row = folderRows(entry.path).second;
    beginResetModel();
    m_entries.insert(row, entry);
    endResetModel();
    return row;
}

void AddressEntryList::addToFolder(const QString& path, const QList<AddressEntry>& entries)
{
    const int row = folderRows(path).second;
    QList<AddressEntry> added = entries;
    for (AddressEntry& entry : added)
        entry.path = path;
    beginResetModel();
    m_entries.insert(row, added.size(), AddressEntry{});
    std::move(added.begin(), added.end(), m_entries.begin() + row);
    endResetModel();
}

void AddressEntryList::setFields(int row, const QString& name, const QString& address, const QString& comment)
{
    AddressEntry& entry = m_entries[row];
    entry.name = name;
    entry.address = address;
    entry.comment = comment;
    Q_EMIT dataChanged(index(row, NameColumn), index(row, CommentColumn));
}

void AddressEntryList::removeRows(QList<int> rows)
{
    std::sort(rows.begin(), rows.end(), std::greater<>());
    beginResetModel();
    for (int row : rows)
        m_entries.removeAt(row);
    endResetModel();
}

int AddressEntryList::removeWithin(const QString& folder)
{
    beginResetModel();
    const qsizetype removed =
        m_entries.removeIf([&folder](const AddressEntry& e) { return isWithinFolder(e.path, folder); });
    endResetModel();
    return int(removed);
}

int AddressEntryList::replaceFolderStart(const QString& oldFolder, const QString& newFolder)
{
    int moved = 0;
    beginResetModel();
    for (AddressEntry& entry : m_entries) {
        if (isWithinFolder(entry.path, oldFolder)) {
            entry.path = newFolder + entry.path.mid(oldFolder.size());
            ++moved;
        }
    }
    sortByPath(m_entries);
    endResetModel();
    return moved;
}

void AddressEntryList::setPath(QList<int> rows, const QString& path)
{
    std::sort(rows.begin(), rows.end());
    QList<AddressEntry> moved;
    moved.reserve(rows.size());
    for (int row : rows)
        moved.append(m_entries.at(row));
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        m_entries.removeAt(*it);
    addToFolder(path, moved);
}

int AddressEntryList::deepestLevelWithin(const QString& folder) const
{
    int deepest = -1;
    for (auto it = m_entries.cbegin() + firstRowOf(folder); it != m_entries.cend(); ++it) {
        if (isWithinFolder(it->path, folder))
            deepest = std::max(deepest, folderLevels(it->path));
    }
    return deepest;
}

} // namespace fumibako::addressbook
