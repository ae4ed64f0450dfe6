#include "storage/FolderTree.h"
#include "storage/ProfileStore.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace fumibako::storage;
using namespace fumibako::test;
using fumibako::platform::Answer;

class TestFolderTree : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString dir() const { return m_dir.path() + QLatin1Char('/'); }
    QString userFile() const { return dir() + QStringLiteral("acc.ini"); }
    QString indexFile() const { return dir() + QStringLiteral("MailCom.ini"); }

    // A tree with the user folders a, a\b and ab below the inbox, named by renaming.
    int addNamed(FolderTree& tree, int parent, const QString& name, RecordingPrompts& prompts)
    {
        const int index = tree.addFolder(parent);
        [&] { QVERIFY(tree.rename(index, name, indexFile(), prompts)); }();
        return index;
    }

private Q_SLOTS:
    void init() { QVERIFY(m_dir.isValid()); }
    void cleanup()
    {
        m_dir.remove();
        m_dir = QTemporaryDir();
    }

    void fixedFolders()
    {
        FolderTree tree;
        QCOMPARE(tree.count(), 7);
        QCOMPARE(tree.node(kUnreadNode).key, QStringLiteral("未読メール"));
        QCOMPARE(tree.node(kTrashNode).parent, int(kInboxNode));
        QCOMPARE(tree.fullPath(kStandardNode), QStringLiteral("受信BOX\\標準BOX"));
        QVERIFY(!tree.canRename(kTrashNode));
        QVERIFY(!FolderTree::isDropTarget(kDraftsNode));
        QVERIFY(FolderTree::isDropTarget(kUnreadNode));
    }

    void addFolderNamesAndPlacement()
    {
        FolderTree tree;
        RecordingPrompts prompts;
        const int first = tree.addFolder(kTrashNode); // a fixed folder below the inbox: goes below the inbox
        QCOMPARE(tree.node(first).key, QStringLiteral("受信BOX\\新規フォルダ1"));
        QCOMPARE(tree.node(first).parent, int(kInboxNode));
        QCOMPARE(tree.node(tree.addFolder(kInboxNode)).text, QStringLiteral("新規フォルダ2"));
        QVERIFY(tree.rename(first, QStringLiteral("仕事"), indexFile(), prompts));
        QCOMPARE(tree.node(tree.addFolder(kInboxNode)).text, QStringLiteral("新規フォルダ1"));
        QCOMPARE(tree.addFolder(kOutboxNode), 0);
        QVERIFY(tree.isChanged());
    }

    void renameRefusals_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        const QString forbidden = QStringLiteral("\\ / ? : * \" < > | [ ] =\r\nの文字は使用できません");
        QTest::newRow("equals sign") << QStringLiteral("a=b") << forbidden;
        QTest::newRow("bracket") << QStringLiteral("[x") << forbidden;
        QTest::newRow("backslash") << QStringLiteral("a\\b") << forbidden;
        QTest::newRow("leading space") << QStringLiteral(" a") << QStringLiteral("先頭もしくは後部にスペースは使えません");
        QTest::newRow("trailing space") << QStringLiteral("a ") << QStringLiteral("先頭もしくは後部にスペースは使えません");
        QTest::newRow("empty") << QString() << QStringLiteral("文字を入力してください");
        QTest::newRow("taken") << QStringLiteral("taken") << QStringLiteral("すでにその名前は使われております");
    }
    void renameRefusals()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        FolderTree tree;
        RecordingPrompts prompts;
        addNamed(tree, kInboxNode, QStringLiteral("taken"), prompts);
        const int folder = tree.addFolder(kInboxNode);
        QVERIFY(!tree.rename(folder, name, indexFile(), prompts));
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.messages.first().text, message);
        QCOMPARE(tree.node(folder).text, QStringLiteral("新規フォルダ1"));
    }

    void everyForbiddenCharacterIsRefused()
    {
        RecordingPrompts prompts;
        for (const QChar c : QStringLiteral("\\/?:*\"<>|[]=")) {
            QVERIFY2(!CheckName(true, QStringLiteral("a") + c + QStringLiteral("b"), prompts), qPrintable(QString(c)));
            QCOMPARE(prompts.messages.last().title, QStringLiteral("不正文字"));
        }
        QCOMPARE(prompts.messages.size(), 12);
        QVERIFY(CheckName(false, QStringLiteral(" spaces are fine when not strict "), prompts));
    }

    void fullWidthSpaceAtStartIsAccepted()
    {
        FolderTree tree;
        RecordingPrompts prompts;
        QVERIFY(tree.rename(tree.addFolder(kInboxNode), QStringLiteral("　全角"), indexFile(), prompts));
        QVERIFY(prompts.messages.isEmpty());
    }

    void renameMovesKeysAndIndexSections()
    {
        FolderTree tree;
        RecordingPrompts prompts;
        const int a = addNamed(tree, kInboxNode, QStringLiteral("a"), prompts);
        const int b = addNamed(tree, a, QStringLiteral("b"), prompts);
        const int ab = addNamed(tree, kInboxNode, QStringLiteral("ab"), prompts);
        writeBytes(indexFile(), cp932Lines(QStringLiteral("[受信BOX\\a]\nm1=000\ts\tsub\td\n[受信BOX\\a\\b]\nm2=000\ts\tsub\td\n"
                                                          "[受信BOX\\ab]\nm3=000\ts\tsub\td\n")));
        clearProfileCache();
        QVERIFY(tree.rename(a, QStringLiteral("x"), indexFile(), prompts));
        QCOMPARE(tree.node(a).key, QStringLiteral("受信BOX\\x"));
        QCOMPARE(tree.node(b).key, QStringLiteral("受信BOX\\x\\b"));
        QCOMPARE(tree.node(ab).key, QStringLiteral("受信BOX\\ab"));
        QStringList sections;
        QVERIFY(IniGetSectionNames(indexFile(), sections));
        QCOMPARE(sections, (QStringList{QStringLiteral("受信BOX\\ab"), QStringLiteral("受信BOX\\x"),
                                        QStringLiteral("受信BOX\\x\\b")}));
        QCOMPARE(IniGetString(QStringLiteral("受信BOX\\x\\b"), QStringLiteral("m2"), 256, indexFile()),
                 QStringLiteral("000\ts\tsub\td"));
    }

    void deleteRemovesFolderMailAndSectionsOnly()
    {
        FolderTree tree;
        RecordingPrompts prompts;
        const int a = addNamed(tree, kInboxNode, QStringLiteral("a"), prompts);
        addNamed(tree, a, QStringLiteral("b"), prompts);
        addNamed(tree, kInboxNode, QStringLiteral("ab"), prompts);
        const QString input = dir() + QStringLiteral("input/");
        for (const char* name : {"m1", "m2", "m3", "m4"})
            writeBytes(input + QLatin1String(name), "mail");
        writeBytes(indexFile(), cp932Lines(QStringLiteral("[受信BOX\\a]\nm1=100\ts\tsub\td\n[受信BOX\\a\\b]\nm2=000\ts\tsub\td\n"
                                                          "[受信BOX\\ab]\nm3=000\ts\tsub\td\n[受信BOX\\gone]\nm4=000\ts\tsub\td\n")));
        clearProfileCache();

        QCOMPARE(tree.deleteFolder(a, indexFile(), input, prompts), 0); // answered No
        QVERIFY(QFile::exists(input + QStringLiteral("m1")));

        prompts.answerNext(Answer::Yes);
        QCOMPARE(tree.deleteFolder(a, indexFile(), input, prompts), a - 1);
        QCOMPARE(prompts.messages.last().text,
                 QStringLiteral("このフォルダに含まれるフォルダ及び、メールが削除されます。\r\nよろしいですか？"));
        QVERIFY(!QFile::exists(input + QStringLiteral("m1"))); // the save flag does not protect here
        QVERIFY(!QFile::exists(input + QStringLiteral("m2")));
        QVERIFY(QFile::exists(input + QStringLiteral("m3")));
        QVERIFY(QFile::exists(input + QStringLiteral("m4"))); // an orphan section goes, its mail stays
        QStringList sections;
        QVERIFY(IniGetSectionNames(indexFile(), sections));
        QCOMPARE(sections, QStringList{QStringLiteral("受信BOX\\ab")});
        QCOMPARE(tree.count(), 8);
        QCOMPARE(tree.node(8).key, QStringLiteral("受信BOX\\ab"));
        QCOMPARE(tree.node(8).parent, int(kInboxNode));
        QCOMPARE(tree.deleteFolder(kTrashNode, indexFile(), input, prompts), 0);
    }

    void saveAndLoadRoundTrip()
    {
        FolderTree tree;
        RecordingPrompts prompts;
        const int a = addNamed(tree, kInboxNode, QStringLiteral("取引先"), prompts);
        addNamed(tree, a, QStringLiteral("株式会社①"), prompts);
        QVERIFY(tree.save(userFile()));
        FolderTree loaded;
        loaded.load(userFile(), prompts);
        QCOMPARE(loaded.count(), 9);
        QCOMPARE(loaded.node(9).key, QStringLiteral("受信BOX\\取引先\\株式会社①"));
        QCOMPARE(loaded.node(9).parent, 8);
        QVERIFY(!loaded.isChanged());
        QVERIFY(prompts.messages.isEmpty());
    }

    void longPathsLoadWhole()
    {
        FolderTree tree;
        RecordingPrompts prompts;
        int parent = kInboxNode;
        for (int depth = 0; depth < 6; ++depth)
            parent = addNamed(tree, parent, QStringLiteral("とても長いフォルダの名前%1").arg(depth), prompts);
        QVERIFY(tree.save(userFile()));
        FolderTree loaded;
        loaded.load(userFile(), prompts);
        QCOMPARE(loaded.count(), tree.count());
        QVERIFY(prompts.messages.isEmpty());
    }

    // 迷惑メール comes in after the trash, whenever it is first needed, and is no user folder.
    void junkFolderJoinsTheFixedOnes()
    {
        FolderTree tree;
        RecordingPrompts prompts;
        const int a = addNamed(tree, kInboxNode, QStringLiteral("a"), prompts);
        addNamed(tree, a, QStringLiteral("b"), prompts);
        tree.clearChanged();
        QCOMPARE(tree.ensureJunkFolder(), 8);
        QCOMPARE(tree.ensureJunkFolder(), 8);
        QVERIFY(!tree.isChanged()); // it is not in the stored list
        QCOMPARE(tree.node(8).key, QStringLiteral("迷惑メール"));
        QCOMPARE(tree.node(8).parent, int(kInboxNode));
        QCOMPARE(tree.fullPath(10), QStringLiteral("受信BOX\\a\\b")); // the user folders moved down with their parents
        QCOMPARE(tree.firstUserIndex(), 9);
        QVERIFY(!tree.canRename(8));
        QVERIFY(FolderTree::isDropTarget(8));
        QCOMPARE(tree.deleteFolder(8, indexFile(), dir(), prompts), 0);
        QCOMPARE(tree.node(tree.addFolder(8)).parent, int(kInboxNode)); // like the fixed folders below the inbox
        QVERIFY(tree.save(userFile()));
        FolderTree loaded;
        loaded.load(userFile(), prompts);
        QVERIFY(!loaded.hasJunkFolder());
        QCOMPARE(loaded.count(), tree.count() - 1);
        // The account's index has mail in 迷惑メール: the folder comes with it.
        writeBytes(indexFile(), cp932Lines(QStringLiteral("[迷惑メール]\nm1=010\ts\tsub\td\n")));
        clearProfileCache();
        loaded.clearChanged();
        loaded.addFoldersOfIndex(indexFile());
        QCOMPARE(loaded.indexOfKey(QStringLiteral("迷惑メール")), 8);
        QVERIFY(!loaded.isChanged());
        loaded.removeUserFolders();
        QCOMPARE(loaded.count(), 7);
    }

    void damagedListKeepsEarlierFolders_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<int>("nodes");
        QTest::newRow("missing parent") << QStringLiteral("Count=3\n0=受信BOX\\a\n1=受信BOX\\x\\y\n2=受信BOX\\b") << 8;
        QTest::newRow("no backslash") << QStringLiteral("Count=2\n0=受信BOX\\a\n1=plain") << 8;
        QTest::newRow("duplicate") << QStringLiteral("Count=2\n0=受信BOX\\a\n1=受信BOX\\a") << 8;
        QTest::newRow("count not a number") << QStringLiteral("Count=zz\n0=受信BOX\\a") << 7;
        QTest::newRow("count beyond the entries") << QStringLiteral("Count=2\n0=受信BOX\\a") << 8;
    }
    void damagedListKeepsEarlierFolders()
    {
        QFETCH(QString, section);
        QFETCH(int, nodes);
        writeBytes(userFile(), cp932Lines(QStringLiteral("[Folder]\n") + section + QLatin1Char('\n')));
        clearProfileCache();
        FolderTree tree;
        RecordingPrompts prompts;
        tree.load(userFile(), prompts);
        QCOMPARE(tree.count(), nodes);
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.messages.first().text, QStringLiteral("ツリー情報が壊れています\r\n受信BOXでメールを移動させてください"));
        QCOMPARE(prompts.messages.first().title, QStringLiteral("読み込みエラー"));
    }
};

QTEST_GUILESS_MAIN(TestFolderTree)
#include "test_folder_tree.moc"
