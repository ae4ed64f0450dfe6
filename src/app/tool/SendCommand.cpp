#include "app/tool/SendCommand.h"

#include "app/tool/ConsolePrompts.h"
#include "app/tool/ReceiveCommand.h"
#include "app/tool/ToolIo.h"
#include "storage/AccountSettings.h"
#include "storage/AddressHistory.h"
#include "storage/DataDirectory.h"
#include "storage/Paths.h"
#include "transfer/OperationGuard.h"
#include "transfer/Sending.h"

#include <QFileInfo>

namespace fumibako::tool {

using namespace fumibako::storage;

namespace {

// Keeps the last non-empty status text: send all clears the status bar when it ends.
class StatusKeepingPrompts : public platform::UserPrompts {
public:
    platform::Answer message(const QString& text, const QString& title, platform::Icon icon,
                             platform::Buttons buttons) override
    {
        return m_console.message(text, title, icon, buttons);
    }
    void setStatus(int panel, const QString& text) override
    {
        if (panel == 1 && !text.isEmpty())
            lastStatus = text;
    }

    QString lastStatus;

private:
    ConsolePrompts m_console;
};

} // namespace

int runSendCommand(const QString& dataDirOption, const QStringList& args)
{
    if (args.size() != 1)
        throw UsageError{QStringLiteral("usage: fumibako-tool [--data-dir DIR] send ACCOUNT")};
    const QString& account = args.first();
    const QString programDir = resolveProgramDir(DataDirectoryInputs::fromProcess(dataDirOption));
    const AccountPaths paths = AccountPaths::make(programDir, account);
    if (!QFileInfo::exists(paths.userFile)) {
        printError(QStringLiteral("アカウントがありません: ") + account);
        return 1;
    }
    prepareAccountDirs(programDir, account);
    AccountProperties properties = readAccountProperties(paths.userFile);
    AddressHistories histories = readAddressHistories(paths.userFile);
    StatusKeepingPrompts prompts;
    transfer::OperationGuard guard(prompts);
    transfer::SendContext context{properties, paths, histories, prompts};
    ConsoleReceiveUi passwordPrompt;
    context.askPassword = [&passwordPrompt] { return passwordPrompt.askPassword(); };
    transfer::CurrentMail mail;
    const transfer::SendAllResult result = transfer::sendAllAndWait(guard, mail, context);
    if (result.sent > 0)
        writeAddressHistories(paths.userFile, histories);
    if (passwordPrompt.noPasswordGiven()) {
        printError(QString::fromUtf8(kNoPasswordGiven));
        return 1;
    }
    printLine(prompts.lastStatus);
    return result.ran && result.failed == 0 ? 0 : 1;
}

} // namespace fumibako::tool
