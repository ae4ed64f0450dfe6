// The address book manager's folders without a window: the tree, new, rename and delete folder,
// and moves by drag and drop.
#include "AddressManagerFixture.h"

Q_DECLARE_METATYPE(fumibako::addressbook::DragSource)

using namespace fumibako::addressbook;
using namespace fumibako::test;
using fumibako::platform::Answer;
using fumibako::platform::Buttons;
using fumibako::platform::Icon;

class TestAddressManager : public QObject, public AddressManagerFixture {
    Q_OBJECT

private Q_SLOTS:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

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
};

QTEST_GUILESS_MAIN(TestAddressManager)
#include "test_address_manager.moc"
