#include "storage/ProfileStore.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QTest>

using namespace fumibako::storage;
using fumibako::test::readBytes;
using fumibako::test::writeBytes;

namespace {

const QByteArray kNoFile = QByteArrayLiteral("<no file>");

QString u8(const char* text)
{
    return QString::fromUtf8(text);
}

/** The texts of shared section lines. */
QStringList texts(const SectionText& lines)
{
    QStringList result;
    for (const SharedLine& line : lines)
        result.append(line.text.toString());
    return result;
}

/** Everything the store shows of a file: each section name followed by its lines. */
QStringList snapshot(const QString& file)
{
    QStringList all;
    QStringList names;
    if (!IniGetSectionNames(file, names))
        return all;
    for (const QString& name : names) {
        QStringList lines;
        IniGetSection(name, file, lines);
        all << QLatin1Char('[') + name + QLatin1Char(']') << lines;
    }
    return all;
}

} // namespace

class TestProfileStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void getString_data();
    void getString();
    void getSection_data();
    void getSection();
    void sharedLinesOutliveTheirFile();
    void sectionNames_data();
    void sectionNames();
    void missingLeavesListUntouched();
    void writes_data();
    void writes();
    void writtenValueReadsBack_data();
    void writtenValueReadsBack();
    void largeSectionLookup_data();
    void largeSectionLookup();
    void deletingFirstDuplicateRevealsSecond();
    void largeSectionReadWhole();
    void orderedList();
    void stripAtNul_data();
    void stripAtNul();

private:
    void run(const QStringList& op);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_file;
};

void TestProfileStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_file = m_dir->filePath(QStringLiteral("test.ini"));
    clearProfileCache();
}

void TestProfileStore::getString_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("bufferSize");
    QTest::addColumn<QString>("expected");
    auto row = [](const char* name, const QByteArray& content, const QString& section, const QString& key,
                  int size, const QString& expected) {
        QTest::newRow(name) << content << section << key << size << expected;
    };
    row("quoted value keeps inner spaces", "[s]\r\na = \" x \" \r\n", "s", "a", 256, " x ");
    row("names ignore case", "[S]\r\nK=v", "s", "k", 256, "v");
    row("full-width letters fold", fumibako::test::cp932Lines(u8("[ＡＢＣ]\nＫｅｙ=v\n")), u8("ａｂｃ"), u8("ｋＥＹ"), 256, "v");
    row("keys before the first section are unreachable", "x=1\r\n[s]\r\n", "", "x", 256, "");
    row("text after the closing bracket is ignored", "[s]garbage\r\nk=v", "s", "k", 256, "v");
    row("key on the header line is unreachable", "[S]key=v\r\n", "S", "key", 256, "");
    row("duplicate key: first wins", "[s]\r\nk=1\r\nk=2\r\n", "s", "k", 256, "1");
    row("duplicate section: only the first is searched", "[s]\r\na=1\r\n[s]\r\nb=2\r\n", "s", "b", 256, "");
    row("Count found as count", "[l]\r\nCount=3\r\n", "l", "count", 256, "3");
    row("49 bytes fit buffer 50", "[s]\r\nk=" + QByteArray(49, 'x'), "s", "k", 50, QString(49, u'x'));
    row("50 bytes cut to 49", "[s]\r\nk=" + QByteArray(50, 'x'), "s", "k", 50, QString(49, u'x'));
    row("half a kanji is dropped", fumibako::test::cp932Lines(u8("[s]\nk=あいう\n")), "s", "k", 6, u8("あい"));
    row("cut counts code page bytes", fumibako::test::cp932Lines(u8("[s]\nk=ｶﾅあ\n")), "s", "k", 4, u8("ｶﾅ"));
    row("buffer 1 gives nothing", "[s]\r\nk=v\r\n", "s", "k", 1, "");
    row("buffer 0 gives nothing", "[s]\r\nk=v\r\n", "s", "k", 0, "");
    row("single quotes", "[s]\r\nk='v'\r\n", "s", "k", 256, "v");
    row("inner quotes survive", "[s]\r\nk=\"'v'\"\r\n", "s", "k", 256, "'v'");
    row("unmatched quotes stay", "[s]\r\nk=\"v'\r\n", "s", "k", 256, "\"v'");
    row("a lone quote stays", "[s]\r\nk=\"\r\n", "s", "k", 256, "\"");
    row("no end-of-line comments", "[s]\r\nk=v ;x\r\n", "s", "k", 256, "v ;x");
    row("a comment is never a key", "[s]\r\n;k=v\r\n", "s", ";k", 256, "");
    row("hash is no comment", "[s]\r\n#k=v\r\n", "s", "#k", 256, "v");
    row("line without equals is no key", "[s]\r\nname3\r\n", "s", "name3", 256, "");
    row("empty key name", "[s]\r\n=val5\r\n", "s", "", 256, "val5");
    row("value holds equals signs", "[s]\r\nk=a=b\r\n", "s", "k", 256, "a=b");
    row("arguments lose ASCII spaces", "[s]\r\nk=v\r\n", "  s ", " k  ", 256, "v");
    row("arguments keep TAB", "[s]\r\nk=v\r\n", "\ts", "k", 256, "");
    row("file names and values lose TAB and VT", "[s]\r\n\t k\v=\t v \t\r\n", "s", "k", 256, "v");
    row("spaces inside brackets", "[ s ]\r\nk=v\r\n", "s", "k", 256, "v");
    row("missing closing bracket", "[s\r\nk=v\r\n", "s", "k", 256, "v");
    row("bracket inside the name", "[[s]\r\nk=v\r\n", "[s", "k", 256, "v");
    row("CR line ends", "[s]\rk=v\rj=w\r", "s", "j", 256, "w");
    row("LF line ends", "[s]\nk=v\nj=w\n", "s", "j", 256, "w");
    row("NUL ends the value", QByteArray("[s]\r\nk=ab\0cd\r\n", 14), "s", "k", 256, "ab");
    row("UTF-8 file with BOM", "\xEF\xBB\xBF[s]\r\nk=\xF0\xA0\xAE\xB7\r\n", "s", "k", 256, u8("𠮷"));
    row("empty section name", "[]\r\nk=v\r\n", "", "k", 256, "v");
    row("missing file", kNoFile, "s", "k", 256, "");
    row("binary garbage", QByteArray("\xff\xfe\0\x80[\x82\n\r", 8) + QByteArray(300, '\0'), "s", "k", 256, "");
}

void TestProfileStore::getString()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(int, bufferSize);
    QFETCH(QString, expected);
    if (content != kNoFile)
        writeBytes(m_file, content);
    QCOMPARE(IniGetString(section, key, bufferSize, m_file), expected);
}

void TestProfileStore::getSection_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QStringList>("expected"); // empty: the call gives false
    const QByteArray wine = "[section1]\r\nname1=val1\r\nname2=\r\nname3\r\nname4=val4\r\n[section2]\r\n[section3]\r\n=val5\r\n";
    QTest::newRow("lines with and without equals") << wine << "section1"
                                                   << QStringList{"name1=val1", "name2=", "name3", "name4=val4"};
    QTest::newRow("section without lines") << wine << "section2" << QStringList();
    QTest::newRow("empty key name") << wine << "section3" << QStringList{"=val5"};
    QTest::newRow("spaces around equals go, quotes stay")
        << QByteArray("[s]\r\n  a = \"b\" \r\n\tc\t\r\n") << "S" << QStringList{"a=\"b\"", "c"};
    QTest::newRow("comments and blank lines skipped")
        << QByteArray("[s]\r\n;c\r\n\r\n   \r\nk=v\r\n  ;d=e\r\n") << "s" << QStringList{"k=v"};
    QTest::newRow("duplicate keys both listed") << QByteArray("[s]\r\nk=1\r\nk=2\r\n") << "s" << QStringList{"k=1", "k=2"};
    QTest::newRow("code page 932") << fumibako::test::cp932Lines(u8("[箱]\nｶﾅ=あ\t①\nキー = 値 \n"))
                                   << u8("箱") << QStringList{u8("ｶﾅ=あ\t①"), u8("キー=値")};
    QTest::newRow("UTF-8: a byte order mark starting a line is dropped, a bad byte replaced")
        << QByteArray("\xEF\xBB\xBF[s]\r\n\xEF\xBB\xBFk=\xF0\xA0\xAE\xB7\xFF\r\n") << "s"
        << QStringList{u8("k=𠮷\xEF\xBF\xBD")};
    QTest::newRow("missing section") << wine << "nope" << QStringList();
    QTest::newRow("missing file") << kNoFile << "s" << QStringList();
}

void TestProfileStore::getSection()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QStringList, expected);
    if (content != kNoFile)
        writeBytes(m_file, content);
    QStringList lines;
    QCOMPARE(IniGetSection(section, m_file, lines), !expected.isEmpty());
    QCOMPARE(lines, expected);
    QCOMPARE(texts(readSectionText(m_file, section)), expected);
}

// Shared lines are read where the store parsed them; they must stay what they were when the file
// is rewritten, the section replaced or the store cleared.
void TestProfileStore::sharedLinesOutliveTheirFile()
{
    writeBytes(m_file, fumibako::test::cp932Lines(u8("[s]\na=受信\nb = 2 \n")));
    IniWriteString(QStringLiteral("s"), QStringLiteral("c"), u8("追加"), m_file); // a line of its own text
    const SectionText before = readSectionText(m_file, QStringLiteral("s"));
    const QStringList expected{u8("a=受信"), QStringLiteral("b=2"), u8("c=追加")};
    QCOMPARE(texts(before), expected);

    IniWriteSection(QStringLiteral("s"), m_file, {QStringLiteral("x=1")});
    IniWriteString(QStringLiteral("s"), QStringLiteral("c"), QStringLiteral("changed"), m_file);
    clearProfileCache();
    writeBytes(m_file, "[s]\r\nz=9\r\n");
    QCOMPARE(IniGetString(QStringLiteral("s"), QStringLiteral("z"), 256, m_file), QStringLiteral("9"));
    QCOMPARE(texts(before), expected);
    QCOMPARE(texts(readSectionText(m_file, QStringLiteral("s"))), QStringList{QStringLiteral("z=9")});
}

void TestProfileStore::sectionNames_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("trimmed names") << QByteArray("[ section1 ]\r\n[section2]\r\n[section3]\r\n")
                                   << QStringList{"section1", "section2", "section3"};
    QTest::newRow("duplicates repeated") << QByteArray("[a]\r\n[b]\r\n[A]\r\n") << QStringList{"a", "b", "A"};
    QTest::newRow("nameless skipped, half headers ignored")
        << QByteArray("[]\r\nsec]\r\n[sec][sec2]]\r\n;[c]\r\n") << QStringList{"sec"};
    QTest::newRow("no sections") << QByteArray("k=v\r\n") << QStringList();
    QTest::newRow("empty file") << QByteArray("") << QStringList();
}

void TestProfileStore::sectionNames()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, expected);
    writeBytes(m_file, content);
    QStringList names;
    QCOMPARE(IniGetSectionNames(m_file, names), !expected.isEmpty());
    QCOMPARE(names, expected);
}

void TestProfileStore::missingLeavesListUntouched()
{
    const QStringList before{QStringLiteral("keep")};
    QStringList list = before;
    QVERIFY(!IniGetSection(QStringLiteral("s"), m_file, list));
    QVERIFY(!IniGetSectionNames(m_file, list));
    writeBytes(m_file, "[other]\r\nk=v\r\n[empty]\r\n");
    QVERIFY(!IniGetSection(QStringLiteral("s"), m_file, list));
    QVERIFY(!IniGetSection(QStringLiteral("empty"), m_file, list));
    QCOMPARE(list, before);
}

void TestProfileStore::run(const QStringList& op)
{
    const QString& verb = op.at(0);
    if (verb == QLatin1String("set"))
        QCOMPARE(IniWriteString(op.at(1), op.at(2), op.at(3), m_file), QStringLiteral("1"));
    else if (verb == QLatin1String("del"))
        QVERIFY(IniDeleteKey(m_file, op.at(1), op.at(2)));
    else if (verb == QLatin1String("delsec"))
        QVERIFY(IniDeleteSection(m_file, op.at(1)));
    else if (verb == QLatin1String("wsec"))
        QVERIFY(IniWriteSection(op.at(1), m_file, op.mid(2)));
    else
        QFAIL("unknown operation");
}

void TestProfileStore::writes_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QList<QStringList>>("ops");
    QTest::addColumn<QByteArray>("after");
    using Ops = QList<QStringList>;
    auto row = [](const char* name, const QByteArray& before, const Ops& ops, const QByteArray& after) {
        QTest::newRow(name) << before << ops << after;
    };
    row("new file, value written verbatim", kNoFile, {{"set", "s", "k", " v "}}, "[s]\r\nk= v \r\n");
    row("empty value", kNoFile, {{"set", "App", "key", ""}}, "[App]\r\nkey=\r\n");
    row("sections appended without blank lines", kNoFile,
        {{"set", "App1", "key1", "string1"}, {"set", "App1", "key2", "string2"}, {"set", "App1", "key3", "string3"},
         {"set", "App2", "key4", "string4"}, {"set", "App3", "key5", "string5"}},
        "[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\n[App2]\r\nkey4=string4\r\n[App3]\r\nkey5=string5\r\n");
    row("existing key keeps its place and spelling", "[SectionName]\r\nTestKey=old\r\nZ=1\r\n",
        {{"set", "SECTIONNAME", "TESTKEY", "new"}}, "[SectionName]\r\nTestKey=new\r\nZ=1\r\n");
    row("new key after the last key, before blank lines", "[a]\r\nx=1\r\n\r\n[b]\r\n", {{"set", "a", "y", "2"}},
        "[a]\r\nx=1\r\ny=2\r\n\r\n[b]\r\n");
    row("new keys go after the last key line, comments below",
        ";c0\r\n[S]\r\n;c1\r\nb=v\r\n;c2\r\na=v\r\n",
        {{"set", "S", "z", ""}, {"set", "S", ";x", ""}, {"set", "S", "y", ""}, {"set", "S", "a", ""}, {"set", "S", "b", ""}},
        ";c0\r\n[S]\r\n;c1\r\nb=\r\n;c2\r\na=\r\nz=\r\ny=\r\n;x=\r\n");
    row("new key into an empty section", "[a]\r\n;c\r\n[b]\r\n", {{"set", "a", "k", "v"}}, "[a]\r\nk=v\r\n;c\r\n[b]\r\n");
    row("last line without CR LF gets one", "[s]\r\nk=v", {{"set", "s", "j", "w"}}, "[s]\r\nk=v\r\nj=w\r\n");
    row("replaced last line gets CR LF", "[s]\r\nk=v", {{"set", "s", "k", "w"}}, "[s]\r\nk=w\r\n");
    row("new section after an unterminated line", "[a]\r\nx=1", {{"set", "b", "y", "2"}}, "[a]\r\nx=1\r\n[b]\r\ny=2\r\n");
    row("untouched lines kept byte for byte", QByteArray("junk\0x\n[s]\nk = v\n;c\x80\n", 21), {{"set", "s", "j", "1"}},
        QByteArray("junk\0x\n[s]\nk = v\nj=1\r\n;c\x80\n", 26));
    row("delete a key, header stays", "[App3]\r\nkey5=string5\r\n", {{"del", "app3", "KEY5"}}, "[App3]\r\n");
    row("delete a missing key", "[a]\r\nk=v\r\n", {{"del", "a", "x"}, {"del", "x", "k"}}, "[a]\r\nk=v\r\n");
    row("delete sections, comments stay", ";c0\r\n[S]\r\n;c1\r\n[S2]\r\n;c2\r\n", {{"delsec", "S"}, {"delsec", "s2"}},
        ";c0\r\n;c1\r\n;c2\r\n");
    row("delete a middle section", "[a]\r\nx=1\r\n[b]\r\ny=2\r\nt\r\n[c]\r\nz=3\r\n", {{"delsec", "B"}},
        "[a]\r\nx=1\r\n[c]\r\nz=3\r\n");
    row("write section: list ends at the first empty element",
        "[a]\r\nx=1\r\n[b]\r\nold1=1\r\nold2=2\r\nold3=3\r\nold4=4\r\n[c]\r\nz=3\r\n",
        {{"wsec", "b", "p=1", "q=2", "r=3", "", ""}}, "[a]\r\nx=1\r\n[b]\r\np=1\r\nq=2\r\nr=3\r\n[c]\r\nz=3\r\n");
    row("write section: nothing after an empty element", "[b]\r\nk=1\r\n", {{"wsec", "b", "p=1", "", "q=2"}},
        "[b]\r\np=1\r\n");
    row("write section: empty first element keeps the header", "[b]\r\nk=1\r\n[c]\r\n", {{"wsec", "b", ""}},
        "[b]\r\n[c]\r\n");
    row("write section: missing section appended", "[a]\r\nx=1\r\n", {{"wsec", "n", "k=v", "text"}},
        "[a]\r\nx=1\r\n[n]\r\nk=v\r\ntext\r\n");
    row("write section: comments stay after the lines", "[b]\r\n;c\r\nk=1\r\n\r\n[c]\r\n", {{"wsec", "b", "n=2"}},
        "[b]\r\nn=2\r\n;c\r\n\r\n[c]\r\n");
    row("line breaks in a value cannot inject lines", kNoFile, {{"set", "s", "k", QString::fromLatin1("v\r\n[evil]\nx=1\0", 14)}},
        QByteArray("[s]\r\nk=v  [evil] x=1 \r\n"));
    row("line breaks in names cannot inject lines", kNoFile, {{"set", "s\n[x]", "k\r\nj", "v"}},
        "[s [x]]\r\nk  j=v\r\n");
    row("line breaks in section lines cannot inject lines", kNoFile, {{"wsec", "s", "a=1\r\n[x]"}},
        "[s]\r\na=1  [x]\r\n");
    row("a key starting with a bracket opens a section, as on Windows", "[s]\r\nk=v\r\n",
        {{"set", "s", "[t", "1"}, {"set", "s", "j", "2"}}, "[s]\r\nk=v\r\nj=2\r\n[t=1\r\n");
    row("character outside code page 932: whole file as UTF-8",
        fumibako::test::cp932Lines(u8("[a]\nx=日本①\n")), {{"set", "a", "y", u8("𠮷")}},
        "\xEF\xBB\xBF[a]\r\nx=\xE6\x97\xA5\xE6\x9C\xAC\xE2\x91\xA0\r\ny=\xF0\xA0\xAE\xB7\r\n");
    row("UTF-8 file stays UTF-8", "\xEF\xBB\xBF[a]\r\nx=\xC3\xA9\r\n", {{"set", "a", "y", "1"}},
        "\xEF\xBB\xBF[a]\r\nx=\xC3\xA9\r\ny=1\r\n");
    row("wave dash is kept exactly, as UTF-8", kNoFile, {{"set", "a", "y", QString(QChar(0x301C))}},
        "\xEF\xBB\xBF[a]\r\ny=\xE3\x80\x9C\r\n");
    row("code page 932 text written as code page 932", kNoFile, {{"set", u8("標準BOX"), "a.eml", u8("010\t髙橋\t件名")}},
        fumibako::test::cp932Lines(u8("[標準BOX]\na.eml=010\t髙橋\t件名\n")));
}

void TestProfileStore::writes()
{
    QFETCH(QByteArray, before);
    QFETCH(QList<QStringList>, ops);
    QFETCH(QByteArray, after);
    if (before != kNoFile)
        writeBytes(m_file, before);
    for (const QStringList& op : ops) {
        run(op);
        if (QTest::currentTestFailed())
            return;
    }
    QCOMPARE(readBytes(m_file), after);
    // What the store holds must equal what parsing the written file gives.
    const QStringList cached = snapshot(m_file);
    clearProfileCache();
    QCOMPARE(cached, snapshot(m_file));
}

void TestProfileStore::writtenValueReadsBack_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("read");
    QTest::newRow("outer spaces trimmed") << " v " << "v";
    QTest::newRow("quoted keeps spaces") << "\" x \"" << " x ";
    QTest::newRow("Japanese") << u8("日本語の件名①") << u8("日本語の件名①");
    QTest::newRow("outside code page 932") << u8("😀 é") << u8("😀 é");
    QTest::newRow("backslash") << "C:\\mail\\a.eml" << "C:\\mail\\a.eml";
}

void TestProfileStore::writtenValueReadsBack()
{
    QFETCH(QString, value);
    QFETCH(QString, read);
    QCOMPARE(IniWriteString(QStringLiteral("s"), QStringLiteral("k"), value, m_file), QStringLiteral("1"));
    QCOMPARE(IniGetString(QStringLiteral("s"), QStringLiteral("k"), 256, m_file), read);
    QStringList lines;
    QVERIFY(IniGetSection(QStringLiteral("s"), m_file, lines));
    QCOMPARE(lines, QStringList{QStringLiteral("k=") + value.trimmed()});
    clearProfileCache();
    QCOMPARE(IniGetString(QStringLiteral("s"), QStringLiteral("k"), 256, m_file), read);
}

// Large sections are searched through a hash of the folded key; it must agree with the rules.
void TestProfileStore::largeSectionLookup_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ASCII case") << "COUNT" << "3";
    QTest::newRow("full-width letters") << u8("ｋＥＹ") << "fw";
    QTest::newRow("Greek letters") << u8("σ") << "greek";
    QTest::newRow("outside the BMP") << u8("𠮷x") << "astral";
    QTest::newRow("first duplicate") << "dup" << "first";
    QTest::newRow("text line is no key") << "plain" << "";
    QTest::newRow("missing") << "k999" << "";
}

void TestProfileStore::largeSectionLookup()
{
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QString text = u8("[s]\nCount=3\nＫｅｙ=fw\nΣ=greek\n𠮷X=astral\nDUP=first\nplain\n");
    for (int i = 0; i < 40; ++i)
        text += QStringLiteral("k%1=%1\n").arg(i);
    text += QStringLiteral("dup=second\n");
    writeBytes(m_file, QByteArray("\xEF\xBB\xBF") + text.toUtf8());
    QCOMPARE(IniGetString(QStringLiteral("s"), key, 256, m_file), expected);
}

void TestProfileStore::deletingFirstDuplicateRevealsSecond()
{
    QByteArray content = "[s]\r\n";
    for (int i = 0; i < 40; ++i) // large enough for the key index
        content += "k" + QByteArray::number(i) + "=" + QByteArray::number(i) + "\r\n";
    content += "K5=second\r\n";
    writeBytes(m_file, content);
    QCOMPARE(IniGetString(QStringLiteral("s"), QStringLiteral("k5"), 256, m_file), QStringLiteral("5"));
    QVERIFY(IniDeleteKey(m_file, QStringLiteral("s"), QStringLiteral("K5")));
    QCOMPARE(IniGetString(QStringLiteral("s"), QStringLiteral("k5"), 256, m_file), QStringLiteral("second"));
    QVERIFY(IniDeleteKey(m_file, QStringLiteral("s"), QStringLiteral("k5")));
    QCOMPARE(IniGetString(QStringLiteral("s"), QStringLiteral("k5"), 256, m_file), QString());
}

void TestProfileStore::largeSectionReadWhole()
{
    QStringList written;
    for (int i = 0; i < 3000; ++i)
        written << QStringLiteral("key%1=%2").arg(i).arg(u8("値"));
    QVERIFY(IniWriteSection(QStringLiteral("big"), m_file, written));
    QVERIFY(readBytes(m_file).size() > 2048 * 10);
    clearProfileCache();
    QStringList lines;
    QVERIFY(IniGetSection(QStringLiteral("big"), m_file, lines));
    QCOMPARE(lines, written);
}

void TestProfileStore::orderedList()
{
    writeBytes(m_file, "[Folder]\r\nCount=9\r\n0=old\r\n[x]\r\n");
    QVERIFY(writeOrderedList(QStringLiteral("Folder"), m_file, {u8("受信BOX\\a"), QString(), QStringLiteral("c")}));
    QCOMPARE(readBytes(m_file), fumibako::test::cp932Lines(u8("[Folder]\nCount=3\n0=受信BOX\\a\n1=\n2=c\n[x]\n")));
    QVERIFY(writeOrderedList(QStringLiteral("Folder"), m_file, {}));
    QCOMPARE(IniGetString(QStringLiteral("Folder"), QStringLiteral("Count"), 10, m_file), QStringLiteral("0"));
    QCOMPARE(IniGetString(QStringLiteral("Folder"), QStringLiteral("0"), 10, m_file), QString());
}

void TestProfileStore::stripAtNul_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no NUL") << "abc" << "abc";
    QTest::newRow("NUL inside") << QString::fromUtf16(u"ab\0c", 4) << "ab";
    QTest::newRow("NUL first") << QString::fromUtf16(u"\0abc", 4) << "";
    QTest::newRow("empty") << "" << "";
}

void TestProfileStore::stripAtNul()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(StripAtNul(text), expected);
}

QTEST_APPLESS_MAIN(TestProfileStore)
#include "test_profile_store.moc"
