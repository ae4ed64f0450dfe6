#include "SendTestSupport.h"
#include "storage/MailFolderView.h"
#include "transfer/MailFileReader.h"
#include "transfer/OperationGuard.h"
#include "transfer/StoredMail.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QSet>
#include <QTest>
#include <QTimer>

#include <algorithm>

using namespace fumibako::transfer;
using namespace fumibako::test;
using fumibako::platform::Answer;
using fumibako::storage::FixedFolder::Drafts;
using fumibako::storage::FixedFolder::Outbox;
using fumibako::storage::FixedFolder::SentBox;

class TestSendWalks : public QObject {
    Q_OBJECT

private:
    MailServers m_servers;

    QStringList outboxKeys(const SendAccount& account) const
    {
        QStringList lines;
        fumibako::storage::IniGetSection(Outbox, account.paths.outgoingIndexFile, lines);
        QStringList keys;
        for (const QString& line : std::as_const(lines))
            keys.append(line.left(line.indexOf(QLatin1Char('='))));
        return keys;
    }

    QStringList messageTexts(const SendAccount& account) const
    {
        QStringList texts;
        for (const ShownMessage& message : account.prompts.messages)
            texts.append(message.text);
        return texts;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        if (!m_servers.start(MailServers::Smtp, &error))
            QSKIP(qPrintable(error));
        qputenv("FUMIBAKO_NET_TIMEOUT", "5");
    }
    void init() { m_servers.takeReceived(); }

    void sendAllGoesOnAfterAFailure()
    {
        SendAccount account(m_servers.smtpAuthPort());
        const QString out = account.paths.outputDir;
        account.queue(out, QStringLiteral("1.txt"), QStringLiteral("a@example.jp"), QStringLiteral("one"));
        account.queue(out, QStringLiteral("2.txt"), QStringLiteral("reject@example.jp"), QStringLiteral("two"));
        account.queue(out, QStringLiteral("3.txt"), QStringLiteral("c@example.jp"), QStringLiteral("three"), Outbox, 1);
        OperationGuard guard(account.prompts);
        CurrentMail mail;
        const SendAllResult result = sendAllAndWait(guard, mail, account.context);
        QVERIFY(result.ran);
        QCOMPARE(result.sent, 2);
        QCOMPARE(result.failed, 1);
        QCOMPARE(receivedSubjects(m_servers.takeReceived()), (QStringList{"one", "three"}));
        QCOMPARE(outboxKeys(account), QStringList{QStringLiteral("2.txt")});
        // Sent files leave the folder; the one kept has its sent-box copy there.
        QVERIFY(!QFile::exists(out + QStringLiteral("1.txt")));
        QVERIFY(!QFile::exists(out + QStringLiteral("3.txt")));
        QCOMPARE(QDir(out).entryList(QDir::Files).size(), 2);
        const ShownMessage last = account.prompts.messages.last();
        QCOMPARE(last.text, QStringLiteral("送信に失敗したものがあります"));
        QCOMPARE(last.title, QStringLiteral("全送信"));
        QCOMPARE(last.icon, fumibako::platform::Icon::Exclamation);
        QCOMPARE(account.prompts.messages.size(), 2); // the library error, then the summary
        QCOMPARE(account.prompts.status.value(1), QString());
        QCOMPARE(guard.CurrentOperation(), Operation::Idle);
    }

    // The sent box holds exactly the copies "保存" asked for, each with the date of its sending:
    // no outbox file stays behind for the listing to file again under its file name.
    void sendAllLeavesOnlyTheKeptCopies_data()
    {
        QTest::addColumn<qint16>("keepFlag");
        QTest::addColumn<QStringList>("sentBox");
        QTest::newRow("keep") << qint16(1) << QStringList{QStringLiteral("20261208-140235.txt 2026/12/08 14:02:35")};
        QTest::newRow("do not keep") << qint16(0) << QStringList();
    }
    void sendAllLeavesOnlyTheKeptCopies()
    {
        QFETCH(qint16, keepFlag);
        QFETCH(QStringList, sentBox);
        SendAccount account(m_servers.smtpAuthPort());
        account.queue(account.paths.outputDir, QStringLiteral("20261208-140232.txt"), QStringLiteral("a@example.jp"),
                      QStringLiteral("one"), Outbox, keepFlag);
        account.context.clock = [] { return QDateTime(QDate(2026, 12, 8), QTime(14, 2, 35)); };
        OperationGuard guard(account.prompts);
        CurrentMail mail;
        QCOMPARE(sendAllAndWait(guard, mail, account.context).sent, 1);
        QVERIFY(outboxKeys(account).isEmpty());
        QStringList files;
        for (const QString& row : sentBox)
            files.append(row.section(QLatin1Char(' '), 0, 0));
        QCOMPARE(QDir(account.paths.outputDir).entryList(QDir::Files), files);
        fumibako::storage::FolderTree tree;
        MailFileReader reader;
        fumibako::storage::MailFolderView view(tree, account.prompts, reader);
        view.setAccount(account.paths, account.dir.path() + QLatin1Char('/'));
        view.SelectFolder(SentBox);
        QStringList listed;
        for (const fumibako::storage::MailRow& row : view.rows().rows())
            listed.append(row.keyString() + QLatin1Char(' ') + row.date().toString());
        QCOMPARE(listed, sentBox);
    }

    void sendAllDropsWhatCannotBeSent()
    {
        SendAccount account(m_servers.smtpAuthPort());
        const QString out = account.paths.outputDir;
        const QString& index = account.paths.outgoingIndexFile;
        account.queue(out, QStringLiteral("sent.txt"), QStringLiteral("a@example.jp"), QStringLiteral("already"));
        fumibako::storage::IniWriteString(SentBox, QStringLiteral("sent.txt"), QStringLiteral("000\ta\tb\tc"), index);
        account.queue(out, QStringLiteral("bad.txt"), QStringLiteral("a@example.jp"), QStringLiteral("bad"));
        fumibako::storage::IniWriteString(Outbox, QStringLiteral("bad.txt"), QStringLiteral("no flags"), index);
        account.queue(out, QStringLiteral("gone.txt"), QStringLiteral("a@example.jp"), QStringLiteral("gone"));
        QFile::remove(out + QStringLiteral("gone.txt"));
        writeBytes(out + QStringLiteral("short.txt"), "a@example.jp\r\n\r\n");
        fumibako::storage::IniWriteString(Outbox, QStringLiteral("short.txt"), QStringLiteral("000\ta\tb\tc"), index);
        account.queue(out, QStringLiteral("ok.txt"), QStringLiteral("a@example.jp"), QStringLiteral("ok"));

        OperationGuard guard(account.prompts);
        CurrentMail mail;
        const SendAllResult result = sendAllAndWait(guard, mail, account.context);
        QCOMPARE(result.sent, 1);
        QCOMPARE(result.failed, 0);
        QCOMPARE(receivedSubjects(m_servers.takeReceived()), QStringList{QStringLiteral("ok")});
        QVERIFY(outboxKeys(account).isEmpty());
        QVERIFY(account.prompts.messages.isEmpty());
        QVERIFY(!account.entry(SentBox, QStringLiteral("sent.txt")).isEmpty());
    }

    // A walk keeps one SMTP connection for all its messages, each message after the first
    // announced with the end of the one before (its MAIL FROM goes without SIZE then); a server
    // that closes the connection after a message gets a new one for the next, and nothing is
    // sent twice or left out.
    void sendAllConnections_data()
    {
        QTest::addColumn<QString>("recipientPrefix");
        QTest::addColumn<int>("connections");
        QTest::addColumn<QList<bool>>("sized");
        QTest::newRow("connection kept") << QStringLiteral("a") << 1 << QList<bool>{true, false, false};
        QTest::newRow("server hangs up after each message") << QStringLiteral("hangup") << 3
                                                            << QList<bool>{true, true, true};
    }

    void sendAllConnections()
    {
        QFETCH(QString, recipientPrefix);
        QFETCH(int, connections);
        QFETCH(QList<bool>, sized);
        SendAccount account(m_servers.smtpAuthPort());
        const QStringList subjects{QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")};
        for (const QString& subject : subjects)
            account.queue(account.paths.outputDir, subject + QStringLiteral(".txt"),
                          recipientPrefix + QStringLiteral("@example.jp"), subject);
        OperationGuard guard(account.prompts);
        CurrentMail mail;
        const SendAllResult result = sendAllAndWait(guard, mail, account.context);
        QCOMPARE(result.sent, 3);
        QCOMPARE(result.failed, 0);
        const QList<ReceivedMail> received = m_servers.takeReceived();
        QCOMPARE(receivedSubjects(received), subjects);
        QSet<QString> used;
        QList<bool> withSize;
        for (const ReceivedMail& message : received) {
            used.insert(message.envelope.value(QStringLiteral("connection")).toString());
            const QJsonArray options = message.envelope.value(QStringLiteral("mail_options")).toArray();
            withSize.append(std::any_of(options.begin(), options.end(), [](const QJsonValue& option) {
                return option.toString().startsWith(QLatin1String("SIZE="));
            }));
        }
        QCOMPARE(used.size(), connections);
        QCOMPARE(withSize, sized);
        QVERIFY(outboxKeys(account).isEmpty());
    }

    // The QUIT that ends a walk's connection waits for the server's answer off this thread: the
    // event loop keeps running meanwhile, and the walk reports once the connection is closed.
    void slowQuitDoesNotHoldUpTheEventLoop()
    {
        SendAccount account(m_servers.smtpAuthPort());
        account.queue(account.paths.outputDir, QStringLiteral("1.txt"), QStringLiteral("slowquit@example.jp"),
                      QStringLiteral("one"));
        QElapsedTimer clock;
        clock.start();
        qint64 lastTick = 0;
        qint64 longestPause = 0;
        QTimer ticker;
        ticker.setInterval(20);
        connect(&ticker, &QTimer::timeout, [&] {
            longestPause = std::max(longestPause, clock.elapsed() - lastTick);
            lastTick = clock.elapsed();
        });
        ticker.start();
        OperationGuard guard(account.prompts);
        CurrentMail mail;
        QCOMPARE(sendAllAndWait(guard, mail, account.context).sent, 1);
        const qint64 reported = clock.elapsed();
        longestPause = std::max(longestPause, reported - lastTick);
        QVERIFY2(reported >= 1500, qPrintable(QString::number(reported))); // the server's delay
        QVERIFY2(longestPause < 1000, qPrintable(QString::number(longestPause)));
        QCOMPARE(receivedSubjects(m_servers.takeReceived()), QStringList{QStringLiteral("one")});
    }

    // Outside a walk a message does not leave its connection open behind it.
    void singleSendsCloseTheirConnection()
    {
        SendAccount account(m_servers.smtpAuthPort());
        for (const QString& subject : {QStringLiteral("first"), QStringLiteral("second")}) {
            CurrentMail mail;
            mail.to = QStringLiteral("a@example.jp");
            mail.subject = subject;
            QCOMPARE(sendAndWait(mail, account.context), SendOutcome::Sent);
        }
        const QList<ReceivedMail> received = m_servers.takeReceived();
        QCOMPARE(received.size(), 2);
        QVERIFY(received.at(0).envelope.value(QStringLiteral("connection")) !=
                received.at(1).envelope.value(QStringLiteral("connection")));
    }

    void refusedWhileAnotherOperationRuns()
    {
        SendAccount account(m_servers.smtpAuthPort());
        account.queue(account.paths.outputDir, QStringLiteral("1.txt"), QStringLiteral("a@example.jp"),
                      QStringLiteral("one"));
        OperationGuard guard(account.prompts);
        QVERIFY(guard.AcquireOperation(Operation::FetchingServerList));
        CurrentMail mail;
        QVERIFY(!sendAllAndWait(guard, mail, account.context).ran);
        QVERIFY(!sendSelectedAndWait(guard, mail, account.context, account.paths.outputDir,
                                     {{QStringLiteral("1.txt"), Outbox}}));
        QCOMPARE(guard.CurrentOperation(), Operation::FetchingServerList);
        QVERIFY(m_servers.takeReceived().isEmpty());
        QCOMPARE(outboxKeys(account), QStringList{QStringLiteral("1.txt")});
    }

    void sendSelectedWalksBackwardsAndStops()
    {
        SendAccount account(m_servers.smtpAuthPort());
        const QString out = account.paths.outputDir;
        account.queue(out, QStringLiteral("a.txt"), QStringLiteral("a@example.jp"), QStringLiteral("a"));
        account.queue(out, QStringLiteral("b.txt"), QStringLiteral("reject@example.jp"), QStringLiteral("b"));
        account.queue(out, QStringLiteral("c.txt"), QStringLiteral("c@example.jp"), QStringLiteral("c"));
        OperationGuard guard(account.prompts);
        CurrentMail mail;
        const QList<SelectedMail> selected{{QStringLiteral("a.txt"), Outbox},
                                           {QStringLiteral("b.txt"), Outbox},
                                           {QStringLiteral("c.txt"), Outbox}};
        QVERIFY(sendSelectedAndWait(guard, mail, account.context, out, selected));
        QCOMPARE(receivedSubjects(m_servers.takeReceived()), QStringList{QStringLiteral("c")});
        QCOMPARE(outboxKeys(account), (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt")}));
        QVERIFY(!QFile::exists(out + QStringLiteral("c.txt")));
        QVERIFY(QFile::exists(out + QStringLiteral("b.txt")));
        QCOMPARE(account.prompts.messages.last().text, QStringLiteral("送信エラーが発生したようなので処理を中止します"));
        QCOMPARE(guard.CurrentOperation(), Operation::Idle);
    }

    void sendSelectedAsksAboutUnreadableFiles_data()
    {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<QStringList>("sent");
        QTest::newRow("go on") << Answer::Yes << QStringList{QStringLiteral("a")};
        QTest::newRow("stop") << Answer::No << QStringList();
    }
    void sendSelectedAsksAboutUnreadableFiles()
    {
        QFETCH(Answer, answer);
        QFETCH(QStringList, sent);
        SendAccount account(m_servers.smtpAuthPort());
        const QString out = account.paths.outputDir;
        account.queue(out, QStringLiteral("a.txt"), QStringLiteral("a@example.jp"), QStringLiteral("a"));
        writeBytes(out + QStringLiteral("broken.txt"), "x\r\n");
        account.prompts.answerNext(answer);
        OperationGuard guard(account.prompts);
        CurrentMail mail;
        QVERIFY(sendSelectedAndWait(guard, mail, account.context, out,
                                    {{QStringLiteral("a.txt"), Outbox}, {QStringLiteral("broken.txt"), Outbox}}));
        QCOMPARE(account.prompts.messages.first().text,
                 QStringLiteral("メール読み込み時にエラーが発生しました。次のメールに移りますか？"));
        QCOMPARE(account.prompts.messages.first().title, QStringLiteral("送信前エラー"));
        QCOMPARE(receivedSubjects(m_servers.takeReceived()), sent);
    }

    void draftsStayWhenSent()
    {
        SendAccount account(m_servers.smtpAuthPort());
        const QString drafts = account.paths.draftDir;
        account.queue(drafts, QStringLiteral("d.txt"), QStringLiteral("a@example.jp"), QStringLiteral("draft"), Drafts);
        OperationGuard guard(account.prompts);
        CurrentMail mail;
        QVERIFY(sendSelectedAndWait(guard, mail, account.context, drafts, {{QStringLiteral("d.txt"), Drafts}}));
        QCOMPARE(receivedSubjects(m_servers.takeReceived()), QStringList{QStringLiteral("draft")});
        QVERIFY(QFile::exists(drafts + QStringLiteral("d.txt")));
        QVERIFY(!account.entry(Drafts, QStringLiteral("d.txt")).isEmpty());
    }

    void redirectsAndForwardsStoredMail()
    {
        SendAccount account(m_servers.smtpAuthPort());
        const QByteArray original = "From: =?UTF-8?B?5bGx55Sw?= <yamada@example.jp>\r\nTo: taro@example.jp\r\n"
                                    "Subject: original\r\nMessage-ID: <orig@example.jp>\r\n"
                                    "Date: Sat, 05 Dec 2026 10:00:00 +0900\r\n"
                                    "Content-Type: text/plain; charset=UTF-8\r\n\r\n元の本文\r\n";
        const QString stored = account.paths.inputDir + QStringLiteral("2026120510.eml");
        writeBytes(stored, original);
        const QString out = account.paths.outputDir;
        account.queue(out, QStringLiteral("r.txt"), QStringLiteral(">#xfr ") + stored + QStringLiteral(", next@example.jp"),
                      QStringLiteral("redirect"));
        CurrentMail forward;
        forward.to = QStringLiteral("fwd@example.jp");
        forward.subject = QStringLiteral("Fw: original");
        forward.body = QStringLiteral("転送します");
        forward.attachments = QStringList{stored + QStringLiteral("|転送.eml")};
        forward.mailPath = out;
        forward.mailName = QStringLiteral("f.txt");
        QVERIFY(WriteOutgoingFile(forward));
        fumibako::storage::IniWriteString(Outbox, forward.mailName, QStringLiteral("001\tfwd\tFw\tdate"),
                                          account.paths.outgoingIndexFile);

        OperationGuard guard(account.prompts);
        CurrentMail mail;
        QCOMPARE(sendAllAndWait(guard, mail, account.context).sent, 2);
        const QList<ReceivedMail> received = m_servers.takeReceived();
        QCOMPARE(received.size(), 2);
        QVERIFY(received[0].data.startsWith("Resent-From: "));
        QVERIFY(received[0].data.endsWith(original.mid(original.indexOf("From: "))));
        QCOMPARE(received[0].envelope.value(QStringLiteral("rcpt_tos")).toArray().size(), 1);
        QVERIFY(received[1].data.contains("message/rfc822"));
        QVERIFY(received[1].data.contains(original.mid(original.indexOf("Subject: "))));
        // Read back, the forwarded message arrives as an attachment of its own name.
        writeBytes(account.dir.filePath(QStringLiteral("back/f.eml")), received[1].data);
        QDir().mkpath(account.dir.filePath(QStringLiteral("back/att")));
        CurrentMail back;
        QVERIFY(ReadStoredMail(back, StoredMailKind::Received, account.dir.filePath(QStringLiteral("back/")),
                               QStringLiteral("f.eml"), account.dir.filePath(QStringLiteral("back/att/"))));
        QCOMPARE(back.subject, QStringLiteral("Fw: original"));
        QCOMPARE(back.attachments.value(0), QStringLiteral("1"));
        QCOMPARE(QFileInfo(back.attachments.value(1)).fileName(), QStringLiteral("転送.eml"));
    }
};

QTEST_GUILESS_MAIN(TestSendWalks)
#include "test_send_walks.moc"
