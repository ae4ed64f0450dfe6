#pragma once

#include <QStringList>

namespace fumibako::tool {

/**
 * `fumibako-tool [--data-dir DIR] junk ACCOUNT learn spam|ham FILE...`: learns message files as
 * junk or good mail; `junk ACCOUNT classify FILE...`: one line per file, the verdict ("spam",
 * "ham" or "unsure"), TAB, the score, TAB, the file; `junk ACCOUNT status`: what was learnt.
 */
int runJunkCommand(const QString& dataDirOption, const QStringList& args);

} // namespace fumibako::tool
