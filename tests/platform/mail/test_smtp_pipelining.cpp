#include "MailServers.h"
#include "platform/mail/SmtpTransport.h"

#include <QtTest>

using namespace fumibako::platform::mail;
using fumibako::test::ScriptedSmtpServer;

namespace {

// Lines that start with a dot and a lone dot: what arrives must be the same bytes.
ComposedMessage message(const QList<QByteArray>& recipients, const QByteArray& tag = "1")
{
    ComposedMessage composed;
    composed.envelopeFrom = "yamada@example.jp";
    composed.envelopeRecipients = recipients;
    composed.data = "From: yamada@example.jp\r\nSubject: test " + tag + "\r\n\r\n.starts with a dot\r\n.\r\nend\r\n";
    return composed;
}

// The groups of commands the server read after EHLO (of every connection), "|" between the lines
// of a group; %1 in @p expected stands for the message's size.
QStringList groupsAfterEhlo(const QString& log)
{
    QStringList result;
    bool greeted = false;
    for (const QString& group : log.split(QStringLiteral("--\n"), Qt::SkipEmptyParts)) {
        const QString lines = group.trimmed().replace(QLatin1Char('\n'), QLatin1Char('|'));
        const bool ehlo = lines.startsWith(QLatin1String("EHLO "));
        if (greeted && !ehlo)
            result.append(lines);
        greeted = greeted || ehlo;
    }
    return result;
}

QStringList withSize(QStringList groups, qint64 size)
{
    for (QString& group : groups)
        group.replace(QLatin1String("%1"), QString::number(size));
    return groups;
}

const QList<QByteArray> OneRecipient = {"sato@example.com"};
const QList<QByteArray> TwoRecipients = {"sato@example.com", "ito@example.com"};
const QList<QByteArray> Ito = {"ito@example.com"};

} // namespace

/**
 * What the SMTP client sends, byte for byte and in which groups, against scripted_smtp.py with
 * and without PIPELINING and CHUNKING; refused recipients fail the whole message and leave the
 * login usable for the next.
 */
class SmtpPipeliningTest : public QObject {
    Q_OBJECT

private:
    static QStringList options(bool pipelining, bool chunking, const QStringList& more = {})
    {
        QStringList result = {QStringLiteral("--hold-ms"), QStringLiteral("60")};
        if (pipelining)
            result.append(QStringLiteral("--pipelining"));
        if (chunking)
            result.append(QStringLiteral("--chunking"));
        return result + more;
    }

private Q_SLOTS:
    void initTestCase() { qputenv("FUMIBAKO_NET_TIMEOUT", "5"); }

    void commandGroups_data()
    {
        QTest::addColumn<bool>("pipelining");
        QTest::addColumn<bool>("chunking");
        QTest::addColumn<QList<QByteArray>>("recipients");
        QTest::addColumn<QStringList>("groups");
        const QString mail = QStringLiteral("MAIL FROM:<yamada@example.jp> SIZE=%1");
        const QString sato = QStringLiteral("RCPT TO:<sato@example.com>");
        const QString ito = QStringLiteral("RCPT TO:<ito@example.com>");
        QTest::newRow("pipelined, one recipient")
            << true << false << OneRecipient << QStringList{mail + '|' + sato + "|DATA", "<message %1 bytes>", "QUIT"};
        QTest::newRow("pipelined, two recipients")
            << true << false << TwoRecipients
            << QStringList{mail + '|' + sato + '|' + ito, "DATA", "<message %1 bytes>", "QUIT"};
        QTest::newRow("chunks, one recipient")
            << true << true << OneRecipient << QStringList{mail + '|' + sato + "|BDAT %1 LAST|<chunk %1 bytes>", "QUIT"};
        QTest::newRow("chunks, two recipients")
            << true << true << TwoRecipients
            << QStringList{mail + '|' + sato + '|' + ito + "|BDAT %1|<chunk %1 bytes>", "BDAT 0 LAST|<chunk 0 bytes>", "QUIT"};
        QTest::newRow("one at a time")
            << false << false << TwoRecipients
            << QStringList{mail, sato, ito, "DATA", "<message %1 bytes>", "QUIT"};
        QTest::newRow("one at a time, chunks")
            << false << true << OneRecipient << QStringList{mail, sato, "BDAT %1 LAST|<chunk %1 bytes>", "QUIT"};
    }
    void commandGroups()
    {
        QFETCH(bool, pipelining);
        QFETCH(bool, chunking);
        QFETCH(QList<QByteArray>, recipients);
        QFETCH(QStringList, groups);
        ScriptedSmtpServer server;
        QVERIFY(server.start(options(pipelining, chunking)));
        const ComposedMessage sent = message(recipients);
        QCOMPARE(sendMessage(server.server(), sent, {}), QString());
        QCOMPARE(groupsAfterEhlo(server.log()), withSize(groups, sent.size()));
        QCOMPARE(server.received(), QList<QByteArray>{sent.data});
    }

    // A walk's messages share one login; each after the first starts with RSET, free when pipelined.
    void oneLoginForAWalk_data()
    {
        QTest::addColumn<bool>("chunking");
        QTest::newRow("DATA") << false;
        QTest::newRow("BDAT") << true;
    }
    void oneLoginForAWalk()
    {
        QFETCH(bool, chunking);
        ScriptedSmtpServer server;
        QVERIFY(server.start(options(true, chunking)));
        QList<QByteArray> sent;
        {
            SmtpConnectionReuse walk;
            for (const QByteArray tag : {"1", "2", "3"}) {
                const ComposedMessage next = message(OneRecipient, tag);
                QCOMPARE(sendMessage(server.server(), next, {}), QString());
                sent.append(next.data);
            }
        }
        QCOMPARE(server.received(), sent);
        const QString log = server.log();
        QCOMPARE(log.count(QStringLiteral("EHLO ")), 1);
        const QStringList groups = groupsAfterEhlo(log);
        QVERIFY2(groups.value(chunking ? 1 : 2).startsWith(QLatin1String("RSET|MAIL FROM:")), qPrintable(groups.join('\n')));
        QCOMPARE(groups.last(), QStringLiteral("QUIT"));
    }

    // A walk that knows its next message has that message's envelope ride with the end of the one
    // before, where DATA would make it wait for 354: one round trip a message. A next message
    // other than the one announced, or none, abandons those commands; nothing goes twice.
    void nextEnvelopeGoesAhead_data()
    {
        QTest::addColumn<bool>("chunking");
        QTest::addColumn<QList<QList<QByteArray>>>("sends");     // the recipients of each message
        QTest::addColumn<QList<QList<QByteArray>>>("announced"); // the next recipients told with each
        QTest::addColumn<QStringList>("groups");
        QTest::addColumn<int>("logins");
        const QString first = QStringLiteral("MAIL FROM:<yamada@example.jp> SIZE=%1|RCPT TO:<sato@example.com>|DATA");
        const QString end = QStringLiteral("<message %1 bytes>");
        const QString ahead = end + QStringLiteral("|MAIL FROM:<yamada@example.jp>|RCPT TO:<sato@example.com>");
        const QList<QByteArray> none;
        using Lists = QList<QList<QByteArray>>;
        QTest::newRow("each next announced")
            << false << Lists{OneRecipient, OneRecipient, OneRecipient} << Lists{OneRecipient, OneRecipient, none}
            << QStringList{first, ahead + "|DATA", ahead + "|DATA", end, "QUIT"} << 1;
        QTest::newRow("the next has two recipients")
            << false << Lists{OneRecipient, TwoRecipients} << Lists{TwoRecipients, none}
            << QStringList{first, ahead + "|RCPT TO:<ito@example.com>", "DATA", end, "QUIT"} << 1;
        QTest::newRow("another message than announced")
            << false << Lists{OneRecipient, Ito} << Lists{OneRecipient, none}
            << QStringList{first, ahead + "|DATA",
                           "MAIL FROM:<yamada@example.jp> SIZE=%1|RCPT TO:<ito@example.com>|DATA", end, "QUIT"}
            << 2;
        QTest::newRow("announced, but the walk ends") << false << Lists{OneRecipient} << Lists{OneRecipient}
                                                      << QStringList{first, ahead + "|DATA"} << 1;
        QTest::newRow("announced with two recipients, but the walk ends")
            << false << Lists{OneRecipient} << Lists{TwoRecipients}
            << QStringList{first, ahead + "|RCPT TO:<ito@example.com>", "QUIT"} << 1;
        QTest::newRow("chunks need nothing ahead")
            << true << Lists{OneRecipient, OneRecipient} << Lists{OneRecipient, none}
            << QStringList{"MAIL FROM:<yamada@example.jp> SIZE=%1|RCPT TO:<sato@example.com>|BDAT %1 LAST|<chunk %1 bytes>",
                           "RSET|MAIL FROM:<yamada@example.jp> SIZE=%1|RCPT TO:<sato@example.com>|BDAT %1 LAST|<chunk %1 bytes>",
                           "QUIT"}
            << 1;
    }
    void nextEnvelopeGoesAhead()
    {
        QFETCH(bool, chunking);
        QFETCH(QList<QList<QByteArray>>, sends);
        QFETCH(QList<QList<QByteArray>>, announced);
        QFETCH(QStringList, groups);
        QFETCH(int, logins);
        ScriptedSmtpServer server;
        QVERIFY(server.start(options(true, chunking)));
        QList<QByteArray> sent;
        qint64 size = 0;
        {
            SmtpConnectionReuse walk;
            for (qsizetype i = 0; i < sends.size(); ++i) {
                const ComposedMessage one = message(sends[i], QByteArray::number(i + 1));
                std::optional<SmtpEnvelope> next;
                if (!announced[i].isEmpty())
                    next = SmtpEnvelope{"yamada@example.jp", announced[i]};
                QCOMPARE(sendMessage(server.server(), one, {}, nullptr, next), QString());
                sent.append(one.data);
                size = one.size();
            }
        }
        QCOMPARE(server.received(), sent);
        QCOMPARE(server.log().count(QStringLiteral("EHLO ")), logins);
        QCOMPARE(groupsAfterEhlo(server.log()), withSize(groups, size));
    }

    // Without a walk that keeps the connection, nothing is announced: the login ends with QUIT.
    void nothingGoesAheadOfAConnectionThatEnds()
    {
        ScriptedSmtpServer server;
        QVERIFY(server.start(options(true, false)));
        const ComposedMessage one = message(OneRecipient);
        QCOMPARE(sendMessage(server.server(), one, {}, nullptr, SmtpEnvelope{"yamada@example.jp", OneRecipient}),
                 QString());
        QCOMPARE(groupsAfterEhlo(server.log()),
                 withSize({"MAIL FROM:<yamada@example.jp> SIZE=%1|RCPT TO:<sato@example.com>|DATA", "<message %1 bytes>", "QUIT"},
                          one.size()));
    }

    // One refused recipient fails the message for all of them; the next message goes over the
    // same login, after RSET.
    void refusedRecipientSendsToNobody_data()
    {
        QTest::addColumn<bool>("pipelining");
        QTest::addColumn<bool>("chunking");
        QTest::addColumn<QList<QByteArray>>("recipients");
        QTest::addColumn<QString>("sentBeforeTheNext");
        const QList<QByteArray> oneRefused = {"sato@example.com", "reject-me@example.jp"};
        QTest::newRow("pipelined") << true << false << oneRefused
                                   << "MAIL FROM:<yamada@example.jp> SIZE=%1|RCPT TO:<sato@example.com>|"
                                      "RCPT TO:<reject-me@example.jp>";
        QTest::newRow("pipelined, the only recipient") << true << false << QList<QByteArray>{"reject-me@example.jp"}
                                                       << "MAIL FROM:<yamada@example.jp> SIZE=%1|"
                                                          "RCPT TO:<reject-me@example.jp>|DATA";
        QTest::newRow("chunks") << true << true << oneRefused
                                << "MAIL FROM:<yamada@example.jp> SIZE=%1|RCPT TO:<sato@example.com>|"
                                   "RCPT TO:<reject-me@example.jp>|BDAT %1|<chunk %1 bytes>";
        QTest::newRow("one at a time") << false << false << oneRefused << "RCPT TO:<reject-me@example.jp>";
    }
    void refusedRecipientSendsToNobody()
    {
        QFETCH(bool, pipelining);
        QFETCH(bool, chunking);
        QFETCH(QList<QByteArray>, recipients);
        QFETCH(QString, sentBeforeTheNext);
        ScriptedSmtpServer server;
        QVERIFY(server.start(options(pipelining, chunking)));
        const ComposedMessage refused = message(recipients);
        const ComposedMessage next = message(OneRecipient, "2");
        QString text;
        {
            SmtpConnectionReuse walk;
            text = sendMessage(server.server(), refused, {});
            QCOMPARE(sendMessage(server.server(), next, {}), QString());
        }
        QVERIFY2(text.startsWith(QStringLiteral("SMTP error 550 5.1.1 <reject-me@example.jp>")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("(RCPT TO:<reject-me@example.jp>)")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("どのあて先にも送信していません")));
        QCOMPARE(server.received(), QList<QByteArray>{next.data});
        const QString log = server.log();
        QCOMPARE(log.count(QStringLiteral("EHLO ")), 1);
        const QStringList groups = groupsAfterEhlo(log);
        const qsizetype at = groups.indexOf(withSize({sentBeforeTheNext}, refused.size()).value(0));
        QVERIFY2(at >= 0, qPrintable(groups.join('\n')));
        QVERIFY2(groups.value(at + 1).startsWith(QLatin1String("RSET")), qPrintable(groups.join('\n')));
    }

    void refusedSenderIsTold()
    {
        ScriptedSmtpServer server;
        QVERIFY(server.start(options(true, false, {QStringLiteral("--refuse-mail")})));
        const QString text = sendMessage(server.server(), message(OneRecipient), {});
        QVERIFY2(text.startsWith(QStringLiteral("SMTP error 553 5.7.1 Sender address rejected")), qPrintable(text));
        QVERIFY(server.received().isEmpty());
    }
};

QTEST_GUILESS_MAIN(SmtpPipeliningTest)
#include "test_smtp_pipelining.moc"
