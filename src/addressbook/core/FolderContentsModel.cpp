#include "addressbook/core/FolderContentsModel.h"

#include "addressbook/core/AddressDrag.h"

#include <algorithm>

namespace fumibako::addressbook {

namespace {

const QString kHeaders[] = {QStringLiteral("表示名"), QStringLiteral("電子メール　アドレス"), QStringLiteral("コメント")};

const QString& columnText(const ContentRow& row, int column)
{
    switch (column) {
    case FolderContentsModel::AddressColumn:
        return row.address;
    case FolderContentsModel::CommentColumn:
        return row.comment;
    default:
        return row.name;
    }
}

// Text order as a list shows it: letter case ignored first.
int compareTexts(const QString& a, const QString& b)
{
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded : a.compare(b);
}

} // namespace

int FolderContentsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

int FolderContentsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FolderContentsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const ContentRow& row = m_rows.at(index.row());
    if (role == Qt::DisplayRole)
        return columnText(row, index.column());
    if (role == ImageKeyRole && index.column() == NameColumn)
        return row.isFolder() ? QStringLiteral("close") : QStringLiteral("file");
    return {};
}

QVariant FolderContentsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return kHeaders[section];
}

Qt::ItemFlags FolderContentsModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QStringList FolderContentsModel::mimeTypes() const
{
    return {kAddressRowsMimeType};
}

QMimeData* FolderContentsModel::mimeData(const QModelIndexList& indexes) const
{
    AddressDrag drag;
    for (const QModelIndex& index : indexes) {
        if (index.column() == 0)
            drag.rows.append(index.row());
    }
    std::sort(drag.rows.begin(), drag.rows.end());
    return encodeAddressDrag(drag);
}

void FolderContentsModel::setRows(QList<ContentRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    sortRows();
    endResetModel();
}

void FolderContentsModel::columnClicked(int column)
{
    if (column < 0 || column >= ColumnCount)
        return;
    if (m_sortColumn == column)
        m_descending = !m_descending;
    else
        m_sortColumn = column;
    beginResetModel();
    sortRows();
    endResetModel();
}

void FolderContentsModel::sortRows()
{
    if (!m_sortColumn)
        return;
    const int column = *m_sortColumn;
    const bool descending = m_descending;
    std::stable_sort(m_rows.begin(), m_rows.end(), [column, descending](const ContentRow& a, const ContentRow& b) {
        const int order = compareTexts(columnText(a, column), columnText(b, column));
        return descending ? order > 0 : order < 0;
    });
}

} // namespace fumibako::addressbook
