#include "storage/AccountSettings.h"
#include "storage/ProfileStore.h"
#include "support/TestFiles.h"
#include "support/ToolRun.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace fumibako::test;

class TestListTool : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    ToolRun tool(const QStringList& args)
    {
        return runTool(QStringList{QStringLiteral("--data-dir"), m_dir.path()} + args);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QString data = m_dir.path() + QLatin1Char('/');
        writeBytes(data + QStringLiteral("AName.ini"), cp932Lines(QStringLiteral("[AName]\nCount=1\n0=太郎\n")));
        writeBytes(data + QStringLiteral("太郎.ini"),
                   cp932Lines(QStringLiteral("[Folder]\nCount=1\n0=受信BOX\\仕事\n")));
        const QString input = data + QStringLiteral("MailBox/太郎/input/");
        writeBytes(input + QStringLiteral("a.eml"), "mail");
        writeBytes(input + QStringLiteral("b.eml"), "mail");
        writeBytes(data + QStringLiteral("MailBox/太郎/MailCom.ini"),
                   cp932Lines(QStringLiteral("[標準BOX]\na.eml=011\t山田 <y@example.jp>\t①ご案内\t2026/12/01 09:00:00\n"
                                             "gone.eml=010\tx\ty\tz\nbroken\n"
                                             "[受信BOX\\仕事]\nb.eml=100\t佐藤\t会議\t2026/12/02 10:00:00\n"
                                             "[消えた]\nc.eml=010\ta\tb\tc\n")));
    }

    void listsWithRepairs()
    {
        const ToolRun run = tool({QStringLiteral("list"), QStringLiteral("太郎"), QStringLiteral("標準BOX")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QStringLiteral("a.eml\t011\t山田 <y@example.jp>\t①ご案内\t2026/12/01 09:00:00\n"));
        QStringList lines;
        QVERIFY(fumibako::storage::IniGetSection(QStringLiteral("標準BOX"),
                                                 m_dir.path() + QStringLiteral("/MailBox/太郎/MailCom.ini"), lines));
        QCOMPARE(lines.size(), 1); // the missing file's entry and the broken line are gone
    }

    void inboxListsEverySectionAndDropsOrphans()
    {
        const ToolRun run = tool({QStringLiteral("list"), QStringLiteral("太郎"), QStringLiteral("受信BOX")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out.count(QLatin1Char('\n')), 2);
        QVERIFY(run.out.contains(QStringLiteral("b.eml\t100\t佐藤\t会議")));
        QStringList sections;
        fumibako::storage::IniGetSectionNames(m_dir.path() + QStringLiteral("/MailBox/太郎/MailCom.ini"), sections);
        QVERIFY(!sections.contains(QStringLiteral("消えた"))); // no folder can have this section
    }

    void storesAPasswordFromStandardInput()
    {
        QProcess process;
        process.start(qEnvironmentVariable("FUMIBAKO_TOOL"),
                      {QStringLiteral("--data-dir"), m_dir.path(), QStringLiteral("password"), QStringLiteral("太郎")});
        process.write("pass word 123\n");
        process.closeWriteChannel();
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(process.readAllStandardError(), QByteArray()); // a pipe gets no prompt
        const QString userFile = m_dir.path() + QStringLiteral("/太郎.ini");
        QCOMPARE(fumibako::storage::readAccountProperties(userFile).password, QStringLiteral("pass word 123"));
        QVERIFY(fumibako::storage::IniGetString(QStringLiteral("Property"), QStringLiteral("Password"), 256, userFile)
                != QStringLiteral("pass word 123")); // never stored in plain text
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("unknown account") << QStringList{QStringLiteral("list"), QStringLiteral("花子"), QStringLiteral("標準BOX")} << 1;
        QTest::newRow("unknown folder") << QStringList{QStringLiteral("list"), QStringLiteral("太郎"), QStringLiteral("受信BOX\\無い")} << 1;
        QTest::newRow("missing folder argument") << QStringList{QStringLiteral("list"), QStringLiteral("太郎")} << 2;
        QTest::newRow("unknown command") << QStringList{QStringLiteral("frobnicate")} << 2;
    }
    void refusals()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        const ToolRun run = tool(args);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY(!run.err.isEmpty());
        QVERIFY(run.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestListTool)
#include "test_list_tool.moc"
