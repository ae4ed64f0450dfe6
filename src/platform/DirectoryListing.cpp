#include "platform/DirectoryListing.h"

#include <QFile>
#include <QHash>

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

} // namespace fumibako::platform
