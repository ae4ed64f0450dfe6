#include "app/tool/PasswordCommand.h"

#include "app/tool/ToolIo.h"
#include "storage/AccountSecrets.h"
#include "storage/DataDirectory.h"

#include <QFileInfo>

namespace fumibako::tool {

int runPasswordCommand(const QString& dataDirOption, const QStringList& args)
{
    if (args.size() != 1)
        throw UsageError{QStringLiteral("usage: fumibako-tool [--data-dir DIR] password ACCOUNT < PASSWORD")};
    const QString programDir = storage::resolveProgramDir(storage::DataDirectoryInputs::fromProcess(dataDirOption));
    const storage::AccountPaths paths = storage::AccountPaths::make(programDir, args.first());
    if (!QFileInfo::exists(paths.userFile)) {
        printError(QStringLiteral("アカウントがありません: ") + args.first());
        return 1;
    }
    const std::optional<QString> password = askPasswordLine();
    if (!password) {
        printError(QString::fromUtf8(kNoPasswordGiven));
        return 1;
    }
    return storage::storeAccountSecret(paths.userFile, storage::AccountSecret::Password, *password) ? 0 : 1;
}

} // namespace fumibako::tool
