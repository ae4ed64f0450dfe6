#include "ReceiveFixture.h"
#include "transfer/ServerList.h"

#include <QtTest>

#include <memory>

using namespace fumibako::transfer;
using fumibako::platform::Answer;
using fumibako::test::MailServers;
using fumibako::test::ReceiveFixture;

// The server mail list against a real Dovecot: refetch, the selective commands and their runs.
class ServerListTest : public QObject {
    Q_OBJECT

private:
    MailServers m_servers;
    QList<QByteArray> m_seeds;
    std::unique_ptr<ReceiveFixture> m_fixture;
    std::unique_ptr<ServerList> m_list;

    QList<QByteArray> mailbox() const { return m_servers.mailbox(QStringLiteral("taro")); }
    QStringList numbers(const QList<ServerListRow>& rows) const
    {
        QStringList result;
        for (const ServerListRow& row : rows)
            result.append(row.number);
        return result;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        if (!m_servers.start(MailServers::Pop3, &error))
            QSKIP(qPrintable(error));
        m_servers.useInThisProcess(3);
        m_seeds = MailServers::seedMessages();
        // Six messages, so that runs of numbers can be chosen.
        m_seeds += m_seeds;
    }

    void init()
    {
        QVERIFY(m_servers.seedMailbox(QStringLiteral("taro"), m_seeds));
        m_fixture = std::make_unique<ReceiveFixture>(m_servers.pop3Port());
        m_list = std::make_unique<ServerList>(m_fixture->receiver, m_fixture->guard, m_fixture->prompts);
        QCOMPARE(refetchAndWait(*m_list), ReceiveResult::ListFilled);
        m_fixture->prompts.messages.clear();
    }

    void cleanup()
    {
        m_list.reset();
        m_fixture.reset();
    }

    void cleanupTestCase() { m_servers.stop(); }

    void refetchListsTheServer()
    {
        ReceiveFixture& f = *m_fixture;
        QCOMPARE(numbers(m_list->rows(ServerListPane::Server)), (QStringList{"1", "2", "3", "4", "5", "6"}));
        for (const ServerListRow& row : m_list->rows(ServerListPane::Server))
            QVERIFY2(!row.from.isEmpty() && !row.date.isEmpty(), qPrintable(row.from + QLatin1Char('|') + row.date));
        QCOMPARE(m_list->rows(ServerListPane::Server)[0].subject, m_list->rows(ServerListPane::Server)[3].subject);
        QCOMPARE(m_list->status(), QStringLiteral("リスト取得中"));
        QCOMPARE(f.prompts.status[1], QString());
        QCOMPARE(m_list->visibleList(), ServerListPane::Server);
        QCOMPARE(f.guard.CurrentOperation(), Operation::Idle);
    }

    void emptyMailbox()
    {
        QVERIFY(m_servers.seedMailbox(QStringLiteral("taro"), {}));
        QCOMPARE(refetchAndWait(*m_list), ReceiveResult::NothingNew);
        QVERIFY(m_list->rows(ServerListPane::Server).isEmpty());
        QCOMPARE(m_list->status(), QStringLiteral("メールはありません"));
    }

    void selectiveCommands_data()
    {
        QTest::addColumn<SelectiveCommand>("command");
        QTest::addColumn<QList<int>>("selected"); // row indexes
        QTest::addColumn<QString>("question");
        QTest::addColumn<int>("filed");
        QTest::addColumn<int>("leftOnServer");
        QTest::addColumn<QString>("closing");
        QTest::newRow("receive 2-4 and 6") << SelectiveCommand::Receive << QList<int>{1, 2, 3, 5}
                                           << "表示している全てのメールを受信します" << 4 << 6 << "メールを受信しました";
        QTest::newRow("receive and delete 1, 2") << SelectiveCommand::ReceiveDelete << QList<int>{0, 1}
                                                 << "表示している全てのメールを受信＆削除します" << 2 << 4
                                                 << "メールを受信しました";
        QTest::newRow("delete 5, 6") << SelectiveCommand::Delete << QList<int>{4, 5}
                                     << "表示している全てのメールを削除します" << 0 << 4 << "リスト取得中";
        QTest::newRow("delete 1, 3-4, 6") << SelectiveCommand::Delete << QList<int>{0, 2, 3, 5}
                                          << "表示している全てのメールを削除します" << 0 << 2 << "リスト取得中";
    }
    void selectiveCommands()
    {
        QFETCH(SelectiveCommand, command);
        QFETCH(QList<int>, selected);
        QFETCH(int, leftOnServer);
        ReceiveFixture& f = *m_fixture;
        QList<QByteArray> expectedLeft = m_seeds;
        if (command != SelectiveCommand::Receive) {
            for (qsizetype i = selected.size() - 1; i >= 0; --i)
                expectedLeft.removeAt(selected[i]);
        }
        f.prompts.answerNext(Answer::Yes);
        QVERIFY(runSelectiveAndWait(*m_list, command, selected));
        QCOMPARE(f.prompts.messages.size(), 1);
        QTEST(f.prompts.messages[0].text, "question");
        QCOMPARE(f.prompts.messages[0].title, QStringLiteral("メールの受信"));
        QCOMPARE(f.prompts.messages[0].buttons, fumibako::platform::Buttons::YesNo);
        QTEST(int(f.filedEntries().size()), "filed");
        QCOMPARE(mailbox().size(), leftOnServer);
        QCOMPARE(mailbox(), expectedLeft);
        QCOMPARE(m_list->rows(ServerListPane::Server).size(), leftOnServer); // refetched
        QTEST(m_list->status(), "closing");
        QCOMPARE(f.guard.CurrentOperation(), Operation::Idle);
    }

    void answeringNoChangesNothing()
    {
        ReceiveFixture& f = *m_fixture;
        QVERIFY(runSelectiveAndWait(*m_list, SelectiveCommand::Delete, {0, 1}));
        QCOMPARE(mailbox().size(), 6);
        QCOMPARE(numbers(m_list->rows(ServerListPane::Server)), (QStringList{"1", "2"})); // the unselected rows left the list
        QCOMPARE(f.guard.CurrentOperation(), Operation::Idle);
    }

    void messagesNoLongerThereBringNothingNew()
    {
        ReceiveFixture& f = *m_fixture;
        QVERIFY(m_servers.seedMailbox(QStringLiteral("taro"), {m_seeds[0]}));
        f.prompts.answerNext(Answer::Yes);
        QVERIFY(runSelectiveAndWait(*m_list, SelectiveCommand::Receive, {4, 5}));
        QVERIFY(f.filedEntries().isEmpty());
        QCOMPARE(m_list->status(), QStringLiteral("すでに受信しているメールでした"));
    }

    void searchedRowsKeepTheirServerNumbers()
    {
        ReceiveFixture& f = *m_fixture;
        m_list->removeRows({0, 1, 2});
        QCOMPARE(numbers(m_list->visibleRows()), (QStringList{"4", "5", "6"}));
        m_list->search(m_list->rows(ServerListPane::Server)[1].subject, SearchColumns{true, false, false}, false);
        QCOMPARE(numbers(m_list->visibleRows()), QStringList{"5"});
        f.prompts.answerNext(Answer::Yes);
        QVERIFY(runSelectiveAndWait(*m_list, SelectiveCommand::Delete, {0}));
        QList<QByteArray> expected = m_seeds;
        expected.removeAt(4);
        QCOMPARE(mailbox(), expected);
    }

    void openMessageFilesItAndShowsIt()
    {
        ReceiveFixture& f = *m_fixture;
        bool shown = false;
        Operation heldWhileShown = Operation::Idle;
        bool finished = false;
        std::function<void()> closeShown;
        QVERIFY(m_list->openMessage(
            2,
            [&](std::function<void()> closed) {
                shown = true;
                heldWhileShown = f.guard.CurrentOperation();
                closeShown = std::move(closed);
            },
            [&] { finished = true; }));
        QCOMPARE(m_list->status(), QStringLiteral("メールを受信しています。お待ちください"));
        QTRY_VERIFY_WITH_TIMEOUT(shown, 20000);
        QCOMPARE(heldWhileShown, Operation::Receiving);
        // The guard is held until the shown message is closed.
        QVERIFY(!finished);
        QCOMPARE(f.guard.CurrentOperation(), Operation::Receiving);
        closeShown();
        QVERIFY(finished);
        QCOMPARE(f.filedEntries().size(), 1);
        QCOMPARE(f.inputFile(f.mail.mailName), m_seeds[2]);
        QCOMPARE(m_list->status(), QString());
        QCOMPARE(f.guard.CurrentOperation(), Operation::Idle);
    }

    void closingIsRefusedWhileAnOperationRuns()
    {
        ReceiveFixture& f = *m_fixture;
        bool finished = false;
        QVERIFY(m_list->refetch([&finished](ReceiveResult) { finished = true; }));
        QVERIFY(!m_list->mayClose());
        QCOMPARE(f.prompts.messages.last().text, QStringLiteral("現在リスト取得中のため、この操作は中止します"));
        QTRY_VERIFY_WITH_TIMEOUT(finished, 20000);
        QVERIFY(m_list->mayClose());
    }
};

QTEST_GUILESS_MAIN(ServerListTest)
#include "test_server_list.moc"
