#include "MailServers.h"
#include "platform/mail/SmtpTransport.h"

#include <QJsonArray>
#include <QtTest>

using namespace fumibako::platform::mail;
using fumibako::test::MailServers;
using fumibako::test::ReceivedMail;

namespace {

// ISO-2022-JP header and body, a line that starts with a dot and a lone dot: DATA must arrive unchanged.
ComposedMessage sampleMessage(const QList<QByteArray>& recipients)
{
    ComposedMessage message;
    message.envelopeFrom = "yamada@example.jp";
    message.envelopeRecipients = recipients;
    message.data = "From: yamada@example.jp\r\nTo: sato@example.com\r\n"
                   "Subject: =?ISO-2022-JP?B?GyRCJEYkOSRIGyhC?=\r\nMIME-Version: 1.0\r\n"
                   "Content-Type: text/plain; charset=ISO-2022-JP\r\n\r\n"
                   "\x1b$B$3$s$K$A$O\x1b(B\r\n.starts with a dot\r\n.\r\nend\r\n";
    return message;
}

} // namespace

class SmtpTransportTest : public QObject {
    Q_OBJECT

private:
    MailServers m_servers;  // PIPELINING, as today's servers
    MailServers m_chunking; // PIPELINING and CHUNKING

    QString at(quint16 port) const { return QStringLiteral("127.0.0.1\t%1").arg(port); }

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        if (!m_servers.start(MailServers::Smtp, &error))
            QSKIP(qPrintable(error));
        m_servers.useInThisProcess(5);
        m_chunking.offerSmtpExtensions({QStringLiteral("PIPELINING"), QStringLiteral("CHUNKING")});
        QVERIFY2(m_chunking.start(MailServers::Smtp, &error), qPrintable(error));
    }

    void init() { m_servers.takeReceived(); }
    void cleanupTestCase()
    {
        m_servers.stop();
        m_chunking.stop();
    }

    // DATA and BDAT over aiosmtpd, with one recipient and two, and messages of several chunks
    // (1 MB each) and DATA pieces whose dot lines fall on the edges: the bytes arrive unchanged.
    void bothWaysKeepTheBytes_data()
    {
        QTest::addColumn<bool>("chunking");
        QTest::addColumn<int>("recipients");
        QTest::addColumn<int>("lines");
        for (const bool chunking : {false, true}) {
            const char* way = chunking ? "BDAT" : "DATA";
            QTest::addRow("%s, one recipient", way) << chunking << 1 << 10;
            QTest::addRow("%s, two recipients", way) << chunking << 2 << 10;
            QTest::addRow("%s, 2.5 MB", way) << chunking << 2 << 40000;
        }
    }
    void bothWaysKeepTheBytes()
    {
        QFETCH(bool, chunking);
        QFETCH(int, recipients);
        QFETCH(int, lines);
        ComposedMessage message = sampleMessage({"sato@example.com", "suzuki@example.com"});
        message.envelopeRecipients.resize(recipients);
        for (int i = 0; i < lines; ++i)
            message.data += (i % 3 == 0 ? ".dot line " : "line ") + QByteArray::number(i) + QByteArray(48, 'x') + "\r\n";
        MailServers& servers = chunking ? m_chunking : m_servers;
        QCOMPARE(sendMessage(at(servers.smtpPort()), message, {}), QString());
        const QList<ReceivedMail> received = servers.takeReceived();
        QCOMPARE(received.size(), 1);
        QVERIFY(received[0].data == message.data);
        QCOMPARE(received[0].envelope.value(QStringLiteral("rcpt_tos")).toArray().size(), recipients);
    }

    void sendsExactBytes_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("listener");
        QTest::addColumn<bool>("tls");
        QTest::newRow("plain") << at(m_servers.smtpPort()) << "" << "" << "plain" << false;
        QTest::newRow("login given, AUTH not offered") << at(m_servers.smtpPort()) << "taro" << "secret" << "plain"
                                                       << false;
        QTest::newRow("AUTH in clear text, allowed") << at(m_servers.smtpAuthPort()) << "taro" << "secret" << "auth"
                                                     << false;
        QTest::newRow("STARTTLS + AUTH") << at(m_servers.submissionPort()) << "hanako" << "pass word"
                                         << "submission" << true;
        QTest::newRow("implicit TLS + AUTH")
            << QStringLiteral("smtps://127.0.0.1\t%1").arg(m_servers.smtpsPort()) << "taro" << "secret" << "smtps"
            << false; // the server records TLS only for STARTTLS
    }

    void sendsExactBytes()
    {
        QFETCH(QString, server);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, listener);
        QFETCH(bool, tls);
        const ComposedMessage message = sampleMessage({"sato@example.com", "suzuki@example.com"});
        SmtpLogin login{user, password, {}};
        login.security.allowPlainLogin = listener == QLatin1String("auth");
        QCOMPARE(sendMessage(server, message, login), QString());
        const QList<ReceivedMail> received = m_servers.takeReceived();
        QCOMPARE(received.size(), 1);
        QCOMPARE(received[0].data, message.data);
        const QJsonObject envelope = received[0].envelope;
        QCOMPARE(envelope.value(QStringLiteral("listener")).toString(), listener);
        QCOMPARE(envelope.value(QStringLiteral("mail_from")).toString(), QStringLiteral("yamada@example.jp"));
        QCOMPARE(envelope.value(QStringLiteral("rcpt_tos")).toArray(),
                 QJsonArray({QStringLiteral("sato@example.com"), QStringLiteral("suzuki@example.com")}));
        QCOMPARE(envelope.value(QStringLiteral("tls")).toBool(), tls);
        const bool authenticated = listener != QLatin1String("plain");
        QCOMPARE(envelope.value(QStringLiteral("auth_user")).toString(), authenticated ? user : QString());
    }

    void sendMailComposesAndSends()
    {
        const QString text = SendMail(at(m_servers.smtpPort()), QStringLiteral("sato@example.com\tcc\tito@example.com"),
                                      QStringLiteral("\"Yamada\" <yamada@example.jp>"), QStringLiteral("件名"),
                                      QStringLiteral("本文です\r\n"), QString());
        QCOMPARE(text, QString());
        const QList<ReceivedMail> received = m_servers.takeReceived();
        QCOMPARE(received.size(), 1);
        QCOMPARE(received[0].envelope.value(QStringLiteral("mail_from")).toString(), QStringLiteral("yamada@example.jp"));
        QCOMPARE(received[0].envelope.value(QStringLiteral("rcpt_tos")).toArray().size(), 2);
        QVERIFY(received[0].data.endsWith("\r\n"));
    }

    void failuresAreReportedWithTheServerReply_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QList<QByteArray>>("recipients");
        QTest::addColumn<QStringList>("textHas");
        const quint16 closedPort = fumibako::test::freePorts(1).value(0);
        QTest::newRow("one refused recipient")
            << at(m_servers.smtpPort()) << "" << QList<QByteArray>{"ok@example.jp", "reject-me@example.jp"}
            << QStringList{"SMTP error 550", "reject-me@example.jp", "Recipient address rejected"};
        QTest::newRow("wrong password") << at(m_servers.submissionPort()) << "wrong"
                                        << QList<QByteArray>{"ok@example.jp"} << QStringList{"SMTP error 535"};
        QTest::newRow("AUTH required, no login") << at(m_servers.smtpAuthPort()) << ""
                                                 << QList<QByteArray>{"ok@example.jp"} << QStringList{"SMTP error 530"};
        QTest::newRow("nothing listening") << at(closedPort) << "" << QList<QByteArray>{"ok@example.jp"}
                                           << QStringList{"Cant connect Server"};
        QTest::newRow("no recipient") << at(m_servers.smtpPort()) << "" << QList<QByteArray>{}
                                      << QStringList{"SMTP failure: no recipient"};
    }

    void failuresAreReportedWithTheServerReply()
    {
        QFETCH(QString, server);
        QFETCH(QString, password);
        QFETCH(QList<QByteArray>, recipients);
        QFETCH(QStringList, textHas);
        const SmtpLogin login{password.isEmpty() ? QString() : QStringLiteral("taro"), password, {}};
        const QString text = sendMessage(server, sampleMessage(recipients), login);
        for (const QString& part : textHas)
            QVERIFY2(text.contains(part), qPrintable(text));
        QVERIFY(m_servers.takeReceived().isEmpty()); // nobody got the message
    }

    // A server that offers AUTH but no STARTTLS never gets the password unless the account allows it.
    void passwordNeverGoesOutInClearText()
    {
        const QString text = sendMessage(at(m_servers.smtpAuthPort()), sampleMessage({"ok@example.jp"}),
                                         {QStringLiteral("taro"), QStringLiteral("secret"), {}});
        QVERIFY2(text.contains(QStringLiteral("「127.0.0.1:%1」").arg(m_servers.smtpAuthPort()))
                     && text.contains(QStringLiteral("STARTTLS"))
                     && text.contains(QStringLiteral("パスワードを送らずに中止しました")),
                 qPrintable(text));
        QVERIFY(m_servers.takeReceived().isEmpty());
        // Required STARTTLS is refused by a server without it even with the clear-text opt-in.
        SmtpLogin startTls{QStringLiteral("taro"), QStringLiteral("secret"), {ConnectionSecurity::StartTls, true}};
        QVERIFY(sendMessage(at(m_servers.smtpAuthPort()), sampleMessage({"ok@example.jp"}), startTls)
                    .contains(QStringLiteral("パスワードを送らずに中止しました")));
        QVERIFY(m_servers.takeReceived().isEmpty());
    }

    void untrustedCertificateIsRefused_data()
    {
        QTest::addColumn<QString>("server");
        QTest::newRow("STARTTLS") << at(m_servers.submissionPort());
        QTest::newRow("implicit TLS") << QStringLiteral("smtps://127.0.0.1\t%1").arg(m_servers.smtpsPort());
    }

    void untrustedCertificateIsRefused()
    {
        QFETCH(QString, server);
        const QByteArray caFile = qgetenv("FUMIBAKO_CA_FILE");
        qunsetenv("FUMIBAKO_CA_FILE");
        const QString text = sendMessage(server, sampleMessage({"ok@example.jp"}), {QStringLiteral("taro"),
                                                                                    QStringLiteral("secret"), {}});
        qputenv("FUMIBAKO_CA_FILE", caFile);
        QVERIFY2(text.startsWith(QStringLiteral("TLS error: SSL certificate problem")), qPrintable(text));
        QVERIFY(m_servers.takeReceived().isEmpty());
    }
};

QTEST_GUILESS_MAIN(SmtpTransportTest)
#include "test_smtp_transport.moc"
