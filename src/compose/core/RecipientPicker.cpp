#include "compose/core/RecipientPicker.h"

#include "compose/core/ComposeController.h"
#include "compose/core/ComposeRules.h"

#include <algorithm>

namespace fumibako::compose {

using addressbook::AddressEntry;

QList<AddressGroup> addressGroups(const QList<AddressEntry>& entries)
{
    QList<AddressGroup> groups;
    for (int i = 0; i < entries.size(); ++i) {
        const QString& path = entries.at(i).path;
        if (!groups.isEmpty() && groups.last().path == path) {
            ++groups.last().count;
            continue;
        }
        const qsizetype slash = path.lastIndexOf(QLatin1Char('\\'));
        groups.append({slash < 0 ? path : path.mid(slash + 1), path, i, 1});
    }
    return groups;
}

QString pickerAddressText(const AddressEntry& entry, bool withDisplayName)
{
    if (!withDisplayName)
        return entry.address;
    return QLatin1Char('"') + entry.name + QStringLiteral("\"<") + entry.address + QLatin1Char('>');
}

void AddressGroupModel::showGroup(const QList<AddressEntry>& entries, const AddressGroup& group)
{
    beginResetModel();
    m_rows = entries.mid(group.first, group.count);
    endResetModel();
}

QVariant AddressGroupModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows.size())
        return {};
    const AddressEntry& entry = m_rows.at(index.row());
    switch (index.column()) {
    case 0: return entry.name;
    case 1: return entry.address;
    case 2: return entry.comment;
    default: return {};
    }
}

QVariant AddressGroupModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const QStringList captions{QStringLiteral("表示名"), QStringLiteral("アドレス"), QStringLiteral("コメント")};
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return {};
    return captions.value(section);
}

RecipientPicker::RecipientPicker(const QList<AddressEntry>& table, const ComposeContent& content)
    : m_entries(table), m_groups(addressGroups(table))
{
    m_lists = {splitList(content.to), splitList(content.cc), splitList(content.bcc), splitList(content.attachments)};
}

void RecipientPicker::addEntries(List list, int group, QList<int> rows)
{
    if (list == Files || group < 0 || group >= m_groups.size())
        return;
    const AddressGroup& chosen = m_groups.at(group);
    std::sort(rows.begin(), rows.end());
    for (const int row : std::as_const(rows)) {
        if (row >= 0 && row < chosen.count)
            m_lists[list].append(pickerAddressText(m_entries.at(chosen.first + row), withDisplayName));
    }
}

void RecipientPicker::addToDefault(int group, int row)
{
    addEntries(defaultList, group, {row});
}

void RecipientPicker::removeItem(List list, int index)
{
    if (index >= 0 && index < m_lists.at(list).size())
        m_lists[list].removeAt(index);
}

void RecipientPicker::addFiles(const QStringList& paths)
{
    for (const QString& path : paths) {
        if (!path.isEmpty())
            m_lists[Files].append(path);
    }
}

void RecipientPicker::writeBack(ComposeContent& content) const
{
    content.to = joinList(m_lists.at(To));
    content.cc = joinList(m_lists.at(Cc));
    content.bcc = joinList(m_lists.at(Bcc));
    content.attachments = joinList(m_lists.at(Files));
}

} // namespace fumibako::compose
