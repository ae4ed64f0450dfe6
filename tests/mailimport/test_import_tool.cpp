// fumibako-tool import and export, and imports killed at every step of their crash-ordered
// store: the next import leaves every message in exactly once, filed, with nothing left over.
#include "ImportFixture.h"

#include "storage/ProfileStore.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QProcess>
#include <QTest>

using namespace fumibako;
using fumibako::test::ImportAccounts;

namespace {

struct Run {
    int exitCode = -1; ///< -9 when it was killed
    QString out;
    QString err;
};

} // namespace

class ImportToolTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ImportAccounts> m_accounts;
    QString m_tool;

    Run runTool(const QStringList& args, const QString& crashAt = QString())
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (!crashAt.isEmpty())
            environment.insert(QStringLiteral("FUMIBAKO_CRASH_AT"), crashAt);
        process.setProcessEnvironment(environment);
        process.start(m_tool, QStringList{QStringLiteral("--data-dir"), m_accounts->dataDir()} + args);
        if (!process.waitForFinished(60000))
            return {-1, QString(), QStringLiteral("timed out")};
        if (process.exitStatus() == QProcess::CrashExit)
            return {-9, QString(), QString()};
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QStringList importArgs() const
    {
        return {QStringLiteral("import"), QStringLiteral("taro"), QStringLiteral("受信BOX"),
                ImportAccounts::sample(QStringLiteral("mboxrd.mbox")), ImportAccounts::sample(QStringLiteral("mh"))};
    }

    // The 8 messages of importArgs() exactly once each, every file filed once, nothing staged or journaled.
    void checkExactlyOnce()
    {
        const storage::AccountPaths paths = m_accounts->account();
        const QStringList files = QDir(paths.inputDir).entryList(QDir::Files);
        QCOMPARE(files.size(), 8);
        QStringList keys;
        for (const QString& section : {QStringLiteral("標準BOX"), QStringLiteral("受信BOX\\sub")}) {
            QStringList lines;
            storage::IniGetSection(section, paths.receivedIndexFile, lines);
            for (const QString& line : std::as_const(lines))
                keys.append(line.section(QLatin1Char('='), 0, 0));
        }
        keys.sort();
        QCOMPARE(keys, files);
        QCOMPARE(m_accounts->entries(QStringLiteral("標準BOX")).size(), 7);
        QCOMPARE(m_accounts->entries(QStringLiteral("受信BOX\\sub")), QStringList{"mh in sub 000"});
        QVERIFY(QDir(paths.inputDir + QStringLiteral(".importing")).entryList(QDir::Files | QDir::Hidden).isEmpty());
        const QStringList leftovers = QDir(paths.userMailDir).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(leftovers, (QStringList{QStringLiteral("ImportedIds.txt"), QStringLiteral("MailCom.ini")}));
        QVERIFY(m_accounts->folderList().contains(QStringLiteral("受信BOX\\sub")));
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_tool = qEnvironmentVariable("FUMIBAKO_TOOL");
        if (m_tool.isEmpty())
            QSKIP("FUMIBAKO_TOOL is not set");
    }

    void init()
    {
        m_accounts = std::make_unique<ImportAccounts>();
        m_accounts->account();
    }

    void importAndReport()
    {
        const Run run = runTool(importArgs());
        QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
        QCOMPARE(run.out, QStringLiteral("インポートしたメール: 8 通\nインポート済みのため飛ばしたメール: 0 通\n"));
        checkExactlyOnce();
        const Run again = runTool(importArgs());
        QCOMPARE(again.exitCode, 0);
        QCOMPARE(again.out, QStringLiteral("インポートしたメール: 0 通\nインポート済みのため飛ばしたメール: 8 通\n"));
        // Something left out makes the exit status 1, with the report saying what.
        const Run bad = runTool({QStringLiteral("import"), QStringLiteral("taro"), QStringLiteral("標準BOX"),
                                 ImportAccounts::sample(QStringLiteral("files"))});
        QCOMPARE(bad.exitCode, 1);
        QVERIFY2(bad.out.contains(QStringLiteral("notes.txt: メールのファイルではありません")), qPrintable(bad.out));
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("error");
        QTest::newRow("no path") << QStringList{"import", "taro", "標準BOX"} << 2 << "usage: fumibako-tool";
        QTest::newRow("no account") << QStringList{"import", "nobody", "標準BOX", "x"} << 1 << "アカウントがありません: nobody";
        QTest::newRow("no folder") << QStringList{"import", "taro", "受信BOX\\zz", "x"} << 1 << "フォルダがありません: 受信BOX\\zz";
        QTest::newRow("outgoing folder") << QStringList{"import", "taro", "送信BOX", "x"} << 1 << "このフォルダにはインポートできません: 送信BOX";
        QTest::newRow("export without format") << QStringList{"export", "taro", "標準BOX", "x"} << 2 << "usage: fumibako-tool";
        QTest::newRow("export outgoing") << QStringList{"export", "taro", "下書き", "--eml", "x"} << 1 << "このフォルダはエクスポートできません: 下書き";
    }
    void refusals()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, error);
        const Run run = runTool(args);
        QTEST(run.exitCode, "exitCode");
        QVERIFY2(run.err.contains(error), qPrintable(run.err));
    }

    void exportBoth()
    {
        QCOMPARE(runTool(importArgs()).exitCode, 0);
        const QString mbox = m_accounts->dataDir() + QStringLiteral("/out.mbox");
        const Run toMbox = runTool({QStringLiteral("export"), QStringLiteral("taro"), QStringLiteral("受信BOX"), QStringLiteral("--mbox"), mbox});
        QVERIFY2(toMbox.exitCode == 0, qPrintable(toMbox.err));
        QCOMPARE(toMbox.out, mbox + QStringLiteral(" に 8 通のメールを書き出しました。\n"));
        QVERIFY(test::readBytes(mbox).startsWith("From taro@example.jp "));
        const QString folder = m_accounts->dataDir() + QStringLiteral("/out");
        const Run toFiles = runTool({QStringLiteral("export"), QStringLiteral("taro"), QStringLiteral("受信BOX\\sub"), QStringLiteral("--eml"), folder});
        QVERIFY2(toFiles.exitCode == 0, qPrintable(toFiles.err));
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 1);
    }

    // The import is killed at one step; one complete import afterwards leaves every message
    // exactly once, and a third one adds nothing.
    void killedImportIsFinishedByTheNext_data()
    {
        QTest::addColumn<QString>("point");
        for (const char* point : {"read:2", "staged", "journaled", "recorded", "published:1", "published:8", "filed"})
            QTest::newRow(point) << QString::fromLatin1(point);
    }
    void killedImportIsFinishedByTheNext()
    {
        QFETCH(QString, point);
        QCOMPARE(runTool(importArgs(), point).exitCode, -9);
        const Run next = runTool(importArgs());
        QVERIFY2(next.exitCode == 0, qPrintable(next.err + next.out));
        checkExactlyOnce();
        const Run third = runTool(importArgs());
        QCOMPARE(third.out, QStringLiteral("インポートしたメール: 0 通\nインポート済みのため飛ばしたメール: 8 通\n"));
        checkExactlyOnce();
    }
};

QTEST_GUILESS_MAIN(ImportToolTest)
#include "test_import_tool.moc"
