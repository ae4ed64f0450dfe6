#include "addressbook/core/ImportPreviewModel.h"

#include "addressbook/AddressBook.h"

#include <algorithm>

namespace fumibako::addressbook {

namespace {

const QString kHeaders[] = {QStringLiteral("表示名"), QStringLiteral("電子メール　アドレス"), QStringLiteral("コメント")};

const QString& columnText(const ImportedAddress& row, int column)
{
    switch (column) {
    case ImportPreviewModel::AddressColumn:
        return row.address;
    case ImportPreviewModel::CommentColumn:
        return row.comment;
    default:
        return row.name;
    }
}

} // namespace

int ImportPreviewModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ImportPreviewModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ImportPreviewModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return columnText(m_rows.at(index.row()), index.column());
}

bool ImportPreviewModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.column() != NameColumn || index.row() >= m_rows.size())
        return false;
    m_rows[index.row()].name = entryField(value.toString(), false);
    Q_EMIT dataChanged(index, index);
    return true;
}

QVariant ImportPreviewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return kHeaders[section];
}

Qt::ItemFlags ImportPreviewModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return index.column() == NameColumn ? flags | Qt::ItemIsEditable : flags;
}

void ImportPreviewModel::setRows(QList<ImportedAddress> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void ImportPreviewModel::removeRowNumbers(QList<int> rows)
{
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int row : rows) {
        if (row < 0 || row >= m_rows.size())
            continue;
        beginRemoveRows({}, row, row);
        m_rows.removeAt(row);
        endRemoveRows();
    }
}

void ImportPreviewModel::columnClicked(int column)
{
    if (column < 0 || column >= ColumnCount)
        return;
    m_descending = m_sortColumn == column ? !m_descending : false;
    m_sortColumn = column;
    const bool descending = m_descending;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::stable_sort(m_rows.begin(), m_rows.end(), [column, descending](const ImportedAddress& a, const ImportedAddress& b) {
        const QString& x = columnText(a, column);
        const QString& y = columnText(b, column);
        const int folded = x.compare(y, Qt::CaseInsensitive);
        const int order = folded != 0 ? folded : x.compare(y);
        return descending ? order > 0 : order < 0;
    });
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace fumibako::addressbook
