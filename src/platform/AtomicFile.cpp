#include "platform/AtomicFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fumibako::platform {

namespace {

bool fail(QString* error, const QString& what, int code)
{
    if (error)
        *error = what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(code));
    return false;
}

bool writeAll(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

/**
 * The mode the written file gets: the old file's, or 0600 for a new one. Mail, indexes, settings
 * (with the account's password) and the address book are the user's alone, whatever the umask.
 */
mode_t targetMode(const QByteArray& path)
{
    struct stat st {};
    if (::stat(path.constData(), &st) == 0)
        return st.st_mode & 07777;
    return S_IRUSR | S_IWUSR;
}

/** Makes the rename itself durable; a failure here does not undo the already visible new file. */
void syncDirectory(const QByteArray& dir)
{
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

bool syncFolderEntries(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
}

bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error, Durability durability)
{
    const QFileInfo info(path);
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    const QByteArray dir = QFile::encodeName(info.absolutePath());
    QByteArray temp = target + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return fail(error, QStringLiteral("cannot create a temporary file beside ") + path, errno);

    const mode_t mode = targetMode(target);
    bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, data.constData(), data.size());
    // The data must be on disk before the rename makes it the file's content.
    ok = ok && (durability == Durability::ReplaceOnly || ::fsync(fd) == 0);
    int code = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        code = errno;
    }
    if (ok && ::rename(temp.constData(), target.constData()) != 0) {
        ok = false;
        code = errno;
    }
    if (!ok) {
        ::unlink(temp.constData());
        return fail(error, QStringLiteral("cannot write ") + path, code);
    }
    if (durability == Durability::OnDisk)
        syncDirectory(dir);
    return true;
}

} // namespace fumibako::platform
