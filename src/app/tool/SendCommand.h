#pragma once

#include <QStringList>

namespace fumibako::tool {

/**
 * `fumibako-tool [--data-dir DIR] send ACCOUNT`: sends every message queued in the account's
 * outbox with its stored settings and password, as the program's send all does; prints the last
 * status the sending showed. Exit code 0 when nothing failed, 1 otherwise.
 */
int runSendCommand(const QString& dataDirOption, const QStringList& args);

} // namespace fumibako::tool
