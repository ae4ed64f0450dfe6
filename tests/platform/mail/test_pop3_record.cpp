#include "MailServers.h"
#include "platform/mail/MailLibrary.h"
#include "platform/mail/ReceiveRecord.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace fumibako::platform::mail;
using fumibako::test::BadPop3Server;

// Receiving with the record of received ids against a scripted server whose log shows every
// command: what is fetched, what is deleted, and that a password never goes out in clear text.
class Pop3RecordTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_mailbox;

    QString input() const { return m_mailbox->filePath(QStringLiteral("input")); }
    QString recordFile() const { return m_mailbox->filePath(QStringLiteral("ReceivedIds.txt")); }
    QStringList inputFiles() const { return QDir(input()).entryList(QDir::Files); }

    LibraryResult receive(const BadPop3Server& server, const QString& command, bool allowPlainLogin = true)
    {
        ReceiveOptions options;
        options.security.allowPlainLogin = allowPlainLogin;
        options.recordFile = recordFile();
        const LibraryResult result = RcvMail2(server.server(), QStringLiteral("taro"), QStringLiteral("secret"),
                                              command, QLatin1Char('<') + input(), [](int, int) { return 0; }, options);
        // The program files the messages, then ends the batch.
        QString error;
        finishReceivedBatch(recordFile(), &error);
        return result;
    }

    static int count(const QString& log, const QString& command) { return int(log.count(command)); }

private Q_SLOTS:
    void initTestCase() { qputenv("FUMIBAKO_NET_TIMEOUT", "5"); }
    void init()
    {
        m_mailbox = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir().mkpath(input()));
    }

    void receivedMessagesAreNotFetchedAgain()
    {
        BadPop3Server server;
        QVERIFY(server.start(QStringLiteral("plain")));
        const LibraryResult first = receive(server, QStringLiteral("SAVEALL"));
        QVERIFY2(first.isList, qPrintable(first.text));
        QCOMPARE(first.list.size(), 2);
        const LibraryResult second = receive(server, QStringLiteral("SAVEALL"));
        QVERIFY(!second.isList);
        QCOMPARE(second.text, QString());
        QCOMPARE(count(server.log(), QStringLiteral("RETR")), 2);
        QCOMPARE(inputFiles().size(), 2);
        // The server list's selective receive of a received message brings nothing either.
        const LibraryResult one = receive(server, QStringLiteral("SAVE 2"));
        QVERIFY(!one.isList);
        QCOMPARE(count(server.log(), QStringLiteral("RETR")), 2);
    }

    void countAsksOnlyAboutNewMessages()
    {
        BadPop3Server server;
        QVERIFY(server.start(QStringLiteral("plain")));
        QVERIFY(receive(server, QStringLiteral("SAVE 1")).isList);
        const LibraryResult stat = receive(server, QStringLiteral("STAT"));
        QVERIFY2(stat.isList, qPrintable(stat.text));
        // Message 2 of bad_pop3.py: its headers and 200 lines.
        QCOMPARE(stat.list, QStringList{QStringLiteral("1 3869")});
    }

    void receiveAndDeleteAlsoDeletesKeptMessages()
    {
        BadPop3Server server;
        QVERIFY(server.start(QStringLiteral("plain")));
        QVERIFY(receive(server, QStringLiteral("SAVE 1")).isList);
        const LibraryResult result = receive(server, QStringLiteral("SAVEALLD"));
        QVERIFY2(result.isList, qPrintable(result.text));
        QCOMPARE(result.list.size(), 1); // only message 2 was new
        const QString log = server.log();
        QCOMPARE(count(log, QStringLiteral("RETR")), 2);
        QVERIFY2(log.contains(QStringLiteral("COMMIT uid-1")) && log.contains(QStringLiteral("COMMIT uid-2")), qPrintable(log));
        // The ids of the deleted messages leave the record at the next receive.
        QCOMPARE(receive(server, QStringLiteral("SAVEALL")).text, QString());
        ReceivedIdRecord record;
        QString error;
        QVERIFY(record.load(recordFile(), &error));
        QCOMPARE(record.size(), 0);
    }

    void serverWithoutUniqueIdsFetchesEverythingAsBefore()
    {
        BadPop3Server server;
        QVERIFY(server.start(QStringLiteral("no-uidl")));
        QCOMPARE(receive(server, QStringLiteral("SAVEALL")).list.size(), 2);
        QCOMPARE(receive(server, QStringLiteral("SAVEALL")).list.size(), 2);
        QCOMPARE(inputFiles().size(), 4);
    }

    void noPasswordInClearText_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("count") << QStringLiteral("STAT");
        QTest::newRow("receive") << QStringLiteral("SAVEALL");
        QTest::newRow("list") << QStringLiteral("LIST");
    }
    void noPasswordInClearText()
    {
        QFETCH(QString, command);
        BadPop3Server server;
        QVERIFY(server.start(QStringLiteral("plain")));
        const LibraryResult result = receive(server, command, false);
        QVERIFY(!result.isList);
        const QString where = QStringLiteral("「127.0.0.1:%1」").arg(server.port());
        QVERIFY2(result.text.contains(where) && result.text.contains(QStringLiteral("パスワードを送らずに中止しました")),
                 qPrintable(result.text));
        const QString log = server.log();
        QVERIFY2(!log.contains(QStringLiteral("USER")) && !log.contains(QStringLiteral("PASS"))
                     && !log.contains(QStringLiteral("secret")),
                 qPrintable(log));
    }
};

QTEST_GUILESS_MAIN(Pop3RecordTest)
#include "test_pop3_record.moc"
