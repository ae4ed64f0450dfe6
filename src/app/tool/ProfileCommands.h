#pragma once

#include <QStringList>

namespace fumibako::tool {

/**
 * `fumibako-tool profile SUBCOMMAND ...`: the profile store's operations on any file.
 * @p args starts after "profile". Returns the exit code; throws UsageError.
 */
int runProfileCommand(const QStringList& args);

} // namespace fumibako::tool
