#include "addressbook/AddressBook.h"
#include "addressbook/AddressTable.h"
#include "platform/Cp932.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace fumibako::addressbook;
using fumibako::test::cp932Lines;
using fumibako::test::readBytes;
using fumibako::test::writeBytes;

Q_DECLARE_METATYPE(LoadResult)
Q_DECLARE_METATYPE(fumibako::addressbook::AddressEntry)

namespace {

AddressEntry entry(const QString& path, const QString& name, const QString& address, const QString& comment = {})
{
    return AddressEntry{path, name, address, comment};
}

/** The tree as "key<parent" lines in the order children() gives, depth first from the root. */
QStringList treeLines(const AddressFolderTree& tree, const QString& key = kRootFolder)
{
    QStringList lines;
    for (const QString& child : tree.children(key)) {
        lines << child + u'<' + tree.folder(child)->label;
        lines << treeLines(tree, child);
    }
    return lines;
}

} // namespace

class TestAddressBook : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void splitLine_data();
    void splitLine();
    void load_data();
    void load();
    void roundTrip_data();
    void roundTrip();
    void oldFormatThenSave();
    void quickAdd();
    void folderTree_data();
    void folderTree();
    void ensureFolderFailures_data();
    void ensureFolderFailures();
    void tableRebuild();

private:
    QString m_dir;
    std::unique_ptr<QTemporaryDir> m_temp;
};

void TestAddressBook::init()
{
    m_temp = std::make_unique<QTemporaryDir>();
    m_dir = m_temp->path() + u'/';
}

void TestAddressBook::splitLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("four fields") << "Root\\仕事\t山田\ty@ex.jp\tメモ" << true
                                 << QStringList{"Root\\仕事", "山田", "y@ex.jp", "メモ"};
    QTest::newRow("ends in third TAB") << "Root\tA\ta@b\t" << true << QStringList{"Root", "A", "a@b", ""};
    QTest::newRow("five TABs") << "Root\tA\ta@b\tx\ty\tz" << true << QStringList{"Root", "A", "a@b", "x\ty\tz"};
    QTest::newRow("all empty") << "\t\t\t" << true << QStringList{"", "", "", ""};
    QTest::newRow("two TABs") << "Root\tA\ta@b" << false << QStringList{};
    QTest::newRow("no TAB") << "1.1" << false << QStringList{};
}

void TestAddressBook::splitLine()
{
    QFETCH(QString, line);
    QFETCH(bool, ok);
    QFETCH(QStringList, fields);
    AddressEntry e{"p", "n", "a", "c"};
    QCOMPARE(SplitAddressLine(line, e), ok);
    if (ok)
        QCOMPARE((QStringList{e.path, e.name, e.address, e.comment}), fields);
    else
        QCOMPARE(e, (AddressEntry{"p", "n", "a", "c"}));
}

void TestAddressBook::load_data()
{
    QTest::addColumn<QByteArray>("file"); // null: no file
    QTest::addColumn<LoadResult>("result");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("names"); // display names in list order
    QTest::addColumn<QStringList>("tree");
    const QString broken = kBrokenBookMessage;
    QTest::newRow("missing") << QByteArray() << LoadResult::Missing << "" << QStringList{} << QStringList{};
    QTest::newRow("only version") << QByteArray("1.1\r\n") << LoadResult::Loaded << "" << QStringList{}
                                  << QStringList{};
    QTest::newRow("version without line end") << QByteArray("1.1") << LoadResult::Loaded << "" << QStringList{}
                                              << QStringList{};
    QTest::newRow("empty file") << QByteArray("") << LoadResult::Broken << broken << QStringList{} << QStringList{};
    QTest::newRow("old version") << cp932Lines("1.0\nRoot\tA\ta@b\t\n") << LoadResult::OldFormat
                                 << kOldFormatMessage << QStringList{} << QStringList{};
    QTest::newRow("sorted by path, file order within a folder")
        << cp932Lines("1.1\nRoot\\b\tB1\tb@x\t\nRoot\tR1\tr@x\t\nRoot\\a\tA1\ta@x\tc\nRoot\tR2\tr2@x\t\n")
        << LoadResult::Loaded << "" << QStringList{"R1", "R2", "A1", "B1"}
        << QStringList{"Root\\a<a", "Root\\b<b"};
    QTest::newRow("two-TAB line dropped") << cp932Lines("1.1\nRoot\tX\tx@x\nRoot\tY\ty@y\t\n")
                                          << LoadResult::Loaded << "" << QStringList{"Y"} << QStringList{};
    QTest::newRow("ancestor folder without entries")
        << cp932Lines("1.1\nRoot\\A\\B\t人\tp@x\t\n") << LoadResult::Loaded << "" << QStringList{"人"}
        << QStringList{"Root\\A<A", "Root\\A\\B<B"};
    QTest::newRow("path not under Root") << cp932Lines("1.1\nRoot\tY\ty@y\t\nHome\\A\tX\tx@x\t\n")
                                         << LoadResult::Broken << broken << QStringList{} << QStringList{};
    QTest::newRow("root in lower case") << cp932Lines("1.1\nroot\\A\tX\tx@x\t\n") << LoadResult::Broken << broken
                                        << QStringList{} << QStringList{};
    QTest::newRow("twelve levels") << cp932Lines("1.1\nRoot\\1\\2\\3\\4\\5\\6\\7\\8\\9\\10\\11\\12\tX\tx@x\t\n")
                                   << LoadResult::Broken << broken << QStringList{} << QStringList{};
    QTest::newRow("paths in no folder kept") << cp932Lines("1.1\n\tE\te@x\t\nOther\tO\to@x\t\n")
                                             << LoadResult::Loaded << "" << QStringList{"E", "O"} << QStringList{};
    QTest::newRow("utf-8 with BOM") << QByteArray("\xEF\xBB\xBF" "1.1\r\nRoot\t\xF0\x9F\x98\x80\te@x\t\r\n")
                                    << LoadResult::Loaded << "" << QStringList{"😀"} << QStringList{};
    QTest::newRow("utf-8 without BOM, as an editor saves it")
        << QStringLiteral("1.1\r\nRoot\t髙橋\tt@x\t〜\r\n").toUtf8() << LoadResult::Loaded << "" << QStringList{"髙橋"}
        << QStringList{};
    QTest::newRow("LF line ends") << QByteArray("1.1\nRoot\tL\tl@x\t\n") << LoadResult::Loaded << ""
                                  << QStringList{"L"} << QStringList{};
}

void TestAddressBook::load()
{
    QFETCH(QByteArray, file);
    QFETCH(LoadResult, result);
    QFETCH(QString, message);
    QFETCH(QStringList, names);
    QFETCH(QStringList, tree);
    if (!file.isNull())
        writeBytes(m_dir + "Address.txt", file);
    fumibako::test::RecordingPrompts prompts;
    AddressBook book;
    book.entries << entry("Root", "stale", "s@x");
    QCOMPARE(LoadAddressBook(m_dir, prompts, book), result);
    QStringList shown;
    for (const auto& m : prompts.messages) {
        shown << m.text;
        QCOMPARE(m.title, QString());
        QCOMPARE(m.buttons, fumibako::platform::Buttons::Ok);
    }
    QCOMPARE(shown, message.isEmpty() ? QStringList{} : QStringList{message});
    QStringList gotNames;
    for (const AddressEntry& e : book.entries)
        gotNames << e.name;
    QCOMPARE(gotNames, names);
    QCOMPARE(treeLines(book.tree), tree);
    QCOMPARE(book.tree.selected(), kRootFolder);
    QVERIFY(book.tree.folder(kRootFolder)->open);
}

void TestAddressBook::roundTrip_data()
{
    QTest::addColumn<QList<AddressEntry>>("entries");
    QTest::addColumn<bool>("utf8");
    QTest::newRow("empty") << QList<AddressEntry>{} << false;
    QTest::newRow("japanese") << QList<AddressEntry>{entry("Root", "山田 太郎", "yamada@ex.jp", "取引先①"),
                                                     entry("Root\\仕事", "ｶﾅ", "k@ex.jp", "")}
                              << false;
    QTest::newRow("comment with TABs") << QList<AddressEntry>{entry("Root", "A", "a@x", "x\ty")} << false;
    QTest::newRow("emoji falls back to UTF-8") << QList<AddressEntry>{entry("Root", "😀さん", "e@x", "")} << true;
    QTest::newRow("wave dash falls back to UTF-8") << QList<AddressEntry>{entry("Root", "A", "a@x", "9〜5")}
                                                   << true;
}

void TestAddressBook::roundTrip()
{
    QFETCH(QList<AddressEntry>, entries);
    QFETCH(bool, utf8);
    QString error;
    QVERIFY2(SaveAddressBook(m_dir, entries, &error), qPrintable(error));
    const QByteArray bytes = readBytes(m_dir + "Address.txt");
    QCOMPARE(bytes.startsWith("\xEF\xBB\xBF"), utf8);
    if (!utf8) {
        QString text = "1.1\n";
        for (const AddressEntry& e : entries)
            text += e.path + '\t' + e.name + '\t' + e.address + '\t' + e.comment + '\n';
        QCOMPARE(bytes, cp932Lines(text));
    }
    fumibako::test::RecordingPrompts prompts;
    AddressBook book;
    QCOMPARE(LoadAddressBook(m_dir, prompts, book), LoadResult::Loaded);
    QCOMPARE(book.entries, entries);
}

// Line breaks would split an entry into lines of their own; a TAB outside the comment would move
// the fields along.
void TestAddressBook::oldFormatThenSave()
{
    writeBytes(m_dir + "Address.txt", cp932Lines("1.0\nRoot\tA\ta@x\t\n"));
    fumibako::test::RecordingPrompts prompts;
    AddressBook book;
    QCOMPARE(LoadAddressBook(m_dir, prompts, book), LoadResult::OldFormat);
    QVERIFY(SaveAddressBook(m_dir, book.entries));
    QCOMPARE(readBytes(m_dir + "Address.txt"), QByteArray("1.1\r\n"));

    QVERIFY(SaveAddressBook(m_dir, {entry("Root\tX", "a\r\nRoot", "b\nc", "d\re\tf")}));
    QCOMPARE(readBytes(m_dir + "Address.txt"), QByteArray("1.1\r\nRoot X\ta  Root\tb c\td e\tf\r\n"));
}

void TestAddressBook::quickAdd()
{
    const QList<AddressEntry> table{entry("Root", "B", "b@x"), entry("Root\\仕事", "C", "c@x", "メモ")};
    QVERIFY(SaveWithNewSender(m_dir, table, QStringLiteral("新人"), QStringLiteral("n@x")));
    QCOMPARE(readBytes(m_dir + "Address.txt"),
             cp932Lines("1.1\nRoot\t新人\tn@x\t\nRoot\tB\tb@x\t\nRoot\\仕事\tC\tc@x\tメモ\n"));
}

void TestAddressBook::folderTree_data()
{
    QTest::addColumn<QStringList>("paths"); // entry paths, sorted
    QTest::addColumn<QString>("select");
    QTest::addColumn<QStringList>("tree");
    QTest::newRow("root only") << QStringList{"Root"} << "Root" << QStringList{};
    QTest::newRow("children by label") << QStringList{"Root\\b", "Root\\B2", "Root\\a"} << "Root"
                                       << QStringList{"Root\\a<a", "Root\\b<b", "Root\\B2<B2"};
    QTest::newRow("select creates an empty folder") << QStringList{"Root\\a"} << "Root\\new"
                                                    << QStringList{"Root\\a<a", "Root\\new<new"};
    QTest::newRow("eleven levels") << QStringList{"Root\\1\\2\\3\\4\\5\\6\\7\\8\\9\\10\\11"} << "Root"
                                   << QStringList{"Root\\1<1", "Root\\1\\2<2", "Root\\1\\2\\3<3",
                                                  "Root\\1\\2\\3\\4<4", "Root\\1\\2\\3\\4\\5<5",
                                                  "Root\\1\\2\\3\\4\\5\\6<6", "Root\\1\\2\\3\\4\\5\\6\\7<7",
                                                  "Root\\1\\2\\3\\4\\5\\6\\7\\8<8",
                                                  "Root\\1\\2\\3\\4\\5\\6\\7\\8\\9<9",
                                                  "Root\\1\\2\\3\\4\\5\\6\\7\\8\\9\\10<10",
                                                  "Root\\1\\2\\3\\4\\5\\6\\7\\8\\9\\10\\11<11"};
    QTest::newRow("a folder and its subfolder") << QStringList{"Root\\仕事", "Root\\仕事\\取引先"} << "Root\\仕事"
                                                << QStringList{"Root\\仕事<仕事", "Root\\仕事\\取引先<取引先"};
}

void TestAddressBook::folderTree()
{
    QFETCH(QStringList, paths);
    QFETCH(QString, select);
    QFETCH(QStringList, tree);
    QList<AddressEntry> entries;
    for (const QString& p : paths)
        entries << entry(p, "n", "a@x");
    sortByPath(entries);
    AddressFolderTree folders;
    QVERIFY(BuildFolderTree(folders, entries, select));
    QCOMPARE(treeLines(folders), tree);
    QCOMPARE(folders.selected(), select);
    QCOMPARE(folders.folder(select)->key, select);
}

void TestAddressBook::ensureFolderFailures_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("ok");
    QTest::newRow("no backslash") << "Other" << true;
    QTest::newRow("empty") << "" << true;
    QTest::newRow("new folder") << "Root\\x\\y" << true;
    QTest::newRow("existing folder") << "Root\\a" << false;
    QTest::newRow("not under Root") << "Home\\a" << false;
    QTest::newRow("twelve levels") << "Root\\1\\2\\3\\4\\5\\6\\7\\8\\9\\10\\11\\12" << false;
}

void TestAddressBook::ensureFolderFailures()
{
    QFETCH(QString, path);
    QFETCH(bool, ok);
    AddressFolderTree tree;
    QVERIFY(EnsureFolder(tree, QStringLiteral("Root\\a")));
    QCOMPARE(EnsureFolder(tree, path), ok);
}

void TestAddressBook::tableRebuild()
{
    writeBytes(m_dir + "Address.txt", cp932Lines("1.1\nRoot\\z\tZ\tz@x\t\nRoot\tA\ta@x\t\n"));
    fumibako::test::RecordingPrompts prompts;
    RebuildAddressTable(m_dir, prompts);
    const AddressTable& table = AddressTable::instance();
    QCOMPARE(table.count(), 2);
    QCOMPARE(table.at(0).name, QStringLiteral("A"));
    QCOMPARE(table.at(1).path, QStringLiteral("Root\\z"));
    RebuildAddressTable(QList<AddressEntry>{entry("Root", "M", "m@x")});
    QCOMPARE(table.count(), 1);
    QCOMPARE(table.at(0).name, QStringLiteral("M"));
}

QTEST_GUILESS_MAIN(TestAddressBook)
#include "test_address_book.moc"
