#include "search/IndexLocation.h"

#include "storage/DataDirectory.h"
#include "storage/Paths.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

namespace fumibako::search {

IndexLocationInputs IndexLocationInputs::fromProcess(const QString& programDir, const QString& accountName)
{
    IndexLocationInputs inputs;
    inputs.programDir = programDir;
    inputs.accountName = accountName;
    inputs.cacheHome = qEnvironmentVariable("XDG_CACHE_HOME");
    const QString executableDir = QCoreApplication::applicationDirPath();
    inputs.portable = !executableDir.isEmpty()
        && storage::withTrailingSlash(QDir(executableDir).absolutePath()) == storage::withTrailingSlash(programDir);
    return inputs;
}

QString searchIndexFile(const IndexLocationInputs& inputs)
{
    if (inputs.portable)
        return storage::AccountPaths::make(inputs.programDir, inputs.accountName).userMailDir + QStringLiteral("search.db");
    const QString cacheHome = inputs.cacheHome.isEmpty() ? QDir::homePath() + QStringLiteral("/.cache") : inputs.cacheHome;
    // One folder per data directory: two of them may have accounts of the same name.
    const QByteArray hash = QCryptographicHash::hash(inputs.programDir.toUtf8(), QCryptographicHash::Sha256).toHex();
    return storage::withTrailingSlash(cacheHome) + QStringLiteral("fumibako/search/") + QString::fromLatin1(hash.left(16))
        + QLatin1Char('/') + inputs.accountName + QStringLiteral(".db");
}

bool prepareIndexFolder(const QString& indexFile)
{
    return storage::makePrivatePath(QFileInfo(indexFile).absolutePath());
}

} // namespace fumibako::search
