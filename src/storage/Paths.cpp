#include "storage/Paths.h"

namespace fumibako::storage {

QString withTrailingSlash(const QString& path)
{
    if (path.endsWith(QLatin1Char('/')))
        return path;
    return path + QLatin1Char('/');
}

ProgramPaths ProgramPaths::make(const QString& programDir, const QString& workDir)
{
    ProgramPaths paths;
    paths.programDir = withTrailingSlash(programDir);
    paths.workDir = withTrailingSlash(workDir);
    paths.previewFile = paths.workDir + QStringLiteral("FumiMail.htm");
    paths.registryFile = paths.programDir + QStringLiteral("AName.ini");
    return paths;
}

AccountPaths AccountPaths::make(const QString& programDir, const QString& accountName)
{
    const QString root = withTrailingSlash(programDir);
    AccountPaths paths;
    paths.userFile = root + accountName + QStringLiteral(".ini");
    paths.userMailDir = root + QStringLiteral("MailBox/") + accountName + QLatin1Char('/');
    paths.inputDir = paths.userMailDir + QStringLiteral("input/");
    paths.outputDir = paths.userMailDir + QStringLiteral("output/");
    paths.draftDir = paths.userMailDir + QStringLiteral("下書き/");
    paths.receivedIndexFile = paths.userMailDir + QStringLiteral("MailCom.ini");
    paths.outgoingIndexFile = paths.userMailDir + QStringLiteral("MailOutCom.ini");
    paths.receivedIdsFile = paths.userMailDir + QStringLiteral("ReceivedIds.txt");
    return paths;
}

} // namespace fumibako::storage
