#pragma once

#include <QString>
#include <QStringList>

namespace fumibako::tool {

/**
 * `fumibako-tool [--data-dir DIR] import ACCOUNT FOLDERKEY PATH...`: brings the mail of mbox
 * files, Maildir and MH folders and message files (and of folders holding them) into the folder,
 * their folders below it, as the program's import does; prints the report. Exit 0 when every
 * message came in (or had come in before), 1 when something was left out or the import stopped.
 */
int runImportCommand(const QString& dataDirOption, const QStringList& args);

/**
 * `fumibako-tool [--data-dir DIR] export ACCOUNT FOLDERKEY --mbox FILE | --eml DIR`: writes the
 * folder's messages into an mbox file or one .eml file each; prints what it wrote.
 */
int runExportCommand(const QString& dataDirOption, const QStringList& args);

} // namespace fumibako::tool
