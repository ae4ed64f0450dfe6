#include "ReceiveFixture.h"
#include "storage/AccountSettings.h"
#include "transfer/TransferErrors.h"

#include <QtTest>

#include <memory>

using namespace fumibako::transfer;
using fumibako::platform::Answer;
using fumibako::storage::ReceiveMethod;
using fumibako::test::MailServers;
using fumibako::test::ReceiveFixture;

Q_DECLARE_METATYPE(fumibako::transfer::PasswordKeep)

// Receiving against a real Dovecot: the receive methods, cancelling, failures and the password.
class ReceivingTest : public QObject {
    Q_OBJECT

private:
    MailServers m_servers;
    QList<QByteArray> m_seeds;
    std::unique_ptr<ReceiveFixture> m_fixture;

    qint64 seedBytes() const
    {
        qint64 total = 0;
        for (const QByteArray& seed : m_seeds)
            total += seed.size();
        return total;
    }

    void verifyFiledUnread(ReceiveFixture& f, int count)
    {
        const QStringList entries = f.filedEntries();
        QCOMPARE(entries.size(), count);
        QCOMPARE(f.inputFiles().size(), count);
        for (const QString& entry : entries) {
            const QString value = entry.section(QLatin1Char('='), 1);
            QCOMPARE(value.mid(1, 1), QStringLiteral("1")); // unread
            QVERIFY(m_seeds.contains(f.inputFile(entry.section(QLatin1Char('='), 0, 0))));
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        if (!m_servers.start(MailServers::Pop3, &error))
            QSKIP(qPrintable(error));
        m_servers.useInThisProcess(3);
        m_seeds = MailServers::seedMessages();
    }

    void init()
    {
        QVERIFY(m_servers.seedMailbox(QStringLiteral("taro"), m_seeds));
        m_fixture = std::make_unique<ReceiveFixture>(m_servers.pop3Port());
    }

    void cleanupTestCase() { m_servers.stop(); }

    void countOnly_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("No keeps everything on the server") << false;
        QTest::newRow("Yes receives everything") << true;
    }
    void countOnly()
    {
        QFETCH(bool, yes);
        ReceiveFixture& f = *m_fixture;
        f.prompts.answerNext(yes ? Answer::Yes : Answer::No);
        QVERIFY(startReceiveAndWait(f.receiver, ReceiveMethod::CountOnly));
        QCOMPARE(f.prompts.messages.size(), 1);
        QCOMPARE(f.prompts.messages[0].text, countQuestionText(QStringLiteral("3"), seedBytes()));
        QCOMPARE(f.prompts.messages[0].title, QStringLiteral("受信確認"));
        QCOMPARE(f.prompts.messages[0].icon, fumibako::platform::Icon::Information);
        QCOMPARE(f.prompts.status[1], yes ? QStringLiteral("新着メールあり") : QStringLiteral("新着はありません"));
        verifyFiledUnread(f, yes ? 3 : 0);
        QCOMPARE(m_servers.mailbox(QStringLiteral("taro")).size(), 3);
        QCOMPARE(f.guard.CurrentOperation(), Operation::Idle);
    }

    void receiveAll()
    {
        ReceiveFixture& f = *m_fixture;
        f.account.environment.newMailSound = 1;
        f.account.environment.soundFile = QStringLiteral("/sounds/new.wav");
        f.setAccount();
        QVERIFY(startReceiveAndWait(f.receiver, ReceiveMethod::ReceiveAll));
        QVERIFY(f.prompts.messages.isEmpty());
        QCOMPARE(f.prompts.statusHistory.first(), QStringLiteral("1:メール受信中"));
        QVERIFY(f.prompts.statusHistory.contains(QStringLiteral("1:受信中")));
        QCOMPARE(f.prompts.status[1], QStringLiteral("新着メールあり"));
        verifyFiledUnread(f, 3);
        QCOMPARE(m_servers.mailbox(QStringLiteral("taro")).size(), 3);
        QCOMPARE(f.ui.progressShown, 1);
        QCOMPARE(f.ui.shownAtOpen, QStringLiteral("0通受信|0キロバイト受信済み"));
        QCOMPARE(f.ui.progressClosed, 1);
        QCOMPARE(f.ui.last.messagesText(), QStringLiteral("3通受信"));
        QCOMPARE(f.ui.last.kilobytesReceivedText(), kilobytesText(seedBytes()) + QStringLiteral("キロバイト 受信済み"));
        QCOMPARE(f.ui.sounds, QStringList{QStringLiteral("/sounds/new.wav")});
        QCOMPARE(f.ui.unreadShown, 1);
        QCOMPARE(f.guard.CurrentOperation(), Operation::Idle);
    }

    void receiveAndDelete()
    {
        ReceiveFixture& f = *m_fixture;
        QVERIFY(startReceiveAndWait(f.receiver, ReceiveMethod::ReceiveAndDelete));
        QCOMPARE(f.prompts.statusHistory.first(), QStringLiteral("1:選択受信＆削除中"));
        verifyFiledUnread(f, 3);
        QVERIFY(m_servers.mailbox(QStringLiteral("taro")).isEmpty());
        QVERIFY(f.ui.sounds.isEmpty()); // "MailSound" off
    }

    void emptyMailboxIsNothingNew_data()
    {
        QTest::addColumn<ReceiveMethod>("method");
        QTest::newRow("count only") << ReceiveMethod::CountOnly;
        QTest::newRow("receive") << ReceiveMethod::ReceiveAll;
        QTest::newRow("receive and delete") << ReceiveMethod::ReceiveAndDelete;
    }
    void emptyMailboxIsNothingNew()
    {
        QFETCH(ReceiveMethod, method);
        QVERIFY(m_servers.seedMailbox(QStringLiteral("taro"), {}));
        ReceiveFixture& f = *m_fixture;
        QVERIFY(startReceiveAndWait(f.receiver, method));
        QVERIFY(f.prompts.messages.isEmpty());
        QCOMPARE(f.prompts.status[1], QStringLiteral("新着はありません"));
        QVERIFY(f.ui.clipboard.isEmpty());
        QCOMPARE(f.ui.unreadShown, 0);
    }

    void cancelKeepsCompleteFiles()
    {
        // The cancel is asked from the window's thread while the worker goes on receiving:
        // enough mail that it cannot have taken all of it meanwhile.
        const int count = 10;
        QList<QByteArray> big;
        for (int i = 0; i < count; ++i) {
            QByteArray message = "From: big@example.jp\r\nSubject: big " + QByteArray::number(i) + "\r\n\r\n";
            while (message.size() < 3 * 1024 * 1024)
                message += QByteArray(74, char('a' + i)) + "\r\n";
            big.append(message);
        }
        QVERIFY(m_servers.seedMailbox(QStringLiteral("taro"), big));
        ReceiveFixture& f = *m_fixture;
        f.ui.onProgress = [&f](const ProgressFigures& figures) {
            if (figures.maeItem() >= 2)
                f.receiver.requestCancel();
        };
        QVERIFY(startReceiveAndWait(f.receiver, ReceiveMethod::ReceiveAndDelete));
        const QStringList entries = f.filedEntries();
        QVERIFY2(!entries.isEmpty() && entries.size() < count, qPrintable(QString::number(entries.size())));
        QCOMPARE(f.inputFiles().size(), entries.size());
        for (const QString& name : f.inputFiles())
            QVERIFY(big.contains(f.inputFile(name)));
        // Only what is safely on disk is gone from the server.
        QCOMPARE(m_servers.mailbox(QStringLiteral("taro")).size(), count - entries.size());
        QCOMPARE(f.prompts.status[1], QStringLiteral("新着メールあり"));
    }

    void failures_data()
    {
        QTest::addColumn<bool>("serverDown");
        QTest::addColumn<QString>("libraryPhrase");
        QTest::addColumn<QString>("explanation");
        QTest::newRow("wrong password") << false << "POP3 error -ERR " << "ログインできませんでした。";
        QTest::newRow("server down") << true << "Cant connect Server" << "メールサーバーにつながりませんでした";
    }
    void failures()
    {
        QFETCH(bool, serverDown);
        QFETCH(QString, libraryPhrase);
        QFETCH(QString, explanation);
        const quint16 port = serverDown ? fumibako::test::freePorts(1).first() : m_servers.pop3Port();
        ReceiveFixture f(port, QStringLiteral("wrong"));
        QVERIFY(startReceiveAndWait(f.receiver, ReceiveMethod::ReceiveAll));
        QCOMPARE(f.prompts.status[1], QStringLiteral("エラー"));
        QCOMPARE(f.prompts.messages.size(), 1);
        const QString text = f.prompts.messages[0].text;
        QVERIFY2(text.contains(libraryPhrase) && text.contains(explanation), qPrintable(text));
        QCOMPARE(f.ui.clipboard.size(), 1);
        QCOMPARE(text, libraryErrorText(f.ui.clipboard.first()));
        QVERIFY(f.filedEntries().isEmpty());
        QCOMPARE(f.guard.CurrentOperation(), Operation::Idle);
    }

    // Some messages saved, then the line dropped: they are filed, and the user learns that the
    // receive stopped early and the rest is still on the server.
    void receiveThatStopsEarlySaysSo()
    {
        fumibako::test::BadPop3Server server;
        QVERIFY(server.start(QStringLiteral("truncate")));
        ReceiveFixture f(server.port());
        f.properties.security.pop3.allowPlainLogin = true; // the scripted server offers no STLS
        QVERIFY(startReceiveAndWait(f.receiver, ReceiveMethod::ReceiveAndDelete));
        QCOMPARE(f.filedEntries().size(), 1);
        QCOMPARE(f.prompts.status[1], QStringLiteral("新着メールあり（受信は途中で止まりました）"));
        QCOMPARE(f.prompts.messages.size(), 1);
        const fumibako::test::ShownMessage& shown = f.prompts.messages.first();
        QCOMPARE(shown.title, QStringLiteral("受信エラー"));
        QCOMPARE(shown.icon, fumibako::platform::Icon::Exclamation);
        QVERIFY2(shown.text.startsWith(QStringLiteral("受信が途中で止まりました。受信できた 1 通は保存しました。"
                                                      "残りのメールはサーバーに残っています。\r\n\r\n")),
                 qPrintable(shown.text));
        QVERIFY2(shown.text.contains(QStringLiteral("message 2")), qPrintable(shown.text));
        QVERIFY(server.log().contains(QStringLiteral("COMMIT uid-1")));
        QVERIFY(!server.log().contains(QStringLiteral("COMMIT uid-2")));
    }

    void passwordPrompt_data()
    {
        QTest::addColumn<PasswordKeep>("keep");
        QTest::addColumn<int>("apop");
        QTest::newRow("this time only") << PasswordKeep::ThisTimeOnly << 0;
        QTest::newRow("while running, APOP") << PasswordKeep::WhileRunning << 1;
        QTest::newRow("store") << PasswordKeep::Store << 0;
    }
    void passwordPrompt()
    {
        QFETCH(PasswordKeep, keep);
        QFETCH(int, apop);
        ReceiveFixture f(m_servers.pop3Port(), QString());
        f.properties.apop = qint16(apop);
        fumibako::storage::IniWriteString(QStringLiteral("Property"), QStringLiteral("Name"), QStringLiteral("Taro"),
                                          f.account.paths.userFile);
        f.ui.passwords.enqueue(PasswordAnswer{QStringLiteral("secret"), keep});
        f.ui.passwords.enqueue(PasswordAnswer{QStringLiteral("secret"), keep});
        QCOMPARE(runServerCommandAndWait(f.receiver, ServerMode::Count, QString()), ReceiveResult::NothingNew);
        QCOMPARE(f.receiver.callPassword(), apop ? QStringLiteral("a secret") : QStringLiteral("secret"));
        QCOMPARE(f.prompts.status[1], QStringLiteral("新着はありません")); // the count was declined
        const bool kept = keep != PasswordKeep::ThisTimeOnly;
        QCOMPARE(f.properties.password, kept ? QStringLiteral("secret") : QString());
        QCOMPARE(fumibako::storage::readAccountProperties(f.account.paths.userFile).password,
                 keep == PasswordKeep::Store ? QStringLiteral("secret") : QString());
        runServerCommandAndWait(f.receiver, ServerMode::Count, QString());
        QCOMPARE(f.ui.passwordPrompts, kept ? 1 : 2);
    }

    void cancelledPromptAsksNothingOfTheServer()
    {
        ReceiveFixture f(m_servers.pop3Port(), QString());
        f.ui.passwords.enqueue(PasswordAnswer{QStringLiteral("secret"), PasswordKeep::ThisTimeOnly});
        runServerCommandAndWait(f.receiver, ServerMode::Count, QString());
        // Logins are logged as they happen; the end of the session above may still be logged later.
        const qsizetype loginsBefore = m_servers.pop3Log().count(QStringLiteral("Login: "));
        f.ui.passwords.enqueue(std::nullopt);
        QVERIFY(startReceiveAndWait(f.receiver, ReceiveMethod::ReceiveAll));
        QCOMPARE(m_servers.pop3Log().count(QStringLiteral("Login: ")), loginsBefore);
        QCOMPARE(f.prompts.status[1], QString());
        QVERIFY(f.filedEntries().isEmpty());
        QCOMPARE(f.ui.progressClosed, f.ui.progressShown);
        QCOMPARE(f.guard.CurrentOperation(), Operation::Idle);
    }

    void guardRefusesASecondCommand()
    {
        ReceiveFixture& f = *m_fixture;
        bool finished = false;
        QVERIFY(f.receiver.StartReceive(ReceiveMethod::ReceiveAndDelete,
                                        [&finished](ReceiveResult) { finished = true; }));
        QVERIFY(!f.receiver.StartReceive(ReceiveMethod::ReceiveAll));
        QVERIFY(!f.guard.AcquireOperation(Operation::Sending));
        QCOMPARE(f.prompts.messages.size(), 2);
        QCOMPARE(f.prompts.messages[0].text, QStringLiteral("現在メール受信＆削除中のため、この操作は中止します"));
        QTRY_VERIFY_WITH_TIMEOUT(finished, 20000);
        QCOMPARE(f.guard.CurrentOperation(), Operation::Idle);
        verifyFiledUnread(f, 3);
    }
};

QTEST_GUILESS_MAIN(ReceivingTest)
#include "test_receiving.moc"
