// Reading other programs' address books, the comma-separated fields, the text decoding and the export.
#include "addressbook/AddressBook.h"
#include "addressbook/AddressImport.h"
#include "addressbook/CsvFields.h"
#include "addressbook/TextDecoding.h"
#include "addressbook/core/ImportWizard.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QTest>

using namespace fumibako::addressbook;
using fumibako::test::cp932Lines;
using fumibako::test::readBytes;
using fumibako::test::writeBytes;

Q_DECLARE_METATYPE(TextProblem)
Q_DECLARE_METATYPE(ImportFormat)

namespace {

/** Rows as "name|address|comment" lines, easy to read in a table. */
QStringList rowLines(const QList<ImportedAddress>& rows)
{
    QStringList lines;
    for (const ImportedAddress& row : rows)
        lines << row.name + u'|' + row.address + u'|' + row.comment;
    return lines;
}

QStringList allFields(const QString& text, bool* failed = nullptr)
{
    CsvFieldReader reader(text);
    QStringList fields;
    while (const std::optional<QString> field = reader.next())
        fields << *field + (reader.endedLine() ? QStringLiteral("⏎") : QString());
    if (failed)
        *failed = reader.failed();
    return fields;
}

} // namespace

class TestAddressImport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void csvFields_data();
    void csvFields();
    void csvFieldWritten_data();
    void csvFieldWritten();
    void outlookExpress_data();
    void outlookExpress();
    void lineFormats_data();
    void lineFormats();
    void decoding_data();
    void decoding();
    void badFilesImportNothing_data();
    void badFilesImportNothing();
    void fileDialogs_data();
    void fileDialogs();
    void exportFile();
    void exportThenImportGivesTheBookBack();
};

// Each field, with ⏎ after the last field of its line.
void TestAddressImport::csvFields_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<bool>("failed");
    QTest::newRow("plain") << "a,b,c\r\nd,e,f\r\n" << QStringList{"a", "b", "c⏎", "d", "e", "f⏎"} << false;
    QTest::newRow("no final line end") << "a,b" << QStringList{"a", "b⏎"} << false;
    QTest::newRow("empty fields and trailing comma") << ",x,\n" << QStringList{"", "x", "⏎"} << false;
    QTest::newRow("blanks around plain fields") << "  a b , c\t\n" << QStringList{"a b", "c⏎"} << false;
    QTest::newRow("quoted comma and line break") << "\"a,b\",\"c\r\nd\"\n" << QStringList{"a,b", "c\r\nd⏎"} << false;
    QTest::newRow("doubled quote") << "\"say \"\"hi\"\"\",x\n" << QStringList{"say \"hi\"", "x⏎"} << false;
    QTest::newRow("text after the closing quote") << "\"ab\"cd,e\n" << QStringList{"abcd", "e⏎"} << false;
    QTest::newRow("empty and blank lines hold no field") << "a\n\n   \r\nb\n" << QStringList{"a⏎", "b⏎"} << false;
    QTest::newRow("CR line ends") << "a\rb\r" << QStringList{"a⏎", "b⏎"} << false;
    QTest::newRow("unclosed quote stops") << "a,\"b,c\nd\n" << QStringList{"a"} << true;
    QTest::newRow("empty text") << "" << QStringList{} << false;
}

void TestAddressImport::csvFields()
{
    QFETCH(QString, text);
    QFETCH(QStringList, fields);
    QFETCH(bool, failed);
    bool stopped = false;
    QCOMPARE(allFields(text, &stopped), fields);
    QCOMPARE(stopped, failed);
}

void TestAddressImport::csvFieldWritten_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("written");
    QTest::newRow("plain") << "山田 太郎" << "山田 太郎";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("comma") << "a,b" << "\"a,b\"";
    QTest::newRow("quote") << "say \"hi\"" << "\"say \"\"hi\"\"\"";
    QTest::newRow("blank at an end") << " a" << "\" a\"";
    QTest::newRow("line break") << "a\nb" << "\"a\nb\"";
}

// What is written reads back as the same field.
void TestAddressImport::csvFieldWritten()
{
    QFETCH(QString, field);
    QFETCH(QString, written);
    QCOMPARE(csvField(field), written);
    QCOMPARE(allFields(csvLine({field, QStringLiteral("next")})), (QStringList{field, QStringLiteral("next⏎")}));
}

void TestAddressImport::outlookExpress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<bool>("formatError");
    QTest::newRow("export header") << "表示名,電子メール アドレス,メモ\r\n山田,y@ex.jp,上司\r\n佐藤,s@ex.jp,\r\n"
                                   << QStringList{"山田|y@ex.jp|上司", "佐藤|s@ex.jp|"} << false;
    QTest::newRow("columns found anywhere in five")
        << "名,表示名,姓,電子メール アドレス,メモ\n1,二郎,3,j@x,5番目\n"
        << QStringList{"二郎|j@x|5番目"} << false;
    QTest::newRow("a record runs over short lines")
        << "表示名,電子メール アドレス,メモ\nA,a@x\nmemo,B,b@x\n,\n" << QStringList{"A|a@x|memo", "B|b@x|", "||"} << false;
    QTest::newRow("header without the columns: empty rows") << "Name,Mail\nA,a@x\nB,b@x\n"
                                                            << QStringList{"||", "||"} << false;
    QTest::newRow("quoted header field with a comma counts once")
        << "\"表示名\",\"x,y\",電子メール アドレス\nA,\"1,2\",a@x\n" << QStringList{"A|a@x|"} << false;
    QTest::newRow("line break inside a quoted memo becomes a space")
        << "表示名,電子メール アドレス,メモ\nA,a@x,\"1行目\r\n2行目\"\nB,b@x,\n"
        << QStringList{"A|a@x|1行目 2行目", "B|b@x|"} << false;
    QTest::newRow("the file ends inside a record") << "表示名,電子メール アドレス,メモ\nA,a@x,m\nB\n"
                                                   << QStringList{"A|a@x|m", "B||"} << false;
    QTest::newRow("unclosed quote: rows before it stay")
        << "表示名,電子メール アドレス,メモ\nA,a@x,m\nB,\"b@x,\n" << QStringList{"A|a@x|m"} << true;
    QTest::newRow("unclosed quote in the header") << "\"表示名,x\nA,a@x\n" << QStringList{} << true;
    QTest::newRow("header only") << "表示名,電子メール アドレス,メモ\r\n" << QStringList{} << false;
}

void TestAddressImport::outlookExpress()
{
    QFETCH(QString, text);
    QFETCH(QStringList, rows);
    QFETCH(bool, formatError);
    const ImportResult result = parseOutlookExpress(text);
    QCOMPARE(rowLines(result.rows), rows);
    QCOMPARE(result.problem.has_value(), formatError);
    if (formatError) {
        QCOMPARE(result.problem->text, QStringLiteral("対応しているOutlookのアドレス形式ではありません"));
        QCOMPARE(result.problem->title, QStringLiteral("未対応"));
    }
}

void TestAddressImport::lineFormats_data()
{
    QTest::addColumn<ImportFormat>("format");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("message");
    const QString alMail = QStringLiteral("対応しているAl-Mailのアドレス形式ではありません");
    const QString becky = QStringLiteral("対応しているBecky!のアドレス形式ではありません");
    QTest::newRow("al-mail") << ImportFormat::AlMail << "山田: y@ex.jp\r\n佐藤: s@ex.jp\r\n"
                             << QStringList{"山田|y@ex.jp|", "佐藤|s@ex.jp|"} << "";
    QTest::newRow("al-mail splits at the first colon and space") << ImportFormat::AlMail << "会社: 営業: e@ex.jp\n"
                                                                 << QStringList{"会社|営業: e@ex.jp|"} << "";
    QTest::newRow("al-mail blank lines skipped") << ImportFormat::AlMail << "\nA: a@x\n\n"
                                                 << QStringList{"A|a@x|"} << "";
    QTest::newRow("al-mail line without colon and space") << ImportFormat::AlMail << "A: a@x\nB:b@x\nC: c@x\n"
                                                          << QStringList{"A|a@x|"} << alMail;
    QTest::newRow("becky") << ImportFormat::Becky << "山田\ty@ex.jp\tskip\tメモ\t\r\n佐藤\ts@x\t\t\t余り\tもっと\n"
                           << QStringList{"山田|y@ex.jp|メモ", "佐藤|s@x|"} << "";
    QTest::newRow("becky line with three TABs stops") << ImportFormat::Becky << "A\ta@x\t\tm\t\nB\tb@x\t\tm\nC\tc@x\t\t\t\n"
                                                      << QStringList{"A|a@x|m"} << becky;
}

void TestAddressImport::lineFormats()
{
    QFETCH(ImportFormat, format);
    QFETCH(QString, text);
    QFETCH(QStringList, rows);
    QFETCH(QString, message);
    const ImportResult result = format == ImportFormat::AlMail ? parseAlMail(text) : parseBecky(text);
    QCOMPARE(rowLines(result.rows), rows);
    QCOMPARE(result.problem ? result.problem->text : QString(), message);
}

void TestAddressImport::decoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<TextProblem>("problem");
    QTest::addColumn<int>("line");
    const QString japanese = QStringLiteral("表示名,髙橋①\n");
    QTest::newRow("code page 932") << cp932Lines(japanese) << QStringLiteral("表示名,髙橋①\r\n") << TextProblem::None << 0;
    QTest::newRow("utf-8 without mark") << japanese.toUtf8() << japanese << TextProblem::None << 0;
    QTest::newRow("utf-8 with mark") << QByteArray("\xEF\xBB\xBF") + japanese.toUtf8() << japanese << TextProblem::None
                                     << 0;
    QTest::newRow("utf-16 little endian") << QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char*>(japanese.utf16()), japanese.size() * 2)
                                          << japanese << TextProblem::None << 0;
    QTest::newRow("ctrl-z at the end dropped") << QByteArray("a,b\r\n\x1A") << QStringLiteral("a,b\r\n")
                                               << TextProblem::None << 0;
    QTest::newRow("NUL on line 2") << QByteArray("a\r\nb\0c\r\n", 8) << QString() << TextProblem::NotText << 2;
    QTest::newRow("control byte on line 3") << QByteArray("a\nb\nc\x02\n") << QString() << TextProblem::NotText << 3;
    QTest::newRow("bad utf-8 after a mark") << QByteArray("\xEF\xBB\xBF" "ok\n\xC3\x28\n") << QString()
                                            << TextProblem::Undecodable << 2;
    QTest::newRow("byte that is no code page 932 character") << QByteArray("ok\n\x81\x81\n\xA0\xFD\n") << QString()
                                                             << TextProblem::Undecodable << 3;
}

void TestAddressImport::decoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(TextProblem, problem);
    QFETCH(int, line);
    const DecodedText decoded = decodeTextBytes(bytes);
    QCOMPARE(decoded.problem, problem);
    QCOMPARE(decoded.problemLine, line);
    if (problem == TextProblem::None)
        QCOMPARE(decoded.text, text);
}

void TestAddressImport::badFilesImportNothing_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    QByteArray binary("表示名,電子メール アドレス,メモ\r\nA,a@x,\r\n");
    binary += QByteArray("\x89PNG\0\0\0\rIHDR", 12);
    QTest::newRow("binary after good lines") << binary << QStringLiteral("3 行目に文字ではないデータがあります。\r\n"
                                                                          "テキスト形式のアドレス帳ではないようです。");
    QTest::newRow("too large") << QByteArray(kMaxImportBytes + 1, 'a')
                               << QStringLiteral("ファイルが大きすぎるため取り込めません。\r\n"
                                                 "取り込めるのは 16 MB までのファイルです。");
}

// A file that is not a text book shows why, and nothing of it reaches the preview.
void TestAddressImport::badFilesImportNothing()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("book.csv"));
    writeBytes(path, bytes);
    const ImportResult result = importAddressFile(ImportFormat::OutlookExpress, path);
    QVERIFY(result.rows.isEmpty());
    QVERIFY(result.problem);
    QCOMPARE(result.problem->text, message);
    QCOMPARE(result.problem->title, QStringLiteral("未対応"));
}

// The browse button's dialog per kind; Qt shows the filter as written and takes the pattern in
// its parentheses.
void TestAddressImport::fileDialogs_data()
{
    QTest::addColumn<ImportFormat>("format");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("filter");
    QTest::newRow("Outlook Express") << ImportFormat::OutlookExpress << QStringLiteral("Outlook形式のファイルを選んでください")
                                     << QStringLiteral("Outlook形式(*csv)");
    QTest::newRow("Al-Mail") << ImportFormat::AlMail << QStringLiteral("Al-Mailのファイルを選んでください")
                             << QStringLiteral("Al-Mail(Address)");
    QTest::newRow("Becky!") << ImportFormat::Becky << QStringLiteral("Becky! のアドレス帳を選んでください")
                            << QStringLiteral("テキスト形式(*.txt)");
}

void TestAddressImport::fileDialogs()
{
    QFETCH(ImportFormat, format);
    const ImportFileDialog dialog = fileDialogFor(format);
    QTEST(dialog.title, "title");
    QTEST(dialog.filter, "filter");
}

void TestAddressImport::exportFile()
{
    QTemporaryDir dir;
    const QString programDir = dir.path() + u'/';
    const QList<AddressEntry> entries{{QStringLiteral("Root"), QStringLiteral("山田"), QStringLiteral("y@ex.jp"), QString()},
                                      {QStringLiteral("Root\\仕事"), QStringLiteral("佐藤"), QStringLiteral("s@ex.jp"),
                                       QStringLiteral("東京, 大阪")}};
    QVERIFY(ExportAddressBook(programDir, entries));
    QCOMPARE(readBytes(programDir + QStringLiteral("Exp_Address.csv")),
             cp932Lines(QStringLiteral("表示名,電子メール アドレス,メモ\n山田,y@ex.jp,\n佐藤,s@ex.jp,\"東京, 大阪\"\n")));
    QCOMPARE(exportDoneText(programDir), programDir + QStringLiteral("\r\nに「Exp_Address.csv」を作成しました"));

    QVERIFY(ExportAddressBook(programDir, {{QStringLiteral("Root"), QStringLiteral("😀"), QStringLiteral("e@x"), QString()}}));
    QVERIFY(readBytes(programDir + QStringLiteral("Exp_Address.csv")).startsWith("\xEF\xBB\xBF"));
}

void TestAddressImport::exportThenImportGivesTheBookBack()
{
    QTemporaryDir dir;
    const QString programDir = dir.path() + u'/';
    QList<AddressEntry> entries;
    QStringList expected;
    const QStringList comments{QString(), QStringLiteral("上司"), QStringLiteral("a, b"), QStringLiteral("「引用」\"x\""),
                               QStringLiteral(" 前後に空白 "), QStringLiteral("TAB\tあり")};
    for (int i = 0; i < comments.size(); ++i) {
        entries.append({QStringLiteral("Root\\f%1").arg(i), QStringLiteral("名前%1").arg(i),
                        QStringLiteral("u%1@example.jp").arg(i), comments.at(i)});
        QString comment = comments.at(i);
        expected << entries.last().name + u'|' + entries.last().address + u'|' + comment.replace(u'\t', u' ');
    }
    QVERIFY(ExportAddressBook(programDir, entries));
    const ImportResult back = importAddressFile(ImportFormat::OutlookExpress, programDir + QStringLiteral("Exp_Address.csv"));
    QVERIFY(!back.problem);
    QCOMPARE(rowLines(back.rows), expected);
}

QTEST_GUILESS_MAIN(TestAddressImport)
#include "test_address_import.moc"
