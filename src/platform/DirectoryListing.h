#pragma once

#include <QSet>
#include <QString>
#include <QStringView>

#include <memory>
#include <vector>

namespace fumibako::platform {

/**
 * @short The names of the regular files of one directory, read once.
 *
 * All names live in one buffer, so a directory of 100,000 mail files costs one allocation for
 * the names rather than one per name. Move-only: the set holds views into its own buffer.
 */
class FileNameSet {
public:
    FileNameSet() = default;
    FileNameSet(FileNameSet&&) = default;
    FileNameSet& operator=(FileNameSet&&) = default;
    FileNameSet(const FileNameSet&) = delete;
    FileNameSet& operator=(const FileNameSet&) = delete;

    /** Reads @p dir (one directory read; no stat per file where the file system reports types). */
    static FileNameSet read(const QString& dir);

    /**
     * The names of @p dir, read again only when it changed. Reading a directory of 100,000 mail
     * files takes the kernel about 40 ms, and a folder is listed at every click. The last set
     * read is kept while the directory keeps its identity and its change times to the
     * nanosecond; a set read within two seconds of the directory's last change is never kept,
     * so a file system that stores coarser times cannot hide a later change.
     */
    static std::shared_ptr<const FileNameSet> readUnlessUnchanged(const QString& dir);

    bool contains(QStringView name) const { return m_names.contains(name); }
    int size() const { return static_cast<int>(m_ordered.size()); }
    /** The names in directory order. */
    const std::vector<QStringView>& names() const { return m_ordered; }

private:
    QString m_buffer;
    std::vector<QStringView> m_ordered;
    QSet<QStringView> m_names;
};

} // namespace fumibako::platform
