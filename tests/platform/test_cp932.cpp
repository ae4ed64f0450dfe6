#include "platform/Cp932.h"

#include <QTest>

using namespace fumibako::platform;

namespace {

QString units(std::initializer_list<char16_t> list)
{
    return QString(reinterpret_cast<const QChar*>(list.begin()), qsizetype(list.size()));
}

} // namespace

class TestCp932 : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decode_data();
    void decode();
    void decodeAtEveryOffset_data() { decode_data(); }
    void decodeAtEveryOffset();
    void bytesRoundTrip_data();
    void bytesRoundTrip();
    void encode_data();
    void encode();
    void everyDoubleByteCode();
    void lengthAndCut_data();
    void lengthAndCut();
};

void TestCp932::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii") << QByteArray("key=value") << QStringLiteral("key=value");
    QTest::newRow("0x5C and 0x7E stay backslash and tilde") << QByteArray("\\~") << QStringLiteral("\\~");
    QTest::newRow("JIS kanji") << QByteArray("\x93\xfa\x96\x7b") << QStringLiteral("日本");
    QTest::newRow("NEC row 13") << QByteArray("\x87\x40\x87\x8a") << QStringLiteral("①㈱");
    QTest::newRow("IBM extension") << QByteArray("\xfb\xfc\xfa\xb1") << QStringLiteral("髙﨑");
    QTest::newRow("NEC-selected IBM extension") << QByteArray("\xee\xe0") << QStringLiteral("髙");
    QTest::newRow("8160 is fullwidth tilde") << QByteArray("\x81\x60") << QString(QChar(0xFF5E));
    QTest::newRow("817C is fullwidth minus") << QByteArray("\x81\x7c") << QString(QChar(0xFF0D));
    QTest::newRow("half-width katakana") << QByteArray("\xb6\xc0") << QStringLiteral("ｶﾀ");
    QTest::newRow("user-defined area") << QByteArray("\xf0\x40") << QString(QChar(0xE000));
    QTest::newRow("invalid single bytes escape")
        << QByteArray("\x80\xa0\xfd\xff") << units({0xDC80, 0xDCA0, 0xDCFD, 0xDCFF});
    QTest::newRow("lone lead byte at end") << QByteArray("a\x82") << units({u'a', 0xDC82});
    QTest::newRow("lead byte with invalid trail")
        << QByteArray("\x82\x20x") << units({0xDC82, u' ', u'x'});
    QTest::newRow("NUL and control bytes") << QByteArray("a\0b\x01", 4) << units({u'a', 0, u'b', 1});
}

void TestCp932::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(decodeCp932(bytes), text);
}

// Long texts are decoded in blocks of ASCII bytes: each case again, after every length of ASCII
// text that puts it at another place of a block, and before a tail that no lead byte takes.
void TestCp932::decodeAtEveryOffset()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const QByteArray tail = "\t0123456789 0123456789/";
    for (int offset = 0; offset <= 33; ++offset) {
        const QByteArray head(offset, 'a');
        QCOMPARE(decodeCp932(head + bytes + tail), QString::fromLatin1(head) + text + QString::fromLatin1(tail));
        QCOMPARE(decodeCp932(head + bytes + tail + bytes + tail),
                 QString::fromLatin1(head) + text + QString::fromLatin1(tail) + text + QString::fromLatin1(tail));
    }
}

void TestCp932::bytesRoundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("mixed text") << QByteArray("A\x93\xfa\xb6 \x87\x40\\") << QByteArray();
    QTest::newRow("garbage bytes come back") << QByteArray("\x80\xa0\xfd\xfe\xff\x82") << QByteArray();
    QTest::newRow("lead byte before ascii") << QByteArray("\x82\x0d\x0a\x82") << QByteArray();
    QTest::newRow("escape followed by a trail-like byte") << QByteArray("\x80\x82\xa0") << QByteArray();
    // Duplicate codes normalise as they do on Windows: the character survives, the code changes.
    QTest::newRow("NEC-selected IBM code becomes IBM code") << QByteArray("\xee\xe0") << QByteArray("\xfb\xfc");
    QTest::newRow("NEC duplicate of JIS becomes JIS") << QByteArray("\x87\x90") << QByteArray("\x81\xe0");
}

void TestCp932::bytesRoundTrip()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, written);
    bool lossless = false;
    QCOMPARE(encodeCp932(decodeCp932(bytes), &lossless), written.isNull() ? bytes : written);
    QVERIFY(lossless);
}

void TestCp932::encode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("lossless");
    QTest::newRow("empty") << QString() << QByteArray() << true;
    QTest::newRow("kanji and NEC") << QStringLiteral("高①㈱≒") << QByteArray("\x8d\x82\x87\x40\x87\x8a\x81\xe0") << true;
    QTest::newRow("IBM twin") << QStringLiteral("髙") << QByteArray("\xfb\xfc") << true;
    QTest::newRow("surrogate pair is one question mark") << QStringLiteral("A𠮷B") << QByteArray("A?B") << false;
    QTest::newRow("unrepresentable BMP") << QStringLiteral("é€가") << QByteArray("???") << false;
    QTest::newRow("wave dash is only approximated") << QString(QChar(0x301C)) << QByteArray("\x81\x60") << false;
    QTest::newRow("yen sign is only approximated") << QString(QChar(0x00A5)) << QByteArray("\x5c") << false;
    QTest::newRow("escape becomes its byte") << units({0xDC80, 0xDCFF}) << QByteArray("\x80\xff") << true;
    QTest::newRow("low escape cannot make a line break")
        << units({0xDC0A, 0xDC0D, 0xDC00}) << QByteArray("???") << false;
    QTest::newRow("lone high surrogate") << QString(QChar(0xD842)) << QByteArray("?") << false;
}

void TestCp932::encode()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, lossless);
    bool exact = !lossless;
    QCOMPARE(encodeCp932(text, &exact), bytes);
    QCOMPARE(exact, lossless);
    QCOMPARE(isCp932Representable(text), lossless);
}

// Every double-byte code of the table: decodes to one character that counts two bytes and
// encodes to a code that decodes to the same character.
void TestCp932::everyDoubleByteCode()
{
    int decodable = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            const char code[2] = {char(lead), char(trail)};
            const QString text = decodeCp932(QByteArrayView(code, 2));
            if (text.size() != 1)
                continue;
            ++decodable;
            QCOMPARE(cp932ByteLength(text), 2);
            QVERIFY(isCp932Representable(text));
            const QByteArray again = encodeCp932(text);
            QCOMPARE(again.size(), 2);
            QCOMPARE(decodeCp932(again), text);
        }
    }
    QCOMPARE(decodable, 6879 + 83 + 374 + 388 + 1880);
}

void TestCp932::lengthAndCut_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("maxBytes");
    QTest::addColumn<QString>("cut");
    QTest::newRow("ascii fits") << QStringLiteral("abc") << 3 << 3 << QStringLiteral("abc");
    QTest::newRow("ascii cut") << QStringLiteral("abc") << 3 << 2 << QStringLiteral("ab");
    QTest::newRow("half of a kanji is dropped") << QStringLiteral("日本語") << 6 << 5 << QStringLiteral("日本");
    QTest::newRow("kanji exactly") << QStringLiteral("日本語") << 6 << 4 << QStringLiteral("日本");
    QTest::newRow("half-width katakana is one byte") << QStringLiteral("ｶﾞｷ") << 3 << 2 << QStringLiteral("ｶﾞ");
    QTest::newRow("full-width katakana is two") << QStringLiteral("カタ") << 4 << 3 << QStringLiteral("カ");
    QTest::newRow("surrogate pair kept whole or not at all") << QStringLiteral("a𠮷b") << 6 << 4 << QStringLiteral("a");
    QTest::newRow("escape is one byte") << units({0xDC80, u'x'}) << 2 << 1 << QString(QChar(0xDC80));
    QTest::newRow("zero bytes") << QStringLiteral("abc") << 3 << 0 << QString();
    QTest::newRow("negative bytes") << QStringLiteral("abc") << 3 << -5 << QString();
}

void TestCp932::lengthAndCut()
{
    QFETCH(QString, text);
    QFETCH(int, length);
    QFETCH(int, maxBytes);
    QFETCH(QString, cut);
    QCOMPARE(cp932ByteLength(text), length);
    QCOMPARE(cutToCp932Bytes(text, maxBytes), cut);
    if (isCp932Representable(text))
        QCOMPARE(cp932ByteLength(text), encodeCp932(text).size());
}

QTEST_APPLESS_MAIN(TestCp932)
#include "test_cp932.moc"
