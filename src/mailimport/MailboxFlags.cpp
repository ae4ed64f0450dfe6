#include "mailimport/MailboxFlags.h"

#include <algorithm>
#include <climits>

namespace fumibako::mailimport {

namespace {

constexpr unsigned kMozillaRead = 0x0001;
constexpr unsigned kMozillaFlagged = 0x0004;
constexpr unsigned kMozillaDeleted = 0x0008;

QByteArrayView field(const QList<std::pair<QByteArray, QByteArray>>& fields, QByteArrayView name)
{
    for (const auto& [fieldName, value] : fields) {
        if (QByteArrayView(fieldName).compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

// "1-3" or "5", both ends within 1 .. INT_MAX; nothing otherwise.
std::optional<std::pair<int, int>> parseRange(QByteArrayView text)
{
    const qsizetype dash = text.indexOf('-');
    bool lowOk = false;
    bool highOk = false;
    const int low = (dash < 0 ? text : text.first(dash)).toInt(&lowOk);
    const int high = dash < 0 ? low : text.sliced(dash + 1).toInt(&highOk);
    if (dash < 0)
        highOk = lowOk;
    if (!lowOk || !highOk || low < 1 || high < low)
        return std::nullopt;
    return std::pair(low, high);
}

} // namespace

MessageFlags MessageFlags::over(const MessageFlags& other) const
{
    return {read ? read : other.read, flagged ? flagged : other.flagged, deleted ? deleted : other.deleted};
}

MessageFlags mozillaStatusFlags(QByteArrayView value)
{
    const QByteArrayView digits = value.trimmed();
    bool ok = false;
    const unsigned status = digits.size() == 4 ? digits.toUInt(&ok, 16) : 0;
    if (!ok)
        return {};
    return {(status & kMozillaRead) != 0, (status & kMozillaFlagged) != 0, (status & kMozillaDeleted) != 0};
}

MessageFlags statusFieldFlags(QByteArrayView status, QByteArrayView xStatus)
{
    MessageFlags flags;
    if (!status.isNull())
        flags.read = status.contains('R');
    if (!xStatus.isNull())
        flags.flagged = xStatus.contains('F');
    return flags;
}

MessageFlags headerFlags(const QList<std::pair<QByteArray, QByteArray>>& fields)
{
    const MessageFlags mozilla = mozillaStatusFlags(field(fields, "X-Mozilla-Status"));
    return mozilla.over(statusFieldFlags(field(fields, "Status"), field(fields, "X-Status")));
}

MessageFlags maildirFlags(QStringView fileName, bool inNew)
{
    MessageFlags flags{false, false, false};
    if (inNew)
        return flags;
    qsizetype info = -1;
    for (const char* marker : {":2,", "!2,", ";2,"}) {
        const qsizetype at = fileName.lastIndexOf(QLatin1String(marker));
        info = std::max(info, at);
    }
    if (info < 0)
        return flags;
    const QStringView letters = fileName.sliced(info + 3);
    flags.read = letters.contains(QLatin1Char('S'));
    flags.flagged = letters.contains(QLatin1Char('F'));
    flags.deleted = letters.contains(QLatin1Char('T'));
    return flags;
}

MhSequences MhSequences::parse(QByteArrayView text)
{
    MhSequences sequences;
    QByteArray name;
    for (QByteArrayView line : QByteArray(text.toByteArray()).split('\n')) {
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        QByteArrayView numbers = line;
        const qsizetype colon = line.indexOf(':');
        // A line that starts with a blank continues the sequence above it.
        if (colon >= 0) {
            name = line.first(colon).trimmed().toByteArray().toLower();
            numbers = line.sliced(colon + 1);
        }
        if (name.isEmpty())
            continue;
        sequences.m_empty = false;
        QList<std::pair<int, int>>& ranges = sequences.m_ranges[name];
        for (const QByteArray& word : numbers.toByteArray().simplified().split(' ')) {
            if (const std::optional<std::pair<int, int>> range = parseRange(word))
                ranges.append(*range);
        }
    }
    // Sorted and merged, so that one binary search finds the range a number may lie in.
    for (QList<std::pair<int, int>>& ranges : sequences.m_ranges) {
        std::sort(ranges.begin(), ranges.end());
        QList<std::pair<int, int>> merged;
        for (const std::pair<int, int>& range : std::as_const(ranges)) {
            if (!merged.isEmpty() && range.first <= merged.last().second)
                merged.last().second = std::max(merged.last().second, range.second);
            else
                merged.append(range);
        }
        ranges = std::move(merged);
    }
    return sequences;
}

bool MhSequences::contains(QByteArrayView sequence, int number) const
{
    const auto found = m_ranges.constFind(sequence.toByteArray());
    if (found == m_ranges.cend())
        return false;
    const QList<std::pair<int, int>>& ranges = *found;
    // The last range that starts at or before the number is the only one that may hold it.
    const auto after = std::upper_bound(ranges.cbegin(), ranges.cend(), std::pair(number, INT_MAX));
    return after != ranges.cbegin() && std::prev(after)->second >= number;
}

MessageFlags MhSequences::flagsOf(int number) const
{
    if (m_empty)
        return {};
    return {!contains("unseen", number), contains("flagged", number), std::nullopt};
}

} // namespace fumibako::mailimport
