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
#include "app/tool/SignInCommand.h"
#include "app/tool/ToolIo.h"

#include <QCoreApplication>
#include <QLoggingCategory>

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
    "  signin ACCOUNT\n"
    "  address show FILE\n"
    "  address import oe|almail|becky FILE\n"
    "  address export\n";

// The longer form of --help; the manual page is made from it.
const char* const kHelp =
    "Usage: fumibako-tool [--data-dir DIR] COMMAND ...\n"
    "The command-line side of the fumibako mail client: profile files, folder listings, stored\n"
    "mail, receiving, sending and the address book, on the same data as the program.\n"
    "All text on arguments, standard input and output is UTF-8.\n"
    "\n"
    "Options:\n"
    "  --data-dir DIR   use DIR as the data directory (else $FUMIBAKO_DATA_DIR, a portable\n"
    "                   install beside the executable, or $XDG_DATA_HOME/fumibako)\n"
    "  --help           print this help and exit\n"
    "  --version        print the version and exit\n"
    "\n"
    "Commands:\n"
    "  profile get FILE SECTION KEY [BUFSIZE]     print a value (BUFSIZE in bytes, default 256)\n"
    "  profile set FILE SECTION KEY VALUE         write a value\n"
    "  profile delete-key FILE SECTION KEY        delete a key\n"
    "  profile delete-section FILE SECTION        delete a section\n"
    "  profile section FILE SECTION               print each line of a section\n"
    "  profile write-section FILE SECTION [LINE ...]  replace a section\n"
    "  profile sections FILE                      print each section name\n"
    "  list ACCOUNT FOLDERKEY                     list a folder as the mail list does:\n"
    "                                             key, flags, sender, subject, date\n"
    "  mail read FILE [--attachments DIR]         a stored message as JSON\n"
    "  mail headers FILE                          the header lines of a stored message\n"
    "  receive ACCOUNT [--method 0|1|2] [--yes]   receive (0 count only, 1 receive,\n"
    "                                             2 receive and delete on the server)\n"
    "  send ACCOUNT                               send everything in the outbox\n"
    "  server-list ACCOUNT                        the messages waiting on the server\n"
    "  preview [--face NAME] [--size SIZE] < BODY the preview page of a body\n"
    "  password ACCOUNT < PASSWORD                store the account's password\n"
    "  address show FILE                          an address book, a line per entry\n"
    "  address import oe|almail|becky FILE        the rows an import would add\n"
    "  address export                             write Exp_Address.csv of the data directory\n"
    "\n"
    "receive, send and server-list read the password from standard input when none is stored.\n"
    "Folder keys are the folder names (受信BOX, 標準BOX, 未読メール, ごみ箱, 送信BOX, 送信済BOX,\n"
    "下書き) or the full path of a folder of one's own, such as 受信BOX\\仕事.\n"
    "\n"
    "Exit status: 0 on success, 1 when the command failed, 2 on a usage error.\n";

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
    if (command == QLatin1String("--help")) {
        printLine(QString::fromUtf8(kHelp).chopped(1));
        return 0;
    }
    if (command == QLatin1String("--version")) {
        printLine(QStringLiteral("fumibako-tool " FUMIBAKO_VERSION));
        return 0;
    }
    if (command == QLatin1String("profile"))
        return runProfileCommand(args);
    if (command == QLatin1String("password"))
        return runPasswordCommand(dataDir, args);
    if (command == QLatin1String("signin"))
        return runSignInCommand(dataDir, args);
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
    // Qt's sign-in module warns in English of what the tool says itself, in Japanese.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.networkauth*.warning=false"));
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    try {
        return run(args);
    } catch (const UsageError& error) {
        printError(error.text);
        return 2;
    }
}
