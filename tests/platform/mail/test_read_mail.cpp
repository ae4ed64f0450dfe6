#include "platform/mail/MailLibrary.h"

#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <ctime>

using namespace fumibako::platform::mail;

namespace {

const QString kFields = QStringLiteral("subject:from:date:To:body:");

QString sample(const char* name)
{
    return QStringLiteral(MAIL_SAMPLES "/") + QLatin1String(name);
}

// The value of element @p index, as the program takes it: from the second character after the first ":".
QString value(const LibraryResult& result, int index)
{
    const QString item = result.list.value(index);
    return item.mid(item.indexOf(QLatin1Char(':')) + 2);
}

} // namespace

class ReadMailTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void readsFields_data();
    void readsFields();
    void readsOtherCharsets_data();
    void readsOtherCharsets();
    void unreadableFilesAreNoList_data();
    void unreadableFilesAreNoList();
    void readsSmallAndLargeFilesAlike_data();
    void readsSmallAndLargeFilesAlike();
    void savesAttachmentsSafely();
    void keepsAttachedMessagesWhole();
    void givesHeaderLines();
    void savesIntoFolderGivenWithMarker();
};

void ReadMailTest::initTestCase()
{
    qputenv("TZ", "Asia/Tokyo");
    tzset();
}

void ReadMailTest::readsFields_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("body");
    QTest::newRow("ISO-2022-JP, NEC, padded folded subject")
        << sample("iso2022jp_nec.eml") << QStringLiteral("【重要】①㈱髙﨑様の会議") << QStringLiteral("佐藤 花子 <sato@example.jp>")
        << QStringLiteral("2024/05/01 10:15:00") << QStringLiteral("山田 <yamada@example.jp>, kato@example.jp")
        << QStringLiteral("お世話になります。\r\n①の件、㈱髙橋様より連絡がありました。\r\n～以上～\r\n");
    QTest::newRow("Shift_JIS without labels")
        << sample("sjis_undeclared.eml") << QStringLiteral("見積もり①の件") << QStringLiteral("tanaka@example.jp")
        << QStringLiteral("2024/05/02 09:00:00") << QStringLiteral("yamada@example.jp")
        << QStringLiteral("田中です。\r\n金額は１２３円です。ﾃｽﾄ\r\n");
    QTest::newRow("EUC-JP, UTC date shown in local time")
        << sample("eucjp.eml") << QStringLiteral("ご案内") << QStringLiteral("鈴木 <suzuki@example.jp>")
        << QStringLiteral("2024/05/03 21:00:00") << QStringLiteral("yamada@example.jp")
        << QStringLiteral("こんにちは、鈴木です。\r\n");
    QTest::newRow("UTF-8 base64, character split across words")
        << sample("utf8_base64.eml") << QStringLiteral("日本語の件名です") << QStringLiteral("高橋 <takahashi@example.jp>")
        << QStringLiteral("2024/05/04 08:30:00") << QStringLiteral("yamada@example.jp")
        << QStringLiteral("本文です。\r\n絵文字😀もあります。\r\n");
    QTest::newRow("HTML only")
        << sample("html_only.eml") << QStringLiteral("HTML") << QStringLiteral("news@example.com")
        << QStringLiteral("2024/05/05 10:00:00") << QStringLiteral("yamada@example.jp")
        << QStringLiteral("こんにちは&ようこそ\r\n\r\n二行目\r\n三行目\r\n\r\n<終わり>①");
    QTest::newRow("chunked base64, no Date: Received time")
        << sample("chunked_base64.eml") << QStringLiteral("chunks") << QStringLiteral("x@example.jp")
        << QStringLiteral("2024/05/08 10:02:03") << QStringLiteral("y@example.jp") << QStringLiteral("前半と後半");
}

void ReadMailTest::readsFields()
{
    QFETCH(QString, file);
    QTemporaryDir work;
    const LibraryResult result = ReadMail(file, kFields, work.path());
    QVERIFY(result.isList);
    QVERIFY(result.list.size() >= 6);
    QVERIFY(result.list[0].startsWith(QLatin1String("subject: ")));
    QTEST(value(result, 0), "subject");
    QTEST(value(result, 1), "from");
    QTEST(value(result, 2), "date");
    QTEST(value(result, 3), "to");
    QTEST(value(result, 4), "body");
    QCOMPARE(result.list.size(), 6); // none of these has attachments
    QVERIFY(QDir(work.path()).isEmpty());
}

// Mail in the charsets of other languages: the subject as an encoded word and the body, each
// decoded by the charset it names.
void ReadMailTest::readsOtherCharsets_data()
{
    QTest::addColumn<QByteArray>("charset");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ISO-8859-1") << QByteArray("ISO-8859-1") << QByteArray("Newsletter \xE9t\xE9") << QStringLiteral("Newsletter été");
    // Senders label Windows-1252 text (curly quotes) as ISO-8859-1.
    QTest::newRow("ISO-8859-1 with Windows-1252 quotes") << QByteArray("iso-8859-1") << QByteArray("\x93Hi\x94")
                                                         << QStringLiteral("“Hi”");
    QTest::newRow("KOI8-R") << QByteArray("KOI8-R") << QByteArray::fromHex("f0d2c9d7c5d42c20cdc9d2")
                            << QStringLiteral("Привет, мир");
    // GB2312 labels on text with GBK characters (喆).
    QTest::newRow("GB2312") << QByteArray("gb2312") << QByteArray::fromHex("c4e3bac386b4") << QStringLiteral("你好喆");
    QTest::newRow("Big5") << QByteArray("Big5") << QByteArray::fromHex("a741a66e") << QStringLiteral("你好");
    QTest::newRow("EUC-KR") << QByteArray("EUC-KR") << QByteArray::fromHex("bec8b3e7c7cfbcbcbfe4")
                            << QStringLiteral("안녕하세요");
}

void ReadMailTest::readsOtherCharsets()
{
    QFETCH(QByteArray, charset);
    QFETCH(QByteArray, text);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("m.eml"));
    fumibako::test::writeBytes(file, "From: a@example.com\r\nSubject: =?" + charset + "?B?" + text.toBase64()
                                         + "?=\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; charset=" + charset
                                         + "\r\nContent-Transfer-Encoding: 8bit\r\n\r\n" + text + "\r\n");
    const LibraryResult result = ReadMail(file, kFields, QString());
    QVERIFY(result.isList);
    QCOMPARE(value(result, 0), expected);
    QCOMPARE(value(result, 4), expected + QStringLiteral("\r\n"));
}

void ReadMailTest::unreadableFilesAreNoList_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("missing") << sample("no_such_file.eml");
    QTest::newRow("empty") << sample("empty.eml");
    QTest::newRow("binary junk") << sample("garbage.eml");
    QTest::newRow("a folder") << QStringLiteral(MAIL_SAMPLES);
}

void ReadMailTest::unreadableFilesAreNoList()
{
    QFETCH(QString, file);
    QVERIFY(!ReadMail(file, kFields, QDir::tempPath()).isList);
    QVERIFY(!ReadMail(file, QString(), QDir::tempPath()).isList);
}

// Small messages are read into memory at once and large ones parsed from the file; the first
// header field decides in both whether the file is mail at all.
void ReadMailTest::readsSmallAndLargeFilesAlike_data()
{
    QTest::addColumn<QByteArray>("firstLine");
    QTest::addColumn<int>("bodyLines");
    QTest::addColumn<bool>("isMail");
    const QByteArray subject = "Subject: =?UTF-8?B?5aSn44GN44Gq44Oh44O844Or?=\r\n";
    QTest::newRow("small") << subject << 10 << true;
    QTest::newRow("larger than read at once") << subject << 80000 << true; // about 5.6 MB
    QTest::newRow("blanks before the colon") << QByteArray("X-Note \t: x\r\n") + subject << 10 << true;
    QTest::newRow("no field first, small") << QByteArray("hello world\r\n") + subject << 10 << false;
    QTest::newRow("no field first, large") << QByteArray("hello world\r\n") + subject << 80000 << false;
}

void ReadMailTest::readsSmallAndLargeFilesAlike()
{
    QFETCH(QByteArray, firstLine);
    QFETCH(int, bodyLines);
    QFETCH(bool, isMail);
    QByteArray bytes = firstLine + "From: a@example.jp\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n";
    const QByteArray line = QByteArray(68, 'x') + "\r\n";
    for (int i = 0; i < bodyLines; ++i)
        bytes += line;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("m.eml"));
    fumibako::test::writeBytes(file, bytes);

    const LibraryResult result = ReadMail(file, kFields, dir.path());
    QCOMPARE(result.isList, isMail);
    if (!isMail)
        return;
    QCOMPARE(value(result, 0), QStringLiteral("大きなメール"));
    QCOMPARE(value(result, 4).count(QLatin1Char('x')), 68 * bodyLines);
}

void ReadMailTest::savesAttachmentsSafely()
{
    QTemporaryDir root;
    const QString work = root.filePath(QStringLiteral("work"));
    QVERIFY(QDir().mkpath(work));
    fumibako::test::writeBytes(work + QStringLiteral("/見積書①.txt"), "older file");
    const LibraryResult result = ReadMail(sample("multipart_attach.eml"), kFields, work);
    QVERIFY(result.isList);
    QCOMPARE(value(result, 4), QStringLiteral("添付します。\r\n")); // the plain alternative
    QStringList names;
    for (int i = 6; i < result.list.size(); ++i) {
        const QString path = value(result, i);
        QCOMPARE(QFileInfo(path).absolutePath(), QDir(work).absolutePath());
        names.append(QFileInfo(path).fileName());
    }
    QCOMPARE(names, QStringList({QStringLiteral("見積書① (2).txt"), QStringLiteral("報告書（最終版）.pdf"),
                                 QStringLiteral("資料一覧.csv"), QStringLiteral("x"), QStringLiteral("abc.txt")}));
    QCOMPARE(value(result, 5), QStringLiteral("5"));
    QCOMPARE(fumibako::test::readBytes(work + QStringLiteral("/見積書①.txt")), QByteArray("older file"));
    QCOMPARE(fumibako::test::readBytes(work + QStringLiteral("/見積書① (2).txt")), QByteArray::fromHex("92869067"));
    QCOMPARE(fumibako::test::readBytes(work + QStringLiteral("/報告書（最終版）.pdf")), QByteArray("%PDF-1.4 fake\n"));
    QVERIFY(!QFile::exists(root.filePath(QStringLiteral("etc/x"))));
    QCOMPARE(QDir(root.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList(QStringLiteral("work")));
}

void ReadMailTest::keepsAttachedMessagesWhole()
{
    QTemporaryDir work;
    const LibraryResult result = ReadMail(sample("nested_rfc822.eml"), kFields, work.path());
    QVERIFY(result.isList);
    QCOMPARE(value(result, 4), QStringLiteral("see attached"));
    QCOMPARE(result.list.size(), 7);
    const QString saved = value(result, 6);
    QCOMPARE(QFileInfo(saved).fileName(), QStringLiteral("元のメール.eml"));
    const QByteArray savedBytes = fumibako::test::readBytes(saved);
    QVERIFY(savedBytes.startsWith("From: inner@example.jp\r\nTo: sato@example.jp\r\n"));
    QCOMPARE(savedBytes.count("\n"), savedBytes.count("\r\n"));
    const LibraryResult inner = ReadMail(saved, kFields, work.filePath(QStringLiteral("inner")));
    QVERIFY(inner.isList);
    QCOMPARE(value(inner, 0), QStringLiteral("元のメール"));
    QCOMPARE(value(inner, 4), QStringLiteral("inner body"));
    QCOMPARE(QFileInfo(value(inner, 6)).fileName(), QStringLiteral("inner.bin"));
}

void ReadMailTest::givesHeaderLines()
{
    const LibraryResult result = ReadMail(sample("iso2022jp_nec.eml"), QString(), QDir::tempPath());
    QVERIFY(result.isList);
    QCOMPARE(result.list.size(), 10);
    QCOMPARE(result.list[0], QStringLiteral("Return-Path: <sato@example.jp>"));
    QCOMPARE(result.list[2], QStringLiteral("From: 佐藤 花子 <sato@example.jp>"));
    QCOMPARE(result.list[4], QStringLiteral("Subject: 【重要】①㈱髙﨑様の会議")); // unfolded, one element
    QCOMPARE(result.list[9], QStringLiteral("Content-Transfer-Encoding: 7bit"));
}

void ReadMailTest::savesIntoFolderGivenWithMarker()
{
    QTemporaryDir chosen;
    const LibraryResult result = ReadMail(sample("nested_rfc822.eml"), QStringLiteral("To:"), QLatin1Char('>') + chosen.path());
    QVERIFY(result.isList);
    QCOMPARE(QDir(chosen.path()).entryList(QDir::Files), QStringList(QStringLiteral("元のメール.eml")));
}

QTEST_GUILESS_MAIN(ReadMailTest)
#include "test_read_mail.moc"
