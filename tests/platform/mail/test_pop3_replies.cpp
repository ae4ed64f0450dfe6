#include "platform/mail/Pop3Replies.h"

#include <QtTest>

using namespace fumibako::platform::mail;

/** The POP3 reply readers on bytes as servers send them, cut at every place a read may end. */
class Pop3RepliesTest : public QObject {
    Q_OBJECT

private:
    // Decodes @p wire handed over in pieces of @p piece bytes: the body and what was left over.
    static std::pair<QByteArray, QByteArray> decode(const QByteArray& wire, qsizetype piece, bool* finished)
    {
        pop3::MultiLineDecoder decoder;
        QByteArray body;
        const auto sink = [&body](const char* data, qsizetype size) {
            body.append(data, size);
            return true;
        };
        qsizetype at = 0;
        while (at < wire.size() && !decoder.finished()) {
            const qsizetype size = std::min(piece, wire.size() - at);
            const qsizetype used = decoder.feed(wire.constData() + at, size, sink);
            at += used;
            if (used < size && !decoder.finished())
                return {"feed stopped early", {}};
        }
        *finished = decoder.finished();
        return {body, wire.mid(at)};
    }

private Q_SLOTS:
    void multiLineBody_data()
    {
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("finished");
        QTest::newRow("empty body") << QByteArray(".\r\nnext") << QByteArray() << true;
        QTest::newRow("lines") << QByteArray("a\r\nb\r\n.\r\n") << QByteArray("a\r\nb\r\n") << true;
        QTest::newRow("doubled dots") << QByteArray("..\r\n...x\r\n.\r\n") << QByteArray(".\r\n..x\r\n") << true;
        QTest::newRow("a stuffed lone dot is no end") << QByteArray("a\r\n..\r\nb\r\n.\r\n")
                                                      << QByteArray("a\r\n.\r\nb\r\n") << true;
        QTest::newRow("dot inside a line") << QByteArray("a.b\r\n .\r\n.\r\n") << QByteArray("a.b\r\n .\r\n") << true;
        QTest::newRow("dot then CR without LF") << QByteArray(".\rx\r\n.\r\n") << QByteArray("\rx\r\n") << true;
        QTest::newRow("bare LF does not start a line") << QByteArray("a\n.\nb\r\n.\r\n") << QByteArray("a\n.\nb\r\n")
                                                       << true;
        QTest::newRow("unstuffed dot line is dropped dot") << QByteArray(".x\r\n.\r\n") << QByteArray("x\r\n") << true;
        QTest::newRow("cut short") << QByteArray("a\r\nb") << QByteArray("a\r\nb") << false;
        QTest::newRow("next reply stays") << QByteArray("x\r\n.\r\n+OK 2\r\n") << QByteArray("x\r\n") << true;
    }
    void multiLineBody()
    {
        QFETCH(QByteArray, wire);
        QFETCH(QByteArray, body);
        QFETCH(bool, finished);
        for (qsizetype piece : {qsizetype(1), qsizetype(2), qsizetype(3), qsizetype(7), wire.size()}) {
            bool done = false;
            const auto [decoded, rest] = decode(wire, piece, &done);
            QCOMPARE(decoded, body);
            QCOMPARE(done, finished);
            if (finished)
                QCOMPARE(rest, wire.mid(wire.indexOf("\r\n.\r\n") < 0 ? 3 : wire.indexOf("\r\n.\r\n") + 5));
        }
    }

    void sinkFailureStops()
    {
        pop3::MultiLineDecoder decoder;
        const QByteArray wire = "a\r\nb\r\n.\r\n";
        QCOMPARE(decoder.feed(wire.constData(), wire.size(), [](const char*, qsizetype) { return false; }), -1);
        QVERIFY(!decoder.finished());
    }

    void statusLine_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("parsed");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("ok") << QByteArray("+OK 2 320\r\n") << true << true << QByteArray("2 320");
        QTest::newRow("bare ok") << QByteArray("+OK\r\n") << true << true << QByteArray();
        QTest::newRow("error") << QByteArray("-ERR no such message\r\n") << true << false << QByteArray("no such message");
        QTest::newRow("LF only") << QByteArray("-ERR x\n") << true << false << QByteArray("x");
        QTest::newRow("not a status") << QByteArray("what?\r\n") << false << false << QByteArray();
        QTest::newRow("glued word") << QByteArray("+OKAY\r\n") << false << false << QByteArray();
        QTest::newRow("empty") << QByteArray() << false << false << QByteArray();
    }
    void statusLine()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, parsed);
        const std::optional<pop3::Status> status = pop3::parseStatus(line);
        QCOMPARE(status.has_value(), parsed);
        if (status) {
            QTEST(status->ok, "ok");
            QTEST(status->text, "text");
        }
    }

    void listings()
    {
        const QHash<int, QByteArray> ids = pop3::parseUidlListing("1 abc\r\n2\tdef\r\nx y\r\n0 zero\r\n3\r\n4 g h\r\n");
        QCOMPARE(ids, (QHash<int, QByteArray>{{1, "abc"}, {2, "def"}, {4, "g"}}));
        const QHash<int, qint64> sizes = pop3::parseSizeListing("1 120\r\n2 -5\r\n3 9999999999\r\nbad\r\n4 x\r\n");
        QCOMPARE(sizes, (QHash<int, qint64>{{1, 120}, {3, 9999999999LL}}));
        QCOMPARE(pop3::parseStat("3 3124")->count, 3);
        QCOMPARE(pop3::parseStat("3 3124 extra")->bytes, 3124);
        QVERIFY(!pop3::parseStat("-1 20"));
        QVERIFY(!pop3::parseStat("3"));
        QVERIFY(pop3::offersCapability("TOP\r\nUIDL\r\npipelining\r\n", "PIPELINING"));
        QVERIFY(!pop3::offersCapability("TOP\r\nXPIPELINING\r\n", "PIPELINING"));
    }
};

QTEST_GUILESS_MAIN(Pop3RepliesTest)
#include "test_pop3_replies.moc"
