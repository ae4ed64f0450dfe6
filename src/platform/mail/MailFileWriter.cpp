#include "platform/mail/MailFileWriter.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <utility>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fumibako::platform::mail {

namespace {

constexpr qsizetype BufferBytes = 256 * 1024;

} // namespace

MailFileWriter::MailFileWriter(const QString& folder)
    : m_folder(QFile::encodeName(QDir::cleanPath(folder)))
{
}

MailFileWriter::~MailFileWriter()
{
    discard();
}

bool MailFileWriter::fail(const QString& what)
{
    m_error = QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno)));
    return false;
}

bool MailFileWriter::open()
{
    discard();
    m_size = 0;
    m_buffer.clear();
    return true;
}

bool MailFileWriter::createFile()
{
    if (m_fd >= 0)
        return true;
    QByteArray pattern = m_folder + "/.receiving-XXXXXX";
    m_fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (m_fd < 0)
        return fail(QStringLiteral("Cannot create a file in %1").arg(QFile::decodeName(m_folder)));
    m_tempPath = pattern;
    return true;
}

bool MailFileWriter::write(const char* data, size_t size)
{
    m_size += qint64(size);
    if (size >= size_t(BufferBytes))
        return createFile() && flushBuffer() && writeOut(data, size);
    if (m_buffer.size() + qsizetype(size) > BufferBytes && !(createFile() && flushBuffer()))
        return false;
    m_buffer.append(data, qsizetype(size));
    return true;
}

std::optional<QByteArray> MailFileWriter::takeWholeMessage()
{
    if (m_fd >= 0 || !m_tempPath.isEmpty())
        return std::nullopt;
    return std::exchange(m_buffer, QByteArray());
}

bool MailFileWriter::flushBuffer()
{
    const bool written = writeOut(m_buffer.constData(), size_t(m_buffer.size()));
    m_buffer.clear();
    return written;
}

bool MailFileWriter::writeOut(const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(m_fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return fail(QStringLiteral("Cannot write the received mail"));
        }
        data += written;
        size -= size_t(written);
    }
    return true;
}

QString MailFileWriter::commit()
{
    if (!createFile() || !flushBuffer())
        return {};
    const int fd = m_fd;
    m_fd = -1;
    // No write-back is started here: one flush of the whole batch (ReceiveFolder::commit) costs
    // far less than a disk request per message, each of which stalls a virtual machine.
    if (::close(fd) != 0) {
        fail(QStringLiteral("Cannot write the received mail"));
        return {};
    }
    const QString path = QFile::decodeName(m_tempPath);
    m_tempPath.clear(); // from here on the file belongs to publish()
    return path;
}

void MailFileWriter::discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempPath.isEmpty()) {
        ::unlink(m_tempPath.constData());
        m_tempPath.clear();
    }
}

} // namespace fumibako::platform::mail
