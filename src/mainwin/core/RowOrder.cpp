#include "mainwin/core/RowOrder.h"

#include "mainwin/core/MailTableModel.h"
#include "storage/MailList.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace fumibako::mainwin {

using platform::LargeVector;
using storage::MailList;
using storage::MailRow;

namespace {

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

struct NumberKey {
    quint64 number;
    qint32 row;
};

/** The flags, or the dates as numbers; nothing when a date has another form. */
std::optional<LargeVector<NumberKey>> numberKeys(const MailList& rows, int column)
{
    LargeVector<NumberKey> keys;
    keys.reserve(size_t(rows.size()));
    for (int row = 0; row < rows.size(); ++row) {
        const quint64 number = column == kDateColumn ? dateNumber(rows.at(row).date()) : flagOf(rows.at(row), column);
        if (number == kNoNumber)
            return std::nullopt;
        keys.push_back({number, row});
    }
    return keys;
}

// Least significant digit first, 11 bits a pass, as many passes as the largest number needs.
// Each pass keeps the order of equal digits, so the sort is stable.
void radixSort(LargeVector<NumberKey>& keys, quint64 largest)
{
    constexpr int kBits = 11;
    constexpr quint64 kMask = (quint64(1) << kBits) - 1;
    LargeVector<NumberKey> sorted(keys.size());
    for (int shift = 0; shift < 64 && (largest >> shift) != 0; shift += kBits) {
        std::array<size_t, size_t(1) << kBits> starts{};
        for (const NumberKey& key : keys)
            ++starts[(key.number >> shift) & kMask];
        size_t total = 0;
        for (size_t& start : starts)
            total += std::exchange(start, total);
        for (const NumberKey& key : keys)
            sorted[starts[(key.number >> shift) & kMask]++] = key;
        keys.swap(sorted);
    }
}

LargeVector<int> orderByNumber(LargeVector<NumberKey> keys, bool descending)
{
    const auto before = [descending](const NumberKey& a, const NumberKey& b) {
        return descending ? b.number < a.number : a.number < b.number;
    };
    if (std::is_sorted(keys.begin(), keys.end(), before))
        return {};
    const auto [smallest, largest] = std::minmax_element(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
        return a.number < b.number;
    });
    const quint64 low = smallest->number;
    const quint64 high = largest->number;
    for (NumberKey& key : keys) // descending: the distance from the largest, sorted ascending
        key.number = descending ? high - key.number : key.number - low;
    radixSort(keys, high - low);
    LargeVector<int> order;
    order.reserve(keys.size());
    for (const NumberKey& key : keys)
        order.push_back(key.row);
    return order;
}

struct TextKey {
    quint64 number; // kNoNumber unless the text is a date of the usual form
    QStringView text;
    int row;
};

int compareKeys(const TextKey& a, const TextKey& b)
{
    if (a.number != kNoNumber && b.number != kNoNumber)
        return a.number == b.number ? 0 : (a.number < b.number ? -1 : 1);
    return compareCaseInsensitive(a.text, b.text);
}

// The row number breaks ties, which keeps rows of equal cells in their order without the buffer
// of a stable sort.
LargeVector<int> orderByText(const MailList& rows, int column, bool descending)
{
    LargeVector<TextKey> keys;
    keys.reserve(size_t(rows.size()));
    for (int row = 0; row < rows.size(); ++row) {
        const QStringView text = columnText(rows.at(row), column);
        keys.push_back({column == kDateColumn ? dateNumber(text) : kNoNumber, text, row});
    }
    const auto before = [descending](const TextKey& a, const TextKey& b) {
        const int c = compareKeys(a, b);
        return c != 0 ? (descending ? c > 0 : c < 0) : a.row < b.row;
    };
    if (std::is_sorted(keys.begin(), keys.end(), before))
        return {};
    std::sort(keys.begin(), keys.end(), before);
    LargeVector<int> order;
    order.reserve(keys.size());
    for (const TextKey& key : keys)
        order.push_back(key.row);
    return order;
}

} // namespace

QStringView columnText(const MailRow& row, int column)
{
    switch (column) {
    case kFromColumn:
        return row.field1();
    case kSubjectColumn:
        return row.subject();
    case kDateColumn:
        return row.date();
    case kFolderColumn:
        return row.tag;
    default:
        return {};
    }
}

// The index is kept in arrival order, which is usually date order already: that costs one pass.
LargeVector<int> sortedRowOrder(const MailList& rows, int column, bool descending)
{
    if (column < kFromColumn || column == kDateColumn) {
        if (std::optional<LargeVector<NumberKey>> keys = numberKeys(rows, column))
            return orderByNumber(std::move(*keys), descending);
    }
    return orderByText(rows, column, descending);
}

} // namespace fumibako::mainwin
