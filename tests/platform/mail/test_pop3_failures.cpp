#include "MailServers.h"
#include "platform/mail/MailLibrary.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace fumibako::platform::mail;
using fumibako::test::BadPop3Server;

/** The POP3 client against a server that misbehaves on purpose (bad_pop3.py). */
class Pop3FailuresTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_inbox;

    QStringList inboxFiles() const { return QDir(m_inbox->path()).entryList(QDir::Files | QDir::Hidden); }

    // The scripted server offers no encryption: these tests opt into a login in clear text.
    LibraryResult receive(const BadPop3Server& server, const QString& command, const ProgressCallback& progress = {})
    {
        ReceiveOptions options;
        options.security.allowPlainLogin = true;
        return RcvMail2(server.server(), QStringLiteral("taro"), QStringLiteral("secret"), command,
                        QLatin1Char('<') + m_inbox->path(), progress, options);
    }

private Q_SLOTS:
    void initTestCase() { qputenv("FUMIBAKO_NET_TIMEOUT", "2"); }
    void init() { m_inbox = std::make_unique<QTemporaryDir>(); }

    // A receive that ends early keeps the messages saved before, deleted on the server only when
    // they are safely on disk; the message that broke off stays on the server.
    void endsEarlyKeepingWhatWasSaved_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("saved");
        QTest::addColumn<QString>("why");
        const QStringList pipelined = {QStringLiteral("--pipelining")};
        QTest::newRow("connection lost mid-message") << QStringLiteral("truncate") << QStringList() << 1
                                                     << QStringLiteral("message 2");
        QTest::newRow("connection lost mid-message, pipelined") << QStringLiteral("truncate") << pipelined << 1
                                                                << QStringLiteral("message 2");
        QTest::newRow("deletion refused") << QStringLiteral("dele-refused") << QStringList() << 2
                                          << QStringLiteral("message is locked");
        QTest::newRow("deletion refused, pipelined") << QStringLiteral("dele-refused") << pipelined << 2
                                                     << QStringLiteral("message is locked");
    }
    void endsEarlyKeepingWhatWasSaved()
    {
        QFETCH(QString, mode);
        QFETCH(QStringList, options);
        QFETCH(int, saved);
        QFETCH(QString, why);
        BadPop3Server server;
        QVERIFY(server.start(mode, 0, options));
        const LibraryResult result = receive(server, QStringLiteral("SAVEALLD"), [](int, int) { return 0; });
        // What is on disk is handed back for filing, though the receive stopped early.
        QVERIFY2(result.isList, qPrintable(result.text));
        QCOMPARE(result.list.size(), saved);
        QVERIFY2(result.stoppedEarly.contains(why), qPrintable(result.stoppedEarly));
        QCOMPARE(fumibako::test::readBytes(result.list.first()), BadPop3Server::smallMessage(1));
        QCOMPARE(inboxFiles().size(), saved);
        const QString log = server.log();
        QVERIFY2(log.contains(QStringLiteral("COMMIT uid-1")), qPrintable(log));
        QVERIFY(!log.contains(QStringLiteral("COMMIT uid-2")));
    }

    // Files may hold @p fileSizeLimit bytes, as on a disk that is full: what fits is kept and
    // deleted on the server, the rest stays there and leaves no file behind.
    void fullDiskKeepsTheRestOnTheServer_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("fileSizeLimit");
        QTest::addColumn<int>("kept");
        QTest::newRow("nothing fits") << QStringLiteral("dele-refused") << 100 << 0;
        QTest::newRow("the first fits") << QStringLiteral("growing") << 6000 << 1;
    }
    void fullDiskKeepsTheRestOnTheServer()
    {
        QFETCH(QString, mode);
        QFETCH(int, fileSizeLimit);
        QFETCH(int, kept);
        BadPop3Server server;
        QVERIFY(server.start(mode));
        struct rlimit old {};
        getrlimit(RLIMIT_FSIZE, &old);
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old;
        small.rlim_cur = rlim_t(fileSizeLimit);
        setrlimit(RLIMIT_FSIZE, &small);
        const LibraryResult result = receive(server, QStringLiteral("SAVEALLD"), [](int, int) { return 0; });
        setrlimit(RLIMIT_FSIZE, &old);
        const QString log = server.log();
        if (kept == 0) {
            QVERIFY(!result.isList);
            QVERIFY2(result.text.startsWith(QStringLiteral("Cannot write the received mail: ")), qPrintable(result.text));
            QVERIFY2(!log.contains(QStringLiteral("DELE")), qPrintable(log));
        } else {
            QVERIFY2(result.isList, qPrintable(result.text));
            QCOMPARE(result.list.size(), kept);
            QCOMPARE(fumibako::test::readBytes(result.list.first()), BadPop3Server::smallMessage(1));
            QVERIFY2(log.contains(QStringLiteral("COMMIT uid-1")), qPrintable(log));
        }
        QCOMPARE(inboxFiles().size(), kept); // no temporary file left behind
        QVERIFY(!log.contains(QStringLiteral("COMMIT uid-2")));
    }

    // A server that fails the receive gets an error text, not an empty success, soon; nothing is
    // saved, nothing deleted, and no password goes out where it should not.
    void failuresSaveNothing_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("textStart");
        QTest::addColumn<QStringList>("logHas");
        QTest::addColumn<QStringList>("logLacks");
        // libcurl waits for a greeting it understands until the silence timeout.
        QTest::newRow("garbage greeting") << QStringLiteral("garbage") << QStringLiteral("SAVEALLD")
                                          << QStringLiteral("Server timeout: ") << QStringList()
                                          << QStringList{QStringLiteral("DELE")};
        QTest::newRow("connection lost on the only message")
            << QStringLiteral("truncate") << QStringLiteral("SAVD 2") << QStringLiteral("POP3 failure: ")
            << QStringList() << QStringList{QStringLiteral("COMMIT")};
        QTest::newRow("silent server") << QStringLiteral("silent") << QStringLiteral("STAT")
                                       << QStringLiteral("Server timeout: ") << QStringList() << QStringList();
        QTest::newRow("TLS upgrade refused")
            << QStringLiteral("stls-refused") << QStringLiteral("STAT") << QStringLiteral("TLS error: ")
            << QStringList{QStringLiteral("STLS")}
            << QStringList{QStringLiteral("secret"), QStringLiteral("USER"), QStringLiteral("AUTH")};
    }
    void failuresSaveNothing()
    {
        QFETCH(QString, mode);
        QFETCH(QString, command);
        QFETCH(QString, textStart);
        QFETCH(QStringList, logHas);
        QFETCH(QStringList, logLacks);
        BadPop3Server server;
        QVERIFY(server.start(mode));
        QElapsedTimer timer;
        timer.start();
        const LibraryResult result = receive(server, command);
        QVERIFY(timer.elapsed() < 15000);
        QVERIFY(!result.isList);
        QVERIFY2(result.text.startsWith(textStart), qPrintable(result.text));
        QVERIFY(inboxFiles().isEmpty());
        const QString log = server.log();
        for (const QString& line : logHas)
            QVERIFY2(log.contains(line), qPrintable(log));
        for (const QString& line : logLacks)
            QVERIFY2(!log.contains(line), qPrintable(log));
    }

    void largeMessageIsStreamedToDisk()
    {
        const qint64 size = 50LL * 1024 * 1024;
        BadPop3Server server;
        QVERIFY(server.start(QStringLiteral("big"), size));
        int reports = 0;
        int lastBytes = -1;
        bool increasing = true;
        QElapsedTimer timer;
        timer.start();
        const LibraryResult result = receive(server, QStringLiteral("SAVEALL"), [&](int n, int bytes) {
            increasing = increasing && n == 1 && bytes >= lastBytes;
            lastBytes = bytes;
            ++reports;
            return 0;
        });
        qInfo("50 MB RETR took %lld ms, %d progress reports", timer.elapsed(), reports);
        QVERIFY2(result.isList, qPrintable(result.text));
        QCOMPARE(QFileInfo(result.list.value(0)).size(), size);
        QVERIFY(increasing);
        QVERIFY(reports > 10);
        QCOMPARE(lastBytes, int(size));
    }

    void stopDuringTheOnlyMessageLeavesNothing()
    {
        BadPop3Server server;
        QVERIFY(server.start(QStringLiteral("big"), 50LL * 1024 * 1024));
        const LibraryResult result = receive(server, QStringLiteral("SAVEALLD"),
                                             [](int, int bytes) { return bytes > 5 * 1024 * 1024 ? 1 : 0; });
        QVERIFY(!result.isList);
        QCOMPARE(result.text, QString());
        QVERIFY(inboxFiles().isEmpty());
        QVERIFY(!server.log().contains(QStringLiteral("DELE")));
    }

    void missingFolderIsAnError()
    {
        const LibraryResult result = RcvMail2(QStringLiteral("127.0.0.1\t1"), QStringLiteral("taro"),
                                              QStringLiteral("secret"), QStringLiteral("SAVEALL"),
                                              QStringLiteral("</nonexistent/folder/"), {});
        QVERIFY(!result.isList);
        QVERIFY(result.text.startsWith(QStringLiteral("Folder not found: ")));
    }
};

QTEST_GUILESS_MAIN(Pop3FailuresTest)
#include "test_pop3_failures.moc"
