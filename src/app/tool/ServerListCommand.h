#pragma once

#include <QStringList>

namespace fumibako::tool {

/**
 * `fumibako-tool [--data-dir DIR] server-list ACCOUNT`: fetches the server mail list with the
 * account's stored settings; one row a line: No, subject, sender, date, TAB-separated.
 * Exit code 1 when the server could not be listed.
 */
int runServerListCommand(const QString& dataDirOption, const QStringList& args);

} // namespace fumibako::tool
