#include "app/tool/ServerListCommand.h"

#include "app/tool/ConsolePrompts.h"
#include "app/tool/ReceiveCommand.h"
#include "app/tool/ToolIo.h"
#include "transfer/OperationGuard.h"
#include "transfer/ServerList.h"
#include "transfer/StoredMail.h"

namespace fumibako::tool {

using namespace fumibako::transfer;

int runServerListCommand(const QString& dataDirOption, const QStringList& args)
{
    if (args.size() != 1)
        throw UsageError{QStringLiteral("usage: fumibako-tool [--data-dir DIR] server-list ACCOUNT")};
    storage::AccountProperties properties;
    ReceiveAccount account;
    if (!openReceiveAccount(dataDirOption, args.at(0), properties, account))
        return 1;
    ConsolePrompts prompts;
    OperationGuard guard(prompts);
    ConsoleReceiveUi ui;
    CurrentMail mail;
    Receiver receiver(guard, prompts, ui, mail);
    receiver.setAccount(account);
    ServerList list(receiver, guard, prompts);
    const ReceiveResult result = refetchAndWait(list);
    if (ui.noPasswordGiven()) {
        printError(QString::fromUtf8(kNoPasswordGiven));
        return 1;
    }
    for (const ServerListRow& row : list.rows(ServerListPane::Server))
        printLine(QStringList{row.number, row.subject, row.from, row.date}.join(QLatin1Char('\t')));
    return result == ReceiveResult::Error ? 1 : 0;
}

} // namespace fumibako::tool
