#include "MailServers.h"
#include "platform/mail/MailLibrary.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace fumibako::platform::mail;
using fumibako::test::BadPop3Server;

namespace {

// The server holds each command this long, so that the commands sent before any answer came
// back reach it together: its log shows them as one group.
const QStringList Held = {QStringLiteral("--hold-ms"), QStringLiteral("60")};

// The groups of commands the server read after the login, "|" between the commands of a group.
QStringList groupsAfterLogin(const QString& log)
{
    const QStringList groups = log.split(QStringLiteral("--\n"), Qt::SkipEmptyParts);
    QStringList result;
    bool loggedIn = false;
    for (const QString& group : groups) {
        const QString commands = group.trimmed().replace(QLatin1Char('\n'), QLatin1Char('|'));
        if (loggedIn && !commands.startsWith(QLatin1String("COMMIT")))
            result.append(commands);
        loggedIn = loggedIn || commands.startsWith(QLatin1String("PASS "));
    }
    return result;
}

} // namespace

/**
 * The commands the POP3 client sends, byte for byte and in which groups (which were on their way
 * before any answer came back), against the scripted server of bad_pop3.py with and without
 * PIPELINING in its CAPA; and what a pipelined batch does when one of its messages fails.
 */
class Pop3PipeliningTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_inbox;

    QStringList inboxFiles() const { return QDir(m_inbox->path()).entryList(QDir::Files); }

    LibraryResult receive(const BadPop3Server& server, const QString& command, const ProgressCallback& progress = {})
    {
        ReceiveOptions options;
        options.security.allowPlainLogin = true;
        return RcvMail2(server.server(), QStringLiteral("taro"), QStringLiteral("secret"), command,
                        QLatin1Char('<') + m_inbox->path(), progress, options);
    }

    static QStringList options(bool pipelining, QStringList more = {})
    {
        if (pipelining)
            more.append(QStringLiteral("--pipelining"));
        return Held + more;
    }

private Q_SLOTS:
    void initTestCase() { qputenv("FUMIBAKO_NET_TIMEOUT", "5"); }
    void init() { m_inbox = std::make_unique<QTemporaryDir>(); }

    void commandGroups_data()
    {
        QTest::addColumn<bool>("pipelining");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("groups");
        QTest::newRow("receive and delete, pipelined")
            << true << "SAVEALLD"
            << QStringList{"CAPA|STAT|UIDL|LIST", "RETR 1|RETR 2|RETR 3", "DELE 1|DELE 2|DELE 3", "QUIT"};
        QTest::newRow("receive and delete, one at a time")
            << false << "SAVEALLD"
            << QStringList{"STAT", "UIDL", "RETR 1", "RETR 2", "RETR 3", "DELE 1", "DELE 2", "DELE 3", "QUIT"};
        QTest::newRow("receive, pipelined") << true << "SAVEALL" << QStringList{"CAPA|STAT|LIST", "RETR 1|RETR 2|RETR 3", "QUIT"};
        QTest::newRow("receive, one at a time") << false << "SAVEALL" << QStringList{"STAT", "RETR 1", "RETR 2", "RETR 3", "QUIT"};
        QTest::newRow("a range, pipelined") << true << "SAVE 2-3" << QStringList{"CAPA|STAT|LIST", "RETR 2|RETR 3", "QUIT"};
        QTest::newRow("mail list, pipelined") << true << "LIST" << QStringList{"CAPA|STAT", "TOP 1 0|TOP 2 0|TOP 3 0", "QUIT"};
        QTest::newRow("mail list, one at a time") << false << "LIST" << QStringList{"STAT", "TOP 1 0", "TOP 2 0", "TOP 3 0", "QUIT"};
        QTest::newRow("delete a range, pipelined") << true << "DELE 2-3" << QStringList{"CAPA|STAT", "DELE 2|DELE 3", "QUIT"};
        QTest::newRow("count") << true << "STAT" << QStringList{"CAPA|STAT", "QUIT"};
    }
    void commandGroups()
    {
        QFETCH(bool, pipelining);
        QFETCH(QString, command);
        BadPop3Server server;
        QVERIFY(server.start(QStringLiteral("plain"), 0, options(pipelining, {QStringLiteral("--messages"), QStringLiteral("3")})));
        const LibraryResult result = receive(server, command, [](int, int) { return 0; });
        QVERIFY2(result.isList || result.text.contains(QLatin1String("deleted")), qPrintable(result.text));
        QTEST(groupsAfterLogin(server.log()), "groups");
    }

    // The commands on their way are bounded by the bytes their replies bring (LIST's sizes): six
    // messages of 1.5 MB go two at a time at first, then one more as each one comes in.
    void windowIsBoundedByReplyBytes()
    {
        BadPop3Server server;
        QVERIFY(server.start(QStringLiteral("big"), 1536 * 1024, options(true, {QStringLiteral("--messages"), QStringLiteral("6")})));
        const LibraryResult result = receive(server, QStringLiteral("SAVEALL"));
        QVERIFY2(result.isList, qPrintable(result.text));
        QCOMPARE(result.list.size(), 6);
        const QStringList groups = groupsAfterLogin(server.log());
        QCOMPARE(groups.value(1), QStringLiteral("RETR 1|RETR 2"));
        QCOMPARE(groups.join(QLatin1Char('|')).count(QLatin1String("RETR")), 6);
    }

    // A message the server refuses in the middle of a batch stays there; the others are
    // received, deleted, and the refusal is told.
    void refusedMessageIsLeftAndTheOthersGoOn_data()
    {
        QTest::addColumn<bool>("pipelining");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("why");
        QTest::newRow("locked, pipelined") << true << "retr-refused" << "locked by another session";
        QTest::newRow("locked, one at a time") << false << "retr-refused" << "locked by another session";
        QTest::newRow("vanished, pipelined") << true << "vanishing" << "message has vanished";
    }
    void refusedMessageIsLeftAndTheOthersGoOn()
    {
        QFETCH(bool, pipelining);
        QFETCH(QString, mode);
        QFETCH(QString, why);
        BadPop3Server server;
        QVERIFY(server.start(mode, 0, options(pipelining, {QStringLiteral("--messages"), QStringLiteral("3")})));
        const LibraryResult result = receive(server, QStringLiteral("SAVEALLD"), [](int, int) { return 0; });
        QVERIFY2(result.isList, qPrintable(result.text));
        QCOMPARE(result.list.size(), 2);
        QCOMPARE(fumibako::test::readBytes(result.list.at(0)), BadPop3Server::smallMessage(1));
        QCOMPARE(fumibako::test::readBytes(result.list.at(1)), BadPop3Server::smallMessage(3));
        QVERIFY2(result.stoppedEarly.startsWith(QStringLiteral("POP3 error -ERR ")), qPrintable(result.stoppedEarly));
        QVERIFY2(result.stoppedEarly.contains(why), qPrintable(result.stoppedEarly));
        const QString log = server.log();
        QVERIFY(log.contains(QStringLiteral("COMMIT uid-1\nCOMMIT uid-3")));
        QVERIFY2(!log.contains(QStringLiteral("DELE 2")), qPrintable(log));
        QVERIFY(!log.contains(QStringLiteral("COMMIT uid-2")));
    }

    // Lines that start with dots (one a lone dot, as the server doubles them) come out as stored.
    void dotLinesArriveAsStored_data()
    {
        QTest::addColumn<bool>("pipelining");
        QTest::newRow("pipelined") << true;
        QTest::newRow("one at a time") << false;
    }
    void dotLinesArriveAsStored()
    {
        QFETCH(bool, pipelining);
        BadPop3Server server;
        QVERIFY(server.start(QStringLiteral("dot-lines"), 0, options(pipelining)));
        const LibraryResult result = receive(server, QStringLiteral("SAVEALL"));
        QVERIFY2(result.isList, qPrintable(result.text));
        QCOMPARE(result.list.size(), 2);
        QCOMPARE(fumibako::test::readBytes(result.list.at(0)), BadPop3Server::dottedMessage(1));
        QCOMPARE(fumibako::test::readBytes(result.list.at(1)), BadPop3Server::dottedMessage(2));
    }

    // A stop in the middle of a pipelined batch keeps what was complete; receive and delete
    // deletes exactly that, in a login of its own (the stopped one ended without QUIT).
    void stopInTheMiddleOfABatch()
    {
        BadPop3Server server;
        QVERIFY(server.start(QStringLiteral("big"), 1024 * 1024, options(true, {QStringLiteral("--messages"), QStringLiteral("3")})));
        const LibraryResult result = receive(server, QStringLiteral("SAVEALLD"),
                                             [](int n, int bytes) { return n == 2 && bytes > 100 * 1024 ? 1 : 0; });
        QVERIFY2(result.isList, qPrintable(result.text));
        QCOMPARE(result.list.size(), 1);
        QCOMPARE(result.stoppedEarly, QString());
        QCOMPARE(inboxFiles().size(), 1);
        const QString log = server.log();
        QVERIFY2(log.contains(QStringLiteral("COMMIT uid-1")), qPrintable(log));
        QVERIFY(!log.contains(QStringLiteral("COMMIT uid-2")));
        QCOMPARE(log.count(QStringLiteral("PASS secret")), 2);
    }

    // Rules that decide at the server see each new message's header and size first (TOP n 0,
    // pipelined) and only what they keep is fetched: "message 2" is deleted unfetched, "message 3"
    // stays. A server that refuses a header has everything fetched, nothing decided there.
    void screenDecidesAtTheServer_data()
    {
        QTest::addColumn<bool>("pipelining");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QStringList>("groups");
        QTest::addColumn<QStringList>("commits");
        QTest::newRow("pipelined") << true << "plain"
                                   << QStringList{"CAPA|STAT|UIDL|LIST", "TOP 1 0|TOP 2 0|TOP 3 0", "RETR 1", "DELE 2", "QUIT"}
                                   << QStringList{"uid-2"};
        QTest::newRow("one at a time")
            << false << "plain"
            << QStringList{"STAT", "UIDL", "LIST", "TOP 1 0", "TOP 2 0", "TOP 3 0", "RETR 1", "DELE 2", "QUIT"}
            << QStringList{"uid-2"};
        QTest::newRow("a header refused") << true << "vanishing"
                                          << QStringList{"CAPA|STAT|UIDL|LIST", "TOP 1 0|TOP 2 0|TOP 3 0",
                                                         "RETR 1|RETR 2|RETR 3", "QUIT"}
                                          << QStringList();
    }
    void screenDecidesAtTheServer()
    {
        QFETCH(bool, pipelining);
        QFETCH(QString, mode);
        QFETCH(QStringList, commits);
        BadPop3Server server;
        QVERIFY(server.start(mode, 0, options(pipelining, {QStringLiteral("--messages"), QStringLiteral("3")})));
        QList<ServerMessage> screened;
        ReceiveOptions receiveOptions;
        receiveOptions.security.allowPlainLogin = true;
        receiveOptions.screen = [&screened](const QList<ServerMessage>& messages) {
            screened = messages;
            QList<ServerAction> actions;
            for (const ServerMessage& message : messages) {
                actions.append(message.header.contains("Subject: message 2") ? ServerAction::Delete
                               : message.header.contains("Subject: message 3") ? ServerAction::Leave
                                                                              : ServerAction::Fetch);
            }
            return actions;
        };
        const LibraryResult result = RcvMail2(server.server(), QStringLiteral("taro"), QStringLiteral("secret"),
                                              QStringLiteral("SAVEALL"), QLatin1Char('<') + m_inbox->path(), {},
                                              receiveOptions);
        QVERIFY2(result.isList, qPrintable(result.text));
        QTEST(groupsAfterLogin(server.log()), "groups");
        QStringList committed;
        for (const QString& line : server.log().split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1String("COMMIT ")))
                committed.append(line.mid(7));
        }
        QCOMPARE(committed, commits);
        if (commits.isEmpty())
            return;
        QCOMPARE(result.list.size(), 1);
        QCOMPARE(fumibako::test::readBytes(result.list.at(0)), BadPop3Server::smallMessage(1));
        QCOMPARE(screened.size(), 3);
        const QByteArray second = BadPop3Server::smallMessage(2);
        QCOMPARE(screened.at(1).number, 2);
        QCOMPARE(screened.at(1).id, QByteArray("uid-2"));
        QCOMPARE(screened.at(1).size, second.size());
        QCOMPARE(screened.at(1).header, second.left(second.indexOf("\r\n\r\n") + 4));
    }

    // The line drops at the first DELE: the messages are on disk and nothing is deleted.
    void droppedAtDeleteDeletesNothing()
    {
        BadPop3Server server;
        QVERIFY(server.start(QStringLiteral("drop-at-dele"), 0, options(true)));
        const LibraryResult result = receive(server, QStringLiteral("SAVEALLD"), [](int, int) { return 0; });
        QVERIFY2(result.isList, qPrintable(result.text));
        QCOMPARE(result.list.size(), 2);
        QVERIFY(!result.stoppedEarly.isEmpty());
        QVERIFY(!server.log().contains(QStringLiteral("COMMIT")));
    }
};

QTEST_GUILESS_MAIN(Pop3PipeliningTest)
#include "test_pop3_pipelining.moc"
