#pragma once

#include <QStringList>

namespace fumibako::tool {

/**
 * `fumibako-tool [--data-dir DIR] list ACCOUNT FOLDERKEY`: lists a folder as the mail list would,
 * repairs included; one row a line: key, flags (S R A digits), sender, subject, date, TAB-separated.
 */
int runListCommand(const QString& dataDirOption, const QStringList& args);

} // namespace fumibako::tool
