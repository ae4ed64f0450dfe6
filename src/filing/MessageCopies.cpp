#include "filing/MessageCopies.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace fumibako::filing {

namespace {

QString candidateName(const QString& name, int index, int attempt)
{
    const bool eml = name.endsWith(QLatin1String(".eml"), Qt::CaseInsensitive);
    const QString stem = eml ? name.chopped(4) : name;
    QString candidate = stem + u'-' + QString::number(index);
    if (attempt > 0)
        candidate += QStringLiteral("(%1)").arg(attempt);
    return eml ? candidate + name.right(4) : candidate;
}

// Whether @p copy holds the bytes of @p original: the same file, or the same bytes.
bool isCopyOf(const QString& copy, const QString& original)
{
    struct stat a {};
    struct stat b {};
    if (::stat(QFile::encodeName(copy).constData(), &a) != 0 || ::stat(QFile::encodeName(original).constData(), &b) != 0)
        return false;
    if (a.st_dev == b.st_dev && a.st_ino == b.st_ino)
        return true;
    if (a.st_size != b.st_size)
        return false;
    QFile left(copy);
    QFile right(original);
    return left.open(QIODevice::ReadOnly) && right.open(QIODevice::ReadOnly) && left.readAll() == right.readAll();
}

bool copyBytes(const QString& from, const QString& to)
{
    // Written under a hidden name, which listings pass over, and named once complete.
    const QString partial = QFileInfo(to).dir().filePath(u'.' + QFileInfo(to).fileName() + QStringLiteral(".part"));
    QFile::remove(partial);
    if (!QFile::copy(from, partial))
        return false;
    QFile written(partial);
    if (!written.open(QIODevice::ReadWrite) || ::fsync(written.handle()) != 0) {
        QFile::remove(partial);
        return false;
    }
    written.close();
    // QFile::rename never replaces a file that exists.
    if (!QFile::rename(partial, to)) {
        QFile::remove(partial);
        return false;
    }
    return true;
}

} // namespace

QString makeCopy(const QString& folder, const QString& name, int index)
{
    const QDir dir(folder);
    const QString original = dir.filePath(name);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const QString candidate = candidateName(name, index, attempt);
        const QString path = dir.filePath(candidate);
        if (::link(QFile::encodeName(original).constData(), QFile::encodeName(path).constData()) == 0)
            return candidate;
        if (errno == EEXIST) {
            if (isCopyOf(path, original))
                return candidate;
            continue;
        }
        // No hard links here (or another failure): the bytes themselves.
        return copyBytes(original, path) ? candidate : QString();
    }
    return QString();
}

} // namespace fumibako::filing
