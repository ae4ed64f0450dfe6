#include "storage/ProfileCache.h"

#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fumibako::storage::detail {

namespace {

// A profile file larger than this is not one of ours; it reads as empty and is never overwritten.
constexpr qint64 kMaxFileSize = qint64(1) << 30;
constexpr qsizetype kMaxCachedFiles = 8;

FileStamp stampOf(const struct stat& st)
{
    FileStamp s;
    s.exists = true;
    s.size = st.st_size;
    s.mtimeSec = st.st_mtim.tv_sec;
    s.mtimeNsec = st.st_mtim.tv_nsec;
    s.inode = st.st_ino;
    s.device = st.st_dev;
    return s;
}

FileStamp statPath(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return stampOf(st);
}

bool readAll(int fd, platform::LargeVector<char>& bytes, qint64 size)
{
    bytes.resize(size_t(size));
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, bytes.data() + done, size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break; // shrank while reading: take what is there
        done += n;
    }
    bytes.resize(size_t(done));
    return true;
}

/** Reads the file and the stamp of exactly what was read. */
void loadFromDisk(const QString& path, CachedFile& file)
{
    file = CachedFile();
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        file.unreadable = errno != ENOENT && errno != ENOTDIR;
        file.stamp = statPath(path);
        return;
    }
    struct stat st {};
    platform::LargeVector<char> bytes;
    const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxFileSize
        && readAll(fd, bytes, st.st_size);
    ::close(fd);
    // The stamp from before reading: a change made while reading makes the next check fail.
    file.stamp = stampOf(st);
    if (!ok) {
        file.unreadable = true;
        return;
    }
    file.doc = ProfileDocument::parse(std::move(bytes));
}

} // namespace

QString cacheKey(const QString& file)
{
    if (QDir::isAbsolutePath(file))
        return QDir::cleanPath(file); // no getcwd() on every call
    return QDir::cleanPath(QDir::current().absoluteFilePath(file));
}

ProfileCache& ProfileCache::instance()
{
    static ProfileCache cache;
    return cache;
}

CachedFile& ProfileCache::load(const QString& path)
{
    std::shared_ptr<CachedFile>& slot = m_files[path];
    if (!slot) {
        slot = std::make_shared<CachedFile>();
        loadFromDisk(path, *slot);
    } else if (!slot->dirty && statPath(path) != slot->stamp) {
        loadFromDisk(path, *slot);
    }
    slot->lastUse = ++m_tick;
    CachedFile& file = *slot;
    evictOld(path);
    return file;
}

bool ProfileCache::writable(const QString& path, const CachedFile& file) const
{
    if (file.unreadable)
        return false;
    if (file.stamp.exists || file.dirty)
        return true;
    return QFileInfo(QFileInfo(path).absolutePath()).isDir();
}

bool ProfileCache::changed(const QString& path, CachedFile& file)
{
    if (m_batchDepth > 0) {
        file.dirty = true;
        m_dirty.insert(path);
        return true;
    }
    return write(path, file);
}

bool ProfileCache::write(const QString& path, CachedFile& file)
{
    m_dirty.remove(path);
    if (!platform::writeFileAtomically(path, file.doc.serialize())) {
        m_files.remove(path); // the next read sees what is on disk
        return false;
    }
    file.dirty = false;
    file.stamp = statPath(path);
    return true;
}

bool ProfileCache::flush()
{
    bool ok = true;
    const QSet<QString> dirty = m_dirty;
    for (const QString& path : dirty) {
        const std::shared_ptr<CachedFile> file = m_files.value(path);
        if (file && file->dirty)
            ok = write(path, *file) && ok;
    }
    m_dirty.clear();
    return ok;
}

bool ProfileCache::endBatch()
{
    if (m_batchDepth > 0 && --m_batchDepth == 0)
        return flush();
    return true;
}

void ProfileCache::clear()
{
    // Pending batch changes are kept: forgetting them would lose writes the caller was promised.
    for (auto it = m_files.begin(); it != m_files.end();) {
        if ((*it)->dirty)
            ++it;
        else
            it = m_files.erase(it);
    }
}

void ProfileCache::evictOld(const QString& keep)
{
    while (m_files.size() > kMaxCachedFiles) {
        auto oldest = m_files.end();
        for (auto it = m_files.begin(); it != m_files.end(); ++it) {
            if (!(*it)->dirty && it.key() != keep && (oldest == m_files.end() || (*it)->lastUse < (*oldest)->lastUse))
                oldest = it;
        }
        if (oldest == m_files.end())
            return;
        m_files.erase(oldest);
    }
}

} // namespace fumibako::storage::detail
