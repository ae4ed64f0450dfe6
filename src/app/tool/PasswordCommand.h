#pragma once

#include <QStringList>

namespace fumibako::tool {

/**
 * `fumibako-tool [--data-dir DIR] password ACCOUNT`: reads a password from stdin (without echo on
 * a terminal) and stores it where the program keeps passwords: the desktop keyring, or where
 * there is none the account's file in its stored form.
 */
int runPasswordCommand(const QString& dataDirOption, const QStringList& args);

} // namespace fumibako::tool
