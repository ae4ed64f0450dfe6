#include "mainwin/core/MailTableModel.h"

#include "mainwin/core/RowOrder.h"
#include "storage/MailFolderView.h"

#include <QMimeData>

#include <algorithm>

namespace fumibako::mainwin {

using storage::MailList;
using storage::MailRow;

const QString MailTableModel::kRowsMimeType = QStringLiteral("application/x-fumibako-mail-rows");

MailTableModel::MailTableModel(storage::MailFolderView& folder, QObject* parent)
    : QAbstractTableModel(parent),
      m_folder(folder),
      m_captions{QStringLiteral("保"), QStringLiteral("読"), QStringLiteral("添"), QStringLiteral("送信者"),
                 QStringLiteral("件名"), QStringLiteral("日付")}
{
}

int MailTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_folder.rows().size();
}

int MailTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kMailColumnCount;
}

QString MailTableModel::cellText(const MailRow& row, int column)
{
    switch (column) {
    case kSavedColumn:
        return row.savedText();
    case kUnreadColumn:
        return row.unreadText();
    case kAttachmentColumn:
        return row.attachmentText();
    default:
        return columnText(row, column).toString();
    }
}

QVariant MailTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_folder.rows().size())
        return {};
    const MailRow& row = m_folder.rows().at(index.row());
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return cellText(row, index.column());
    if (role == Qt::TextAlignmentRole && index.column() < kFromColumn)
        return int(Qt::AlignCenter);
    return {};
}

QVariant MailTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kMailColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_captions.at(section);
}

Qt::ItemFlags MailTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
}

void MailTableModel::setSenderCaption(const QString& caption)
{
    if (m_captions.at(kFromColumn) == caption)
        return;
    m_captions[kFromColumn] = caption;
    Q_EMIT headerDataChanged(Qt::Horizontal, kFromColumn, kFromColumn);
}

void MailTableModel::reload()
{
    beginResetModel();
    sortRows();
    endResetModel();
}

void MailTableModel::rowsUpdated()
{
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, kMailColumnCount - 1));
}

void MailTableModel::setSortState(int key, int order)
{
    if (key >= 0 && key < kMailColumnCount)
        m_sort.key = key;
    if (order == 0 || order == 1)
        m_sort.order = order;
}

void MailTableModel::columnClicked(int column)
{
    if (column < 0 || column >= kMailColumnCount)
        return;
    m_sort.columnClicked(column);
    sort(m_sort.key, m_sort.order == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void MailTableModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= kMailColumnCount)
        return;
    m_sort.key = column;
    m_sort.order = order == Qt::AscendingOrder ? 0 : 1;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const platform::LargeVector<int> moved = sortRows();
    const QModelIndexList before = moved.empty() ? QModelIndexList() : persistentIndexList();
    if (!before.isEmpty()) {
        platform::LargeVector<int> newRowOf(moved.size());
        for (int row = 0; row < int(moved.size()); ++row)
            newRowOf[size_t(moved[size_t(row)])] = row;
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex& index : before)
            after.append(this->index(newRowOf[size_t(index.row())], index.column()));
        changePersistentIndexList(before, after);
    }
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

platform::LargeVector<int> MailTableModel::sortRows()
{
    platform::LargeVector<int> order = sortedRowOrder(m_folder.rows(), m_sort.key, m_sort.order == 1);
    if (!order.empty())
        m_folder.rows().reorder(order);
    return order;
}

QStringList MailTableModel::mimeTypes() const
{
    return {kRowsMimeType};
}

QMimeData* MailTableModel::mimeData(const QModelIndexList& indexes) const
{
    QStringList rows;
    for (const QModelIndex& index : indexes) {
        if (index.column() == 0)
            rows.append(QString::number(index.row()));
    }
    auto* data = new QMimeData;
    data->setData(kRowsMimeType, rows.join(QLatin1Char('\n')).toLatin1());
    return data;
}

QList<int> MailTableModel::rowsFromMimeData(const QMimeData* data)
{
    QList<int> rows;
    if (!data || !data->hasFormat(kRowsMimeType))
        return rows;
    for (const QByteArray& line : data->data(kRowsMimeType).split('\n')) {
        bool ok = false;
        const int row = line.toInt(&ok);
        if (ok)
            rows.append(row);
    }
    return rows;
}

} // namespace fumibako::mainwin
