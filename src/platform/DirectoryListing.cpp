#include "platform/DirectoryListing.h"

#include <QFile>
#include <QHash>

#include <ctime>
#include <optional>
#include <mutex>

#include <dirent.h>
#include <sys/stat.h>

namespace fumibako::platform {

FileNameSet FileNameSet::read(const QString& dir)
{
    FileNameSet set;
    const QByteArray path = QFile::encodeName(dir);
    DIR* handle = ::opendir(path.constData());
    if (!handle)
        return set;
    QByteArray joined; // names separated by '/', which no file name contains
    while (const dirent* entry = ::readdir(handle)) {
        bool regular = entry->d_type == DT_REG;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat info {};
            const QByteArray full = path + '/' + entry->d_name;
            regular = ::stat(full.constData(), &info) == 0 && S_ISREG(info.st_mode);
        }
        if (regular) {
            joined += entry->d_name;
            joined += '/';
        }
    }
    ::closedir(handle);

    set.m_buffer = QFile::decodeName(joined);
    const QStringView all(set.m_buffer);
    qsizetype begin = 0;
    for (qsizetype end = all.indexOf(QLatin1Char('/')); end >= 0; end = all.indexOf(QLatin1Char('/'), begin)) {
        set.m_ordered.push_back(all.sliced(begin, end - begin));
        begin = end + 1;
    }
    set.m_names.reserve(static_cast<qsizetype>(set.m_ordered.size()));
    for (QStringView name : set.m_ordered)
        set.m_names.insert(name);
    return set;
}

namespace {

struct DirectoryStamp {
    dev_t device = 0;
    ino_t inode = 0;
    timespec modified{};
    timespec changed{};

    bool operator==(const DirectoryStamp& other) const
    {
        return device == other.device && inode == other.inode && modified.tv_sec == other.modified.tv_sec
               && modified.tv_nsec == other.modified.tv_nsec && changed.tv_sec == other.changed.tv_sec
               && changed.tv_nsec == other.changed.tv_nsec;
    }
};

std::optional<DirectoryStamp> stampOf(const QString& dir)
{
    struct stat info {};
    if (::stat(QFile::encodeName(dir).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return std::nullopt;
    return DirectoryStamp{info.st_dev, info.st_ino, info.st_mtim, info.st_ctim};
}

bool settled(const DirectoryStamp& stamp)
{
    constexpr time_t kCoarsestTimeSeconds = 2;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec - stamp.changed.tv_sec > kCoarsestTimeSeconds
           && now.tv_sec - stamp.modified.tv_sec > kCoarsestTimeSeconds;
}

struct KeptListing {
    std::mutex mutex;
    QString dir;
    DirectoryStamp stamp;
    std::shared_ptr<const FileNameSet> names;
};

KeptListing& keptListing()
{
    static KeptListing kept;
    return kept;
}

} // namespace

std::shared_ptr<const FileNameSet> FileNameSet::readUnlessUnchanged(const QString& dir)
{
    KeptListing& kept = keptListing();
    // Stamped before reading: a change during the read shows as a new stamp next time.
    const std::optional<DirectoryStamp> stamp = stampOf(dir);
    {
        const std::lock_guard<std::mutex> lock(kept.mutex);
        if (stamp && kept.names && kept.dir == dir && kept.stamp == *stamp)
            return kept.names;
    }
    auto names = std::make_shared<const FileNameSet>(read(dir));
    const std::lock_guard<std::mutex> lock(kept.mutex);
    if (stamp && settled(*stamp)) {
        kept.dir = dir;
        kept.stamp = *stamp;
        kept.names = names;
    } else if (kept.dir == dir) {
        kept.names.reset();
    }
    return names;
}

} // namespace fumibako::platform
