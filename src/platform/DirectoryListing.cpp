#include "platform/DirectoryListing.h"

#include <QFile>
#include <QHash>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cstring>

#include <ctime>
#include <optional>
#include <mutex>

#include <dirent.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>

namespace fumibako::platform {

namespace {

constexpr QChar kSeparator = u'/';

size_t hashOf(QStringView name)
{
    return qHash(name, QHashSeed::globalSeed());
}

} // namespace

FileNameSet FileNameSet::read(const QString& dir)
{
    FileNameSet set;
    const QByteArray path = QFile::encodeName(dir);
    DIR* handle = ::opendir(path.constData());
    if (!handle)
        return set;
    LargeVector<char> joined; // names separated by '/', which no file name contains
    joined.reserve(std::size_t(1) << 20);
    while (const dirent* entry = ::readdir(handle)) {
        bool regular = entry->d_type == DT_REG;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat info {};
            const QByteArray full = path + '/' + entry->d_name;
            regular = ::stat(full.constData(), &info) == 0 && S_ISREG(info.st_mode);
        }
        if (regular) {
            joined.insert(joined.end(), entry->d_name, entry->d_name + std::strlen(entry->d_name));
            joined.push_back('/');
        }
    }
    ::closedir(handle);
    // As QFile::decodeName, in one pass over all names.
    set.m_buffer.resize(joined.size()); // a byte never decodes to more than one unit
    QStringDecoder decoder(QStringConverter::System,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    auto* out = reinterpret_cast<QChar*>(set.m_buffer.data());
    const QChar* end = decoder.appendToBuffer(out, QByteArrayView(joined.data(), qsizetype(joined.size())));
    set.m_buffer.resize(std::size_t(end - out));
    set.buildTable();
    return set;
}

void FileNameSet::buildTable()
{
    const QStringView all = text();
    const qsizetype count = all.count(kSeparator);
    size_t capacity = 16;
    while (capacity < size_t(count) * 2) // at most half full: probes stay short
        capacity *= 2;
    m_slots.assign(capacity, Slot{});
    m_mask = capacity - 1;
    qsizetype begin = 0;
    for (qsizetype end = all.indexOf(kSeparator); end >= 0; end = all.indexOf(kSeparator, begin)) {
        insert(quint32(begin), all.sliced(begin, end - begin));
        begin = end + 1;
    }
}

// Names that decode alike (undecodable bytes) are kept once, as in any set.
void FileNameSet::insert(quint32 offset, QStringView name)
{
    const size_t hash = hashOf(name);
    if (name.isEmpty() || probe(name, hash) != kNotFound)
        return;
    size_t i = hash & m_mask;
    while (m_slots[i].offset != 0)
        i = (i + 1) & m_mask;
    m_slots[i] = Slot{quint32(hash >> 32), offset + 1};
    ++m_size;
}

QStringView FileNameSet::nameAt(quint32 offset) const
{
    const QStringView rest = text().sliced(offset);
    return rest.first(rest.indexOf(kSeparator));
}

qint32 FileNameSet::probe(QStringView name, size_t hash) const
{
    const quint32 tag = quint32(hash >> 32);
    const char16_t* buffer = m_buffer.data();
    const qsizetype size = qsizetype(m_buffer.size());
    for (size_t i = hash & m_mask;; i = (i + 1) & m_mask) {
        const Slot slot = m_slots[i];
        if (slot.offset == 0)
            return kNotFound;
        const qsizetype offset = qsizetype(slot.offset) - 1;
        if (slot.tag == tag && offset + name.size() < size && buffer[offset + name.size()] == kSeparator
            && QStringView(buffer + offset, name.size()) == name)
            return qint32(i);
    }
}

qint32 FileNameSet::slotOf(QStringView name) const
{
    if (m_slots.empty() || name.isEmpty())
        return kNotFound;
    return probe(name, hashOf(name));
}

// The name behind the first slot whose tag matches is fetched ahead of the comparison.
void FileNameSet::prefetchName(size_t hash) const
{
    const quint32 tag = quint32(hash >> 32);
    for (size_t i = hash & m_mask; m_slots[i].offset != 0; i = (i + 1) & m_mask) {
        if (m_slots[i].tag == tag) {
            __builtin_prefetch(m_buffer.data() + m_slots[i].offset - 1);
            return;
        }
    }
}

// Three steps, each some names behind the one before: hash a name and fetch its slot; fetch the
// name that slot points to; compare. The reads of one name overlap the work on the others.
void FileNameSet::slotsOf(std::span<const QStringView> names, std::span<qint32> slots) const
{
    constexpr qsizetype kDistance = 8;
    constexpr qsizetype kRing = 32; // > 2 * kDistance hashes in flight
    const qsizetype count = qsizetype(names.size());
    if (m_slots.empty()) {
        std::fill(slots.begin(), slots.end(), kNotFound);
        return;
    }
    std::array<size_t, kRing> hashes{};
    for (qsizetype i = 0; i < count + 2 * kDistance; ++i) {
        if (i < count && !names[i].isEmpty()) {
            const size_t hash = hashOf(names[i]);
            hashes[i % kRing] = hash;
            __builtin_prefetch(&m_slots[hash & m_mask]);
        }
        const qsizetype middle = i - kDistance;
        if (middle >= 0 && middle < count && !names[middle].isEmpty())
            prefetchName(hashes[middle % kRing]);
        const qsizetype last = i - 2 * kDistance;
        if (last >= 0)
            slots[last] = names[last].isEmpty() ? kNotFound : probe(names[last], hashes[last % kRing]);
    }
}

QStringView FileNameSet::nameInSlot(qint32 slot) const
{
    if (slot < 0 || slot >= slotCount() || m_slots[slot].offset == 0)
        return {};
    return nameAt(m_slots[slot].offset - 1);
}

std::vector<QStringView> FileNameSet::names() const
{
    std::vector<QStringView> names;
    names.reserve(size_t(m_size));
    const QStringView all = text();
    qsizetype begin = 0;
    for (qsizetype end = all.indexOf(kSeparator); end >= 0; end = all.indexOf(kSeparator, begin)) {
        if (end > begin)
            names.push_back(all.sliced(begin, end - begin));
        begin = end + 1;
    }
    return names;
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

// Local file systems that stamp changes with the clock to the nanosecond (cut to their own
// granularity). Others, network file systems above all (stamped by another machine's clock),
// get the rule for coarse times.
bool hasPreciseTimes(const QString& dir)
{
    struct statfs info {};
    if (::statfs(QFile::encodeName(dir).constData(), &info) != 0)
        return false;
    switch (static_cast<unsigned long>(info.f_type)) {
    case EXT4_SUPER_MAGIC: // also ext2 and ext3
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case F2FS_SUPER_MAGIC:
        return true;
    default:
        return false;
    }
}

bool settled(const DirectoryStamp& stamp, timespec clockBefore, const QString& dir)
{
    const bool precise = hasPreciseTimes(dir);
    return isStampSettled(stamp.modified, clockBefore, precise) && isStampSettled(stamp.changed, clockBefore, precise);
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

bool isStampSettled(timespec changed, timespec clockBefore, bool preciseFileSystem)
{
    constexpr time_t kCoarsestTimeSeconds = 2; // FAT stamps in steps of two seconds
    if (!preciseFileSystem || changed.tv_nsec == 0)
        return clockBefore.tv_sec - changed.tv_sec > kCoarsestTimeSeconds;
    // A file system's granularity is a power of ten nanoseconds, so it divides the stamp: the
    // largest power of ten that does is at least the granularity.
    qint64 granularity = 1;
    while ((changed.tv_nsec / granularity) % 10 == 0)
        granularity *= 10;
    constexpr qint64 kNanoseconds = 1000000000;
    const qint64 stampNs = qint64(changed.tv_sec) * kNanoseconds + changed.tv_nsec;
    const qint64 clockNs = qint64(clockBefore.tv_sec) * kNanoseconds + clockBefore.tv_nsec;
    return stampNs + granularity <= clockNs;
}

// A change after the stamp is read is stamped with the clock at that moment, cut to the file
// system's granularity: no earlier than the clock read before the stamp, cut the same way. When
// the stamp lies a whole granule before that reading, the change's stamp differs from it.
std::shared_ptr<const FileNameSet> FileNameSet::readUnlessUnchanged(const QString& dir)
{
    KeptListing& kept = keptListing();
    timespec clockBefore{};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &clockBefore);
    // Stamped before reading: a change during the read shows as a new stamp next time.
    const std::optional<DirectoryStamp> stamp = stampOf(dir);
    {
        const std::lock_guard<std::mutex> lock(kept.mutex);
        if (stamp && kept.names && kept.dir == dir && kept.stamp == *stamp)
            return kept.names;
    }
    auto names = std::make_shared<const FileNameSet>(read(dir));
    const std::lock_guard<std::mutex> lock(kept.mutex);
    if (stamp && settled(*stamp, clockBefore, dir)) {
        kept.dir = dir;
        kept.stamp = *stamp;
        kept.names = names;
    } else if (kept.dir == dir) {
        kept.names.reset();
    }
    return names;
}

} // namespace fumibako::platform
