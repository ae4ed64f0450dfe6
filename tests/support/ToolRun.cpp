#include "support/ToolRun.h"

#include <QProcess>

namespace fumibako::test {

ToolRun runTool(const QStringList& args)
{
    QProcess process;
    process.start(qEnvironmentVariable("FUMIBAKO_TOOL"), args);
    ToolRun run;
    if (!process.waitForFinished(30000))
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace fumibako::test
