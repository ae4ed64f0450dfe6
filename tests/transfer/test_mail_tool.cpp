#include "MailServers.h"
#include "storage/AccountSettings.h"
#include "storage/AddressHistory.h"
#include "storage/Paths.h"
#include "storage/ProfileStore.h"
#include "support/TestFiles.h"
#include "transfer/OutgoingMailFile.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace fumibako::test;
using namespace fumibako::storage;

namespace {

struct ToolRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ToolRun runTool(const QStringList& args, const QByteArray& input = {})
{
    QProcess process;
    process.start(qEnvironmentVariable("FUMIBAKO_TOOL"), args);
    process.write(input);
    process.closeWriteChannel();
    ToolRun run;
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

const QByteArray kMessage = "From: =?UTF-8?B?5bGx55Sw?= <yamada@example.jp>\r\nTo: taro@example.jp\r\n"
                            "Subject: =?UTF-8?B?5pel5pys6Kqe?=\r\nDate: Sat, 05 Dec 2026 10:00:00 +0900\r\n"
                            "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
                            "--b\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\n本文\r\n"
                            "--b\r\nContent-Type: text/plain\r\n"
                            "Content-Disposition: attachment; filename*=UTF-8''%E8%A1%A8.txt\r\n\r\nx\r\n--b--\r\n";

} // namespace

class TestMailTool : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { qputenv("TZ", "Asia/Tokyo"); }

    void readPrintsJson()
    {
        const QString file = m_dir.filePath(QStringLiteral("in/m.eml"));
        writeBytes(file, kMessage);
        const QString attachments = m_dir.filePath(QStringLiteral("att"));
        QDir().mkpath(attachments);
        const ToolRun run = runTool({QStringLiteral("mail"), QStringLiteral("read"), file,
                                     QStringLiteral("--attachments"), attachments});
        QCOMPARE(run.exitCode, 0);
        const QJsonObject json = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(json.value(QStringLiteral("subject")).toString(), QStringLiteral("日本語"));
        QCOMPARE(json.value(QStringLiteral("from")).toString(), QStringLiteral("山田 <yamada@example.jp>"));
        QCOMPARE(json.value(QStringLiteral("to")).toString(), QStringLiteral("taro@example.jp"));
        QCOMPARE(json.value(QStringLiteral("date")).toString(), QStringLiteral("2026/12/05 10:00:00"));
        QVERIFY(json.value(QStringLiteral("body")).toString().startsWith(QStringLiteral("本文")));
        const QJsonArray files = json.value(QStringLiteral("attachments")).toArray();
        QCOMPARE(files.size(), 1);
        QCOMPARE(files.at(0).toString(), attachments + QStringLiteral("/表.txt"));
        QCOMPARE(readBytes(files.at(0).toString()), QByteArray("x"));

        const ToolRun headers = runTool({QStringLiteral("mail"), QStringLiteral("headers"), file});
        QCOMPARE(headers.exitCode, 0);
        QVERIFY(headers.out.contains("To: taro@example.jp\n"));

        QCOMPARE(runTool({QStringLiteral("mail"), QStringLiteral("read"), m_dir.filePath(QStringLiteral("none"))})
                     .exitCode,
                 1);
    }

    void sendsTheOutbox()
    {
        MailServers servers;
        QString error;
        if (!servers.start(MailServers::Smtp, &error))
            QSKIP(qPrintable(error));
        servers.useInThisProcess(); // the tool trusts the test servers' certificate
        const QString dataDir = m_dir.filePath(QStringLiteral("data")) + QLatin1Char('/');
        const AccountPaths paths = AccountPaths::make(dataDir, QStringLiteral("taro"));
        QDir().mkpath(paths.outputDir);
        const QString property = QStringLiteral("Property");
        IniWriteString(property, QStringLiteral("AccName"), QStringLiteral("taro"), paths.userFile);
        IniWriteString(property, QStringLiteral("Name"), QStringLiteral("太郎"), paths.userFile);
        IniWriteString(property, QStringLiteral("MailAddress"), QStringLiteral("taro@example.jp"), paths.userFile);
        IniWriteString(property, QStringLiteral("SMTPServer"), QStringLiteral("127.0.0.1"), paths.userFile);
        IniWriteString(property, QStringLiteral("SMTPport"), QStringLiteral("1"), paths.userFile);
        IniWriteString(property, QStringLiteral("SportNum"), QString::number(servers.submissionPort()),
                       paths.userFile);
        QVERIFY(storePassword(paths.userFile, QStringLiteral("secret")));
        fumibako::transfer::CurrentMail mail;
        mail.to = QStringLiteral("sato@example.com");
        mail.subject = QStringLiteral("件名");
        mail.body = QStringLiteral("本文");
        mail.mailPath = paths.outputDir;
        mail.mailName = QStringLiteral("20261205-100000.txt");
        QVERIFY(fumibako::transfer::WriteOutgoingFile(mail));
        IniWriteString(QStringLiteral("送信BOX"), mail.mailName, QStringLiteral("000\tsato@example.com\t件名\tx"),
                       paths.outgoingIndexFile);

        const ToolRun run = runTool({QStringLiteral("--data-dir"), dataDir, QStringLiteral("send"), QStringLiteral("taro")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(QString::fromUtf8(run.out), QStringLiteral("送信しました\n"));
        const QList<ReceivedMail> received = servers.takeReceived();
        QCOMPARE(received.size(), 1);
        QCOMPARE(received[0].envelope.value(QStringLiteral("auth_user")).toString(), QStringLiteral("taro"));
        clearProfileCache();
        QVERIFY(IniGetString(QStringLiteral("送信BOX"), mail.mailName, 256, paths.outgoingIndexFile).isEmpty());
        QCOMPARE(readAddressHistories(paths.userFile).to.at(0), QStringLiteral("sato@example.com"));

        // Without a stored password the tool reads it from its standard input, for this run only.
        IniDeleteKey(paths.userFile, property, QStringLiteral("Password"));
        mail.mailName = QStringLiteral("20261205-100001.txt");
        QVERIFY(fumibako::transfer::WriteOutgoingFile(mail));
        IniWriteString(QStringLiteral("送信BOX"), mail.mailName, QStringLiteral("000\tsato@example.com\t件名\tx"),
                       paths.outgoingIndexFile);
        const ToolRun prompted =
            runTool({QStringLiteral("--data-dir"), dataDir, QStringLiteral("send"), QStringLiteral("taro")}, "secret\n");
        QCOMPARE(prompted.exitCode, 0);
        QCOMPARE(servers.takeReceived().size(), 1);
        clearProfileCache();
        QVERIFY(readAccountProperties(paths.userFile).password.isEmpty());

        // Without a password and with nothing on stdin nothing goes, and the exit status says so.
        mail.mailName = QStringLiteral("20261205-100002.txt");
        QVERIFY(fumibako::transfer::WriteOutgoingFile(mail));
        IniWriteString(QStringLiteral("送信BOX"), mail.mailName, QStringLiteral("000\tsato@example.com\t件名\tx"),
                       paths.outgoingIndexFile);
        const ToolRun unanswered = runTool({QStringLiteral("--data-dir"), dataDir, QStringLiteral("send"), QStringLiteral("taro")});
        QCOMPARE(unanswered.exitCode, 1);
        QCOMPARE(QString::fromUtf8(unanswered.err), QStringLiteral("パスワードが入力されませんでした\n"));
        QVERIFY(servers.takeReceived().isEmpty());
        clearProfileCache();
        QVERIFY(!IniGetString(QStringLiteral("送信BOX"), mail.mailName, 256, paths.outgoingIndexFile).isEmpty());
        QVERIFY(storePassword(paths.userFile, QStringLiteral("secret")));
        QCOMPARE(runTool({QStringLiteral("--data-dir"), dataDir, QStringLiteral("send"), QStringLiteral("taro")}).exitCode, 0);
        QCOMPARE(servers.takeReceived().size(), 1);

        // Nothing queued any more: nothing sent, nothing failed.
        QCOMPARE(runTool({QStringLiteral("--data-dir"), dataDir, QStringLiteral("send"), QStringLiteral("taro")}).exitCode,
                 0);
        QVERIFY(servers.takeReceived().isEmpty());
        QCOMPARE(runTool({QStringLiteral("--data-dir"), dataDir, QStringLiteral("send"), QStringLiteral("nobody")})
                     .exitCode,
                 1);
    }
};

QTEST_GUILESS_MAIN(TestMailTool)
#include "test_mail_tool.moc"
