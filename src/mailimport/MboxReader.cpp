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

constexpr qint64 kPieceBytes = 256 * 1024;

} // namespace

MboxReader::MboxReader(const QString& path) : m_path(path) {}

MboxReader::~MboxReader()
{
    m_parser.reset();
    if (m_options)
        g_mime_parser_options_free(m_options);
    if (m_fd >= 0)
        ::close(m_fd);
}

bool MboxReader::open(QString* error)
{
    platform::mail::ensureGMimeInitialized();
    const QByteArray name = QFile::encodeName(m_path);
    m_fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    const int parserFd = m_fd < 0 ? -1 : ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (m_fd < 0 || parserFd < 0 || ::fstat(m_fd, &info) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        if (parserFd >= 0)
            ::close(parserFd);
        return false;
    }
    m_size = info.st_size;
    platform::mail::GObjectPtr<GMimeStream> stream(g_mime_stream_fs_new(parserFd)); // closes parserFd
    m_parser.reset(g_mime_parser_new_with_stream(stream.get()));
    g_mime_parser_set_format(m_parser.get(), GMIME_FORMAT_MBOX);
    m_options = g_mime_parser_options_new();
    g_mime_parser_options_set_warning_callback(m_options, &MboxReader::onWarning, this);
    return true;
}

void MboxReader::onWarning(gint64, GMimeParserWarning warning, const gchar*, gpointer self)
{
    if (warning == GMIME_WARN_TRUNCATED_MESSAGE)
        static_cast<MboxReader*>(self)->m_truncated = true;
}

qint64 MboxReader::position() const
{
    return m_parser ? g_mime_parser_tell(m_parser.get()) : 0;
}

QByteArray MboxReader::readAt(qint64 offset, qint64 length)
{
    QByteArray bytes(qsizetype(std::max<qint64>(length, 0)), Qt::Uninitialized);
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

std::optional<MboxReader::Chunk> MboxReader::parseChunk()
{
    if (!m_parser || g_mime_parser_eos(m_parser.get()))
        return std::nullopt;
    m_truncated = false;
    platform::mail::GObjectPtr<GMimeMessage> message(g_mime_parser_construct_message(m_parser.get(), m_options));
    if (!message)
        return std::nullopt;
    Chunk chunk;
    chunk.marker = g_mime_parser_get_mbox_marker_offset(m_parser.get());
    chunk.begin = g_mime_parser_get_headers_begin(m_parser.get());
    chunk.end = g_mime_parser_tell(m_parser.get());
    platform::mail::GCharPtr marker(g_mime_parser_get_mbox_marker(m_parser.get()));
    chunk.markerLine = QByteArray(marker.get()).trimmed();
    chunk.truncated = m_truncated;
    return chunk;
}

bool MboxReader::startsMessage(const Chunk& chunk)
{
    if (chunk.marker == 0)
        return true;
    const QByteArray before = readAt(std::max<qint64>(chunk.marker - 3, 0), std::min<qint64>(chunk.marker, 3));
    const bool afterEmptyLine = before.endsWith("\n\n") || before.endsWith("\n\r\n");
    return afterEmptyLine && platform::mail::startsWithHeaderField(readAt(chunk.begin, 1000));
}

std::optional<MboxMessage> MboxReader::next()
{
    std::optional<Chunk> current = m_pending ? std::exchange(m_pending, std::nullopt) : parseChunk();
    if (!current)
        return std::nullopt;
    for (;;) {
        std::optional<Chunk> following = parseChunk();
        if (following && !startsMessage(*following)) {
            current->end = following->end;
            current->truncated = current->truncated || following->truncated;
            continue;
        }
        // The last message runs to the end of the file, whatever the parser made of its tail.
        if (!following)
            current->end = std::max(current->end, m_size);
        m_pending = std::move(following);
        break;
    }
    MboxMessage message{++m_number, current->marker, current->begin, current->end, current->markerLine,
                        current->truncated};
    // The empty line that parts it from the next message (or ends the file) is the file's, not the message's.
    const QByteArray tail = readAt(std::max(message.begin, message.end - 4), std::min<qint64>(message.end - message.begin, 4));
    if (tail.endsWith("\r\n\r\n"))
        message.end -= 2;
    else if (tail.endsWith("\n\n"))
        message.end -= 1;
    else if (!tail.endsWith('\n'))
        message.truncated = true; // the file ends in the middle of a line
    return message;
}

bool MboxReader::read(const MboxMessage& message, const ByteSink& sink, QString* error)
{
    FromLineFilter unquote(FromLineFilter::Mode::Unquote);
    QByteArray out;
    for (qint64 offset = message.begin; offset < message.end; offset += kPieceBytes) {
        const qint64 length = std::min(kPieceBytes, message.end - offset);
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
