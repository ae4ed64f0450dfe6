// The address book manager's commands on rows without a window: edit, delete, mail to, import,
// export, save and close, and the read window's quick add while the manager is open.
#include "AddressManagerFixture.h"

#include "addressbook/AddressTable.h"
#include "addressbook/QuickAdd.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>

using namespace fumibako::addressbook;
using namespace fumibako::test;
using fumibako::platform::Answer;
using fumibako::platform::Buttons;
using fumibako::platform::Icon;

class TestAddressManagerCommands : public QObject, public AddressManagerFixture {
    Q_OBJECT

private Q_SLOTS:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

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

QTEST_GUILESS_MAIN(TestAddressManagerCommands)
#include "test_address_manager_commands.moc"
