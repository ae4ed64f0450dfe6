#include "mailimport/MboxReader.h"

#include "mailimport/FromLines.h"
#include "platform/mail/HeaderFields.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fumibako::mailimport {

namespace {

constexpr qint64 kBlockBytes = 256 * 1024;
// Enough of a line to see a header field's name and colon.
constexpr qint64 kFieldPeek = 1000;

} // namespace

MboxReader::MboxReader(const QString& path) : m_path(path) {}

MboxReader::~MboxReader()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool MboxReader::open(QString* error)
{
    m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (m_fd < 0 || ::fstat(m_fd, &info) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    m_size = info.st_size;
    // A file that does not start with a "From " line holds no message of this format.
    m_nextMarker = readAt(0, 5) == "From " ? 0 : -1;
    return true;
}

QByteArray MboxReader::readAt(qint64 offset, qint64 length) const
{
    QByteArray bytes(qsizetype(std::clamp<qint64>(length, 0, std::max<qint64>(m_size - offset, 0))), Qt::Uninitialized);
    qsizetype filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::pread(m_fd, bytes.data() + filled, size_t(bytes.size() - filled), offset + filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        filled += got;
    }
    bytes.truncate(filled);
    return bytes;
}

// Makes the block hold the bytes from @p offset on (at least a few, unless the file ends).
bool MboxReader::fill(qint64 offset)
{
    if (offset >= m_blockStart && offset + 8 <= m_blockStart + m_block.size())
        return true;
    m_block = readAt(offset, kBlockBytes);
    m_blockStart = offset;
    return !m_block.isEmpty();
}

std::optional<MboxReader::Line> MboxReader::nextLine()
{
    if (m_position >= m_size || !fill(m_position))
        return std::nullopt;
    Line line;
    line.start = m_position;
    const QByteArrayView start = QByteArrayView(m_block).sliced(m_position - m_blockStart);
    line.empty = start.startsWith('\n') || start.startsWith("\r\n");
    line.from = start.startsWith("From ");
    for (;;) {
        const qsizetype at = qsizetype(m_position - m_blockStart);
        const void* newline = std::memchr(m_block.constData() + at, '\n', size_t(m_block.size() - at));
        if (newline) {
            m_position = m_blockStart + (static_cast<const char*>(newline) - m_block.constData()) + 1;
            break;
        }
        m_position = m_blockStart + m_block.size();
        if (m_position >= m_size || !fill(m_position)) {
            m_position = m_size;
            break;
        }
    }
    line.next = m_position;
    return line;
}

std::optional<MboxMessage> MboxReader::next()
{
    if (m_nextMarker < 0 || m_nextMarker >= m_size)
        return std::nullopt;
    MboxMessage message;
    message.number = ++m_number;
    message.markerOffset = m_nextMarker;
    m_position = m_nextMarker;
    const std::optional<Line> markerLine = nextLine();
    message.begin = markerLine->next;
    message.marker = readAt(message.markerOffset, std::min(markerLine->next - message.markerOffset, kFieldPeek)).trimmed();
    message.end = m_size;
    m_nextMarker = -1;
    bool afterEmptyLine = false;
    while (const std::optional<Line> line = nextLine()) {
        if (line->from && afterEmptyLine && platform::mail::startsWithHeaderField(readAt(line->next, kFieldPeek))) {
            message.end = line->start;
            m_nextMarker = line->start;
            break;
        }
        afterEmptyLine = line->empty;
    }
    // The empty line that parts it from the next message (or ends the file) is the file's, not the message's.
    const QByteArray tail = readAt(std::max(message.begin, message.end - 4), std::min<qint64>(message.end - message.begin, 4));
    if (tail.endsWith("\r\n\r\n"))
        message.end -= 2;
    else if (tail.endsWith("\n\n"))
        message.end -= 1;
    else if (m_nextMarker < 0 && !tail.endsWith('\n'))
        message.truncated = true; // the file ends in the middle of a line
    return message;
}

bool MboxReader::read(const MboxMessage& message, const ByteSink& sink, QString* error)
{
    FromLineFilter unquote(FromLineFilter::Mode::Unquote);
    QByteArray out;
    for (qint64 offset = message.begin; offset < message.end; offset += kBlockBytes) {
        const qint64 length = std::min(kBlockBytes, message.end - offset);
        const QByteArray piece = readAt(offset, length);
        if (piece.size() != length) {
            *error = QStringLiteral("%1: %2").arg(m_path, QString::fromLocal8Bit(std::strerror(errno ? errno : EIO)));
            return false;
        }
        out.clear();
        unquote.feed(piece, out);
        if (!sink(out))
            return false;
    }
    out.clear();
    unquote.finish(out);
    return out.isEmpty() || sink(out);
}

} // namespace fumibako::mailimport
