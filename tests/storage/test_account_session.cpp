#include "storage/AccountSession.h"
#include "storage/DataDirectory.h"
#include "storage/MailFolderView.h"
#include "storage/ProfileStore.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"
#include "transfer/MailFileReader.h"
#include "transfer/OperationGuard.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace fumibako::storage;
using namespace fumibako::test;
using fumibako::transfer::Operation;
using fumibako::transfer::OperationGuard;

namespace {

/** Records what the account switch asks of the main window. */
class RecordingHost : public AccountSwitchHost {
public:
    void folderTreeReloaded(bool expand) override { calls << QStringLiteral("tree:%1").arg(expand); }
    void setReceiveMethod(int method) override { calls << QStringLiteral("method:%1").arg(method); }
    void setAutoReceiveArmed(bool armed) override { calls << QStringLiteral("auto:%1").arg(armed); }
    void showUnreadFolder() override { calls << QStringLiteral("unread"); }
    void setGridLines(bool shown) override { calls << QStringLiteral("grid:%1").arg(shown); }
    QStringList calls;
};

} // namespace

class TestAccountSession : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString programDir() const { return m_dir.path() + QStringLiteral("/data/"); }

    QString workDir() const { return m_dir.path() + QStringLiteral("/work/"); }
    AccountPaths pathsOfA() const { return AccountPaths::make(programDir(), QStringLiteral("A")); }

    /** Account A's mailbox with the message "m1.eml", filed in @p section. */
    void fileMessage(const QString& section)
    {
        prepareAccountDirs(programDir(), QStringLiteral("A"));
        writeBytes(pathsOfA().inputDir + QStringLiteral("m1.eml"), "From: a@example.jp\r\nSubject: s\r\n\r\nbody\r\n");
        IniWriteString(section, QStringLiteral("m1.eml"), QStringLiteral("010\t差出人\t件名\t2026/01/01 10:00:00"),
                       pathsOfA().receivedIndexFile);
    }

    static QStringList userFolders(const FolderTree& tree)
    {
        QStringList keys;
        for (int i = kTrashNode + 1; i <= tree.count(); ++i)
            keys << tree.node(i).key;
        return keys;
    }

    /** The keys the folder @p key lists in a view of @p session's account, after listing the inbox. */
    QStringList listed(AccountSession& session, RecordingPrompts& prompts, const QString& key)
    {
        fumibako::transfer::MailFileReader reader;
        MailFolderView view(session.folderTree(), prompts, reader);
        view.setAccount(session.paths(), workDir());
        view.SelectFolder(FixedFolder::Inbox); // the listing that drops sections of unknown folders
        view.SelectFolder(key);
        QStringList keys;
        for (const MailRow& row : view.rows().rows())
            keys << row.keyString();
        return keys;
    }

    void makeAccount(const QString& name, const QString& extra = QString())
    {
        writeBytes(programDir() + name + QStringLiteral(".ini"),
                   cp932Lines(QStringLiteral("[Property]\nAccName=") + name + QStringLiteral("\n[Kankyou]\nMailJusin=1\n") + extra));
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        writeBytes(programDir() + QStringLiteral("AName.ini"), cp932Lines(QStringLiteral("[AName]\nCount=2\n0=A\n1=B\n")));
        makeAccount(QStringLiteral("A"), QStringLiteral("[RirekiTo]\nCount=1\n0=a1@x\n"));
        makeAccount(QStringLiteral("B"), QStringLiteral("GridLine=1\n[Folder]\nCount=2\n0=受信BOX\\f\n1=受信BOX\\f\\g\n"));
        QDir().mkpath(m_dir.path() + QStringLiteral("/work"));
    }
    void cleanup()
    {
        m_dir.remove();
        m_dir = QTemporaryDir();
    }

    void startupSwitchThenUserSwitch()
    {
        RecordingPrompts prompts;
        OperationGuard guard(prompts);
        AccountSession session(ProgramPaths::make(programDir(), m_dir.path() + QStringLiteral("/work")), prompts,
                               [&guard] { return guard.confirmIdle(); });
        QCOMPARE(session.loadAccountList(), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
        RecordingHost host;
        QVERIFY(session.OpenAccount(QStringLiteral("A"), host));
        QCOMPARE(host.calls, (QStringList{QStringLiteral("tree:0"), QStringLiteral("method:1"), QStringLiteral("auto:0"),
                                          QStringLiteral("grid:0")}));
        QVERIFY(QFileInfo(programDir() + QStringLiteral("MailBox/A/下書き")).isDir());
        QCOMPARE(session.histories().to[0], QStringLiteral("a1@x"));
        session.setWindowLoaded(true);

        PushHistory(QStringLiteral("a2@x"), session.histories().to);
        host.calls.clear();
        QVERIFY(session.OpenAccount(QStringLiteral("B"), host));
        QCOMPARE(host.calls, (QStringList{QStringLiteral("tree:1"), QStringLiteral("method:1"), QStringLiteral("auto:1"),
                                          QStringLiteral("unread"), QStringLiteral("grid:1")}));
        QCOMPARE(session.folderTree().count(), 9);
        // A's history was written before B's was read, and stays A's.
        QCOMPARE(readAddressHistory(QStringLiteral("RirekiTo"), programDir() + QStringLiteral("A.ini"))[0], QStringLiteral("a2@x"));
        QVERIFY(session.histories().to[0].isEmpty());
    }

    void switchAndExitAreRefusedWhileATransferRuns()
    {
        RecordingPrompts prompts;
        OperationGuard guard(prompts);
        AccountSession session(ProgramPaths::make(programDir(), m_dir.path() + QStringLiteral("/work")), prompts,
                               [&guard] { return guard.confirmIdle(); });
        RecordingHost host;
        QVERIFY(session.OpenAccount(QStringLiteral("A"), host));
        session.setWindowLoaded(true);
        QVERIFY(guard.AcquireOperation(Operation::Receiving));
        QVERIFY(!session.OpenAccount(QStringLiteral("B"), host));
        QCOMPARE(session.accountName(), QStringLiteral("A"));
        QCOMPARE(prompts.messages.last().text, QStringLiteral("現在メール受信中のため、この操作は中止します"));
        QVERIFY(!session.ExitProgram(DisplaySettings{}, true));
        QStringList lines;
        QVERIFY(!IniGetSection(QStringLiteral("Window"), programDir() + QStringLiteral("AName.ini"), lines));
        guard.release();
    }

    void exitSavesTreeAndEmptiesWorkDir()
    {
        RecordingPrompts prompts;
        const QString work = m_dir.path() + QStringLiteral("/work/");
        AccountSession session(ProgramPaths::make(programDir(), work), prompts, {});
        RecordingHost host;
        QVERIFY(session.OpenAccount(QStringLiteral("A"), host));
        session.setWindowLoaded(true);
        const int folder = session.folderTree().addFolder(kInboxNode);
        writeBytes(work + QStringLiteral("FumiMail.htm"), "preview");
        QVERIFY(session.ExitProgram(DisplaySettings{}, false));
        QCOMPARE(IniGetString(QStringLiteral("Folder"), QStringLiteral("0"), 256, programDir() + QStringLiteral("A.ini")),
                 session.folderTree().node(folder).key);
        QVERIFY(!QFileInfo::exists(work + QStringLiteral("FumiMail.htm")));
        QCOMPARE(IniGetString(QStringLiteral("Window"), QStringLiteral("Width"), 10, programDir() + QStringLiteral("AName.ini")),
                 QStringLiteral("11200"));
    }

    // A run killed right after making a folder and filing mail into it (no exit sequence): the
    // next start shows the folder, its empty sub-folder and the mail.
    void foldersOutliveAKill()
    {
        fileMessage(FixedFolder::Standard);
        const QString work = QStringLiteral("受信BOX\\仕事");
        const pid_t child = ::fork();
        if (child == 0) {
            RecordingPrompts prompts;
            AccountSession session(ProgramPaths::make(programDir(), workDir()), prompts, {});
            RecordingHost host;
            session.OpenAccount(QStringLiteral("A"), host);
            const int node = session.addFolder(kInboxNode);
            session.renameFolder(node, QStringLiteral("仕事"));
            session.addFolder(node);
            fumibako::transfer::MailFileReader reader;
            MailFolderView view(session.folderTree(), prompts, reader);
            view.setAccount(session.paths(), workDir());
            view.SelectFolder(FixedFolder::Standard);
            view.dropOnFolder(work, {0});
            ::kill(::getpid(), SIGKILL);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

        RecordingPrompts prompts;
        AccountSession session(ProgramPaths::make(programDir(), workDir()), prompts, {});
        RecordingHost host;
        QVERIFY(session.OpenAccount(QStringLiteral("A"), host));
        QCOMPARE(userFolders(session.folderTree()), (QStringList{work, work + QStringLiteral("\\新規フォルダ1")}));
        QCOMPARE(listed(session, prompts, work), QStringList{QStringLiteral("m1.eml")});
    }

    // An index section whose folder is missing from the folder list brings its folder back.
    void indexSectionsKeepTheirFolders_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QStringList>("folders");
        QTest::newRow("folder") << QStringLiteral("受信BOX\\旅行") << QStringList{QStringLiteral("受信BOX\\旅行")};
        QTest::newRow("with the folder above it")
            << QStringLiteral("受信BOX\\旅行\\2026")
            << QStringList{QStringLiteral("受信BOX\\旅行"), QStringLiteral("受信BOX\\旅行\\2026")};
        QTest::newRow("outside the inbox: dropped") << QStringLiteral("旅行") << QStringList();
        QTest::newRow("unusable name: dropped") << QStringLiteral("受信BOX\\ 旅行") << QStringList();
    }
    void indexSectionsKeepTheirFolders()
    {
        QFETCH(QString, section);
        QFETCH(QStringList, folders);
        fileMessage(section);
        RecordingPrompts prompts;
        AccountSession session(ProgramPaths::make(programDir(), workDir()), prompts, {});
        RecordingHost host;
        QVERIFY(session.OpenAccount(QStringLiteral("A"), host));
        QCOMPARE(userFolders(session.folderTree()), folders);
        listed(session, prompts, FixedFolder::Inbox);
        QStringList lines;
        QCOMPARE(IniGetSection(section, pathsOfA().receivedIndexFile, lines), !folders.isEmpty());
        session.setWindowLoaded(true);
        QVERIFY(session.ExitProgram(DisplaySettings{}, false));
        QCOMPARE(readOrderedList(QStringLiteral("Folder"), programDir() + QStringLiteral("A.ini"), 10, 256), folders);
    }

    void guardCodes_data()
    {
        QTest::addColumn<Operation>("running");
        QTest::addColumn<Operation>("requested"); // Idle: only asks
        QTest::addColumn<QString>("refusal");
        QTest::newRow("receive during send") << Operation::Sending << Operation::Receiving
                                             << QStringLiteral("現在送信中のため、完了した後に再度実行してください");
        QTest::newRow("send during receive and delete") << Operation::ReceivingAndDeleting << Operation::Sending
                                                        << QStringLiteral("現在メール受信＆削除中のため、この操作は中止します");
        QTest::newRow("ask during list") << Operation::FetchingServerList << Operation::Idle
                                         << QStringLiteral("現在リスト取得中のため、この操作は中止します");
    }
    void guardCodes()
    {
        QFETCH(Operation, running);
        QFETCH(Operation, requested);
        QFETCH(QString, refusal);
        RecordingPrompts prompts;
        OperationGuard guard(prompts);
        QVERIFY(guard.AcquireOperation(running));
        QVERIFY(requested == Operation::Idle ? !guard.confirmIdle() : !guard.AcquireOperation(requested));
        QCOMPARE(guard.CurrentOperation(), running);
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.messages.first().text, refusal);
    }

    void guardRefreshStatus()
    {
        RecordingPrompts prompts;
        OperationGuard guard(prompts);
        QVERIFY(guard.AcquireOperation(Operation::SelectiveReceive));
        QCOMPARE(prompts.status.value(1), QStringLiteral("選択受信中"));
        prompts.setStatus(1, QStringLiteral("other"));
        guard.refreshStatus();
        QCOMPARE(prompts.status.value(1), QStringLiteral("other")); // unchanged for a selective receive
        guard.release();
        guard.refreshStatus();
        QCOMPARE(prompts.status.value(1), QString());
    }
};

QTEST_GUILESS_MAIN(TestAccountSession)
#include "test_account_session.moc"
