#include "platform/DirectoryListing.h"

#include <QFile>

#include <dirent.h>
#include <sys/stat.h>

namespace fumibako::platform {

QSet<QString> listFileNames(const QString& dir)
{
    QSet<QString> names;
    const QByteArray path = QFile::encodeName(dir);
    DIR* handle = ::opendir(path.constData());
    if (!handle)
        return names;
    while (const dirent* entry = ::readdir(handle)) {
        bool regular = entry->d_type == DT_REG;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat info {};
            const QByteArray full = path + '/' + entry->d_name;
            regular = ::stat(full.constData(), &info) == 0 && S_ISREG(info.st_mode);
        }
        if (regular)
            names.insert(QFile::decodeName(entry->d_name));
    }
    ::closedir(handle);
    return names;
}

} // namespace fumibako::platform
