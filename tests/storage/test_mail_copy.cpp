// Copying received messages into another folder: each copy is a file of its own with the
// original's flags, and a kill at any step leaves no copy or a complete one, never a lost or
// half-written message.
#include "storage/FolderTree.h"
#include "storage/MailChangeListener.h"
#include "storage/MailFolderView.h"
#include "storage/ProfileStore.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"
#include "transfer/MailFileReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace fumibako::storage;
using namespace fumibako::test;

namespace {

const QString kWork = QStringLiteral("受信BOX\\仕事");
const QByteArray kMail = "From: =?UTF-8?B?5bGx55Sw?= <yamada@example.jp>\r\nSubject: copy me\r\n\r\nbody\r\n";

struct Heard : MailChangeListener {
    QStringList stored;
    void mailStored(const QString& folderKey, const QString& fileName) override { stored << folderKey + '/' + fileName; }
    void mailMoved(const QString&, const QString&, const QString&) override {}
    void mailRemoved(const QString&, const QString&) override {}
};

} // namespace

class TestMailCopy : public QObject {
    Q_OBJECT

    // The data of a run: a directory given to a child process, or a temporary one.
    QString m_root;
    std::unique_ptr<QTemporaryDir> m_dir;
    AccountPaths m_paths;
    FolderTree m_tree;
    RecordingPrompts m_prompts;
    fumibako::transfer::MailFileReader m_reader;

    QString index() const { return m_paths.receivedIndexFile; }
    QStringList lines(const QString& section) const
    {
        QStringList result;
        IniGetSection(section, index(), result);
        return result;
    }
    QStringList inputFiles() const
    {
        return QDir(m_paths.inputDir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    // Two messages in "標準BOX", the first flagged and unread, and the folder "仕事".
    void prepare(const QString& root)
    {
        m_paths = AccountPaths::make(root, QStringLiteral("acc"));
        QVERIFY(QDir().mkpath(m_paths.inputDir));
        m_tree = FolderTree();
        m_tree.rename(m_tree.addFolder(kInboxNode), QStringLiteral("仕事"), index(), m_prompts);
        writeBytes(m_paths.inputDir + QStringLiteral("a.eml"), kMail);
        writeBytes(m_paths.inputDir + QStringLiteral("b.eml"), kMail);
        IniWriteString(QStringLiteral("標準BOX"), QStringLiteral("a.eml"),
                       QStringLiteral("110\t山田\tcopy me\t2026/12/01 09:00:00"), index());
        IniWriteString(QStringLiteral("標準BOX"), QStringLiteral("b.eml"),
                       QStringLiteral("000\t山田\tcopy me\t2026/12/01 09:00:00"), index());
    }

    // Copies every row of "標準BOX" into "仕事"; returns how many were copied.
    int copyAll()
    {
        MailFolderView view(m_tree, m_prompts, m_reader);
        view.setAccount(m_paths, m_root + QStringLiteral("/work/"));
        view.SelectFolder(QStringLiteral("標準BOX"));
        return view.copyToFolder(kWork, {0, 1});
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_root = m_dir->path();
        prepare(m_root);
    }

    void copiesKeepBytesAndFlags()
    {
        Heard heard;
        MailFolderView view(m_tree, m_prompts, m_reader);
        view.setChangeListener(&heard);
        view.setAccount(m_paths, m_root + QStringLiteral("/work/"));
        view.SelectFolder(QStringLiteral("標準BOX"));
        QCOMPARE(view.copyToFolder(kWork, {0, 1}), 2);
        QCOMPARE(view.rows().size(), 2); // the originals stay where they are
        QCOMPARE(lines(QStringLiteral("標準BOX")).size(), 2);
        QStringList copies = lines(kWork);
        copies.sort();
        QCOMPARE(copies, (QStringList{QStringLiteral("a-2.eml=110\t山田\tcopy me\t2026/12/01 09:00:00"),
                                      QStringLiteral("b-2.eml=000\t山田\tcopy me\t2026/12/01 09:00:00")}));
        QCOMPARE(readBytes(m_paths.inputDir + QStringLiteral("a-2.eml")), kMail);
        QCOMPARE(inputFiles(), (QStringList{"a-2.eml", "a.eml", "b-2.eml", "b.eml"})); // nothing hidden left
        heard.stored.sort();
        QCOMPARE(heard.stored, (QStringList{kWork + "/a-2.eml", kWork + "/b-2.eml"}));

        // A second copy takes the next free name; a copy onto the folder that holds it does nothing.
        view.SelectFolder(kWork);
        QCOMPARE(view.copyToFolder(QStringLiteral("標準BOX"), {0}), 1);
        QCOMPARE(lines(QStringLiteral("標準BOX")).size(), 3);
        QCOMPARE(view.copyToFolder(kWork, {0}), 0);
        QCOMPARE(view.copyToFolder(QStringLiteral("未読メール"), {0}), 0); // a view, not a folder
    }

    void vanishedOriginalIsReported()
    {
        MailFolderView view(m_tree, m_prompts, m_reader);
        view.setAccount(m_paths, m_root + QStringLiteral("/work/"));
        view.SelectFolder(QStringLiteral("標準BOX"));
        QFile::remove(m_paths.inputDir + QStringLiteral("a.eml")); // gone since the folder was listed
        QCOMPARE(view.copyToFolder(kWork, {0, 1}), 1);
        QCOMPARE(m_prompts.messages.size(), 1);
        QVERIFY(m_prompts.messages.first().text.endsWith(QStringLiteral("a.eml は、コピーできませんでした。")));
        QCOMPARE(lines(kWork).size(), 1);
    }

    // Killed after each step: the originals are whole, nothing half-written is visible, and a
    // copy that got its name is listed (the inbox files it into "標準BOX" when it has no entry).
    void killedWhileCopying_data()
    {
        QTest::addColumn<QString>("crashAt");
        QTest::addColumn<QStringList>("listedInStandard");
        QTest::addColumn<int>("copiesInWork");
        QTest::newRow("first copy written, not named") << "copy-written:1" << QStringList{"a.eml", "b.eml"} << 0;
        QTest::newRow("first copy named, not indexed")
            << "copy-named:1" << QStringList{"a.eml", "b-2.eml", "b.eml"} << 0;
        QTest::newRow("second copy named, not indexed")
            << "copy-named:2" << QStringList{"a-2.eml", "a.eml", "b-2.eml", "b.eml"} << 0;
    }
    void killedWhileCopying()
    {
        QFETCH(QString, crashAt);
        QFETCH(QStringList, listedInStandard);
        QFETCH(int, copiesInWork);
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("FUMIBAKO_CRASH_AT"), crashAt);
        environment.insert(QStringLiteral("FUMIBAKO_COPY_ROOT"), m_root);
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("copyInChild")});
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        // The inbox's next listing: no hidden file shows, every named copy is there, whole.
        MailFolderView view(m_tree, m_prompts, m_reader);
        view.setAccount(m_paths, m_root + QStringLiteral("/work/"));
        view.SelectFolder(QStringLiteral("受信BOX"));
        QStringList listed;
        for (const MailRow& row : view.rows().rows()) {
            if (row.tag == QStringLiteral("標準BOX"))
                listed.append(row.keyString());
        }
        listed.sort();
        QCOMPARE(listed, listedInStandard);
        for (const QString& name : listed)
            QCOMPARE(readBytes(m_paths.inputDir + name), kMail);
        QCOMPARE(lines(kWork).size(), copiesInWork);

        // Copying again finishes the job and clears what the kill left.
        QCOMPARE(copyAll(), 2);
        for (const QString& name : inputFiles())
            QVERIFY2(!name.startsWith(QLatin1Char('.')), qPrintable(name));
    }

    // Run by killedWhileCopying() in a process of its own, which the crash point ends.
    void copyInChild()
    {
        const QString root = qEnvironmentVariable("FUMIBAKO_COPY_ROOT");
        if (root.isEmpty())
            QSKIP("only in the child process of killedWhileCopying");
        m_root = root;
        prepare(root); // the same folders and tree as the parent's
        copyAll();
    }
};

QTEST_GUILESS_MAIN(TestMailCopy)
#include "test_mail_copy.moc"
