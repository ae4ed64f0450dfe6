// The junk classifier's tokens: what a field of a message becomes, and that a message gives the
// same tokens whatever charset it came in, or whatever state its file is in.
#include "filing/JunkInput.h"
#include "filing/JunkTokens.h"
#include "platform/Cp932.h"
#include "platform/mail/Charsets.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QTest>

using namespace fumibako::filing;
using fumibako::test::writeBytes;

Q_DECLARE_METATYPE(JunkInput)

namespace {

JunkInput bodyOnly(const QString& body)
{
    JunkInput input;
    input.body = body;
    return input;
}

// A message in @p charset, the sender's name and the subject in encoded words.
QByteArray messageIn(const QByteArray& charset, const QByteArray& name, const QByteArray& subject, const QByteArray& body)
{
    return "From: =?" + charset + "?B?" + name.toBase64() + "?= <yamada@example.jp>\r\n"
           "Subject: =?" + charset + "?B?" + subject.toBase64() + "?=\r\n"
           "Content-Type: text/plain; charset=" + charset + "\r\n\r\n" + body + "\r\n";
}

} // namespace

class TestJunkTokens : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tokensOfFields_data()
    {
        QTest::addColumn<JunkInput>("input");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");
        // Kanji runs give their pairs, a kanji with the kana after it a pair too, katakana words whole.
        QTest::newRow("kanji pairs and okurigana") << bodyOnly(QStringLiteral("請求書を送付いたします"))
            << QStringList{"請求", "求書", "書を", "送付", "付い", "いた", "ます"} << QStringList{"請求書", "を", "い"};
        QTest::newRow("katakana whole") << bodyOnly(QStringLiteral("アカウントが停止"))
            << QStringList{"アカウント", "停止"} << QStringList{"アカ", "トが"};
        QTest::newRow("one kanji alone") << bodyOnly(QStringLiteral("何か")) << QStringList{"何", "何か"} << QStringList{"か"};
        QTest::newRow("half-width katakana folded") << bodyOnly(QStringLiteral("ｱｶｳﾝﾄ確認"))
            << QStringList{"アカウント", "確認"} << QStringList{"ｱｶｳﾝﾄ"};
        QTest::newRow("full-width Latin folded, lower case") << bodyOnly(QStringLiteral("ＦＲＥＥ Money"))
            << QStringList{"free", "money"} << QStringList{"FREE", "Money"};
        QTest::newRow("numbers by their length") << bodyOnly(QStringLiteral("0120 12345678 5円"))
            << QStringList{"0120", "#n8", "5"} << QStringList{"12345678"};
        QTest::newRow("long words as one kind") << bodyOnly(QStringLiteral("a%1b").arg(QString(40, QLatin1Char('x'))))
            << QStringList{"#long"} << QStringList{};
        QTest::newRow("symbols") << bodyOnly(QStringLiteral("★今すぐ！¥"))
            << QStringList{"★", "!", "¥"} << QStringList{"。"};
        QTest::newRow("link hosts with their domains")
            << bodyOnly(QStringLiteral("こちら https://Login.Example-Bank.co.jp:8443/a?b=1 まで"))
            << QStringList{"u:login.example-bank.co.jp", "u:example-bank.co.jp", "u:co.jp", "u:.jp"} << QStringList{};

        JunkInput headers;
        headers.subject = QStringLiteral("【当選】おめでとう");
        headers.fromName = QStringLiteral("山田 太郎");
        headers.fromAddress = QStringLiteral("Taro@Mail.Example.JP");
        headers.relays = {QStringLiteral("from mail.example.net (mail.example.net [192.0.2.5])\r\n\tby mx.home.jp; Mon")};
        headers.mailers = {QStringLiteral("Thunderbird 115")};
        headers.charset = QStringLiteral("ISO-2022-JP");
        QTest::newRow("header fields apart from the body") << headers
            << QStringList{"s:当選", "s:【", "s:おめ", "n:山田", "n:太郎", "a:taro@mail.example.jp", "d:mail.example.jp",
                           "d:example.jp", "d:.jp", "r:mail.example.net", "r:example.net", "r:.net", "r:192.0.2.5",
                           "r:192.0.2", "r:192.0", "m:thunderbird", "m:115", "c:iso-2022-jp"}
            << QStringList{"当選", "r:mx.home.jp", "s:#none"};
        QTest::newRow("missing fields are tokens too") << JunkInput()
            << QStringList{"s:#none", "n:#none", "a:#none", "c:#none"} << QStringList{};
    }

    void tokensOfFields()
    {
        QFETCH(JunkInput, input);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        const QStringList tokens = junkTokens(input);
        for (const QString& token : present)
            QVERIFY2(tokens.contains(token), qPrintable(token + QStringLiteral(" missing from ") + tokens.join(QLatin1Char(' '))));
        for (const QString& token : absent)
            QVERIFY2(!tokens.contains(token), qPrintable(token));
        QCOMPARE(QSet<QString>(tokens.cbegin(), tokens.cend()).size(), tokens.size()); // each once
    }

    void idsAreTheTokensNumbers()
    {
        JunkInput input = bodyOnly(QStringLiteral("本日限定 FREE ★ https://a.example.com/"));
        input.subject = QStringLiteral("当選");
        std::vector<qint64> expected;
        for (const QString& token : junkTokens(input))
            expected.push_back(junkTokenId(token));
        std::sort(expected.begin(), expected.end());
        QCOMPARE(junkTokenIds(input), expected);
        // The numbers are stored: they must never change between versions.
        QCOMPARE(junkTokenId(u"s:当選"), Q_INT64_C(0xfc27c42dedbe));
        QVERIFY(junkTokenId(u"s:当選") != junkTokenId(u"当選"));
    }

    void sameTokensInEveryCharset_data()
    {
        QTest::addColumn<QByteArray>("charset");
        QTest::newRow("ISO-2022-JP") << QByteArray("ISO-2022-JP");
        QTest::newRow("Shift_JIS") << QByteArray("Shift_JIS");
        QTest::newRow("UTF-8") << QByteArray("UTF-8");
    }

    void sameTokensInEveryCharset()
    {
        QFETCH(QByteArray, charset);
        QTemporaryDir dir;
        const QString subject = QStringLiteral("【重要】アカウント停止のお知らせ①");
        const QString body = QStringLiteral("お客様のアカウントを停止しました。\r\n至急ご確認ください。髙橋");
        const auto encode = [&](const QString& text) {
            if (charset == "ISO-2022-JP")
                return fumibako::platform::mail::encodeIso2022Jp(text).value_or(QByteArray());
            return charset == "Shift_JIS" ? fumibako::platform::encodeCp932(text) : text.toUtf8();
        };
        writeBytes(dir.filePath(QStringLiteral("m.eml")), messageIn(charset, encode(QStringLiteral("山田")), encode(subject), encode(body)));
        const std::optional<JunkInput> input = readJunkInput(dir.filePath(QStringLiteral("m.eml")));
        QVERIFY(input);
        JunkInput expected;
        expected.subject = subject;
        expected.fromName = QStringLiteral("山田");
        expected.fromAddress = QStringLiteral("yamada@example.jp");
        expected.charset = QString::fromLatin1(charset);
        expected.body = body;
        QCOMPARE(junkTokens(*input).join(QLatin1Char(' ')), junkTokens(expected).join(QLatin1Char(' ')));
    }

    void htmlLinksAndUnreadableFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("present");
        QTest::newRow("an HTML body's links") << QByteArray(
            "Subject: hi\r\nContent-Type: text/html; charset=utf-8\r\n\r\n"
            "<p>\xe3\x81\x93\xe3\x81\xa1\xe3\x82\x89</p><a href=\"https://phish.example.top/login\">x</a>"
            "<img src='http://img.example.net/p.gif'>")
            << QStringList{"u:phish.example.top", "u:.top", "u:img.example.net", "こち"};
        QTest::newRow("no header: the bytes as text") << QByteArray("\x00\x01 free money \xe5\xbd\x93\xe9\x81\xb8 ", 22)
            << QStringList{"free", "money", "当選"};
        QTest::newRow("an empty file") << QByteArray() << QStringList{"s:#none"};
    }

    void htmlLinksAndUnreadableFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, present);
        QTemporaryDir dir;
        writeBytes(dir.filePath(QStringLiteral("m.eml")), bytes);
        const std::optional<JunkInput> input = readJunkInput(dir.filePath(QStringLiteral("m.eml")));
        QVERIFY(input);
        const QStringList tokens = junkTokens(*input);
        for (const QString& token : present)
            QVERIFY2(tokens.contains(token), qPrintable(token + QStringLiteral(" missing from ") + tokens.join(QLatin1Char(' '))));
        QVERIFY(!readJunkInput(dir.filePath(QStringLiteral("missing.eml"))));
    }
};

QTEST_GUILESS_MAIN(TestJunkTokens)
#include "test_junk_tokens.moc"
