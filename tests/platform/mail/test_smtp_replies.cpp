#include "platform/mail/SmtpReplies.h"

#include <QtTest>

using namespace fumibako::platform::mail;

/** The SMTP reply reader and the DATA form of a message, on bytes cut at every place. */
class SmtpRepliesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void replies_data()
    {
        QTest::addColumn<QByteArrayList>("lines");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("complete");
        QTest::newRow("one line") << QByteArrayList{"250 2.0.0 Ok\r\n"} << 250 << true;
        QTest::newRow("bare code") << QByteArrayList{"354\r\n"} << 354 << true;
        QTest::newRow("several lines") << QByteArrayList{"250-smtp.test\r\n", "250-PIPELINING\r\n", "250 SIZE 1000\r\n"}
                                       << 250 << true;
        QTest::newRow("not yet complete") << QByteArrayList{"550-first\r\n"} << 550 << false;
        QTest::newRow("codes differ") << QByteArrayList{"250-a\r\n", "550 b\r\n"} << 0 << false;
        QTest::newRow("no code") << QByteArrayList{"hello\r\n"} << 0 << false;
        QTest::newRow("code out of range") << QByteArrayList{"999 what\r\n"} << 0 << false;
        QTest::newRow("glued text") << QByteArrayList{"250Ok\r\n"} << 0 << false;
    }
    void replies()
    {
        QFETCH(QByteArrayList, lines);
        QFETCH(int, code);
        QFETCH(bool, complete);
        smtp::ReplyAssembler assembler;
        smtp::ReplyAssembler::State state = smtp::ReplyAssembler::State::NeedMore;
        for (const QByteArray& line : lines)
            state = assembler.add(line);
        QCOMPARE(state == smtp::ReplyAssembler::State::Complete, complete);
        if (code == 0)
            QCOMPARE(state, smtp::ReplyAssembler::State::Malformed);
        if (complete) {
            const smtp::Reply reply = assembler.take();
            QCOMPARE(reply.code, code);
            QCOMPARE(reply.lines.size(), lines.size());
            QVERIFY(!reply.lines.last().endsWith('\n'));
        }
    }

    void dotStuffing_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("no dots") << QByteArray("a\r\nb\r\n") << QByteArray("a\r\nb\r\n.\r\n");
        QTest::newRow("leading dot") << QByteArray(".a\r\n") << QByteArray("..a\r\n.\r\n");
        QTest::newRow("lone dot") << QByteArray("a\r\n.\r\nb\r\n") << QByteArray("a\r\n..\r\nb\r\n.\r\n");
        QTest::newRow("dots inside") << QByteArray("a.b\r\n ..\r\n") << QByteArray("a.b\r\n ..\r\n.\r\n");
        QTest::newRow("no final line end") << QByteArray("a\r\n.b") << QByteArray("a\r\n..b\r\n.\r\n");
        QTest::newRow("bare LF starts no line") << QByteArray("a\n.b\r\n") << QByteArray("a\n.b\r\n.\r\n");
        QTest::newRow("empty") << QByteArray() << QByteArray(".\r\n");
    }
    void dotStuffing()
    {
        QFETCH(QByteArray, message);
        QFETCH(QByteArray, sent);
        for (qsizetype piece : {qsizetype(1), qsizetype(2), qsizetype(5), std::max<qsizetype>(1, message.size())}) {
            smtp::DotStuffer stuffer;
            QByteArray out;
            for (qsizetype at = 0; at < message.size(); at += piece)
                out += stuffer.stuff(QByteArrayView(message).sliced(at, std::min(piece, message.size() - at)));
            QCOMPARE(out + stuffer.end(), sent);
        }
    }
};

QTEST_GUILESS_MAIN(SmtpRepliesTest)
#include "test_smtp_replies.moc"
