#include "MailServers.h"
#include "filing/FilingLog.h"
#include "filing/RuleFile.h"
#include "support/TestFiles.h"
#include "storage/AccountSettings.h"
#include "storage/ProfileStore.h"
#include "transfer/Receiving.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using fumibako::test::MailServers;
using namespace fumibako::storage;

// The tool's receive and server-list commands end to end, on an account file like the program's.
class ReceiveToolTest : public QObject {
    Q_OBJECT

private:
    MailServers m_servers;
    QList<QByteArray> m_seeds;
    QString m_tool;
    std::unique_ptr<QTemporaryDir> m_data;
    QTemporaryDir m_runtime;

    QString userFile() const { return m_data->filePath(QStringLiteral("taro.ini")); }

    struct Run {
        int exitCode;
        QString out;
        QString err;
    };
    qsizetype m_sessionsBeforeRun = 0;
    Run runTool(const QStringList& args, const QByteArray& input = QByteArray(), const QString& crashAt = QString())
    {
        m_sessionsBeforeRun = m_servers.pop3Sessions().size();
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        if (!crashAt.isEmpty())
            environment.insert(QStringLiteral("FUMIBAKO_CRASH_AT"), crashAt);
        process.setProcessEnvironment(environment);
        process.start(m_tool, QStringList{QStringLiteral("--data-dir"), m_data->path()} + args);
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(60000))
            return {-1, QString(), QStringLiteral("timed out")};
        if (process.exitStatus() == QProcess::CrashExit)
            return {-9, QString(), QStringLiteral("killed")};
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QString mailboxDir() const { return m_data->filePath(QStringLiteral("MailBox/taro")); }

    // The messages RETR sent in the POP3 session of the last run of the tool.
    int lastSessionRetrieved() const { return m_servers.pop3SessionAfter(m_sessionsBeforeRun).retr; }

    // Every message of the mailbox exactly once, each file filed once, nothing temporary left.
    void checkExactlyOnce()
    {
        const QString input = mailboxDir() + QStringLiteral("/input");
        QStringList lines;
        IniGetSection(QStringLiteral("標準BOX"), mailboxDir() + QStringLiteral("/MailCom.ini"), lines);
        const QStringList files = QDir(input).entryList(QDir::Files);
        QCOMPARE(files.size(), m_seeds.size());
        QCOMPARE(lines.size(), m_seeds.size());
        QList<QByteArray> contents;
        for (const QString& line : std::as_const(lines)) {
            const QString key = line.section(QLatin1Char('='), 0, 0);
            QVERIFY2(files.contains(key), qPrintable(line));
            contents.append(fumibako::test::readBytes(input + QLatin1Char('/') + key));
        }
        for (const QByteArray& seed : std::as_const(m_seeds))
            QCOMPARE(contents.count(seed), 1);
        QVERIFY(QDir(input + QStringLiteral("/.receiving")).entryList(QDir::Files | QDir::Hidden).isEmpty());
        const QStringList leftovers = QDir(mailboxDir()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(leftovers, (QStringList{QStringLiteral("MailCom.ini"), QStringLiteral("ReceivedIds.txt")}));
    }

    int filedCount() const
    {
        QStringList lines;
        IniGetSection(QStringLiteral("標準BOX"),
                      m_data->filePath(QStringLiteral("MailBox/taro/MailCom.ini")), lines);
        return int(lines.size());
    }


    // Rules for the three seeds: 1.eml (from yamada) moved with a copy, 2.eml (attachments)
    // moved and flagged, 3.eml left in 標準BOX.
    void writeSeedRules()
    {
        using namespace fumibako::filing;
        QVERIFY(QDir().mkpath(mailboxDir()));
        QVERIFY(writeOrderedList(QStringLiteral("Folder"), userFile(),
                                 {QStringLiteral("受信BOX\\山田"), QStringLiteral("受信BOX\\写し"), QStringLiteral("受信BOX\\添付")}));
        Rule yamada;
        yamada.name = QStringLiteral("山田");
        Condition from;
        from.field = ConditionField::From;
        from.keys = {QStringLiteral("YAMADA@")};
        yamada.conditions = {from};
        yamada.actions = {{ActionKind::Copy, QStringLiteral("受信BOX\\写し")}, {ActionKind::Move, QStringLiteral("受信BOX\\山田")}};
        Rule attached;
        attached.name = QStringLiteral("添付");
        Condition attachments;
        attachments.field = ConditionField::HasAttachments;
        attached.conditions = {attachments};
        attached.actions = {{ActionKind::Flag, QString()}, {ActionKind::Move, QStringLiteral("受信BOX\\添付")}};
        QVERIFY(writeRules(mailboxDir() + QStringLiteral("/FilingRules.ini"), {yamada, attached}));
    }

    // Each seed once in its rule's folder (1.eml also once in the copies' folder), nothing else.
    void checkFiledByRules()
    {
        const QString input = mailboxDir() + QStringLiteral("/input");
        const QString index = mailboxDir() + QStringLiteral("/MailCom.ini");
        const QList<std::pair<QString, QByteArray>> expected = {
            {QStringLiteral("受信BOX\\山田 010"), m_seeds.at(0)}, {QStringLiteral("受信BOX\\写し 010"), m_seeds.at(0)},
            {QStringLiteral("受信BOX\\添付 111"), m_seeds.at(1)}, {QStringLiteral("標準BOX 010"), m_seeds.at(2)}};
        QList<std::pair<QString, QByteArray>> filed;
        QStringList sections;
        IniGetSectionNames(index, sections);
        for (const QString& section : std::as_const(sections)) {
            QStringList lines;
            IniGetSection(section, index, lines);
            for (const QString& line : std::as_const(lines))
                filed.append({section + u' ' + line.section(u'=', 1).left(3),
                              fumibako::test::readBytes(input + u'/' + line.section(u'=', 0, 0))});
        }
        QCOMPARE(filed.size(), expected.size());
        for (const auto& entry : expected)
            QVERIFY2(filed.contains(entry), qPrintable(entry.first));
        QCOMPARE(QDir(input).entryList(QDir::Files).size(), expected.size());
        QVERIFY(QDir(input + QStringLiteral("/.receiving")).entryList(QDir::Files | QDir::Hidden).isEmpty());
        QStringList leftovers = QDir(mailboxDir()).entryList(QDir::Files | QDir::Hidden);
        leftovers.removeAll(QStringLiteral("FilingLog.txt"));
        QCOMPARE(leftovers, (QStringList{QStringLiteral("FilingRules.ini"), QStringLiteral("MailCom.ini"),
                                         QStringLiteral("ReceivedIds.txt")}));
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_tool = qEnvironmentVariable("FUMIBAKO_TOOL");
        if (m_tool.isEmpty())
            QSKIP("FUMIBAKO_TOOL is not set");
        QString error;
        if (!m_servers.start(MailServers::Pop3, &error))
            QSKIP(qPrintable(error));
        m_servers.useInThisProcess();
        QFile::setPermissions(m_runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_seeds = MailServers::seedMessages();
    }

    void init()
    {
        QVERIFY(m_servers.seedMailbox(QStringLiteral("taro"), m_seeds));
        m_data = std::make_unique<QTemporaryDir>();
        const QString property = QStringLiteral("Property");
        IniWriteString(property, QStringLiteral("AccName"), QStringLiteral("taro"), userFile());
        IniWriteString(property, QStringLiteral("POP3Server"), QStringLiteral("127.0.0.1"), userFile());
        IniWriteString(property, QStringLiteral("POPport"), QStringLiteral("1"), userFile());
        IniWriteString(property, QStringLiteral("PportNum"), QString::number(m_servers.pop3Port()), userFile());
        IniWriteString(property, QStringLiteral("Name"), QStringLiteral("Taro"), userFile());
        IniWriteString(QStringLiteral("Kankyou"), QStringLiteral("MailJusin"), QStringLiteral("1"), userFile());
        QVERIFY(storePassword(userFile(), QStringLiteral("secret")));
    }

    void receive_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("filed");
        QTest::addColumn<int>("leftOnServer");
        QTest::newRow("stored method") << QStringList{} << "新着メールあり" << 3 << 3;
        QTest::newRow("count only, No") << QStringList{"--method", "0"} << "新着はありません" << 0 << 3;
        QTest::newRow("count only, --yes") << QStringList{"--method", "0", "--yes"} << "新着メールあり" << 3 << 3;
        QTest::newRow("receive and delete") << QStringList{"--method", "2"} << "新着メールあり" << 3 << 0;
    }
    void receive()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, status);
        QFETCH(int, leftOnServer);
        const Run run = runTool(QStringList{QStringLiteral("receive"), QStringLiteral("taro")} + args);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QCOMPARE(run.out, status + QLatin1Char('\n'));
        QTEST(filedCount(), "filed");
        QCOMPARE(m_servers.mailbox(QStringLiteral("taro")).size(), leftOnServer);
    }

    void receiveAgainFetchesNothing()
    {
        QCOMPARE(runTool({QStringLiteral("receive"), QStringLiteral("taro")}).out, QStringLiteral("新着メールあり\n"));
        QCOMPARE(lastSessionRetrieved(), 3);
        const Run again = runTool({QStringLiteral("receive"), QStringLiteral("taro")});
        QVERIFY2(again.exitCode == 0, qPrintable(again.err));
        QCOMPARE(again.out, QStringLiteral("新着はありません\n"));
        QCOMPARE(lastSessionRetrieved(), 0);
        checkExactlyOnce();
        // Asked to count, the tool finds nothing new either.
        QCOMPARE(runTool({QStringLiteral("receive"), QStringLiteral("taro"), QStringLiteral("--method"), QStringLiteral("0")}).out,
                 QStringLiteral("新着はありません\n"));
    }

    // The receive is killed at one step; one complete receive afterwards leaves every message
    // exactly once, filed, nothing temporary, and (receive and delete) the server empty. Dovecot
    // takes pipelined commands: "retrieved:2" is met while RETR 3 is on its way, "deleting" with
    // every DELE sent and none answered, "quit-sent" with QUIT sent and not answered.
    void killedReceiveIsFinishedByTheNext_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("point");
        const QStringList points = {QStringLiteral("retrieved:2"), QStringLiteral("staged"), QStringLiteral("journaled"),
                                    QStringLiteral("recorded"), QStringLiteral("published:1"), QStringLiteral("published:3"),
                                    QStringLiteral("received"), QStringLiteral("filed")};
        for (const QString& method : {QStringLiteral("1"), QStringLiteral("2")}) {
            for (const QString& point : points)
                QTest::addRow("method %s, %s", qPrintable(method), qPrintable(point)) << method << point;
        }
        for (const QString& point : {QStringLiteral("deleting"), QStringLiteral("deleted"), QStringLiteral("quit-sent")})
            QTest::addRow("method 2, %s", qPrintable(point)) << QStringLiteral("2") << point;
    }
    void killedReceiveIsFinishedByTheNext()
    {
        QFETCH(QString, method);
        QFETCH(QString, point);
        const QStringList receive = {QStringLiteral("receive"), QStringLiteral("taro"), QStringLiteral("--method"), method};
        const Run killed = runTool(receive, QByteArray(), point);
        QCOMPARE(killed.exitCode, -9);
        const Run next = runTool(receive);
        QVERIFY2(next.exitCode == 0, qPrintable(next.err));
        checkExactlyOnce();
        QCOMPARE(m_servers.mailbox(QStringLiteral("taro")).size(), method == QLatin1String("2") ? 0 : 3);
        const Run third = runTool(receive);
        QCOMPARE(third.out, QStringLiteral("新着はありません\n"));
        QCOMPARE(lastSessionRetrieved(), 0);
        checkExactlyOnce();
    }

    void receiveFilesByTheRules()
    {
        writeSeedRules();
        const Run run = runTool({QStringLiteral("receive"), QStringLiteral("taro")});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QCOMPARE(run.out, QStringLiteral("新着メールあり（3通、うち2通を振り分けました）\n"));
        checkFiledByRules();
    }

    // Killed at any step of a receive with rules, the next one files every message once, into
    // its rule's folder, with its copy once; nothing is fetched twice.
    void killedReceiveWithRulesFilesEachOnce_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("point");
        const QStringList points = {QStringLiteral("retrieved:2"), QStringLiteral("staged"), QStringLiteral("journaled"),
                                    QStringLiteral("recorded"), QStringLiteral("published:2"), QStringLiteral("received"),
                                    QStringLiteral("copied"), QStringLiteral("filed")};
        for (const QString& method : {QStringLiteral("1"), QStringLiteral("2")}) {
            for (const QString& point : points)
                QTest::addRow("method %s, %s", qPrintable(method), qPrintable(point)) << method << point;
        }
    }
    void killedReceiveWithRulesFilesEachOnce()
    {
        QFETCH(QString, method);
        QFETCH(QString, point);
        writeSeedRules();
        const QStringList receive = {QStringLiteral("receive"), QStringLiteral("taro"), QStringLiteral("--method"), method};
        QCOMPARE(runTool(receive, QByteArray(), point).exitCode, -9);
        const Run next = runTool(receive);
        QVERIFY2(next.exitCode == 0, qPrintable(next.err));
        checkFiledByRules();
        QCOMPARE(runTool(receive).out, QStringLiteral("新着はありません\n"));
        QCOMPARE(lastSessionRetrieved(), 0);
        checkFiledByRules();
    }

    // A rule deletes 2.eml at the server unfetched; killed between its DELE and the QUIT that
    // commits it, the next receive deletes it again: 1.eml and 3.eml filed once, 2.eml never
    // fetched and gone, its deletion logged once.
    void killedWhileDeletingAtTheServer_data()
    {
        QTest::addColumn<QString>("point");
        for (const QString& point : {QStringLiteral("deleting"), QStringLiteral("deleted"), QStringLiteral("quit-sent")})
            QTest::newRow(qPrintable(point)) << point;
    }
    void killedWhileDeletingAtTheServer()
    {
        using namespace fumibako::filing;
        QFETCH(QString, point);
        QVERIFY(QDir().mkpath(mailboxDir()));
        Rule large;
        large.name = QStringLiteral("大きい");
        Condition size;
        size.field = ConditionField::SizeOver;
        size.sizeBytes = 1500;
        large.conditions = {size};
        large.actions = {{ActionKind::DeleteOnServer, QString()}};
        QVERIFY(writeRules(mailboxDir() + QStringLiteral("/FilingRules.ini"), {large}));
        const QStringList receive = {QStringLiteral("receive"), QStringLiteral("taro")};
        QCOMPARE(runTool(receive, QByteArray(), point).exitCode, -9);
        const Run next = runTool(receive);
        QVERIFY2(next.exitCode == 0, qPrintable(next.err));
        QCOMPARE(runTool(receive).out, QStringLiteral("新着はありません\n"));
        QCOMPARE(lastSessionRetrieved(), 0);

        QCOMPARE(m_servers.mailbox(QStringLiteral("taro")), (QList<QByteArray>{m_seeds.at(0), m_seeds.at(2)}));
        QStringList lines;
        IniGetSection(QStringLiteral("標準BOX"), mailboxDir() + QStringLiteral("/MailCom.ini"), lines);
        QCOMPARE(lines.size(), 2);
        QList<QByteArray> filed;
        for (const QString& line : std::as_const(lines))
            filed.append(fumibako::test::readBytes(mailboxDir() + QStringLiteral("/input/") + line.section(u'=', 0, 0)));
        QVERIFY(filed.contains(m_seeds.at(0)) && filed.contains(m_seeds.at(2)));
        QCOMPARE(QDir(mailboxDir() + QStringLiteral("/input")).entryList(QDir::Files).size(), 2);
        const QList<FilingLogEntry> log = readFilingLog(mailboxDir() + QStringLiteral("/FilingLog.txt"));
        QCOMPARE(log.size(), 1);
        QCOMPARE(log.first().rules, QStringLiteral("大きい"));
        QCOMPARE(log.first().subject, QStringLiteral("添付ファイル3点"));
        QVERIFY(log.first().done.startsWith(QStringLiteral("サーバーから削除")));
    }

    void passwordFromStdin()
    {
        IniDeleteKey(userFile(), QStringLiteral("Property"), QStringLiteral("Password"));
        const Run run = runTool({QStringLiteral("receive"), QStringLiteral("taro")}, "secret\n");
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QCOMPARE(run.out, QStringLiteral("新着メールあり\n"));
        QCOMPARE(readAccountProperties(userFile()).password, QString()); // asked for this run only
    }

    // A script that gives no password (stdin at its end) is told so by the exit status.
    void noPasswordGivenIsAnError_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("receive") << "receive";
        QTest::newRow("server-list") << "server-list";
    }
    void noPasswordGivenIsAnError()
    {
        QFETCH(QString, command);
        IniDeleteKey(userFile(), QStringLiteral("Property"), QStringLiteral("Password"));
        const Run run = runTool({command, QStringLiteral("taro")});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, QStringLiteral("パスワードが入力されませんでした\n")); // no prompt: stdin is no terminal
        QVERIFY(run.out.isEmpty());
        QCOMPARE(filedCount(), 0);
        QCOMPARE(m_servers.mailbox(QStringLiteral("taro")).size(), 3);
    }

    void wrongPasswordIsAnError()
    {
        QVERIFY(storePassword(userFile(), QStringLiteral("wrong")));
        const Run run = runTool({QStringLiteral("receive"), QStringLiteral("taro")});
        QCOMPARE(run.out, QStringLiteral("エラー\n"));
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(QStringLiteral("ログインできませんでした。")), qPrintable(run.err));
    }

    void serverList()
    {
        const Run run = runTool({QStringLiteral("server-list"), QStringLiteral("taro")});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        for (int i = 0; i < 3; ++i) {
            const QStringList columns = lines[i].split(QLatin1Char('\t'));
            QCOMPARE(columns.size(), 4);
            QCOMPARE(columns[0], QString::number(i + 1));
            QVERIFY(!columns[3].isEmpty());
        }
        QCOMPARE(m_servers.mailbox(QStringLiteral("taro")).size(), 3);
    }

    void unknownAccount()
    {
        const Run run = runTool({QStringLiteral("receive"), QStringLiteral("nobody")});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(ReceiveToolTest)
#include "test_receive_tool.moc"
