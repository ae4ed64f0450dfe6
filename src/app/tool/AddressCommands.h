#pragma once

#include <QString>
#include <QStringList>

namespace fumibako::tool {

/**
 * `address show FILE`, `address import oe|almail|becky FILE` and `address export`: the address
 * book as the manager loads it, the rows the import wizard would show, and the manager's export.
 */
int runAddressCommand(const QString& dataDirOption, const QStringList& args);

} // namespace fumibako::tool
