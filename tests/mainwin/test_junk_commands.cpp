// "迷惑メールにする", "迷惑メールではない", moving mail in and out of 迷惑メール by hand, and the
// undo of a command, on a real index, real mail files and a real token store; no display.
#include "mainwin/core/JunkCommands.h"
#include "mainwin/core/MailTableModel.h"
#include "storage/ProfileStore.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"
#include "transfer/MailFileReader.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace fumibako;
using namespace fumibako::storage;
using filing::JunkKind;
using test::writeBytes;
using mainwin::MailTableModel;
using mainwin::kFromColumn;
using mainwin::kSubjectColumn;

Q_DECLARE_METATYPE(std::optional<JunkKind>)

class TestJunkCommands : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    AccountPaths m_paths;
    FolderTree m_tree;
    test::RecordingPrompts m_prompts;
    transfer::MailFileReader m_reader;
    std::unique_ptr<MailFolderView> m_view;
    std::unique_ptr<mainwin::JunkCommands> m_junk;

    // Messages m0 … m(n-1) in 標準BOX, and a user folder 受信BOX\仕事.
    void fill(int n)
    {
        for (int i = 0; i < n; ++i) {
            const QString name = QStringLiteral("m%1.eml").arg(i);
            writeBytes(m_paths.inputDir + name, QStringLiteral("From: a%1@example.jp\r\nSubject: 件名%1\r\n\r\n本文%1\r\n")
                                                    .arg(i)
                                                    .toUtf8());
            IniWriteString(FixedFolder::Standard, name, QStringLiteral("010\ta\t件名\t2026/12/01 09:00:00"),
                           m_paths.receivedIndexFile);
        }
    }
    QStringList section(const QString& key) const
    {
        QStringList lines, names;
        IniGetSection(key, m_paths.receivedIndexFile, lines);
        for (const QString& line : std::as_const(lines))
            names.append(line.left(line.indexOf(QLatin1Char('='))));
        names.sort();
        return names;
    }
    std::optional<JunkKind> learnt(const QString& name) { return m_junk->filter()->learntAs(m_paths.inputDir + name); }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_paths = AccountPaths::make(m_dir.path(), QStringLiteral("acc"));
        QVERIFY(QDir().mkpath(m_paths.inputDir));
        m_tree = FolderTree();
        m_tree.rename(m_tree.addFolder(kInboxNode), QStringLiteral("仕事"), m_paths.receivedIndexFile, m_prompts);
        m_view = std::make_unique<MailFolderView>(m_tree, m_prompts, m_reader);
        m_view->setAccount(m_paths, QString());
        m_junk = std::make_unique<mainwin::JunkCommands>(*m_view, m_tree, m_prompts);
        m_junk->setProgramDir(m_dir.path());
    }
    void cleanup()
    {
        m_junk.reset();
        m_view.reset();
        m_dir.remove();
        m_dir = QTemporaryDir();
        clearProfileCache();
    }

    void markJunkLearnsMovesAndUndoes()
    {
        fill(3);
        m_view->SelectFolder(FixedFolder::Standard);
        const mainwin::JunkCommands::Outcome outcome = m_junk->markJunk({0, 2});
        QVERIFY(outcome.changed && outcome.junkFolderAdded);
        QCOMPARE(m_tree.indexOfKey(FixedFolder::Junk), 8);
        QCOMPARE(section(FixedFolder::Junk), (QStringList{"m0.eml", "m2.eml"}));
        QCOMPARE(section(FixedFolder::Standard), QStringList{"m1.eml"});
        QCOMPARE(m_view->rows().size(), 1);
        QCOMPARE(learnt(QStringLiteral("m0.eml")), std::optional<JunkKind>(JunkKind::Spam));
        QCOMPARE(m_junk->filter()->totals().spam, qint64(2));

        QVERIFY(m_junk->canUndo());
        QVERIFY(m_junk->undo());
        QVERIFY(!m_junk->canUndo());
        QCOMPARE(section(FixedFolder::Standard), (QStringList{"m0.eml", "m1.eml", "m2.eml"}));
        QCOMPARE(section(FixedFolder::Junk), QStringList());
        QCOMPARE(m_view->rows().size(), 3); // the shown folder listed again
        QCOMPARE(learnt(QStringLiteral("m0.eml")), std::nullopt);
        QCOMPARE(m_junk->filter()->totals().spam, qint64(0));
    }

    void notJunkTakesMailOutAndRelearns()
    {
        fill(2);
        m_view->SelectFolder(FixedFolder::Standard);
        m_junk->markJunk({0, 1});
        m_view->SelectFolder(FixedFolder::Junk);
        QCOMPARE(m_view->rows().size(), 2);
        m_junk->markNotJunk({0});
        QCOMPARE(section(FixedFolder::Junk).size(), 1);
        QCOMPARE(section(FixedFolder::Standard).size(), 1);
        const QString out = section(FixedFolder::Standard).first();
        QCOMPARE(learnt(out), std::optional<JunkKind>(JunkKind::Ham));
        QCOMPARE(m_junk->filter()->totals().spam, qint64(1));
        QCOMPARE(m_junk->filter()->totals().ham, qint64(1));
        // Undone: junk again, in 迷惑メール again.
        QVERIFY(m_junk->undo());
        QCOMPARE(section(FixedFolder::Junk).size(), 2);
        QCOMPARE(learnt(out), std::optional<JunkKind>(JunkKind::Spam));
    }

    // Mail the filter doubted is marked in the list until the user judges it, either way.
    void judgingTakesAwayTheMarkOfDoubt()
    {
        fill(3);
        const QString marksFile = fumibako::filing::JunkUnsureMarks::fileOf(m_paths);
        QVERIFY(fumibako::filing::JunkUnsureMarks::add(marksFile, {"m0.eml", "m1.eml", "m2.eml"}));
        fumibako::filing::JunkUnsureMarks marks;
        marks.load(marksFile);
        m_view->SelectFolder(FixedFolder::Standard);
        MailTableModel model(*m_view);
        model.setUnsureMarks(&marks);
        model.reload();
        const QModelIndex subject = model.index(0, kSubjectColumn);
        QVERIFY(model.data(subject).toString().startsWith(MailTableModel::kUnsureMark));
        QCOMPARE(model.data(subject, Qt::ToolTipRole).toString(), MailTableModel::kUnsureTip);
        QVERIFY(!model.data(model.index(0, kFromColumn)).toString().startsWith(MailTableModel::kUnsureMark));
        const QString good = m_view->rows().at(0).keyString();
        const QString junk = m_view->rows().at(1).keyString();
        const QString doubted = m_view->rows().at(2).keyString();
        m_junk->markNotJunk({0});
        m_junk->markJunk({1});
        marks.load(marksFile);
        QVERIFY(!marks.contains(good));
        QVERIFY(!marks.contains(junk));
        QVERIFY(marks.contains(doubted));
    }

    void goodMailElsewhereIsOnlyLearnt()
    {
        fill(1);
        m_view->SelectFolder(FixedFolder::Standard);
        QVERIFY(m_junk->markNotJunk({0}).changed);
        QCOMPARE(section(FixedFolder::Standard), QStringList{"m0.eml"});
        QVERIFY(!m_tree.hasJunkFolder());
        QCOMPARE(learnt(QStringLiteral("m0.eml")), std::optional<JunkKind>(JunkKind::Ham));
    }

    void oldJunkGoesToTheTrash()
    {
        fill(2);
        m_view->SelectFolder(FixedFolder::Standard);
        m_junk->markJunk({0, 1});
        QFile old(m_paths.inputDir + QStringLiteral("m0.eml"));
        QVERIFY(old.open(QIODevice::ReadWrite));
        QVERIFY(old.setFileTime(QDateTime::currentDateTime().addDays(-31), QFileDevice::FileModificationTime));
        old.close();
        const QString userFile = m_dir.filePath(QStringLiteral("acc.ini"));
        fumibako::storage::AccountPaths paths = m_paths;
        paths.userFile = userFile;
        QCOMPARE(m_junk->moveOldJunk(paths), 0); // kept unless the account asks
        filing::JunkSettings settings;
        settings.deleteAfterDays = 30;
        QVERIFY(filing::writeJunkSettings(userFile, settings));
        QCOMPARE(m_junk->moveOldJunk(paths), 1);
        QCOMPARE(section(FixedFolder::Trash), QStringList{"m0.eml"});
        QCOMPARE(section(FixedFolder::Junk), QStringList{"m1.eml"});
        QVERIFY(QFile::exists(m_paths.inputDir + QStringLiteral("m0.eml"))); // in the trash, not deleted
    }

    void movingByHandLearns_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<std::optional<JunkKind>>("learnt");
        QTest::newRow("out of junk into a folder") << FixedFolder::Junk << QStringLiteral("受信BOX\\仕事")
                                                   << std::optional<JunkKind>(JunkKind::Ham);
        QTest::newRow("out of junk into the trash") << FixedFolder::Junk << FixedFolder::Trash << std::optional<JunkKind>();
        QTest::newRow("into junk") << FixedFolder::Standard << FixedFolder::Junk << std::optional<JunkKind>(JunkKind::Spam);
        QTest::newRow("between folders") << FixedFolder::Standard << QStringLiteral("受信BOX\\仕事") << std::optional<JunkKind>();
    }

    void movingByHandLearns()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(std::optional<JunkKind>, learnt);
        fill(1);
        m_tree.ensureJunkFolder();
        if (from != FixedFolder::Standard)
            QVERIFY(m_view->moveEntry(QStringLiteral("m0.eml"), FixedFolder::Standard, from));
        m_view->SelectFolder(from);
        m_junk->learnDrop(to, {0});
        m_view->dropOnFolder(to, {0});
        QCOMPARE(section(to), QStringList{"m0.eml"});
        QCOMPARE(this->learnt(QStringLiteral("m0.eml")), learnt);
    }
};

QTEST_GUILESS_MAIN(TestJunkCommands)
#include "test_junk_commands.moc"
