#pragma once

#include <QSet>
#include <QString>

namespace fumibako::platform {

/**
 * The names of the regular files in @p dir (one directory read, no stat per file where the file
 * system reports types). Empty when the directory cannot be read.
 */
QSet<QString> listFileNames(const QString& dir);

} // namespace fumibako::platform
