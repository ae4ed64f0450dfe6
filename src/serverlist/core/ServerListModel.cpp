#include "serverlist/core/ServerListModel.h"

#include "transfer/ServerList.h"

namespace fumibako::serverlist {

ServerListModel::ServerListModel(transfer::ServerList& list, transfer::ServerListPane which, QObject* parent)
    : QAbstractTableModel(parent), m_list(list), m_which(which)
{
    connect(&m_list, &transfer::ServerList::rowsChanged, this, [this] {
        beginResetModel();
        endResetModel();
    });
}

int ServerListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_list.rows(m_which).size());
}

int ServerListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kServerListColumnCount;
}

QVariant ServerListModel::data(const QModelIndex& index, int role) const
{
    const QList<transfer::ServerListRow>& rows = m_list.rows(m_which);
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rows.size())
        return {};
    const transfer::ServerListRow& row = rows.at(index.row());
    switch (index.column()) {
    case kNumberColumn: return row.number;
    case kSubjectColumn: return row.subject;
    case kFromColumn: return row.from;
    case kDateColumn: return row.date;
    default: return {};
    }
}

QVariant ServerListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const QStringList captions{QStringLiteral("No"), QStringLiteral("件名"), QStringLiteral("差出人"),
                                      QStringLiteral("日付")};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= captions.size())
        return {};
    return captions.at(section);
}

} // namespace fumibako::serverlist
