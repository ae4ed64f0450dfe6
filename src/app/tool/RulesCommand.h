#pragma once

#include <QString>
#include <QStringList>

namespace fumibako::tool {

/**
 * `rules ACCOUNT` lists the account's filing rules; `import FILE` replaces them with a Sieve
 * script (creating the folders it names); `export` prints them as Sieve; `apply FOLDERKEY`
 * runs them over a folder as "振り分け実行" does.
 */
int runRulesCommand(const QString& dataDirOption, const QStringList& args);

} // namespace fumibako::tool
