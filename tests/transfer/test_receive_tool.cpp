#include "MailServers.h"
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
    Run runTool(const QStringList& args, const QByteArray& input = QByteArray())
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        process.setProcessEnvironment(environment);
        process.start(m_tool, QStringList{QStringLiteral("--data-dir"), m_data->path()} + args);
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(60000))
            return {-1, QString(), QStringLiteral("timed out")};
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    int filedCount() const
    {
        QStringList lines;
        IniGetSection(QStringLiteral("標準BOX"),
                      m_data->filePath(QStringLiteral("MailBox/taro/MailCom.ini")), lines);
        return int(lines.size());
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

    void passwordFromStdin()
    {
        IniDeleteKey(userFile(), QStringLiteral("Property"), QStringLiteral("Password"));
        const Run run = runTool({QStringLiteral("receive"), QStringLiteral("taro")}, "secret\n");
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QCOMPARE(run.out, QStringLiteral("新着メールあり\n"));
        QCOMPARE(readAccountProperties(userFile()).password, QString()); // asked for this run only
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
