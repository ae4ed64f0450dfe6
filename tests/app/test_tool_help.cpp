// fumibako-tool's help and usage text list every command the tool dispatches, so the manual page
// made from --help cannot leave one out.
#include "support/ToolRun.h"

#include <QTest>

using namespace fumibako::test;

class TestToolHelp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyCommandListed_data()
    {
        QTest::addColumn<QString>("form"); // as the help begins its line
        const char* const forms[] = {
            "profile get FILE SECTION KEY [BUFSIZE]",
            "profile write-section FILE SECTION [LINE ...]", // longer than the synopsis column
            "profile sections FILE",
            "list ACCOUNT FOLDERKEY",
            "search ACCOUNT TERM...",
            "mail read FILE [--attachments DIR]",
            "mail headers FILE",
            "receive ACCOUNT [--method 0|1|2] [--yes]",
            "send ACCOUNT",
            "server-list ACCOUNT",
            "preview [--face NAME] [--size SIZE] < BODY",
            "password ACCOUNT < PASSWORD",
            "signin ACCOUNT",
            "rules ACCOUNT import FILE",
            "rules ACCOUNT apply FOLDERKEY",
            "address show FILE",
            "address import oe|almail|becky FILE",
            "address export",
            "import ACCOUNT FOLDERKEY PATH...",
            "export ACCOUNT FOLDERKEY --mbox FILE | --eml DIR",
        };
        for (const auto& form : forms)
            QTest::newRow(form) << QString::fromUtf8(form);
    }

    void everyCommandListed()
    {
        QFETCH(QString, form);
        const ToolRun help = runTool({QStringLiteral("--help")});
        QCOMPARE(help.exitCode, 0);
        // Two spaces or a line end after the synopsis: how help2man tells it from its description.
        const QString line = QStringLiteral("\n  ") + form;
        QVERIFY2(help.out.contains(line + QStringLiteral("  ")) || help.out.contains(line + QLatin1Char('\n')),
                 qPrintable(help.out));
        const ToolRun usage = runTool({});
        QCOMPARE(usage.exitCode, 2);
        QVERIFY2(usage.err.contains(QStringLiteral("\n  ") + form + QLatin1Char('\n')), qPrintable(usage.err));
    }

    // Each listed name reaches its own command, which finds its arguments wrong.
    void everyListedCommandDispatched_data()
    {
        QTest::addColumn<QStringList>("args");
        const QStringList probes[] = {{"profile"}, {"list"}, {"search"}, {"mail"}, {"receive"}, {"send"},
                                      {"server-list"}, {"preview", "--face"}, {"password"}, {"signin"}, {"rules"},
                                      {"address"}, {"junk"}, {"import"}, {"export"}};
        for (const QStringList& probe : probes)
            QTest::newRow(qPrintable(probe.first())) << probe;
    }

    void everyListedCommandDispatched()
    {
        QFETCH(QStringList, args);
        const ToolRun run = runTool(args);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(!run.err.contains(QStringLiteral("unknown command")), qPrintable(run.err));
    }

    void unknownCommandIsAUsageError()
    {
        const ToolRun run = runTool({QStringLiteral("frobnicate")});
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.err.startsWith(QStringLiteral("unknown command: frobnicate\nusage: fumibako-tool")));
    }
};

QTEST_GUILESS_MAIN(TestToolHelp)
#include "test_tool_help.moc"
