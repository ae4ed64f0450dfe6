#include "platform/mail/AttachmentFiles.h"
#include "platform/mail/HeaderFields.h"
#include "platform/mail/HtmlText.h"
#include "platform/mail/LineEnds.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace fumibako::platform::mail;

class FieldsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsParameters_data();
    void readsParameters();
    void showsAddressLists_data();
    void showsAddressLists();
    void turnsHtmlIntoText_data();
    void turnsHtmlIntoText();
    void makesSafeFileNames_data();
    void makesSafeFileNames();
    void neverOverwritesFiles();
    void writesLineEnds_data();
    void writesLineEnds();
};

void FieldsTest::readsParameters_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain quoted") << QByteArray("attachment; filename=\"a b.txt\"") << QStringLiteral("a b.txt");
    QTest::newRow("token") << QByteArray("attachment; FileName=a.txt") << QStringLiteral("a.txt");
    QTest::newRow("RFC 2231 ISO-2022-JP with NEC")
        << QByteArray("attachment; filename*=ISO-2022-JP''%1B%24B-%21%1B%28B.txt") << QStringLiteral("①.txt");
    QTest::newRow("RFC 2231 continuation split inside a character")
        << QByteArray("attachment;\r\n filename*0*=UTF-8''%E6%97%A5%E6;\r\n filename*1*=%9C%AC.txt")
        << QStringLiteral("日本.txt");
    QTest::newRow("RFC 2231 preferred over plain")
        << QByteArray("attachment; filename=\"old.txt\"; filename*=UTF-8''%E6%96%B0.txt") << QStringLiteral("新.txt");
    QTest::newRow("encoded words inside quotes")
        << QByteArray("application/pdf; name=\"=?ISO-2022-JP?B?GyRCO3FOQRsoQg==?= =?UTF-8?B?LnBkZg==?=\"")
        << QStringLiteral("資料.pdf");
    QTest::newRow("semicolon inside quotes") << QByteArray("attachment; filename=\"a;b.txt\"") << QStringLiteral("a;b.txt");
    QTest::newRow("absent") << QByteArray("attachment; size=3") << QString();
}

void FieldsTest::readsParameters()
{
    QFETCH(QByteArray, raw);
    QFETCH(QString, expected);
    QCOMPARE(headerParameter(raw, "filename").isNull() ? headerParameter(raw, "name") : headerParameter(raw, "filename"),
             expected);
}

void FieldsTest::showsAddressLists_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QString>("expected");
    QTest::newRow("bare") << QByteArray(" a@example.jp") << QStringLiteral("a@example.jp");
    QTest::newRow("encoded name")
        << QByteArray(" =?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= <y@example.jp>") << QStringLiteral("山田 <y@example.jp>");
    QTest::newRow("quoted name with comma kept quoted")
        << QByteArray("\"Yamada, Taro\" <y@example.jp>, b@example.jp")
        << QStringLiteral("\"Yamada, Taro\" <y@example.jp>, b@example.jp");
    QTest::newRow("encoded word inside quotes")
        << QByteArray("\"=?UTF-8?B?5bGx55Sw?=\" <y@example.jp>") << QStringLiteral("山田 <y@example.jp>");
    QTest::newRow("comment form") << QByteArray("y@example.jp (Yamada)") << QStringLiteral("Yamada <y@example.jp>");
    // 0x2C (a comma) is the second byte of が in JIS: it must not split the list.
    QTest::newRow("raw JIS name with comma byte")
        << QByteArray("\x1b$B$,\x1b(B <g@example.jp>") << QStringLiteral("が <g@example.jp>");
    QTest::newRow("group") << QByteArray("undisclosed-recipients:;") << QStringLiteral("undisclosed-recipients:;");
}

void FieldsTest::showsAddressLists()
{
    QFETCH(QByteArray, raw);
    QFETCH(QString, expected);
    QCOMPARE(decodeAddressList(raw), expected);
}

void FieldsTest::turnsHtmlIntoText_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("expected");
    QTest::newRow("paragraphs and breaks") << QStringLiteral("<p>a</p><p>b<br>c</p>") << QStringLiteral("a\n\nb\nc");
    QTest::newRow("hidden parts dropped")
        << QStringLiteral("<head><title>T</title><style>x{}</style></head><script>bad()</script>ok<!-- c -->")
        << QStringLiteral("ok");
    QTest::newRow("entities") << QStringLiteral("&lt;a&gt; &amp; &#x2460;&#12354;&nbsp;&bogus;")
                              << QStringLiteral("<a> & ①あ &bogus;");
    QTest::newRow("source line breaks are spaces") << QStringLiteral("one\ntwo   three") << QStringLiteral("one two three");
    QTest::newRow("empty lines collapse") << QStringLiteral("<div>a</div><br><br><br><div>b</div>")
                                          << QStringLiteral("a\n\nb");
}

void FieldsTest::turnsHtmlIntoText()
{
    QFETCH(QString, html);
    QFETCH(QString, expected);
    QCOMPARE(htmlToText(html), expected);
}

void FieldsTest::makesSafeFileNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ordinary") << QStringLiteral("見積書.pdf") << QStringLiteral("見積書.pdf");
    QTest::newRow("parent directories") << QStringLiteral("../../etc/x") << QStringLiteral("x");
    QTest::newRow("windows path") << QStringLiteral("C:\\Users\\a\\b.txt") << QStringLiteral("b.txt");
    QTest::newRow("control characters") << QStringLiteral("a\x01" "b\nc\x7f.txt") << QStringLiteral("abc.txt");
    QTest::newRow("hidden file") << QStringLiteral(".bashrc") << QStringLiteral("bashrc");
    QTest::newRow("only dots") << QStringLiteral("..") << QStringLiteral("attachment");
    QTest::newRow("reserved characters") << QStringLiteral("a:b*c?.txt") << QStringLiteral("a_b_c_.txt");
    QTest::newRow("too long keeps extension")
        << QString(300, QChar(0x3042)) + QStringLiteral(".pdf") << QString(65, QChar(0x3042)) + QStringLiteral(".pdf");
}

void FieldsTest::makesSafeFileNames()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(safeAttachmentName(name, QStringLiteral("attachment")), expected);
}

void FieldsTest::neverOverwritesFiles()
{
    QTemporaryDir dir;
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("nowhere")), dir.filePath(QStringLiteral("a (2).txt"))));
    const QString first = saveUnderFreeName(dir.path(), QStringLiteral("a.txt"), "1");
    const QString second = saveUnderFreeName(dir.path(), QStringLiteral("a.txt"), "2");
    QCOMPARE(QFileInfo(first).fileName(), QStringLiteral("a.txt"));
    QCOMPARE(QFileInfo(second).fileName(), QStringLiteral("a (3).txt")); // a dangling link is not followed
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("nowhere"))));
    QCOMPARE(QFileInfo(saveUnderFreeName(dir.path(), QStringLiteral("noext"), "")).fileName(), QStringLiteral("noext"));
    QCOMPARE(QFileInfo(saveUnderFreeName(dir.path(), QStringLiteral("noext"), "")).fileName(), QStringLiteral("noext (2)"));
}

QTEST_GUILESS_MAIN(FieldsTest)
#include "test_fields.moc"

void FieldsTest::writesLineEnds_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("crLf");
    QTest::newRow("mixed") << QStringLiteral("a\r\nb\nc\rd") << QStringLiteral("a\r\nb\r\nc\r\nd");
    QTest::newRow("CR CR LF is two line ends") << QStringLiteral("a\r\r\nb") << QStringLiteral("a\r\n\r\nb");
    QTest::newRow("LF CR is two line ends") << QStringLiteral("a\n\rb") << QStringLiteral("a\r\n\r\nb");
    QTest::newRow("at both ends") << QStringLiteral("\nx\r") << QStringLiteral("\r\nx\r\n");
    QTest::newRow("none") << QStringLiteral("日本語") << QStringLiteral("日本語");
    QTest::newRow("empty") << QString() << QString();
}

void FieldsTest::writesLineEnds()
{
    QFETCH(QString, text);
    QFETCH(QString, crLf);
    QCOMPARE(fumibako::platform::mail::withLineEnds(text, u"\r\n"), crLf);
    QString lf = crLf;
    lf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QCOMPARE(fumibako::platform::mail::withLineEnds(text, u"\n"), lf);
}
