#pragma once

#include <QStringList>

namespace fumibako::tool {

/**
 * `fumibako-tool mail read FILE [--attachments DIR]`: the stored message as JSON on stdout,
 * {"subject", "from", "date", "to", "body", "attachments": [full paths]}; attachments are saved
 * into DIR (default: the private working folder).
 * `fumibako-tool mail headers FILE`: the message's header lines, one a line.
 */
int runMailCommand(const QStringList& args);

} // namespace fumibako::tool
