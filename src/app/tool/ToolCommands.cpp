#include "app/tool/ToolCommands.h"

#include "app/tool/AddressCommands.h"
#include "app/tool/JunkCommand.h"
#include "app/tool/ListCommand.h"
#include "app/tool/MailCommands.h"
#include "app/tool/MailboxCommands.h"
#include "app/tool/PasswordCommand.h"
#include "app/tool/PreviewCommand.h"
#include "app/tool/ProfileCommands.h"
#include "app/tool/ReceiveCommand.h"
#include "app/tool/RulesCommand.h"
#include "app/tool/SearchCommand.h"
#include "app/tool/SendCommand.h"
#include "app/tool/ServerListCommand.h"
#include "app/tool/SignInCommand.h"

namespace fumibako::tool {

namespace {

// Commands that work on files named on their command line take no data directory.
template<typename Run>
auto withoutDataDir(Run run)
{
    return [run](const QString&, const QStringList& args) { return run(args); };
}

constexpr int kSynopsisWidth = 45; // the help's description column, from the line's start

const char* const kHelpIntro =
    "Usage: fumibako-tool [--data-dir DIR] COMMAND ...\n"
    "The command-line side of the fumibako mail client: profile files, folder listings, stored\n"
    "mail, searching, receiving and filing rules, sending and the address book, on the same data as\n"
    "the program.\n"
    "All text on arguments, standard input and output is UTF-8.\n"
    "\n"
    "Options:\n"
    "  --data-dir DIR   use DIR as the data directory (else $FUMIBAKO_DATA_DIR, a portable\n"
    "                   install beside the executable, or $XDG_DATA_HOME/fumibako)\n"
    "  --help           print this help and exit\n"
    "  --version        print the version and exit\n"
    "\n"
    "Commands:\n";

const char* const kHelpOutro =
    "\n"
    "receive, send and server-list read the password from standard input when none is stored.\n"
    "Folder keys are the folder names (受信BOX, 標準BOX, 未読メール, ごみ箱, 送信BOX, 送信済BOX,\n"
    "下書き) or the full path of a folder of one's own, such as 受信BOX\\仕事.\n"
    "\n"
    "Exit status: 0 on success, 1 when the command failed, 2 on a usage error.";

QString formLine(const ToolCommand& command, const CommandForm& form)
{
    QString line = QString::fromUtf8(command.name);
    if (*form.synopsis)
        line += QLatin1Char(' ') + QString::fromUtf8(form.synopsis);
    return line;
}

} // namespace

const std::vector<ToolCommand>& toolCommands()
{
    static const std::vector<ToolCommand> commands = {
        {"profile",
         {{"get FILE SECTION KEY [BUFSIZE]", "print a value (BUFSIZE in bytes, default 256)"},
          {"set FILE SECTION KEY VALUE", "write a value"},
          {"delete-key FILE SECTION KEY", "delete a key"},
          {"delete-section FILE SECTION", "delete a section"},
          {"section FILE SECTION", "print each line of a section"},
          {"write-section FILE SECTION [LINE ...]", "replace a section"},
          {"sections FILE", "print each section name"}},
         withoutDataDir(runProfileCommand)},
        {"list",
         {{"ACCOUNT FOLDERKEY", "list a folder as the mail list does:\nkey, flags, sender, subject, date"}},
         runListCommand},
        {"search",
         {{"ACCOUNT TERM...", "the messages of every folder holding every term,\n"
                              "newest first: folder, file, sender, subject, date"}},
         runSearchCommand},
        {"mail",
         {{"read FILE [--attachments DIR]", "a stored message as JSON"},
          {"headers FILE", "the header lines of a stored message"}},
         withoutDataDir(runMailCommand)},
        {"receive",
         {{"ACCOUNT [--method 0|1|2] [--yes]", "receive (0 count only, 1 receive,\n2 receive and delete on the server)"}},
         runReceiveCommand},
        {"rules",
         {{"ACCOUNT", "the account's filing rules: number, state, name, summary"},
          {"ACCOUNT import FILE", "replace the rules with a Sieve script (RFC 5228);\n"
                                  "folders it names are created; errors give line and column"},
          {"ACCOUNT export", "the rules as a Sieve script"},
          {"ACCOUNT apply FOLDERKEY", "file the messages of a folder by the rules"}},
         runRulesCommand},
        {"send", {{"ACCOUNT", "send everything in the outbox"}}, runSendCommand},
        {"server-list", {{"ACCOUNT", "the messages waiting on the server"}}, runServerListCommand},
        {"import",
         {{"ACCOUNT FOLDERKEY PATH...", "bring in the mail of mbox files, Maildir and MH folders\n"
                                       "and .eml files (or folders of them), their folders below\n"
                                       "FOLDERKEY; mail imported before is passed over"}},
         runImportCommand},
        {"export",
         {{"ACCOUNT FOLDERKEY --mbox FILE | --eml DIR", "write a folder's mail into an mbox file (mboxrd)\n"
                                                      "or into one .eml file per message"}},
         runExportCommand},
        {"preview", {{"[--face NAME] [--size SIZE] < BODY", "the preview page of a body"}},
         withoutDataDir(runPreviewCommand)},
        {"password", {{"ACCOUNT < PASSWORD", "store the account's password"}}, runPasswordCommand},
        {"signin",
         {{"ACCOUNT", "sign the account in with its provider (OAuth 2.0):\n"
                      "prints the address to open, waits up to 5 minutes"}},
         runSignInCommand},
        {"address",
         {{"show FILE", "an address book, a line per entry"},
          {"import oe|almail|becky FILE", "the rows an import would add"},
          {"export", "write Exp_Address.csv of the data directory"}},
         runAddressCommand},
        {"junk",
         {{"ACCOUNT learn spam|ham FILE...", "learn message files as junk or as good mail"},
          {"ACCOUNT classify FILE...", "judge message files: spam, ham or unsure,\nTAB, the score (0-1), TAB, the file"},
          {"ACCOUNT explain FILE", "the tokens of a message file, the most telling first:\n"
                                   "token, spam count, good count, probability"},
          {"ACCOUNT status", "how many messages of each kind were learnt"}},
         runJunkCommand},
    };
    return commands;
}

QString usageText()
{
    QString text = QStringLiteral("usage: fumibako-tool [--data-dir DIR] COMMAND ...\n");
    for (const ToolCommand& command : toolCommands())
        for (const CommandForm& form : command.forms)
            text += QStringLiteral("  ") + formLine(command, form) + QLatin1Char('\n');
    return text;
}

QString helpText()
{
    QString text = QString::fromUtf8(kHelpIntro);
    const QString indent(kSynopsisWidth, QLatin1Char(' '));
    for (const ToolCommand& command : toolCommands()) {
        for (const CommandForm& form : command.forms) {
            QString line = QStringLiteral("  ") + formLine(command, form);
            // A synopsis too long for its column has its description on the next line: help2man
            // (the manual page) tells a synopsis from its description by the gap between them.
            line = line.size() < kSynopsisWidth - 1 ? line.leftJustified(kSynopsisWidth) : line + QLatin1Char('\n') + indent;
            const QStringList description = QString::fromUtf8(form.description).split(QLatin1Char('\n'));
            text += line + description.first() + QLatin1Char('\n');
            for (qsizetype i = 1; i < description.size(); ++i)
                text += indent + description.at(i) + QLatin1Char('\n');
        }
    }
    return text + QString::fromUtf8(kHelpOutro);
}

} // namespace fumibako::tool
