#include "app/tool/AddressCommands.h"
#include "app/tool/ListCommand.h"
#include "app/tool/PasswordCommand.h"
#include "app/tool/MailCommands.h"
#include "app/tool/PreviewCommand.h"
#include "app/tool/ProfileCommands.h"
#include "app/tool/ReceiveCommand.h"
#include "app/tool/SearchCommand.h"
#include "app/tool/ServerListCommand.h"
#include "app/tool/SendCommand.h"
#include "app/tool/ToolIo.h"

#include <QCoreApplication>

using namespace fumibako::tool;

namespace {

const char* const kUsage =
    "usage: fumibako-tool [--data-dir DIR] COMMAND ...\n"
    "  profile get FILE SECTION KEY [BUFSIZE]\n"
    "  profile set FILE SECTION KEY VALUE\n"
    "  profile delete-key FILE SECTION KEY\n"
    "  profile delete-section FILE SECTION\n"
    "  profile section FILE SECTION\n"
    "  profile write-section FILE SECTION [LINE ...]\n"
    "  profile sections FILE\n"
    "  list ACCOUNT FOLDERKEY\n"
    "  search ACCOUNT TERM...\n"
    "  mail read FILE [--attachments DIR]\n"
    "  mail headers FILE\n"
    "  send ACCOUNT\n"
    "  preview [--face NAME] [--size SIZE] < BODY\n"
    "  receive ACCOUNT [--method 0|1|2] [--yes]\n"
    "  server-list ACCOUNT\n"
    "  password ACCOUNT < PASSWORD\n"
    "  address show FILE\n"
    "  address import oe|almail|becky FILE\n"
    "  address export\n";

int run(QStringList args)
{
    QString dataDir;
    if (!args.isEmpty() && args.first() == QLatin1String("--data-dir")) {
        if (args.size() < 2)
            throw UsageError{QStringLiteral("--data-dir needs a directory")};
        dataDir = args.at(1);
        args = args.mid(2);
    }
    if (args.isEmpty())
        throw UsageError{QString::fromLatin1(kUsage)};
    const QString command = args.takeFirst();
    if (command == QLatin1String("profile"))
        return runProfileCommand(args);
    if (command == QLatin1String("password"))
        return runPasswordCommand(dataDir, args);
    if (command == QLatin1String("list"))
        return runListCommand(dataDir, args);
    if (command == QLatin1String("search"))
        return runSearchCommand(dataDir, args);
    if (command == QLatin1String("receive"))
        return runReceiveCommand(dataDir, args);
    if (command == QLatin1String("server-list"))
        return runServerListCommand(dataDir, args);
    if (command == QLatin1String("mail"))
        return runMailCommand(args);
    if (command == QLatin1String("send"))
        return runSendCommand(dataDir, args);
    if (command == QLatin1String("preview"))
        return runPreviewCommand(args);
    if (command == QLatin1String("address"))
        return runAddressCommand(dataDir, args);
    throw UsageError{QStringLiteral("unknown command: ") + command + QLatin1Char('\n') + QString::fromLatin1(kUsage)};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    try {
        return run(args);
    } catch (const UsageError& error) {
        printError(error.text);
        return 2;
    }
}
