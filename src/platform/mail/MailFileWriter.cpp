#include "platform/mail/MailFileWriter.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace fumibako::platform::mail {

MailFileWriter::MailFileWriter(const QString& folder, int* nameHint)
    : m_folder(QFile::encodeName(QDir::cleanPath(folder))), m_nameHint(nameHint)
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
    QByteArray pattern = m_folder + "/.receiving-XXXXXX";
    m_fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (m_fd < 0)
        return fail(QStringLiteral("Cannot create a file in %1").arg(QFile::decodeName(m_folder)));
    m_tempPath = pattern;
    m_size = 0;
    return true;
}

bool MailFileWriter::write(const char* data, size_t size)
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
        m_size += written;
    }
    return true;
}

QString MailFileWriter::commit()
{
    if (m_fd < 0)
        return {};
    if (::fsync(m_fd) != 0) {
        fail(QStringLiteral("Cannot write the received mail"));
        return {};
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        fail(QStringLiteral("Cannot write the received mail"));
        return {};
    }
    const QByteArray stem = m_folder + "/" + QDateTime::currentDateTime().toString(u"yyyyMMddHHmmss").toLatin1();
    for (int attempt = 0; attempt < 100000; ++attempt) {
        const int number = ++*m_nameHint;
        const QByteArray finalPath = stem + "_" + QByteArray::number(number).rightJustified(3, '0') + ".eml";
        if (moveIntoPlace(finalPath)) {
            m_tempPath.clear();
            // The new directory entry must survive a crash too, before the server is told to delete.
            const int dirFd = ::open(m_folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (dirFd >= 0) {
                ::fsync(dirFd);
                ::close(dirFd);
            }
            return QFile::decodeName(finalPath);
        }
        if (errno != EEXIST) {
            fail(QStringLiteral("Cannot name the received mail"));
            return {};
        }
    }
    return {};
}

bool MailFileWriter::moveIntoPlace(const QByteArray& finalPath)
{
    if (::renameat2(AT_FDCWD, m_tempPath.constData(), AT_FDCWD, finalPath.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // File systems without RENAME_NOREPLACE: a hard link also refuses to replace.
    if (::link(m_tempPath.constData(), finalPath.constData()) != 0)
        return false;
    ::unlink(m_tempPath.constData());
    return true;
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
