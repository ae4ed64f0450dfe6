// The address book manager's rules without a window: folders, rows, moves, mail, save, close and
// the read window's quick add while the manager is open.
#include "RecordingComposeLauncher.h"

#include "addressbook/AddressTable.h"
#include "addressbook/QuickAdd.h"
#include "addressbook/core/AddressManager.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace fumibako::addressbook;
using fumibako::platform::Answer;
using fumibako::platform::Buttons;
using fumibako::platform::Icon;
using fumibako::test::cp932Lines;
using fumibako::test::readBytes;
using fumibako::test::writeBytes;

Q_DECLARE_METATYPE(DragSource)

namespace {

// Entries as "path|name|address|comment" text lines (no TAB, so tables stay readable).
QByteArray bookFile(const QStringList& entries)
{
    QString text = QStringLiteral("1.1\n");
    for (QString entry : entries)
        text += entry.replace(u'|', u'\t') + u'\n';
    return cp932Lines(text);
}

const QStringList kBook{"Root|山田|y@ex.jp|上司", "Root\\A|阿部|abe@ex.jp|", "Root\\A\\S|佐々木|sasaki@ex.jp|",
                        "Root\\AB|安藤|ando@ex.jp|", "Root\\B|馬場|baba@ex.jp|"};

/**
 * kBook as the manager lists it ("path|name"), before any change. Plain text order puts the
 * backslash after the letters: Root\AB comes before Root\A\S.
 */
const QStringList kUnchangedPaths{"Root|山田", "Root\\A|阿部", "Root\\AB|安藤", "Root\\A\\S|佐々木", "Root\\B|馬場"};

} // namespace

class TestAddressManager : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_temp;
    QString m_dir;
    std::unique_ptr<fumibako::test::RecordingPrompts> m_prompts;
    std::unique_ptr<fumibako::test::RecordingComposeLauncher> m_compose;
    std::unique_ptr<AddressManager> m_manager;

    void open(const QStringList& entries)
    {
        writeBytes(m_dir + QStringLiteral("Address.txt"), bookFile(entries));
        m_manager = std::make_unique<AddressManager>(m_dir, *m_prompts, *m_compose);
        m_manager->load();
    }

    /** The manager's entries as "path|name" lines, in list order. */
    QStringList paths() const
    {
        QStringList lines;
        for (const AddressEntry& e : m_manager->entryList().entries())
            lines << e.path + u'|' + e.name;
        return lines;
    }

    /** The contents list: a folder row as "[label]", an address row as its name. */
    QStringList shown() const
    {
        QStringList lines;
        for (const ContentRow& row : m_manager->contents().rows())
            lines << (row.isFolder() ? u'[' + row.name + u']' : row.name);
        return lines;
    }

    int rowNamed(const QString& text) const
    {
        const QList<ContentRow>& rows = m_manager->contents().rows();
        for (int i = 0; i < rows.size(); ++i) {
            if (rows.at(i).name == text)
                return i;
        }
        return -1;
    }

    QStringList messageTexts() const
    {
        QStringList texts;
        for (const auto& m : m_prompts->messages)
            texts << m.text;
        return texts;
    }

private Q_SLOTS:
    void init()
    {
        m_temp = std::make_unique<QTemporaryDir>();
        m_dir = m_temp->path() + u'/';
        m_prompts = std::make_unique<fumibako::test::RecordingPrompts>();
        m_compose = std::make_unique<fumibako::test::RecordingComposeLauncher>();
    }

    void cleanup()
    {
        m_manager.reset();
        QVERIFY(!AddressManager::loaded());
    }

    void opensOnTheRootFolder()
    {
        open(kBook);
        QCOMPARE(m_manager->currentFolder(), QStringLiteral("Root"));
        QCOMPARE(shown(), (QStringList{"[A]", "[AB]", "[B]", "山田"}));
        QCOMPARE(m_manager->folderModel().rowCount(), 1);
        QVERIFY(!m_manager->Henkou());
        QCOMPARE(AddressManager::loaded(), m_manager.get());
        m_manager->showFolder(QStringLiteral("Root\\A"));
        QCOMPARE(shown(), (QStringList{"[S]", "阿部"}));
        const QModelIndex a = m_manager->folderModel().indexOfKey(QStringLiteral("Root\\A"));
        QCOMPARE(a.data(AddressFolderModel::ImageKeyRole).toString(), QStringLiteral("open"));
        QCOMPARE(m_manager->folderModel().indexOfKey(QStringLiteral("Root")).data(AddressFolderModel::ImageKeyRole),
                 QVariant(QStringLiteral("close")));
    }

    void renameFolder_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message"); // empty: accepted, or refused silently when paths is empty
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("paths");
        const QString bad = QStringLiteral("使ってはいけない文字が含まれています\r\n");
        QTest::newRow("sibling AB keeps its paths")
            << "Root\\A" << "仕事" << "" << ""
            << QStringList{"Root|山田", "Root\\AB|安藤", "Root\\B|馬場", "Root\\仕事|阿部", "Root\\仕事\\S|佐々木"};
        QTest::newRow("unchanged name exists") << "Root\\A" << "A" << "その名前はすでに存在します" << "フォルダの追加"
                                               << QStringList{};
        QTest::newRow("sibling's name exists") << "Root\\A" << "AB" << "その名前はすでに存在します" << "フォルダの追加"
                                               << QStringList{};
        QTest::newRow("backslash") << "Root\\A" << "x\\y" << bad + "\\" << "フミバコ" << QStringList{};
        QTest::newRow("root in any letter case") << "Root\\B" << "myRoOts" << bad + "Root" << "フミバコ" << QStringList{};
        QTest::newRow("empty name cancels") << "Root\\A" << "" << "" << "" << QStringList{};
        QTest::newRow("root folder") << "Root" << "X" << "" << "" << QStringList{};
    }

    void renameFolder()
    {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(QString, message);
        QFETCH(QString, title);
        QFETCH(QStringList, paths);
        open(kBook);
        m_manager->showFolder(folder);
        const QStringList before = this->paths();
        const bool accepted = m_manager->renameFolder(folder, name);
        QCOMPARE(accepted, !paths.isEmpty());
        QCOMPARE(m_manager->Henkou(), accepted);
        QCOMPARE(messageTexts(), message.isEmpty() ? QStringList{} : QStringList{message});
        if (!message.isEmpty())
            QCOMPARE(m_prompts->messages.first().title, title);
        QCOMPARE(this->paths(), accepted ? paths : before);
    }

    void renamedSubfoldersListTheirEntries()
    {
        open(kBook);
        m_manager->showFolder(QStringLiteral("Root\\A"));
        QVERIFY(m_manager->renameFolder(QStringLiteral("Root\\A"), QStringLiteral("仕事")));
        QCOMPARE(m_manager->currentFolder(), QStringLiteral("Root\\仕事"));
        QVERIFY(m_manager->tree().contains(QStringLiteral("Root\\仕事\\S")));
        QVERIFY(!m_manager->tree().contains(QStringLiteral("Root\\A\\S")));
        m_manager->showFolder(QStringLiteral("Root\\仕事\\S"));
        QCOMPARE(shown(), QStringList{"佐々木"});
    }

    void deleteFolder_data()
    {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<QStringList>("paths");
        QTest::newRow("yes: the folder and its subfolders, not the sibling")
            << Answer::Yes << QStringList{"Root|山田", "Root\\AB|安藤", "Root\\B|馬場"};
        QTest::newRow("no") << Answer::No << kUnchangedPaths;
    }

    void deleteFolder()
    {
        QFETCH(Answer, answer);
        QFETCH(QStringList, paths);
        open(kBook);
        m_manager->showFolder(QStringLiteral("Root\\A"));
        m_prompts->answerNext(answer);
        QCOMPARE(m_manager->deleteFolder(QStringLiteral("Root\\A")), answer == Answer::Yes);
        QCOMPARE(m_prompts->messages.size(), 1);
        const auto& question = m_prompts->messages.first();
        QCOMPARE(question.text, QStringLiteral("このフォルダに含まれるフォルダ、およびアドレスをすべて削除します\r\nよろしいですか？"));
        QCOMPARE(question.title, QStringLiteral("削除の確認"));
        QCOMPARE(question.icon, Icon::Exclamation);
        QCOMPARE(question.buttons, Buttons::YesNo);
        QCOMPARE(this->paths(), paths);
        if (answer == Answer::Yes) {
            QVERIFY(!m_manager->tree().contains(QStringLiteral("Root\\A\\S")));
            QCOMPARE(m_manager->currentFolder(), QStringLiteral("Root"));
            QCOMPARE(shown(), (QStringList{"[AB]", "[B]", "山田"})); // the parent, not the deleted rows
        }
        QVERIFY(!m_manager->deleteFolder(QStringLiteral("Root")));
    }

    void newFoldersAreNumberedAndNotSaved()
    {
        open({"Root\\新規フォルダ1|X|x@x|"});
        const std::optional<QString> key = m_manager->newFolder();
        QCOMPARE(key, QStringLiteral("Root\\新規フォルダ2"));
        QCOMPARE(m_manager->currentFolder(), *key);
        QCOMPARE(shown(), QStringList{});
        QVERIFY(!m_manager->Henkou());
        QCOMPARE(m_manager->newFolder(), QStringLiteral("Root\\新規フォルダ2\\新規フォルダ1"));
        QVERIFY(m_manager->save());
        AddressBook book;
        LoadAddressBook(m_dir, *m_prompts, book);
        QVERIFY(!book.tree.contains(*key));
    }

    void noTwelfthLevel()
    {
        const QString deepest = QStringLiteral("Root\\1\\2\\3\\4\\5\\6\\7\\8\\9\\10\\11");
        open({deepest + QStringLiteral("|X|x@x|")});
        m_manager->showFolder(deepest);
        QCOMPARE(m_manager->newFolder(), std::nullopt);
        QCOMPARE(messageTexts(), QStringList{"フォルダは Root の下に 11 階層までしか作れません。"});
        QCOMPARE(m_manager->currentFolder(), deepest);
    }

    void drop_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<DragSource>("source");
        QTest::addColumn<QStringList>("dragged"); // contents texts for a list drag, a folder key for a tree drag
        QTest::addColumn<QString>("target");
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QStringList>("messages");
        const QStringList unchanged = kUnchangedPaths;
        const QString nested = QStringLiteral("親は自分、子の中には移動できません");
        QTest::newRow("list: an address") << "Root" << DragSource::List << QStringList{"山田"} << "Root\\B"
                                          << QStringList{"Root\\A|阿部", "Root\\AB|安藤", "Root\\A\\S|佐々木", "Root\\B|馬場", "Root\\B|山田"}
                                          << QStringList{};
        QTest::newRow("list: a folder row with its subfolders")
            << "Root" << DragSource::List << QStringList{"[A]"} << "Root\\B"
            << QStringList{"Root|山田", "Root\\AB|安藤", "Root\\B|馬場", "Root\\B\\A|阿部", "Root\\B\\A\\S|佐々木"}
            << QStringList{};
        QTest::newRow("list: a folder onto its own subfolder") << "Root" << DragSource::List << QStringList{"[A]"}
                                                               << "Root\\A\\S" << unchanged << QStringList{nested};
        QTest::newRow("list: onto the shown folder") << "Root" << DragSource::List << QStringList{"山田"} << "Root"
                                                     << unchanged << QStringList{};
        QTest::newRow("tree: a folder onto another") << "Root\\A" << DragSource::Tree << QStringList{"Root\\A"}
                                                     << "Root\\AB"
                                                     << QStringList{"Root|山田", "Root\\AB|安藤", "Root\\AB\\A|阿部",
                                                                    "Root\\AB\\A\\S|佐々木", "Root\\B|馬場"}
                                                     << QStringList{};
        QTest::newRow("tree: a subfolder up to the root") << "Root\\A\\S" << DragSource::Tree
                                                          << QStringList{"Root\\A\\S"} << "Root"
                                                          << QStringList{"Root|山田", "Root\\A|阿部", "Root\\AB|安藤",
                                                                         "Root\\B|馬場", "Root\\S|佐々木"}
                                                          << QStringList{};
        QTest::newRow("tree: a folder onto its own subfolder") << "Root\\A" << DragSource::Tree << QStringList{"Root\\A"}
                                                               << "Root\\A\\S" << unchanged << QStringList{nested};
    }

    void drop()
    {
        QFETCH(QString, current);
        QFETCH(DragSource, source);
        QFETCH(QStringList, dragged);
        QFETCH(QString, target);
        QFETCH(QStringList, paths);
        QFETCH(QStringList, messages);
        open(kBook);
        m_manager->showFolder(current);
        AddressDrag drag{source, {}, {}};
        if (source == DragSource::Tree)
            drag.folderKey = dragged.first();
        for (const QString& text : dragged) {
            if (source == DragSource::List)
                drag.rows << rowNamed(text.startsWith(u'[') ? text.mid(1, text.size() - 2) : text);
        }
        m_manager->drop(target, drag);
        QCOMPARE(this->paths(), paths);
        QCOMPARE(messageTexts(), messages);
        QCOMPARE(m_manager->Henkou(), paths != kUnchangedPaths);
    }

    void dropRebuildsTheTreeWithoutEmptyFolders()
    {
        open(kBook);
        const QString empty = *m_manager->newFolder();
        m_manager->showFolder(QStringLiteral("Root"));
        m_manager->drop(QStringLiteral("Root\\B"), AddressDrag{DragSource::List, {rowNamed(QStringLiteral("山田"))}, {}});
        QVERIFY(!m_manager->tree().contains(empty));
        QCOMPARE(m_manager->currentFolder(), QStringLiteral("Root"));
        QCOMPARE(shown(), (QStringList{"[A]", "[AB]", "[B]"}));
    }

    void dropThatWouldBeTooDeepIsRefused()
    {
        const QString deep = QStringLiteral("Root\\1\\2\\3\\4\\5\\6\\7\\8\\9\\10");
        open({QStringLiteral("Root\\X\\Y|a|a@x|"), deep + QStringLiteral("|b|b@x|")});
        m_manager->showFolder(QStringLiteral("Root\\X"));
        m_manager->drop(deep, AddressDrag{DragSource::Tree, {}, QStringLiteral("Root\\X")});
        QCOMPARE(messageTexts(), QStringList{"フォルダは Root の下に 11 階層までしか作れません。"});
        QCOMPARE(paths(), (QStringList{deep + QStringLiteral("|b"), QStringLiteral("Root\\X\\Y|a")}));
        QVERIFY(!m_manager->Henkou());
    }

    void editChangesTheRowThatWasEdited()
    {
        open({"Root|一郎|same@x|1", "Root|二郎|same@x|2"});
        const int second = rowNamed(QStringLiteral("二郎"));
        const OpenRequest request = m_manager->openRequest(second);
        QCOMPARE(request.kind, OpenRequest::Kind::EditAddress);
        QCOMPARE(m_manager->fieldsOf(second).comment, QStringLiteral("2"));
        QVERIFY(m_manager->acceptAddress(AddressDialogMode::Edit, second, {QStringLiteral("次郎"), QStringLiteral("same@x"), QStringLiteral("二")}));
        QCOMPARE(shown(), (QStringList{"一郎", "次郎"}));
        QCOMPARE(m_manager->entryList().at(0).comment, QStringLiteral("1"));
        QVERIFY(m_manager->Henkou());
    }

    void newAddressNeedsNameAndAddress_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("both") << "新人" << "new@x" << true;
        QTest::newRow("no name") << "" << "new@x" << false;
        QTest::newRow("no address") << "新人" << "" << false;
    }

    void newAddressNeedsNameAndAddress()
    {
        QFETCH(QString, name);
        QFETCH(QString, address);
        QFETCH(bool, accepted);
        open(kBook);
        m_manager->showFolder(QStringLiteral("Root\\B"));
        QCOMPARE(m_manager->acceptAddress(AddressDialogMode::New, -1, {name, address, QStringLiteral("a\tb")}), accepted);
        QCOMPARE(m_manager->Henkou(), accepted);
        QCOMPARE(shown(), accepted ? (QStringList{"馬場", name}) : QStringList{"馬場"});
        if (accepted)
            QCOMPARE(m_manager->entryList().entries().last().path, QStringLiteral("Root\\B"));
    }

    void openRequests()
    {
        open(kBook);
        QCOMPARE(m_manager->openRequest(std::nullopt).kind, OpenRequest::Kind::NewAddress);
        const OpenRequest folder = m_manager->openRequest(rowNamed(QStringLiteral("A")));
        QCOMPARE(folder.kind, OpenRequest::Kind::ShowFolder);
        QCOMPARE(folder.folderKey, QStringLiteral("Root\\A"));
    }

    void deleteRows()
    {
        open(kBook);
        m_prompts->answerNext(Answer::Yes);
        m_manager->deleteRows({rowNamed(QStringLiteral("A")), rowNamed(QStringLiteral("山田"))});
        QCOMPARE(messageTexts(), (QStringList{"アドレス帳から削除します\r\nよろしいですか？",
                                              "フォルダは左のツリーから削除してください\r\nいずれ、対策します"}));
        QCOMPARE(m_prompts->messages.first().title, QStringLiteral("アドレス帳から削除"));
        QCOMPARE(shown(), (QStringList{"[A]", "[AB]", "[B]"}));
        QCOMPARE(m_manager->entryList().count(), kBook.size() - 1);
        QVERIFY(m_manager->Henkou());

        m_prompts->answerNext(Answer::No);
        m_manager->deleteRows({rowNamed(QStringLiteral("A"))});
        QCOMPARE(m_manager->entryList().count(), kBook.size() - 1);
    }

    void mailTo_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("call");
        QTest::newRow("To") << 0 << "open 1 [||] to=c@x, b@x, a@x";
        QTest::newRow("Cc") << 1 << "open 1 [||] cc=c@x, b@x, a@x";
        QTest::newRow("Bcc") << 2 << "open 1 [||] bcc=c@x, b@x, a@x";
    }

    void mailTo()
    {
        QFETCH(int, box);
        QFETCH(QString, call);
        open({"Root\\F|x|x@x|", "Root|A|a@x|", "Root|B|b@x|", "Root|C|c@x|"});
        // The folder row holds no address and is left out.
        m_manager->mailTo(static_cast<RecipientBox>(box), {0, 1, 2, 3});
        QCOMPARE(m_compose->calls, QStringList{call});
    }

    void mailToFromAnEmptyFolderOnlyShowsTheWindow()
    {
        open({});
        m_manager->mailTo(RecipientBox::To, {});
        QCOMPARE(m_compose->calls, QStringList{"show "});
    }

    void importedRowsJoinTheCurrentFolder()
    {
        open(kBook);
        m_manager->showFolder(QStringLiteral("Root\\AB"));
        m_manager->importRows({{QStringLiteral("新1"), QStringLiteral("n1@x"), QString()},
                               {QStringLiteral("新2"), QStringLiteral("n2@x"), QStringLiteral("メモ")}});
        QVERIFY(m_manager->Henkou());
        QCOMPARE(shown(), (QStringList{"安藤", "新1", "新2"}));
        QCOMPARE(m_manager->entryList().at(4).path, QStringLiteral("Root\\AB"));
    }

    void exportSaysWhere()
    {
        open(kBook);
        m_manager->exportBook();
        QCOMPARE(m_prompts->messages.size(), 1);
        QVERIFY(m_prompts->messages.first().text.endsWith(QStringLiteral("\r\nに「Exp_Address.csv」を作成しました")));
        QVERIFY(QFile::exists(m_dir + QStringLiteral("Exp_Address.csv")));
    }

    void contentsSortByHeader()
    {
        open({"Root|b|2@x|z", "Root|A|3@x|y", "Root|c|1@x|x"});
        FolderContentsModel& contents = m_manager->contents();
        QCOMPARE(shown(), (QStringList{"b", "A", "c"})); // unsorted until a header is clicked
        contents.columnClicked(FolderContentsModel::AddressColumn);
        QCOMPARE(shown(), (QStringList{"c", "b", "A"}));
        contents.columnClicked(FolderContentsModel::AddressColumn);
        QCOMPARE(shown(), (QStringList{"A", "b", "c"}));
        contents.columnClicked(FolderContentsModel::CommentColumn); // another column keeps the order
        QCOMPARE(shown(), (QStringList{"b", "A", "c"}));
        m_manager->showFolder(QStringLiteral("Root")); // and a new fill stays sorted
        QCOMPARE(shown(), (QStringList{"b", "A", "c"}));
    }

    void saveWritesAndHandsTheBookOver()
    {
        open(kBook);
        QSignalSpy closing(m_manager.get(), &AddressManager::closeRequested);
        m_manager->showFolder(QStringLiteral("Root\\B"));
        QVERIFY(m_manager->acceptAddress(AddressDialogMode::New, -1, {QStringLiteral("新"), QStringLiteral("n@x"), {}}));
        QVERIFY(m_manager->save());
        QVERIFY(!m_manager->Henkou());
        QCOMPARE(closing.count(), 1);
        QCOMPARE(AddressTable::instance().count(), kBook.size() + 1);
        QCOMPARE(readBytes(m_dir + QStringLiteral("Address.txt")),
                 bookFile({"Root|山田|y@ex.jp|上司", "Root\\A|阿部|abe@ex.jp|", "Root\\AB|安藤|ando@ex.jp|",
                           "Root\\A\\S|佐々木|sasaki@ex.jp|", "Root\\B|馬場|baba@ex.jp|", "Root\\B|新|n@x|"}));
        QVERIFY(m_manager->close());
        QVERIFY(m_prompts->messages.isEmpty()); // the close after a save does not ask
    }

    void close_data()
    {
        QTest::addColumn<bool>("change");
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<int>("fileEntries");
        QTest::addColumn<int>("tableEntries");
        QTest::newRow("nothing changed") << false << Answer::No << 5 << 5;
        QTest::newRow("changed, saved") << true << Answer::Yes << 4 << 4;
        QTest::newRow("changed, not saved: the table keeps the book on disk") << true << Answer::No << 5 << 5;
    }

    void close()
    {
        QFETCH(bool, change);
        QFETCH(Answer, answer);
        QFETCH(int, fileEntries);
        QFETCH(int, tableEntries);
        open(kBook);
        if (change) {
            m_prompts->answerNext(Answer::Yes);
            m_manager->deleteRows({rowNamed(QStringLiteral("山田"))});
            m_prompts->messages.clear();
        }
        m_prompts->answerNext(answer);
        QVERIFY(m_manager->close());
        QCOMPARE(messageTexts(), change ? QStringList{"変更点を保存しますか？"} : QStringList{});
        if (change) {
            QCOMPARE(m_prompts->messages.first().title, QStringLiteral("アドレス帳の保存"));
            QCOMPARE(m_prompts->messages.first().icon, Icon::Information);
        }
        AddressBook book;
        LoadAddressBook(m_dir, *m_prompts, book);
        QCOMPARE(book.entries.size(), fileEntries);
        QCOMPARE(AddressTable::instance().count(), tableEntries);
        QVERIFY(!AddressManager::loaded());
    }

    void quickAddWithTheManagerClosed()
    {
        writeBytes(m_dir + QStringLiteral("Address.txt"), bookFile({"Root\\A|阿部|abe@ex.jp|", "Root|山田|y@ex.jp|"}));
        RebuildAddressTable(m_dir, *m_prompts);
        const QuickAddResult result = QuickAddSender(m_dir, *m_prompts, QStringLiteral("新人"), QStringLiteral("n@x"));
        QVERIFY(result.written);
        QVERIFY(!result.inOpenManager);
        QCOMPARE(readBytes(m_dir + QStringLiteral("Address.txt")),
                 bookFile({"Root|新人|n@x|", "Root|山田|y@ex.jp|", "Root\\A|阿部|abe@ex.jp|"}));
        QCOMPARE(AddressTable::instance().count(), 3);
    }

    void quickAddWhileTheManagerHasUnsavedChanges_data()
    {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<QStringList>("file");
        QTest::newRow("saved at close: both") << Answer::Yes
                                              << QStringList{"Root|新人|n@x|", "Root\\B|馬場|baba@ex.jp|",
                                                             "Root\\B|手入力|m@x|"};
        QTest::newRow("not saved: the quick add stays") << Answer::No
                                                        << QStringList{"Root|新人|n@x|", "Root|山田|y@ex.jp|",
                                                                       "Root\\B|馬場|baba@ex.jp|"};
    }

    void quickAddWhileTheManagerHasUnsavedChanges()
    {
        QFETCH(Answer, answer);
        QFETCH(QStringList, file);
        open({"Root|山田|y@ex.jp|", "Root\\B|馬場|baba@ex.jp|"});
        RebuildAddressTable(m_manager->entryList().entries());
        m_prompts->answerNext(Answer::Yes);
        m_manager->deleteRows({rowNamed(QStringLiteral("山田"))});
        m_manager->showFolder(QStringLiteral("Root\\B"));
        QVERIFY(m_manager->acceptAddress(AddressDialogMode::New, -1, {QStringLiteral("手入力"), QStringLiteral("m@x"), {}}));

        const QuickAddResult result = QuickAddSender(m_dir, *m_prompts, QStringLiteral("新人"), QStringLiteral("n@x"));
        QVERIFY(result.written && result.inOpenManager);
        QCOMPARE(AddressManager::loaded(), m_manager.get()); // still open, its changes kept
        QVERIFY(m_manager->Henkou());
        QCOMPARE(paths(), (QStringList{"Root|新人", "Root\\B|馬場", "Root\\B|手入力"}));
        QCOMPARE(AddressTable::instance().count(), 3); // the file: the table before, and the new entry

        m_prompts->answerNext(answer);
        QVERIFY(m_manager->close());
        QCOMPARE(readBytes(m_dir + QStringLiteral("Address.txt")), bookFile(file));
        QCOMPARE(AddressTable::instance().count(), file.size());
    }

    void quickAddThatCannotBeWrittenStaysInTheManager()
    {
        open({"Root|山田|y@ex.jp|"});
        // A directory in the file's place cannot be replaced by the new file, not even by root.
        QVERIFY(QFile::remove(m_dir + QStringLiteral("Address.txt")));
        QVERIFY(QDir(m_dir).mkpath(QStringLiteral("Address.txt/in-the-way")));
        const QuickAddResult result = QuickAddSender(m_dir, *m_prompts, QStringLiteral("新人"), QStringLiteral("n@x"));
        QVERIFY(!result.written);
        QVERIFY(result.inOpenManager);
        QVERIFY(m_prompts->messages.last().text.startsWith(QStringLiteral("アドレス帳に書き込めませんでした。")));
        QVERIFY(m_manager->Henkou());
        QCOMPARE(paths(), (QStringList{"Root|山田", "Root|新人"}));
    }
};

QTEST_GUILESS_MAIN(TestAddressManager)
#include "test_address_manager.moc"
