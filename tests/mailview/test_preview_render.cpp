#include "mailview/PreviewRenderer.h"
#include "platform/Cp932.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace fumibako::mailview;

namespace {

const QString G = QStringLiteral("<font color=\"Green\">");
const QString E = QStringLiteral("</font>");
const QString BR = QStringLiteral("<br>\r\n");

QString web(const QString& url)
{
    return QStringLiteral("<a href=\"") + url + QStringLiteral("\" target=\"_blank\">") + url + QStringLiteral("</a>");
}

QString mail(const QString& address)
{
    return QStringLiteral("<a href=\"fumibako:") + address + QStringLiteral("\"><font color=\"#FF0000\">") + address
        + QStringLiteral("</font></a>");
}

/** Every "<" of @p text opens one of the tags the renderer writes, with a safe href. */
bool onlyOwnMarkup(const QString& text, QString* bad)
{
    static const QRegularExpression own(QStringLiteral(
        R"(\G(?:<br>|</font>|</a>|<font color="Green">|<font color="#FF0000">|)"
        R"(<a href="fumibako:[^"<>]*">|<a href="http[^"<>]*" target="_blank">))"));
    for (qsizetype i = text.indexOf(u'<'); i >= 0; i = text.indexOf(u'<', i + 1)) {
        if (!own.match(text, i).hasMatch()) {
            *bad = text.mid(i, 40);
            return false;
        }
    }
    return true;
}

} // namespace

class TestPreviewRender : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void render_data();
    void render();
    void noInjection_data();
    void noInjection();
    void everyQuoteLineGreen();
    void page();
    void fileIsCodePage932_data();
    void fileIsCodePage932();
    void writeFailureIsReported();
    void tool_data();
    void tool();
};

void TestPreviewRender::render_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("expected");
    auto row = [](const char* name, const QString& body, const QString& expected) {
        QTest::newRow(name) << body << expected;
    };
    // Escaping and spaces
    row("two spaces", "a  b", "a　b");
    row("three spaces", "a   b", "a　 b");
    row("four spaces", "a    b", "a　　b");
    row("entities", "a & \"b\" <c>", "a &amp; &quot;b&quot; &lt;c&gt;");
    row("line breaks", "a\r\nb\r\n", "a" + BR + "b" + BR);
    row("lone LF is no line break", "a\nb", "a\nb");
    // Quote runs
    row("first line quoted", ">x\r\ny", G + "&gt;x" + E + BR + "y");
    row("three quote lines", ">a\r\n>b\r\n>c\r\nd", G + "&gt;a" + BR + "&gt;b" + BR + "&gt;c" + E + BR + "d");
    row("quote, normal, quote", ">a\r\nb\r\n>c", G + "&gt;a" + E + BR + "b" + BR + G + "&gt;c" + E);
    row("last line quoted", "x\r\n>last", "x" + BR + G + "&gt;last" + E);
    row("quote before final break", ">a\r\n", G + "&gt;a" + E + BR);
    row("space before >", " >a", " &gt;a");
    row("full-width >", "＞a", "＞a");
    row("> inside a line", "a>b", "a&gt;b");
    row("> after a lone LF", "a\n>b", "a\n&gt;b");
    row("empty quote line", ">\r\n>", G + "&gt;" + BR + "&gt;" + E);
    // Web links
    row("url before dot and space", "see http://ex.jp/a. next", "see " + web("http://ex.jp/a") + ". next");
    row("url before kanji", "http://ex.jp/漢字", web("http://ex.jp/") + "漢字");
    row("url before line break", "http://ex.jp\r\nx", web("http://ex.jp") + BR + "x");
    row("url with two dots", "http://ex.jp..", web("http://ex.jp.") + ".");
    row("http inside a word", "xhttpy z", "x" + web("httpy") + " z");
    row("url in angle brackets", "<http://x.jp/>", "&lt;" + web("http://x.jp/&gt;"));
    row("url with user info", "http://u@h.jp/ a", web("http://u@h.jp/") + " a");
    row("url with ampersand", "http://h.jp/?a=1&b=2", web("http://h.jp/?a=1&amp;b=2"));
    row("url ending a quote run", ">see http://x.jp/", G + "&gt;see " + web("http://x.jp/") + E);
    row("url ending a quote run before more text", ">http://x.jp/\r\nok",
        G + "&gt;" + web("http://x.jp/") + E + BR + "ok");
    row("url before a full-width space", "http://x.jp  a", web("http://x.jp") + "　a");
    // Mail links
    row("address", "to a@b.jp now", "to " + mail("a@b.jp") + " now");
    row("after mailto", "mailto:a@b.jp", "mailto:" + mail("a@b.jp"));
    row("lone @", "a @ b", "a @ b");
    row("nothing before @", "@x", "@x");
    row("nothing after @", "x@", "x@");
    row("address before dot", "a@b.jp.", mail("a@b.jp."));
    row("address in angle brackets", "名前<a@b.jp>", "名前&lt;" + mail("a@b.jp") + "&gt;");
    row("addresses joined by ;", "a@b.jp;c@d.jp", mail("a@b.jp;c@d.jp"));
    row("address after kanji", "漢a@b.jp", "漢" + mail("a@b.jp"));
    row("half-width katakana belongs to it", "ｱa@b.jp", mail("ｱa@b.jp"));
    row("address after a comma", "x,a@b.jp", "x," + mail("a@b.jp"));
    row("address in a quote line", ">a@b.jp", G + "&gt;" + mail("a@b.jp") + E);
    row("address after a url", "http://h.jp/ a@b.jp", web("http://h.jp/") + " " + mail("a@b.jp"));
    row("address right after a link", "a@b.jp,c@d.jp", mail("a@b.jp") + "," + mail("c@d.jp"));
    row("failed @ then address", "@ x a@b", "@ x " + mail("a@b"));
    row("@ then url", "a@ http://h.jp", "a@ " + web("http://h.jp"));
}

void TestPreviewRender::render()
{
    QFETCH(QString, body);
    QFETCH(QString, expected);
    const QString text = renderPreviewText(body);
    QCOMPARE(text, expected);
    QString bad;
    QVERIFY2(onlyOwnMarkup(text, &bad), qPrintable(bad));
}

void TestPreviewRender::noInjection_data()
{
    QTest::addColumn<QString>("body");
    QTest::newRow("script") << "<script>alert(1)</script>";
    QTest::newRow("image") << "<img src=\"http://evil.example/x.png\">";
    QTest::newRow("image without quotes") << "<img src=http://evil.example/x.png>";
    QTest::newRow("javascript url") << "javascript:alert(1) <a href=\"javascript:alert(1)\">x</a>";
    QTest::newRow("quote breaking href") << "http://x.jp/\"onmouseover=\"alert(1)\" x";
    QTest::newRow("quote breaking mail href") << "a\"b@c.jp\"onclick=\"x";
    QTest::newRow("style and iframe") << "<style>*{}</style><iframe src=http://e/>";
    QTest::newRow("quoted markup") << ">\"<b>\" http://e/<x>\r\n>&lt;i&gt;";
    QTest::newRow("entity text") << "&lt;script&gt; &#60;b&#62;";
}

void TestPreviewRender::noInjection()
{
    QFETCH(QString, body);
    const QString page = renderPreviewPage(body, {QStringLiteral("x\"><script>"), QStringLiteral("3")});
    QString bad;
    const QString text = renderPreviewText(body);
    QVERIFY2(onlyOwnMarkup(text, &bad), qPrintable(bad));
    QVERIFY(!page.contains(QStringLiteral("<script"), Qt::CaseInsensitive));
    QVERIFY(!page.contains(QStringLiteral("<img"), Qt::CaseInsensitive));
    QVERIFY(!page.contains(QStringLiteral("<iframe"), Qt::CaseInsensitive));
    QVERIFY(!page.contains(QStringLiteral("href=\"javascript"), Qt::CaseInsensitive));
}

// A long run followed by a short gap: resuming the search at d + (d - a) would jump over the
// next quote line.
void TestPreviewRender::everyQuoteLineGreen()
{
    QStringList lines;
    for (int i = 0; i < 6; ++i)
        lines << QStringLiteral(">quoted line number ") + QString::number(i) + QString(30, u'x');
    lines << QStringLiteral("reply") << QStringLiteral(">late quote") << QStringLiteral("end")
          << QStringLiteral(">") << QStringLiteral(">>last");
    const QString text = renderPreviewText(lines.join(QStringLiteral("\r\n")));
    QCOMPARE(text.count(G), 3);
    QCOMPARE(text.count(E), 3);
    QVERIFY(text.contains(BR + G + "&gt;late quote" + E + BR + "end" + BR + G + "&gt;" + BR + "&gt;&gt;last" + E));
    QVERIFY(text.startsWith(G + "&gt;quoted line number 0"));
}

void TestPreviewRender::page()
{
    const QString page = renderPreviewPage(QStringLiteral("本文\r\n2行目"), {QStringLiteral("ＭＳ ゴシック"), QString()});
    QCOMPARE(page, QStringLiteral("<html><body>\r\n<font face=\"ＭＳ ゴシック\" size=\"\">\r\n本文<br>\r\n2行目\r\n"
                                  "</font>\r\n</body></html>\r\n"));
}

void TestPreviewRender::fileIsCodePage932_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("pageText"); // what the file holds, as text
    QTest::newRow("japanese") << QStringLiteral("日本語　ｶﾅ ①") << QStringLiteral("日本語　ｶﾅ ①");
    QTest::newRow("emoji") << QStringLiteral("a😀b") << QStringLiteral("a&#x1F600;b");
    QTest::newRow("wave dash") << QStringLiteral("1〜2") << QStringLiteral("1&#x301C;2");
    QTest::newRow("hangul") << QStringLiteral("한") << QStringLiteral("&#xD55C;");
}

void TestPreviewRender::fileIsCodePage932()
{
    QFETCH(QString, body);
    QFETCH(QString, pageText);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("FumiMail.htm"));
    fumibako::test::RecordingPrompts prompts;
    const PreviewFont font{QStringLiteral("明朝"), QStringLiteral("3")};
    QVERIFY(MakePreview(prompts, file, body, font));
    QVERIFY(prompts.messages.isEmpty());
    const QString expected = renderPreviewPage(QString(), font).replace(QStringLiteral("\">\r\n\r\n"),
                                                                        "\">\r\n" + pageText + "\r\n");
    QCOMPARE(fumibako::test::readBytes(file), fumibako::platform::encodeCp932(expected));
}

void TestPreviewRender::writeFailureIsReported()
{
    QTemporaryDir dir;
    fumibako::test::RecordingPrompts prompts;
    QVERIFY(!MakePreview(prompts, dir.filePath(QStringLiteral("missing/FumiMail.htm")), QStringLiteral("x"), {}));
    QCOMPARE(prompts.messages.size(), 1);
    const auto& shown = prompts.messages.first();
    QCOMPARE(shown.title, QStringLiteral("エラー"));
    QCOMPARE(shown.icon, fumibako::platform::Icon::Exclamation);
    QVERIFY(shown.text.startsWith(QStringLiteral("エラー番号「75」\r\nエラーメッセージ 「")));
}

void TestPreviewRender::tool_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("output");
    QTest::newRow("font and links")
        << QStringList{"--face", "ＭＳ ゴシック", "--size", "3"} << QByteArray(">引用 a@b.jp\r\nhttp://x.jp/.")
        << 0
        << QString("<html><body>\r\n<font face=\"ＭＳ ゴシック\" size=\"3\">\r\n" + G + "&gt;引用 " + mail("a@b.jp") + E
                   + BR + web("http://x.jp/") + ".\r\n</font>\r\n</body></html>\r\n").toUtf8();
    QTest::newRow("no font, LF kept") << QStringList{} << QByteArray("a\nb")
                                      << 0 << QByteArray("<html><body>\r\n<font face=\"\" size=\"\">\r\na\nb\r\n"
                                                         "</font>\r\n</body></html>\r\n");
    QTest::newRow("unknown option") << QStringList{"--colour", "x"} << QByteArray() << 2 << QByteArray();
    QTest::newRow("option without value") << QStringList{"--face"} << QByteArray() << 2 << QByteArray();
}

void TestPreviewRender::tool()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, output);
    const QString tool = qEnvironmentVariable("FUMIBAKO_TOOL");
    if (tool.isEmpty())
        QSKIP("FUMIBAKO_TOOL is not set");
    QProcess process;
    process.start(tool, QStringList{"preview"} + args);
    QVERIFY(process.waitForStarted());
    process.write(input);
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), exitCode);
    if (exitCode == 0)
        QCOMPARE(process.readAllStandardOutput(), output);
}

QTEST_GUILESS_MAIN(TestPreviewRender)
#include "test_preview_render.moc"
