#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace fumibako::tool {

/** One form of a command as the help shows it: its arguments and what it does. */
struct CommandForm {
    const char* synopsis;    ///< "get FILE SECTION KEY [BUFSIZE]", after the command's name
    const char* description; ///< one or more lines; "\n" starts a continuation line
};

/** A command of the tool: what dispatches it and what the usage text and --help say of it. */
struct ToolCommand {
    const char* name;
    std::vector<CommandForm> forms;
    std::function<int(const QString& dataDir, const QStringList& args)> run;
};

/** Every command, in the order the help lists them. */
const std::vector<ToolCommand>& toolCommands();

/** The short usage text of a usage error: every form of every command. */
QString usageText();

/** The text of --help, from which the manual page is made. */
QString helpText();

} // namespace fumibako::tool
