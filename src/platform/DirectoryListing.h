#pragma once

#include "platform/LargeMemory.h"

#include <QString>
#include <QStringView>

#include <ctime>
#include <memory>
#include <span>
#include <vector>

namespace fumibako::platform {

/**
 * @short The names of the regular files of one directory, read once.
 *
 * All names live in one buffer, and the lookup table is a flat array of small slots, so a
 * directory of 100,000 mail files costs a few allocations rather than one per name. Looking a
 * name up is a random read into that table and one into the buffer; listing a folder looks up
 * every index entry, so slotsOf() reads the table a few names ahead to overlap those reads.
 * Move-only: the table holds offsets into its own buffer.
 */
class FileNameSet {
public:
    static constexpr qint32 kNotFound = -1;

    FileNameSet() = default;
    FileNameSet(FileNameSet&&) = default;
    FileNameSet& operator=(FileNameSet&&) = default;
    FileNameSet(const FileNameSet&) = delete;
    FileNameSet& operator=(const FileNameSet&) = delete;

    /** Reads @p dir (one directory read; no stat per file where the file system reports types). */
    static FileNameSet read(const QString& dir);

    /**
     * The names of @p dir, read again only when it changed. Reading a directory of 100,000 mail
     * files takes the kernel 30 ms or more, and a folder is listed at every click. The last set
     * read is kept while the directory keeps its identity and its change times to the
     * nanosecond, and only when those times were settled when it was read (isStampSettled):
     * then a later change always gets another time.
     */
    static std::shared_ptr<const FileNameSet> readUnlessUnchanged(const QString& dir);

    /**
     * The slot of @p name: a number below slotCount() that no other name of the set has, so a
     * caller can mark names in a table of its own; kNotFound when the set does not hold it.
     */
    qint32 slotOf(QStringView name) const;
    /** slotOf() of each of @p names into @p slots (same size); an empty name is never found. */
    void slotsOf(std::span<const QStringView> names, std::span<qint32> slots) const;
    qint32 slotCount() const { return static_cast<qint32>(m_slots.size()); }
    /** The name in @p slot; empty for a free slot. */
    QStringView nameInSlot(qint32 slot) const;

    bool contains(QStringView name) const { return slotOf(name) != kNotFound; }
    int size() const { return m_size; }
    /** The names in directory order. */
    std::vector<QStringView> names() const;

private:
    struct Slot {
        quint32 tag = 0;    ///< the high half of the name's hash
        quint32 offset = 0; ///< 1 + the name's offset in m_buffer; 0 for a free slot
    };

    void buildTable();
    void insert(quint32 offset, QStringView name);
    qint32 probe(QStringView name, size_t hash) const;
    void prefetchName(size_t hash) const;
    QStringView nameAt(quint32 offset) const;
    QStringView text() const { return QStringView(m_buffer.data(), qsizetype(m_buffer.size())); }

    LargeVector<char16_t> m_buffer; ///< every name followed by '/', which no file name contains
    LargeVector<Slot> m_slots;
    size_t m_mask = 0;
    int m_size = 0;
};

/**
 * Whether a directory time stamp @p changed (its modification or status change time) can only
 * be followed by a change with a different stamp, judged by @p clockBefore, the
 * CLOCK_REALTIME_COARSE reading (the clock the kernel stamps with) taken before the stamp was
 * read. On @p preciseFileSystem, a local file system that keeps sub-second times, a stamp is
 * settled once it lies a whole granule of the file system's time before that reading, the
 * granule being bounded by the stamp's own digits; so a change within the clock's current tick
 * never is. Otherwise, and for a stamp of whole seconds, only once it is more than two seconds
 * older.
 */
bool isStampSettled(timespec changed, timespec clockBefore, bool preciseFileSystem);

} // namespace fumibako::platform
