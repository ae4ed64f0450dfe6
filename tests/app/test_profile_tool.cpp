#include "support/TestFiles.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using fumibako::test::readBytes;
using fumibako::test::writeBytes;

/** `fumibako-tool profile ...` run as a separate process, as scripts use it. */
class TestProfileTool : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commands_data();
    void commands();
};

void TestProfileTool::commands_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QStringList>("args"); // "FILE" stands for the test file
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QByteArray>("after"); // null: the file is not checked
    const QByteArray ini = fumibako::test::cp932Lines(QString::fromUtf8("[設定]\nName=山田\nLong=あいうえお\n[b]\nx=1\n"));
    auto row = [&](const char* name, const QStringList& args, int code, const QString& out,
                   const QByteArray& after = QByteArray()) {
        QTest::newRow(name) << ini << args << code << out << after;
    };
    row("get", {"get", "FILE", "設定", "name"}, 0, "山田\n");
    row("get with buffer size", {"get", "FILE", "設定", "Long", "6"}, 0, "あい\n");
    row("get missing key", {"get", "FILE", "設定", "none"}, 0, "\n");
    row("set", {"set", "FILE", "b", "y", "日本"}, 0, "",
        fumibako::test::cp932Lines(QString::fromUtf8("[設定]\nName=山田\nLong=あいうえお\n[b]\nx=1\ny=日本\n")));
    row("set into a missing directory", {"set", "FILE/../nodir/x.ini", "b", "y", "1"}, 1, "", ini);
    row("delete-key", {"delete-key", "FILE", "B", "X"}, 0, "",
        fumibako::test::cp932Lines(QString::fromUtf8("[設定]\nName=山田\nLong=あいうえお\n[b]\n")));
    row("delete-section", {"delete-section", "FILE", "設定"}, 0, "", "[b]\r\nx=1\r\n");
    row("section", {"section", "FILE", "設定"}, 0, "Name=山田\nLong=あいうえお\n");
    row("missing section", {"section", "FILE", "none"}, 1, "");
    row("write-section", {"write-section", "FILE", "b", "p=1", "q=2", "", "r=3"}, 0, "",
        fumibako::test::cp932Lines(QString::fromUtf8("[設定]\nName=山田\nLong=あいうえお\n[b]\np=1\nq=2\n")));
    row("write-section without lines", {"write-section", "FILE", "b"}, 0, "",
        fumibako::test::cp932Lines(QString::fromUtf8("[設定]\nName=山田\nLong=あいうえお\n[b]\n")));
    row("sections", {"sections", "FILE"}, 0, "設定\nb\n");
    row("sections of a missing file", {"sections", "FILE.none"}, 1, "");
    row("no subcommand", {}, 2, "", ini);
    row("unknown subcommand", {"frobnicate", "FILE"}, 2, "", ini);
    row("bad buffer size", {"get", "FILE", "b", "x", "-1"}, 2, "");
    row("too many arguments", {"set", "FILE", "b", "x", "1", "extra"}, 2, "", ini);
    row("too few arguments", {"delete-key", "FILE", "b"}, 2, "", ini);
}

void TestProfileTool::commands()
{
    QFETCH(QByteArray, before);
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(QByteArray, after);
    const QString tool = qEnvironmentVariable("FUMIBAKO_TOOL");
    if (tool.isEmpty())
        QSKIP("FUMIBAKO_TOOL is not set");
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("p.ini"));
    writeBytes(file, before);
    QStringList full{QStringLiteral("profile")};
    for (const QString& arg : args)
        full << QString(arg).replace(QLatin1String("FILE"), file);
    QProcess process;
    process.start(tool, full);
    QVERIFY(process.waitForFinished(30000));
    const QByteArray err = process.readAllStandardError();
    QCOMPARE(process.exitCode(), exitCode);
    QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()), output);
    QCOMPARE(err.isEmpty(), exitCode != 2);
    if (!after.isNull())
        QCOMPARE(readBytes(file), after);
}

QTEST_GUILESS_MAIN(TestProfileTool)
#include "test_profile_tool.moc"
