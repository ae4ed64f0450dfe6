#include "MailServers.h"
#include "platform/mail/MailLibrary.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace fumibako::platform::mail;
using fumibako::test::MailServers;

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray bigMessage(int megabytes)
{
    QByteArray message = "From: big@example.jp\r\nSubject: big\r\n\r\n";
    const QByteArray line = QByteArray(74, 'b') + "\r\n";
    while (message.size() < megabytes * 1024 * 1024)
        message += line;
    return message;
}

} // namespace

class Pop3ReceiveTest : public QObject {
    Q_OBJECT

private:
    MailServers m_servers;
    QList<QByteArray> m_seeds;
    std::unique_ptr<QTemporaryDir> m_inbox;

    QString plain() const { return QStringLiteral("127.0.0.1\t%1").arg(m_servers.pop3Port()); }
    QString implicitTls() const { return QStringLiteral("pop3s://127.0.0.1\t%1").arg(m_servers.pop3sPort()); }
    QString folder() const { return m_inbox->path() + QLatin1Char('/'); }
    QStringList inboxFiles() const { return QDir(m_inbox->path()).entryList(QDir::Files | QDir::Hidden); }

    LibraryResult receive(const QString& command, const ProgressCallback& progress = {},
                          const QString& password = QStringLiteral("secret"))
    {
        return RcvMail2(plain(), QStringLiteral("taro"), password, command, QLatin1Char('<') + folder(), progress);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        if (!m_servers.start(MailServers::Pop3, &error))
            QSKIP(qPrintable(error));
        m_servers.useInThisProcess(2);
        m_seeds = MailServers::seedMessages();
        QVERIFY(!m_seeds.contains(QByteArray()));
    }

    void init()
    {
        QVERIFY(m_servers.seedMailbox(QStringLiteral("taro"), m_seeds));
        m_inbox = std::make_unique<QTemporaryDir>();
    }

    void cleanupTestCase() { m_servers.stop(); }

    void statCountsMessagesAndBytes()
    {
        const qsizetype total = m_seeds[0].size() + m_seeds[1].size() + m_seeds[2].size();
        const LibraryResult result = receive(QStringLiteral("STAT"));
        QVERIFY(result.isList);
        QCOMPARE(result.list, QStringList{QStringLiteral("3 %1").arg(total)});
    }

    void emptyMailbox_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("isList");
        QTest::addColumn<QString>("expected");
        QTest::newRow("STAT") << "STAT" << true << "0 0";
        QTest::newRow("LIST") << "LIST" << false << "No Message+OK 0 0";
        QTest::newRow("DELE") << "DELE 1" << false << "No Message+OK 0 0";
        QTest::newRow("SAVEALL") << "SAVEALL" << false << "";
        QTest::newRow("SAVEALLD") << "SAVEALLD" << false << "";
    }

    void emptyMailbox()
    {
        QFETCH(QString, command);
        QFETCH(bool, isList);
        QFETCH(QString, expected);
        QVERIFY(m_servers.seedMailbox(QStringLiteral("taro"), {}));
        const LibraryResult result = receive(command);
        QCOMPARE(result.isList, isList);
        QCOMPARE(isList ? result.list.value(0) : result.text, expected);
        QVERIFY(inboxFiles().isEmpty());
    }

    void listGivesTheFieldsTheServerListCuts()
    {
        const QByteArray ascii = "From: Taro <taro@example.jp>\r\nSubject: Hello\tthere\r\n\tfolded\r\n"
                                 "Date: Sat, 4 May 2024 08:00:00 +0000\r\n\r\nbody\r\n";
        QVERIFY(m_servers.seedMailbox(QStringLiteral("taro"), {ascii, m_seeds[1]}));
        const LibraryResult result = receive(QStringLiteral("LIST"));
        QVERIFY2(result.isList, qPrintable(result.text));
        QCOMPARE(result.list.size(), 2);
        const QString date = QDateTime(QDate(2024, 5, 4), QTime(8, 0), QTimeZone::utc())
                                 .toLocalTime()
                                 .toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
        QCOMPARE(result.list[0], QStringLiteral("Subject: Hello there folded\tFrom: Taro <taro@example.jp> \tDate: ") + date);
        QVERIFY(result.list[1].startsWith(QStringLiteral("Subject: 添付ファイル3点\tFrom: 鈴木 次郎 <suzuki@example.jp> \t")));
        QVERIFY(m_servers.mailbox(QStringLiteral("taro")).size() == 2); // TOP leaves the messages alone
    }

    void saveAllKeepsExactBytesAndLeavesTheServerAlone()
    {
        QList<QPair<int, int>> reports;
        const LibraryResult result = receive(QStringLiteral("SAVEALL"), [&](int n, int bytes) {
            reports.append({n, bytes});
            return 0;
        });
        QVERIFY2(result.isList, qPrintable(result.text));
        QCOMPARE(result.list.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(fileBytes(result.list[i]), m_seeds[i]);
            QVERIFY(reports.contains(qMakePair(i + 1, int(m_seeds[i].size()))));
            QVERIFY(result.list[i].startsWith(m_inbox->path()));
        }
        QCOMPARE(inboxFiles().size(), 3);
        QCOMPARE(m_servers.mailbox(QStringLiteral("taro")).size(), 3);
    }

    void savingNeverOverwritesEarlierFiles()
    {
        const LibraryResult first = receive(QStringLiteral("SAVE 1"));
        const LibraryResult second = receive(QStringLiteral("SAVE 1"));
        QVERIFY(first.isList && second.isList);
        QVERIFY(first.list[0] != second.list[0]);
        QCOMPARE(fileBytes(first.list[0]), m_seeds[0]);
        QCOMPARE(fileBytes(second.list[0]), m_seeds[0]);
    }

    void saveAllDeleteEmptiesTheServer()
    {
        const LibraryResult result = receive(QStringLiteral("SAVEALLD"), [](int, int) { return 0; });
        QVERIFY2(result.isList, qPrintable(result.text));
        QCOMPARE(result.list.size(), 3);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(fileBytes(result.list[i]), m_seeds[i]);
        QVERIFY(m_servers.mailbox(QStringLiteral("taro")).isEmpty());
    }

    void singleCommands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QList<int>>("saved");     // seed numbers saved, in order
        QTest::addColumn<QList<int>>("remaining"); // seed numbers left on the server
        QTest::addColumn<QString>("text");         // expected text when no list comes back
        const QString invalid = QStringLiteral("POP3 error -ERR Invalid message number.");
        QTest::newRow("SAVE n") << "SAVE 2" << QList<int>{2} << QList<int>{1, 2, 3} << "";
        QTest::newRow("SAVE range") << "SAVE 2-3" << QList<int>{2, 3} << QList<int>{1, 2, 3} << "";
        QTest::newRow("SAVE range past the end") << "SAVE 2-9" << QList<int>{2, 3} << QList<int>{1, 2, 3} << "";
        QTest::newRow("SAVE beyond") << "SAVE 4" << QList<int>{} << QList<int>{1, 2, 3} << invalid;
        QTest::newRow("SAVE zero") << "SAVE 0" << QList<int>{} << QList<int>{1, 2, 3} << invalid;
        QTest::newRow("SAVD n") << "SAVD 3" << QList<int>{3} << QList<int>{1, 2} << "";
        QTest::newRow("SAVD range") << "SAVD 1-2" << QList<int>{1, 2} << QList<int>{3} << "";
        QTest::newRow("SAVD beyond") << "SAVD 7-8" << QList<int>{} << QList<int>{1, 2, 3} << invalid;
        QTest::newRow("DELE n") << "DELE 2" << QList<int>{} << QList<int>{1, 3} << "+OK 1 message(s) deleted";
        QTest::newRow("DELE range") << "DELE 1-3" << QList<int>{} << QList<int>{} << "+OK 3 message(s) deleted";
        QTest::newRow("DELE beyond") << "DELE 5" << QList<int>{} << QList<int>{1, 2, 3} << invalid;
        QTest::newRow("unknown command") << "RETR 1" << QList<int>{} << QList<int>{1, 2, 3} << "Unknown command: RETR 1";
    }

    void singleCommands()
    {
        QFETCH(QString, command);
        QFETCH(QList<int>, saved);
        QFETCH(QList<int>, remaining);
        QFETCH(QString, text);
        const LibraryResult result = receive(command, [](int, int) { return 0; });
        QCOMPARE(result.isList, !saved.isEmpty());
        if (!result.isList)
            QCOMPARE(result.text, text);
        QCOMPARE(result.list.size(), saved.size());
        for (qsizetype i = 0; i < saved.size(); ++i)
            QCOMPARE(fileBytes(result.list[i]), m_seeds[saved[i] - 1]);
        QList<QByteArray> expectedLeft;
        for (int n : remaining)
            expectedLeft.append(m_seeds[n - 1]);
        QCOMPARE(m_servers.mailbox(QStringLiteral("taro")), expectedLeft);
        QCOMPARE(inboxFiles().size(), saved.size());
    }

    void stopDuringTransferKeepsWhatIsComplete_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("SAVEALL") << "SAVEALL";
        QTest::newRow("SAVEALLD") << "SAVEALLD";
    }

    void stopDuringTransferKeepsWhatIsComplete()
    {
        QFETCH(QString, command);
        const QByteArray big = bigMessage(4);
        QVERIFY(m_servers.seedMailbox(QStringLiteral("taro"), {m_seeds[0], m_seeds[1], big}));
        // Stop in the middle of message 3.
        const LibraryResult result = receive(command, [](int n, int bytes) { return n == 3 && bytes > 0 ? 1 : 0; });
        QVERIFY2(result.isList, qPrintable(result.text));
        QCOMPARE(result.list.size(), 2);
        QCOMPARE(fileBytes(result.list[0]), m_seeds[0]);
        QCOMPARE(fileBytes(result.list[1]), m_seeds[1]);
        QCOMPARE(inboxFiles().size(), 2); // no partial or temporary file left behind
        const QList<QByteArray> left = m_servers.mailbox(QStringLiteral("taro"));
        if (command == QLatin1String("SAVEALLD"))
            QCOMPARE(left, QList<QByteArray>{big}); // the saved ones are gone, the unsaved one stays
        else
            QCOMPARE(left.size(), 3);
    }

    void loginAndTls_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("useImplicitTls");
        QTest::addColumn<QString>("loginLogHas");
        QTest::newRow("STLS upgrade") << "secret" << false << "TLS";
        QTest::newRow("implicit TLS") << "secret" << true << "TLS";
        QTest::newRow("APOP") << "a secret" << false << "method=APOP";
    }

    void loginAndTls()
    {
        QFETCH(QString, password);
        QFETCH(bool, useImplicitTls);
        QFETCH(QString, loginLogHas);
        const QString server = useImplicitTls ? implicitTls() : plain();
        const qsizetype loginsBefore = m_servers.pop3Log().count(QStringLiteral("Login: "));
        const LibraryResult result = RcvMail2(server, QStringLiteral("taro"), password, QStringLiteral("STAT"),
                                              QLatin1Char('<') + folder(), {});
        QVERIFY2(result.isList, qPrintable(result.text));
        QCOMPARE(result.list[0].section(QLatin1Char(' '), 0, 0), QStringLiteral("3"));
        // Dovecot's log process writes the line a moment later.
        QTRY_VERIFY(m_servers.pop3Log().count(QStringLiteral("Login: ")) > loginsBefore);
        const QStringList logins = m_servers.pop3Log().split(QLatin1Char('\n')).filter(QStringLiteral("Login: "));
        QVERIFY2(logins.last().contains(loginLogHas), qPrintable(logins.last()));
    }

    void failuresGiveTheExplainedTexts_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("textStart");
        const quint16 closedPort = fumibako::test::freePorts(1).value(0);
        QTest::newRow("wrong password") << plain() << "wrong" << "POP3 error -ERR ";
        QTest::newRow("wrong APOP password") << plain() << "a wrong" << "POP3 error -ERR ";
        QTest::newRow("nothing listening") << QStringLiteral("127.0.0.1\t%1").arg(closedPort) << "secret"
                                           << "Cant connect Server";
        QTest::newRow("unknown host") << "no-such-host.invalid" << "secret" << "Cant connect Server";
    }

    void failuresGiveTheExplainedTexts()
    {
        QFETCH(QString, server);
        QFETCH(QString, password);
        QFETCH(QString, textStart);
        const LibraryResult result = RcvMail2(server, QStringLiteral("taro"), password, QStringLiteral("SAVEALLD"),
                                              QLatin1Char('<') + folder(), {});
        QVERIFY(!result.isList);
        QVERIFY2(result.text.startsWith(textStart), qPrintable(result.text));
        QCOMPARE(m_servers.mailbox(QStringLiteral("taro")).size(), 3);
    }

    void untrustedCertificateIsRefused_data()
    {
        QTest::addColumn<bool>("useImplicitTls");
        QTest::newRow("STLS") << false;
        QTest::newRow("implicit TLS") << true;
    }

    void untrustedCertificateIsRefused()
    {
        QFETCH(bool, useImplicitTls);
        const QByteArray caFile = qgetenv("FUMIBAKO_CA_FILE");
        qunsetenv("FUMIBAKO_CA_FILE");
        const int loginsBefore = m_servers.pop3Log().count(QStringLiteral("Login: "));
        const LibraryResult result = RcvMail2(useImplicitTls ? implicitTls() : plain(), QStringLiteral("taro"),
                                              QStringLiteral("secret"), QStringLiteral("SAVEALLD"),
                                              QLatin1Char('<') + folder(), {});
        qputenv("FUMIBAKO_CA_FILE", caFile);
        QVERIFY(!result.isList);
        QVERIFY2(result.text.startsWith(QStringLiteral("TLS error (サーバー「127.0.0.1」の証明書を信頼できないため、接続を中止しました: 自己署名の証明書です")), qPrintable(result.text));
        QCOMPARE(m_servers.pop3Log().count(QStringLiteral("Login: ")), loginsBefore); // no plain-text fallback
        QCOMPARE(m_servers.mailbox(QStringLiteral("taro")).size(), 3);
    }
};

QTEST_GUILESS_MAIN(Pop3ReceiveTest)
#include "test_pop3_receive.moc"
