#include "settings/core/TriedMailModel.h"

namespace fumibako::settings {

TriedMailModel::TriedMailModel(QList<storage::MailRow> rows, QObject* parent)
    : QAbstractTableModel(parent), m_rows(std::move(rows))
{
}

int TriedMailModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TriedMailModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant TriedMailModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    const storage::MailRow& row = m_rows.at(index.row());
    switch (index.column()) {
    case 0: return row.field1().toString();
    case 1: return row.subject().toString();
    default: return row.date().toString();
    }
}

QVariant TriedMailModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const QStringList captions{QStringLiteral("送信者"), QStringLiteral("件名"), QStringLiteral("日付")};
    return captions.value(section);
}

} // namespace fumibako::settings
