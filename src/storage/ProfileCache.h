#pragma once

#include "storage/ProfileDocument.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <memory>
#include <mutex>

namespace fumibako::storage::detail {

/** What identifies one version of a file on disk. */
struct FileStamp {
    bool exists = false;
    qint64 size = 0;
    qint64 mtimeSec = 0;
    qint64 mtimeNsec = 0;
    quint64 inode = 0;
    quint64 device = 0;

    bool operator==(const FileStamp&) const = default;
};

struct CachedFile {
    ProfileDocument doc;
    FileStamp stamp;
    bool unreadable = false; // exists but could not be read: reads see it empty, writes are refused
    bool dirty = false;      // changed inside a batch, not yet written
    quint64 lastUse = 0;
};

/**
 * @short The parsed profile files, checked against the disk on every use.
 *
 * A cached file is used as long as its size, modification time (with nanoseconds) and inode are
 * unchanged; otherwise it is parsed again. Every access goes through lock().
 */
class ProfileCache {
public:
    static ProfileCache& instance();

    std::unique_lock<std::mutex> lock() { return std::unique_lock<std::mutex>(m_mutex); }

    /** The file's current content (a missing or unreadable file is empty). */
    CachedFile& load(const QString& path);

    /** Whether a change to @p file can be written at all (not unreadable; directory exists). */
    bool writable(const QString& path, const CachedFile& file) const;

    /** Writes the changed file now, or marks it for the batch. False when the write failed. */
    bool changed(const QString& path, CachedFile& file);

    void beginBatch() { ++m_batchDepth; }
    /** Ends one batch level; the outermost writes every changed file. */
    bool endBatch();
    /** Writes every changed file now, inside the outermost batch. */
    bool flush();
    int batchDepth() const { return m_batchDepth; }

    void clear();

private:
    bool write(const QString& path, CachedFile& file);
    void evictOld(const QString& keep);

    std::mutex m_mutex;
    QHash<QString, std::shared_ptr<CachedFile>> m_files;
    QSet<QString> m_dirty;
    int m_batchDepth = 0;
    quint64 m_tick = 0;
};

/** The absolute, cleaned form of @p file used as the cache key. */
QString cacheKey(const QString& file);

} // namespace fumibako::storage::detail
