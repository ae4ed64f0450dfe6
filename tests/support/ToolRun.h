#pragma once

#include <QString>
#include <QStringList>

namespace fumibako::test {

/** What a run of fumibako-tool printed, as UTF-8 text, and how it ended. */
struct ToolRun {
    int exitCode = -1; ///< -1 when it did not end within 30 seconds
    QString out;
    QString err;
};

/** Runs the tool the tests were built with (FUMIBAKO_TOOL) with @p args. */
ToolRun runTool(const QStringList& args);

} // namespace fumibako::test
