#include "platform/mail/Pop3Replies.h"

#include <QList>

#include <cstring>

namespace fumibako::platform::mail::pop3 {

namespace {

// The words of a listing line, separated by spaces or tabs.
QList<QByteArrayView> words(QByteArrayView line)
{
    QList<QByteArrayView> result;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        const bool separator = i == line.size() || line[i] == ' ' || line[i] == '\t' || line[i] == '\r';
        if (separator && start >= 0) {
            result.append(line.sliced(start, i - start));
            start = -1;
        } else if (!separator && start < 0) {
            start = i;
        }
    }
    return result;
}

// Calls @p each with every line of @p listing (without its line end).
template <typename Each>
void forEachLine(QByteArrayView listing, Each each)
{
    qsizetype start = 0;
    while (start < listing.size()) {
        qsizetype end = listing.indexOf('\n', start);
        if (end < 0)
            end = listing.size();
        each(listing.sliced(start, end - start));
        start = end + 1;
    }
}

} // namespace

std::optional<Status> parseStatus(QByteArrayView line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    Status status;
    QByteArrayView rest;
    if (line.startsWith("+OK")) {
        status.ok = true;
        rest = line.sliced(3);
    } else if (line.startsWith("-ERR")) {
        rest = line.sliced(4);
    } else {
        return std::nullopt;
    }
    if (!rest.isEmpty() && rest.front() != ' ')
        return std::nullopt; // "+OKAY" is not a status
    status.text = rest.trimmed().toByteArray();
    return status;
}

qsizetype MultiLineDecoder::feedLine(const char* data, qsizetype size, const Sink& sink)
{
    // Within a line: everything up to the next CR LF that is followed by a dot goes out at once.
    qsizetype used = 0;
    if (m_afterCr && data[0] == '\n') {
        m_afterCr = false;
        if (!sink(data, 1))
            return -1;
        m_state = State::LineStart;
        return 1;
    }
    const char* dotLine = static_cast<const char*>(::memmem(data, size_t(size), "\r\n.", 3));
    if (dotLine) {
        used = dotLine - data + 2;
        m_state = State::Dot;
        m_afterCr = false;
        if (!sink(data, used))
            return -1;
        return used + 1;
    }
    used = size;
    if (size >= 2 && data[size - 2] == '\r' && data[size - 1] == '\n') {
        m_state = State::LineStart;
        m_afterCr = false;
    } else {
        m_afterCr = data[size - 1] == '\r';
    }
    return sink(data, used) ? used : -1;
}

qsizetype MultiLineDecoder::feed(const char* data, qsizetype size, const Sink& sink)
{
    qsizetype at = 0;
    while (at < size && m_state != State::Finished) {
        switch (m_state) {
        case State::LineStart:
            if (data[at] == '.') {
                m_state = State::Dot;
                ++at;
            } else {
                m_state = State::InLine;
            }
            break;
        case State::Dot:
            // ".\r\n" ends the body; any other dot at a line's start is dropped.
            if (data[at] == '\r') {
                m_state = State::DotCr;
                ++at;
            } else {
                m_state = State::InLine;
            }
            break;
        case State::DotCr:
            if (data[at] == '\n') {
                m_state = State::Finished;
                ++at;
                break;
            }
            if (!sink("\r", 1))
                return -1;
            m_state = State::InLine;
            m_afterCr = true;
            break;
        case State::InLine: {
            const qsizetype used = feedLine(data + at, size - at, sink);
            if (used < 0)
                return -1;
            at += used;
            break;
        }
        case State::Finished:
            break;
        }
    }
    return at;
}

std::optional<MailboxSize> parseStat(QByteArrayView statusText)
{
    const QList<QByteArrayView> parts = words(statusText);
    if (parts.size() < 2)
        return std::nullopt;
    bool countOk = false;
    bool bytesOk = false;
    MailboxSize size{parts[0].toInt(&countOk), parts[1].toLongLong(&bytesOk)};
    if (!countOk || !bytesOk || size.count < 0 || size.bytes < 0)
        return std::nullopt;
    return size;
}

QHash<int, QByteArray> parseUidlListing(QByteArrayView listing)
{
    QHash<int, QByteArray> ids;
    forEachLine(listing, [&ids](QByteArrayView line) {
        const QList<QByteArrayView> parts = words(line);
        bool ok = false;
        const int number = parts.value(0).toInt(&ok);
        if (ok && number > 0 && parts.size() >= 2)
            ids.insert(number, parts[1].toByteArray());
    });
    return ids;
}

QHash<int, qint64> parseSizeListing(QByteArrayView listing)
{
    QHash<int, qint64> sizes;
    forEachLine(listing, [&sizes](QByteArrayView line) {
        const QList<QByteArrayView> parts = words(line);
        bool numberOk = false;
        bool sizeOk = false;
        const int number = parts.value(0).toInt(&numberOk);
        const qint64 size = parts.value(1).toLongLong(&sizeOk);
        if (numberOk && sizeOk && number > 0 && size >= 0)
            sizes.insert(number, size);
    });
    return sizes;
}

bool offersCapability(QByteArrayView capaListing, QByteArrayView capability)
{
    bool found = false;
    forEachLine(capaListing, [&](QByteArrayView line) {
        const QList<QByteArrayView> parts = words(line);
        found = found || (!parts.isEmpty() && parts[0].compare(capability, Qt::CaseInsensitive) == 0);
    });
    return found;
}

} // namespace fumibako::platform::mail::pop3
