#include "mainwin/core/MailTableModel.h"

#include "mainwin/core/RowOrder.h"
#include "platform/FreedMemory.h"
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
                 QStringLiteral("件名"), QStringLiteral("日付"), QStringLiteral("フォルダ")}
{
    m_preparing.setInterval(0);
    connect(&m_preparing, &QTimer::timeout, this, [this] {
        if (m_filter.prepareAhead(m_folder.rows()))
            m_preparing.stop();
    });
}

void MailTableModel::setPreparingFilter(bool on)
{
    m_preparingFilter = on;
    if (on) {
        restartPreparing();
        return;
    }
    m_preparing.stop();
    releaseUnlessFiltering();
}

void MailTableModel::releaseUnlessFiltering()
{
    if (m_preparingFilter || m_filter.isActive())
        return;
    m_filter.releasePrepared();
    platform::returnFreedMemory();
}

void MailTableModel::restartPreparing()
{
    if (!m_preparingFilter)
        return;
    m_filter.revalidate(m_folder.rows());
    m_preparing.start();
}

int MailTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_filter.shownCount(m_folder.rows().size());
}

int MailTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kListColumnCount;
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
    const int shown = index.isValid() ? folderRow(index.row()) : -1;
    if (shown < 0 || shown >= m_folder.rows().size())
        return {};
    const MailRow& row = m_folder.rows().at(shown);
    if ((role == Qt::DisplayRole || role == Qt::ToolTipRole) && index.column() == kSubjectColumn && isUnsure(row))
        return role == Qt::DisplayRole ? kUnsureMark + cellText(row, kSubjectColumn) : kUnsureTip;
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return cellText(row, index.column());
    if (role == Qt::TextAlignmentRole && index.column() < kFromColumn)
        return int(Qt::AlignCenter);
    return {};
}

const QString MailTableModel::kUnsureMark = QStringLiteral("［迷惑？］");
const QString MailTableModel::kUnsureTip =
    QStringLiteral("迷惑メールかどうか判定できなかったメールです。「迷惑メールにする」（J）か「迷惑メールではない」（Shift+J）で教えてください。");

bool MailTableModel::isUnsure(const MailRow& row) const
{
    return m_unsure && !m_unsure->isEmpty() && !storage::MailFolderView::isOutgoingKey(row.tag)
        && m_unsure->contains(row.keyString());
}

QVariant MailTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kListColumnCount)
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
    m_filter.apply(m_folder.rows());
    endResetModel();
    restartPreparing();
}

void MailTableModel::rowsUpdated()
{
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, kListColumnCount - 1));
}

QList<int> MailTableModel::setFilterText(QStringView typed, const QList<int>& chosenRows)
{
    const bool wasActive = m_filter.isActive();
    if (!wasActive) {
        m_chosenBeforeFilter.clear();
        for (int row : chosenRows) {
            if (row >= 0 && row < m_folder.rows().size())
                m_chosenBeforeFilter.append(m_folder.rows().at(row).keyString());
        }
    }
    // A layout change, not a reset: the view keeps the selection and the current row of every
    // row that stays shown, one persistent index per selected row (the vertical hint).
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    const QList<int> folderRows = folderRowsOf(before);
    m_filter.setText(typed);
    m_filter.apply(m_folder.rows());
    followPersistent(before, folderRows, [](int folder) { return folder; });
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);

    QList<int> chooseAgain;
    if (m_filter.isActive())
        return chooseAgain;
    // Every row is shown again, so the rows chosen while filtering are still chosen: only when
    // there were none do the ones from before come back.
    if (wasActive && chosenRows.isEmpty()) {
        for (const QString& key : std::as_const(m_chosenBeforeFilter)) {
            if (const int row = m_folder.rows().rowOfKey(key); row >= 0)
                chooseAgain.append(row);
        }
    }
    m_chosenBeforeFilter.clear();
    releaseUnlessFiltering();
    return chooseAgain;
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
    const QModelIndexList before = persistentIndexList();
    const QList<int> folderRows = folderRowsOf(before);
    const platform::LargeVector<int> newRowOf = sortAndFollow();
    if (!newRowOf.empty() && !before.isEmpty()) {
        followPersistent(before, folderRows, [&newRowOf](int folder) {
            return folder >= 0 && size_t(folder) < newRowOf.size() ? newRowOf[size_t(folder)] : -1;
        });
    }
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    if (!newRowOf.empty())
        restartPreparing();
}

QList<int> MailTableModel::folderRowsOf(const QModelIndexList& indexes) const
{
    QList<int> rows;
    rows.reserve(indexes.size());
    for (const QModelIndex& index : indexes)
        rows.append(folderRow(index.row()));
    return rows;
}

void MailTableModel::followPersistent(const QModelIndexList& before, const QList<int>& folderRows,
                                      const std::function<int(int)>& newFolderRow)
{
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        const int folder = newFolderRow(folderRows.at(i));
        const int row = folder >= 0 ? modelRow(folder) : -1;
        after.append(row >= 0 ? index(row, before.at(i).column()) : QModelIndex());
    }
    changePersistentIndexList(before, after);
}

QItemSelection MailTableModel::selectionOf(const QList<int>& folderRows) const
{
    QList<int> rows;
    for (int folder : folderRows) {
        if (const int row = modelRow(folder); row >= 0 && row < rowCount())
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end());
    QItemSelection selection;
    for (qsizetype i = 0; i < rows.size();) {
        qsizetype last = i;
        while (last + 1 < rows.size() && rows.at(last + 1) <= rows.at(last) + 1)
            ++last;
        selection.select(index(rows.at(i), 0), index(rows.at(last), kListColumnCount - 1));
        i = last + 1;
    }
    return selection;
}

platform::LargeVector<int> MailTableModel::sortAndFollow()
{
    const platform::LargeVector<int> moved = sortRows();
    platform::LargeVector<int> newRowOf(moved.size());
    for (int row = 0; row < int(moved.size()); ++row)
        newRowOf[size_t(moved[size_t(row)])] = row;
    m_filter.rowsMoved(newRowOf);
    return newRowOf;
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
            rows.append(QString::number(folderRow(index.row())));
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
