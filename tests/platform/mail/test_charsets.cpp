#include "platform/mail/Charsets.h"
#include "platform/mail/EncodedWords.h"

#include <QtTest>

using namespace fumibako::platform::mail;

class CharsetsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decodesLabelledText_data();
    void decodesLabelledText();
    void guessesUndeclaredText_data();
    void guessesUndeclaredText();
    void iso2022JpRoundTrip_data();
    void iso2022JpRoundTrip();
    void iso2022JpRefusesWhatItCannotCarry_data();
    void iso2022JpRefusesWhatItCannotCarry();
    void halfWidthKatakanaBecomesFullWidth();
    void decodesEncodedWords_data();
    void decodesEncodedWords();
    void encodedWordsStayShortAndDecodeBack_data();
    void encodedWordsStayShortAndDecodeBack();
    void headerTokensNeverCarryLineBreaks();
    void foldsLongFields();
};

void CharsetsTest::decodesLabelledText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("charset");
    QTest::addColumn<QString>("expected");
    const QString nec = QStringLiteral("①㈱髙﨑～");
    const QByteArray cp932 = QByteArray::fromHex("8740878afbfcfab18160");
    QTest::newRow("Shift_JIS label means CP932") << cp932 << QByteArray("Shift_JIS") << nec;
    QTest::newRow("SJIS") << cp932 << QByteArray("SJIS") << nec;
    QTest::newRow("x-sjis") << cp932 << QByteArray("x-sjis") << nec;
    QTest::newRow("backslash stays backslash") << QByteArray("C:\\~") << QByteArray("shift_jis") << QStringLiteral("C:\\~");
    // ESC $ B with NEC row 13 (2D21 ①, 2D6A ㈱) and the NEC-selected IBM kanji 7C62 (髙).
    QTest::newRow("ISO-2022-JP with NEC extensions")
        << QByteArray("\x1b$B-!-j|b\x1b(B ok") << QByteArray("ISO-2022-JP") << QStringLiteral("①㈱髙 ok");
    QTest::newRow("ISO-2022-JP 2141 reads like CP932 8160")
        << QByteArray("\x1b$B!A\x1b(B") << QByteArray("iso-2022-jp") << QStringLiteral("～");
    QTest::newRow("ISO-2022-JP JIS X 0201 katakana")
        << QByteArray("\x1b(I6@6E\x1b(B") << QByteArray("ISO-2022-JP") << QStringLiteral("ｶﾀｶﾅ");
    QTest::newRow("ISO-2022-JP missing ESC ( B before line end")
        << QByteArray("\x1b$B$\"\r\nabc") << QByteArray("ISO-2022-JP") << QStringLiteral("あ\r\nabc");
    QTest::newRow("ISO-2022-JP with JIS X 0212 run")
        << QByteArray("a\x1b$(D0!\x1b(Bb") << QByteArray("ISO-2022-JP") << QStringLiteral("a\uFFFDb");
    QTest::newRow("ISO-2022-JP label on raw CP932")
        << cp932 << QByteArray("ISO-2022-JP") << nec;
    QTest::newRow("EUC-JP") << QByteArray::fromHex("a4b3a4f3a4cba4c1a4cf") << QByteArray("EUC-JP")
                            << QStringLiteral("こんにちは");
    QTest::newRow("UTF-8") << QStringLiteral("日本語😀").toUtf8() << QByteArray("utf-8") << QStringLiteral("日本語😀");
    QTest::newRow("unknown label guessed") << QStringLiteral("日本").toUtf8() << QByteArray("x-unknown")
                                           << QStringLiteral("日本");
    QTest::newRow("invalid byte replaced, rest kept")
        << QByteArray::fromHex("82a0ff82a2") << QByteArray("Shift_JIS") << QStringLiteral("あ\uFFFDい");
    QTest::newRow("lead byte before a byte that is no trail")
        << QByteArray::fromHex("8220") << QByteArray("Shift_JIS") << QStringLiteral("\uFFFD ");
    QTest::newRow("lead byte cut off at the end")
        << QByteArray::fromHex("82a082") << QByteArray("Shift_JIS") << QStringLiteral("あ\uFFFD");
    QTest::newRow("ISO-2022-JP kanji run with a byte outside JIS")
        << QByteArray("\x1b$B\x7f\x21\x1b(Bz") << QByteArray("ISO-2022-JP") << QStringLiteral("\x7f!z");
}

void CharsetsTest::decodesLabelledText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, charset);
    QFETCH(QString, expected);
    QCOMPARE(decodeText(bytes, charset), expected);
}

void CharsetsTest::guessesUndeclaredText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("charset");
    QTest::newRow("ascii") << QByteArray("hello") << QByteArray("US-ASCII");
    QTest::newRow("jis") << QByteArray("\x1b$B$\"\x1b(B") << QByteArray("ISO-2022-JP");
    QTest::newRow("utf-8") << QStringLiteral("こんにちは").toUtf8() << QByteArray("UTF-8");
    QTest::newRow("cp932") << QByteArray::fromHex("82b182f182c982bf82cd") << QByteArray("CP932");
    QTest::newRow("cp932 with NEC") << QByteArray::fromHex("8740938c8b9e") << QByteArray("CP932");
    QTest::newRow("euc-jp") << QByteArray::fromHex("a4b3a4f3a4cba4c1a4cf") << QByteArray("EUC-JP-MS");
}

void CharsetsTest::guessesUndeclaredText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, charset);
    QCOMPARE(guessCharset(bytes), charset);
}

void CharsetsTest::iso2022JpRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("ascii only") << QStringLiteral("abc") << QByteArray("abc");
    QTest::newRow("kanji, ends in ASCII") << QStringLiteral("漢字") << QByteArray("\x1b$B4A;z\x1b(B");
    QTest::newRow("NEC row 13") << QStringLiteral("①㈱") << QByteArray("\x1b$B-!-j\x1b(B");
    QTest::newRow("IBM kanji as NEC-selected") << QStringLiteral("髙") << QByteArray("\x1b$B|b\x1b(B");
    QTest::newRow("mixed") << QStringLiteral("a漢b") << QByteArray("a\x1b$B4A\x1b(Bb");
    QTest::newRow("full-width tilde") << QStringLiteral("～") << QByteArray("\x1b$B!A\x1b(B");
}

void CharsetsTest::iso2022JpRoundTrip()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    const std::optional<QByteArray> encoded = encodeIso2022Jp(text);
    QVERIFY(encoded);
    QCOMPARE(*encoded, expected);
    QCOMPARE(decodeIso2022Jp(*encoded), text);
}

void CharsetsTest::iso2022JpRefusesWhatItCannotCarry_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("emoji") << QStringLiteral("😀");
    QTest::newRow("hangul") << QStringLiteral("가");
    QTest::newRow("yen sign would come back as backslash") << QStringLiteral("¥");
    QTest::newRow("wave dash would come back as full-width tilde") << QStringLiteral("〜");
    QTest::newRow("half-width katakana") << QStringLiteral("ｶ");
    QTest::newRow("user-defined area") << QStringLiteral("\uE000");
    QTest::newRow("escape character") << QStringLiteral("a\x1b$Bb");
}

void CharsetsTest::iso2022JpRefusesWhatItCannotCarry()
{
    QFETCH(QString, text);
    QVERIFY(!encodeIso2022Jp(text));
}

void CharsetsTest::halfWidthKatakanaBecomesFullWidth()
{
    QCOMPARE(toFullWidthKatakana(u"ｶﾞｷﾞﾊﾟｳﾞｯｸｰ｡ﾃｽﾄabc"), QStringLiteral("ガギパヴックー。テストabc"));
    QCOMPARE(toFullWidthKatakana(u"ｱﾞ"), QStringLiteral("ア゛")); // no voiced form: the mark stays
}

void CharsetsTest::decodesEncodedWords_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QString>("expected");
    // The first word ends in "=" padding: GMime 3.2.13 drops everything after it.
    QTest::newRow("padded first word, folded")
        << QByteArray(" =?UTF-8?B?5pel5pys6Kqe44GuQQ==?=\r\n =?UTF-8?B?5Lu25ZCN?=\r\n") << QStringLiteral("日本語のA件名");
    QTest::newRow("ISO-2022-JP words joined")
        << QByteArray("=?ISO-2022-JP?B?GyRCNEE7ehsoQg==?= =?iso-2022-jp?b?GyRCJE4bKEI=?=") << QStringLiteral("漢字の");
    QTest::newRow("character split across words")
        << QByteArray("=?UTF-8?B?5pel5pw=?= =?UTF-8?B?rOiqng==?=") << QStringLiteral("日本語");
    QTest::newRow("Q word with underscore")
        << QByteArray("=?UTF-8?Q?a_b=E3=81=82?=") << QStringLiteral("a bあ");
    QTest::newRow("text around words keeps its spaces")
        << QByteArray("Re: =?UTF-8?B?44GC?= end") << QStringLiteral("Re: あ end");
    QTest::newRow("language suffix") << QByteArray("=?UTF-8*ja?B?44GC?=") << QStringLiteral("あ");
    QTest::newRow("raw 8-bit CP932") << QByteArray::fromHex("8740836583588367") << QStringLiteral("①テスト");
    QTest::newRow("raw JIS") << QByteArray("\x1b$B4A;z\x1b(B") << QStringLiteral("漢字");
    QTest::newRow("not a word") << QByteArray("a =? b ?= c") << QStringLiteral("a =? b ?= c");
    QTest::newRow("Shift_JIS word with NEC") << QByteArray("=?Shift_JIS?B?h0A=?=") << QStringLiteral("①");
    // Charsets of other languages, by their own names.
    QTest::newRow("ISO-8859-1 Q") << QByteArray("=?ISO-8859-1?Q?Newsletter_=E9t=E9?=") << QStringLiteral("Newsletter été");
    QTest::newRow("iso-8859-15 euro") << QByteArray("=?iso-8859-15?q?=A4_5?=") << QStringLiteral("€ 5");
    QTest::newRow("windows-1252 quotes") << QByteArray("=?windows-1252?Q?=93Hi=94?=") << QStringLiteral("“Hi”");
    QTest::newRow("KOI8-R") << QByteArray("=?KOI8-R?B?8NLJ18XU?=") << QStringLiteral("Привет");
    QTest::newRow("GB2312") << QByteArray("=?GB2312?B?xOO6ww==?=") << QStringLiteral("你好");
    QTest::newRow("Big5") << QByteArray("=?big5?B?p0Gmbg==?=") << QStringLiteral("你好");
    QTest::newRow("EUC-KR") << QByteArray("=?EUC-KR?B?vsiz58fPvLy/5A==?=") << QStringLiteral("안녕하세요");
    // Words in different charsets side by side are decoded each in its own.
    QTest::newRow("ISO-2022-JP word next to UTF-8 word")
        << QByteArray("=?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= =?UTF-8?B?5aSq6YOO?=") << QStringLiteral("山田太郎");
    QTest::newRow("Latin-1 word next to UTF-8 word")
        << QByteArray("=?ISO-8859-1?Q?caf=E9?= =?UTF-8?B?44GC?=") << QStringLiteral("caféあ");
}

void CharsetsTest::decodesEncodedWords()
{
    QFETCH(QByteArray, raw);
    QFETCH(QString, expected);
    QCOMPARE(decodeHeaderText(raw).trimmed(), expected);
}

void CharsetsTest::encodedWordsStayShortAndDecodeBack_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("charset");
    QTest::newRow("short") << QStringLiteral("会議") << QByteArray("ISO-2022-JP");
    QTest::newRow("long Japanese, NEC")
        << QStringLiteral("【重要】①来週の会議の議題について㈱髙橋商事様との打ち合わせ資料を添付いたしますのでご確認ください")
        << QByteArray("ISO-2022-JP");
    QTest::newRow("mixed ASCII") << QStringLiteral("Re: 見積もり (2024) の件 abc def") << QByteArray("ISO-2022-JP");
    QTest::newRow("needs UTF-8")
        << QStringLiteral("絵文字😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀と한국어") << QByteArray("UTF-8");
}

void CharsetsTest::encodedWordsStayShortAndDecodeBack()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, charset);
    const QList<QByteArray> words = encodeWords(text);
    QVERIFY(!words.isEmpty());
    for (const QByteArray& word : words) {
        QVERIFY2(word.size() <= 64, word.constData());
        QVERIFY(word.startsWith("=?" + charset + "?B?"));
        QCOMPARE(decodeHeaderText(word).isEmpty(), false); // each word decodes on its own
    }
    QCOMPARE(decodeHeaderText(words.join("\r\n ")), text);
}

void CharsetsTest::headerTokensNeverCarryLineBreaks()
{
    const QByteArray field = foldField("Subject", headerTokens(u"hello\r\nBcc: evil@example.com"));
    QCOMPARE(field.count("\r\n"), 1);
    QVERIFY(field.endsWith("\r\n"));
    QCOMPARE(foldField("Subject", headerTokens(u"ﾃｽﾄ")), QByteArray("Subject: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=\r\n"));
}

void CharsetsTest::foldsLongFields()
{
    const QByteArray field = foldField("Subject", encodeWords(QString(60, QChar(0x3042))));
    for (const QByteArray& line : field.split('\n'))
        QVERIFY2(line.size() <= 79, line.constData()); // 78 + the CR
    QVERIFY(field.contains("\r\n =?ISO-2022-JP?B?"));
}

QTEST_GUILESS_MAIN(CharsetsTest)
#include "test_charsets.moc"
