#include "app/tool/ToolCommands.h"
#include "app/tool/ToolIo.h"

#include <QCoreApplication>
#include <QLoggingCategory>

using namespace fumibako::tool;

namespace {

int run(QStringList args)
{
    QString dataDir;
    if (!args.isEmpty() && args.first() == QLatin1String("--data-dir")) {
        if (args.size() < 2)
            throw UsageError{QStringLiteral("--data-dir needs a directory")};
        dataDir = args.at(1);
        args = args.mid(2);
    }
    if (args.isEmpty())
        throw UsageError{usageText()};
    const QString name = args.takeFirst();
    if (name == QLatin1String("--help")) {
        printLine(helpText());
        return 0;
    }
    if (name == QLatin1String("--version")) {
        printLine(QStringLiteral("fumibako-tool " FUMIBAKO_VERSION));
        return 0;
    }
    for (const ToolCommand& command : toolCommands())
        if (name == QLatin1String(command.name))
            return command.run(dataDir, args);
    throw UsageError{QStringLiteral("unknown command: ") + name + QLatin1Char('\n') + usageText()};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Qt's sign-in module warns in English of what the tool says itself, in Japanese.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.networkauth*.warning=false"));
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    try {
        return run(args);
    } catch (const UsageError& error) {
        printError(error.text);
        return 2;
    }
}
