#pragma once

#include <QStringList>

namespace fumibako::tool {

/**
 * `preview [--face NAME] [--size SIZE]`: renders the body read from stdin (UTF-8, line ends as
 * they are) as the preview page and prints the page as UTF-8. Returns the exit code; throws
 * UsageError on bad arguments.
 */
int runPreviewCommand(const QStringList& args);

} // namespace fumibako::tool
