#include "app/tool/ToolAccount.h"

#include "app/tool/ToolIo.h"
#include "storage/DataDirectory.h"

#include <QFileInfo>

namespace fumibako::tool {

std::unique_ptr<ToolAccount> openToolAccount(const QString& dataDirOption, const QString& name)
{
    auto account = std::make_unique<ToolAccount>();
    account->programDir = storage::resolveProgramDir(storage::DataDirectoryInputs::fromProcess(dataDirOption));
    account->paths = storage::AccountPaths::make(account->programDir, name);
    if (name.isEmpty() || !QFileInfo::exists(account->paths.userFile)) {
        printError(QStringLiteral("アカウントがありません: ") + name);
        return nullptr;
    }
    account->tree.load(account->paths.userFile, account->prompts);
    account->tree.addFoldersOfIndex(account->paths.receivedIndexFile);
    return account;
}

} // namespace fumibako::tool
