#include "mainwin/core/MailTableModel.h"

#include "storage/MailFolderView.h"

#include <QMimeData>

#include <algorithm>

namespace fumibako::mainwin {

using storage::MailList;
using storage::MailRow;

const QString MailTableModel::kRowsMimeType = QStringLiteral("application/x-fumibako-mail-rows");

namespace {

QStringView cellView(const MailRow& row, int column)
{
    switch (column) {
    case kFromColumn:
        return row.field1();
    case kSubjectColumn:
        return row.subject();
    case kDateColumn:
        return row.date();
    default:
        return {};
    }
}

// QStringView::compare with Qt::CaseInsensitive, with a fast path: sorting 100,000 rows makes
// millions of comparisons, nearly all decided by ASCII characters (dates, numbers, addresses).
int compareCaseInsensitive(QStringView a, QStringView b)
{
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        char16_t x = a[i].unicode();
        char16_t y = b[i].unicode();
        if (x == y)
            continue;
        if (x >= 0x80 || y >= 0x80)
            return a.sliced(i).compare(b.sliced(i), Qt::CaseInsensitive);
        if (x >= u'A' && x <= u'Z')
            x += 32;
        if (y >= u'A' && y <= u'Z')
            y += 32;
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

constexpr quint64 kNoNumber = ~quint64(0);

// "yyyy/MM/dd HH:mm:ss" as the number its digits spell, or kNoNumber for any other text. Two
// such dates compare as their numbers exactly as they compare as texts, without reading the
// texts, which lie all over memory.
quint64 dateNumber(QStringView text)
{
    static constexpr char16_t kPattern[] = u"0000/00/00 00:00:00";
    if (text.size() != 19)
        return kNoNumber;
    quint64 number = 0;
    for (qsizetype i = 0; i < 19; ++i) {
        const char16_t c = text[i].unicode();
        if (kPattern[i] == u'0') {
            if (c < u'0' || c > u'9')
                return kNoNumber;
            number = number * 10 + (c - u'0');
        } else if (c != kPattern[i]) {
            return kNoNumber;
        }
    }
    return number;
}

struct SortKey {
    quint64 number; // a flag column's flag; else kNoNumber unless the text is a date of the usual form
    QStringView text;
    int row;
};

int compareKeys(const SortKey& a, const SortKey& b)
{
    if (a.number != kNoNumber && b.number != kNoNumber)
        return a.number == b.number ? 0 : (a.number < b.number ? -1 : 1);
    return compareCaseInsensitive(a.text, b.text);
}

// The flag columns sort by their marks: an empty cell before a marked one.
bool flagOf(const MailRow& row, int column)
{
    switch (column) {
    case kSavedColumn:
        return row.saved;
    case kUnreadColumn:
        return row.unread;
    case kAttachmentColumn:
        return row.attachment;
    default:
        return false;
    }
}

SortKey sortKeyOf(const MailRow& row, int column, int rowNumber)
{
    if (column < kFromColumn)
        return {flagOf(row, column) ? 1u : 0u, {}, rowNumber};
    const QStringView text = cellView(row, column);
    return {column == kDateColumn ? dateNumber(text) : kNoNumber, text, rowNumber};
}

} // namespace

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
        return cellView(row, column).toString();
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

// Sorting the cell texts with their row numbers and moving each row once is much faster than
// moving whole rows at every step. The row number breaks ties, which keeps rows of equal cells in
// their order without the buffer of a stable sort.
platform::LargeVector<int> MailTableModel::sortRows()
{
    const int column = m_sort.key;
    const bool descending = m_sort.order == 1;
    const MailList& rows = m_folder.rows();
    platform::LargeVector<SortKey> keys;
    keys.reserve(size_t(rows.size()));
    for (int row = 0; row < rows.size(); ++row)
        keys.push_back(sortKeyOf(rows.at(row), column, row));
    const auto before = [descending](const SortKey& a, const SortKey& b) {
        const int c = compareKeys(a, b);
        return c != 0 ? (descending ? c > 0 : c < 0) : a.row < b.row;
    };
    // The index is kept in arrival order, which is usually date order already.
    if (std::is_sorted(keys.begin(), keys.end(), before))
        return {};
    std::sort(keys.begin(), keys.end(), before);
    platform::LargeVector<int> order;
    order.reserve(keys.size());
    for (const SortKey& key : keys)
        order.push_back(key.row);
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
