#include "storage/DataDirectory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace fumibako::storage {

DataDirectoryInputs DataDirectoryInputs::fromProcess(const QString& dataDirOption)
{
    DataDirectoryInputs inputs;
    inputs.dataDirOption = dataDirOption;
    inputs.environment = qEnvironmentVariable("FUMIBAKO_DATA_DIR");
    inputs.executableDir = QCoreApplication::applicationDirPath();
    inputs.xdgDataHome = qEnvironmentVariable("XDG_DATA_HOME");
    return inputs;
}

QString resolveProgramDir(const DataDirectoryInputs& inputs)
{
    auto absolute = [](const QString& path) { return withTrailingSlash(QDir(path).absolutePath()); };
    if (!inputs.dataDirOption.isEmpty())
        return absolute(inputs.dataDirOption);
    if (!inputs.environment.isEmpty())
        return absolute(inputs.environment);
    if (!inputs.executableDir.isEmpty()
        && QFileInfo::exists(withTrailingSlash(inputs.executableDir) + QStringLiteral("AName.ini")))
        return absolute(inputs.executableDir);
    const QString dataHome = inputs.xdgDataHome.isEmpty()
        ? QDir::homePath() + QStringLiteral("/.local/share")
        : inputs.xdgDataHome;
    return absolute(dataHome + QStringLiteral("/fumibako"));
}

namespace {

// A working folder is ours when we own it and nobody else may enter it.
bool isPrivateFolder(const QString& path, QString* error)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        *error = QStringLiteral("作業フォルダを作成できませんでした: ") + path;
        return false;
    }
    if (info.st_uid != ::getuid()) {
        *error = QStringLiteral("作業フォルダが別のユーザーのものです: ") + path;
        return false;
    }
    if ((info.st_mode & 0077) != 0 && ::chmod(QFile::encodeName(path).constData(), 0700) != 0) {
        *error = QStringLiteral("作業フォルダを他のユーザーから保護できませんでした: ") + path;
        return false;
    }
    return true;
}

} // namespace

QString prepareWorkDir(QString* error)
{
    QString scratch;
    QString& message = error ? *error : scratch;
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString path = !runtimeDir.isEmpty() && QFileInfo(runtimeDir).isDir()
        ? withTrailingSlash(runtimeDir) + QStringLiteral("Fumibako")
        : withTrailingSlash(QDir::tempPath()) + QStringLiteral("Fumibako-") + QString::number(::getuid());
    ::mkdir(QFile::encodeName(path).constData(), 0700); // an existing folder is checked below
    if (!isPrivateFolder(path, &message))
        return QString();
    return withTrailingSlash(path);
}

namespace {

// Everything under the data directory is the user's alone: new folders are 0700 (the files the
// program writes there are 0600, see writeFileAtomically). Folders that exist keep their mode.
bool makePrivateDirectory(const QString& path)
{
    return ::mkdir(QFile::encodeName(path).constData(), S_IRWXU) == 0 || QFileInfo(path).isDir();
}

} // namespace

bool makePrivatePath(const QString& path)
{
    const QString clean = QDir::cleanPath(path);
    if (QFileInfo(clean).isDir())
        return true;
    const QString parent = QFileInfo(clean).path();
    if (parent != clean && !makePrivatePath(parent))
        return false;
    return makePrivateDirectory(clean);
}

bool EnsureDirectory(const QString& parent, const QString& name)
{
    const QString path = withTrailingSlash(parent) + name;
    if (QFileInfo(path).isDir())
        return true;
    return makePrivateDirectory(path);
}

void prepareProgramDir(const ProgramPaths& paths)
{
    // The folders above the data directory (~/.local/share, say) are the system's usual ones.
    const QString programDir = QDir::cleanPath(paths.programDir);
    if (!QFileInfo(programDir).isDir() && QDir().mkpath(QFileInfo(programDir).path()))
        makePrivateDirectory(programDir);
    EnsureDirectory(paths.programDir, QStringLiteral("MailBox"));
    const QString startPage = paths.programDir + QStringLiteral("FBTop.htm");
    if (!QFileInfo::exists(startPage) && QFile::copy(QStringLiteral(":/fumibako/FBTop.htm"), startPage))
        QFile::setPermissions(startPage, QFile::ReadOwner | QFile::WriteOwner);
}

void prepareAccountDirs(const QString& programDir, const QString& accountName)
{
    EnsureDirectory(programDir, QStringLiteral("MailBox"));
    const QString mailBox = withTrailingSlash(programDir) + QStringLiteral("MailBox/");
    EnsureDirectory(mailBox, accountName);
    const QString userMailDir = mailBox + accountName + QLatin1Char('/');
    EnsureDirectory(userMailDir, QStringLiteral("input"));
    EnsureDirectory(userMailDir, QStringLiteral("output"));
    EnsureDirectory(userMailDir, QStringLiteral("下書き"));
}

void emptyWorkDir(const QString& workDir)
{
    if (workDir.isEmpty())
        return;
    QDir dir(workDir);
    const QStringList files = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : files)
        dir.remove(name);
}

} // namespace fumibako::storage
