#include "support/RecordingPrompts.h"
#include "ScriptedReceiveUi.h"
#include "storage/ProfileStore.h"
#include "transfer/AutoReceive.h"
#include "transfer/OperationGuard.h"
#include "transfer/ReceiveProgress.h"
#include "transfer/Receiving.h"
#include "transfer/ServerList.h"
#include "transfer/StoredMail.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace fumibako::transfer;
using fumibako::test::RecordingPrompts;
using fumibako::test::ScriptedReceiveUi;

using Reports = QList<QPair<int, int>>;

// Figures, rows and rules of receiving that need no server.
class ReceiveFiguresTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void kilobytes_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << "0";
        QTest::newRow("rounds down") << qint64(12345) << "12.3";
        QTest::newRow("rounds up") << qint64(12351) << "12.4";
        QTest::newRow("half to even, down") << qint64(12250) << "12.2";
        QTest::newRow("half to even, up") << qint64(12350) << "12.4";
        QTest::newRow("whole, no trailing zero") << qint64(3000) << "3";
        QTest::newRow("rounds to whole") << qint64(2960) << "3";
        QTest::newRow("beyond 32 bits") << qint64(5'000'000'000) << "5000000";
    }
    void kilobytes()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(kilobytesText(bytes), text);
    }

    void countQuestion()
    {
        QCOMPARE(countQuestionText(QStringLiteral("3"), 12345),
                 QStringLiteral("3通 合計で12.3KB\r\n受信しますか？ (削除はしません)"));
    }

    void progressFigures_data()
    {
        QTest::addColumn<Reports>("reports");
        QTest::addColumn<QString>("messages");
        QTest::addColumn<QString>("kilobytes");
        QTest::newRow("none") << Reports{} << "0通受信" << "0キロバイト受信済み";
        QTest::newRow("two messages") << Reports{{1, 500}, {1, 1500}, {2, 700}} << "2通受信"
                                      << "2.2キロバイト 受信済み";
        QTest::newRow("same message repeats") << Reports{{1, 100}, {1, 100}, {1, 900}} << "1通受信"
                                              << "0.9キロバイト 受信済み";
        QTest::newRow("over 2 GB in total") << Reports{{1, 2'000'000'000}, {2, 2'000'000'000}, {3, 1}} << "3通受信"
                                            << "4000000キロバイト 受信済み";
    }
    void progressFigures()
    {
        QFETCH(Reports, reports);
        QFETCH(QString, messages);
        QFETCH(QString, kilobytes);
        ProgressFigures figures;
        for (const auto& [item, size] : reports)
            figures.Sintyoku(item, size);
        QCOMPARE(figures.messagesText(), messages);
        QCOMPARE(figures.kilobytesReceivedText(), kilobytes);
    }

    void autoReceiveCounter_data()
    {
        QTest::addColumn<int>("autoPop");
        QTest::addColumn<int>("interval");
        QTest::addColumn<QString>("steps"); // D disarm, W wait, R receive
        QTest::newRow("every 5 minutes") << 1 << 5 << "WWWWRWWWWRWWWWR";
        QTest::newRow("every minute") << 1 << 1 << "RRR";
        QTest::newRow("switched off") << 0 << 5 << "DDD";
    }
    void autoReceiveCounter()
    {
        QFETCH(int, autoPop);
        QFETCH(int, interval);
        QFETCH(QString, steps);
        fumibako::storage::AccountEnvironment environment;
        environment.autoReceive = qint16(autoPop);
        environment.autoReceiveMinutes = qint16(interval);
        AutoReceiveCounter counter;
        QString seen;
        for (qsizetype i = 0; i < steps.size(); ++i) {
            switch (counter.AutoReceiveTick(environment)) {
            case AutoReceiveCounter::Step::Disarm: seen += QLatin1Char('D'); break;
            case AutoReceiveCounter::Step::Wait: seen += QLatin1Char('W'); break;
            case AutoReceiveCounter::Step::Receive: seen += QLatin1Char('R'); break;
            }
        }
        QCOMPARE(seen, steps);
    }

    void switchingOffResetsTheCount()
    {
        fumibako::storage::AccountEnvironment environment;
        environment.autoReceive = 1;
        environment.autoReceiveMinutes = 3;
        AutoReceiveCounter counter;
        counter.AutoReceiveTick(environment);
        counter.AutoReceiveTick(environment);
        environment.autoReceive = 0;
        QCOMPARE(counter.AutoReceiveTick(environment), AutoReceiveCounter::Step::Disarm);
        QCOMPARE(counter.minutes(), qint16(0));
    }

    void rowCutting_data()
    {
        QTest::addColumn<QString>("element");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("date");
        QTest::newRow("usual") << "Subject: Hi there\tFrom: a@example.jp \tDate: 2024/05/03 18:30:00" << "Hi there"
                               << "a@example.jp" << "2024/05/03 18:30:00";
        QTest::newRow("empty subject") << "Subject: \tFrom: 鈴木 <s@example.jp> \tDate: 2024/01/02 03:04:05" << ""
                                       << "鈴木 <s@example.jp>" << "2024/01/02 03:04:05";
        QTest::newRow("empty sender and date") << "Subject: x\tFrom:  \tDate: " << "x" << "" << "";
        QTest::newRow("no TAB at all") << "garbage" << "" << "" << "";
        QTest::newRow("one TAB") << "Subject: only\tFrom: a " << "only" << "" << "";
    }
    void rowCutting()
    {
        QFETCH(QString, element);
        const ServerListRow row = cutServerListRow(4, element);
        QCOMPARE(row.number, QStringLiteral("4"));
        QTEST(row.subject, "subject");
        QTEST(row.from, "from");
        QTEST(row.date, "date");
    }

    void runs_data()
    {
        QTest::addColumn<QList<int>>("numbers");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("a run and a single") << QList<int>{2, 3, 4, 7} << QStringList{"7", "2-4"};
        QTest::newRow("one pair") << QList<int>{5, 6} << QStringList{"5-6"};
        QTest::newRow("single") << QList<int>{9} << QStringList{"9"};
        QTest::newRow("all apart") << QList<int>{1, 3, 5} << QStringList{"5", "3", "1"};
        QTest::newRow("two runs") << QList<int>{1, 2, 4, 5, 6} << QStringList{"4-6", "1-2"};
        QTest::newRow("none") << QList<int>{} << QStringList{};
    }
    void runs()
    {
        QFETCH(QList<int>, numbers);
        QTEST(consecutiveRunArguments(numbers), "arguments");
    }

    void search_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("subject");
        QTest::addColumn<bool>("from");
        QTest::addColumn<bool>("date");
        QTest::addColumn<bool>("reverse");
        QTest::addColumn<QStringList>("numbers");
        QTest::addColumn<QString>("status");
        QTest::newRow("subject, any case") << "abc" << true << false << false << false << QStringList{"1"} << "見つかりました";
        QTest::newRow("sender") << "HANAKO" << false << true << false << false << QStringList{"2", "3"} << "見つかりました";
        QTest::newRow("date") << "2023/" << false << false << true << false << QStringList{"3"} << "見つかりました";
        QTest::newRow("reverse") << "hanako" << true << true << false << true << QStringList{"1"} << "見つかりました";
        QTest::newRow("nothing") << "zzz" << true << true << true << false << QStringList{} << "見つかりませんでした";
    }
    void search()
    {
        QFETCH(QString, text);
        QFETCH(bool, subject);
        QFETCH(bool, from);
        QFETCH(bool, date);
        QFETCH(bool, reverse);
        QFETCH(QStringList, numbers);
        RecordingPrompts prompts;
        OperationGuard guard(prompts);
        ScriptedReceiveUi ui;
        CurrentMail mail;
        Receiver receiver(guard, prompts, ui, mail);
        ServerList list(receiver, guard, prompts);
        list.fillServerList({QStringLiteral("Subject: The ABC news\tFrom: taro@example.jp \tDate: 2024/05/03 10:00:00"),
                             QStringLiteral("Subject: Lunch\tFrom: Hanako <h@example.jp> \tDate: 2024/05/04 11:00:00"),
                             QStringLiteral("Subject: Old\tFrom: hanako@example.jp \tDate: 2023/12/31 23:59:59")});
        list.search(text, SearchColumns{subject, from, date}, reverse);
        QStringList found;
        for (const ServerListRow& row : list.rows(ServerListPane::SearchResult))
            found.append(row.number);
        QCOMPARE(found, numbers);
        QCOMPARE(list.visibleList(), ServerListPane::SearchResult);
        QTEST(list.status(), "status");
        QCOMPARE(list.rows(ServerListPane::Server).size(), 3);
    }

    void searchNeedsColumnsAndText()
    {
        RecordingPrompts prompts;
        OperationGuard guard(prompts);
        ScriptedReceiveUi ui;
        CurrentMail mail;
        Receiver receiver(guard, prompts, ui, mail);
        ServerList list(receiver, guard, prompts);
        list.fillServerList({QStringLiteral("Subject: a\tFrom: b \tDate: c")});
        list.search(QStringLiteral("a"), SearchColumns{false, false, false}, false);
        QCOMPARE(list.status(), QStringLiteral("チェックしてください"));
        QCOMPARE(list.visibleList(), ServerListPane::Server);
        list.search(QString(), SearchColumns{}, false);
        QCOMPARE(list.status(), QStringLiteral("検索する文字を入力してください"));
        QVERIFY(list.rows(ServerListPane::SearchResult).isEmpty());
    }

    void searchWordsRoundTrip()
    {
        QTemporaryDir dir;
        const QString userFile = dir.filePath(QStringLiteral("taro.ini"));
        RecordingPrompts prompts;
        OperationGuard guard(prompts);
        ScriptedReceiveUi ui;
        CurrentMail mail;
        Receiver receiver(guard, prompts, ui, mail);
        ServerList list(receiver, guard, prompts);
        const QString longWord = QString(40, QChar(u'あ')); // 80 bytes in code page 932
        QVERIFY(list.saveSearchWords(userFile, {QStringLiteral("請求書"), QStringLiteral("a=b"), longWord}));
        QCOMPARE(fumibako::storage::IniGetString(QStringLiteral("Search"), QStringLiteral("Count"), 10, userFile),
                 QStringLiteral("3"));
        const QStringList words = list.loadSearchWords(userFile);
        QCOMPARE(words, (QStringList{QStringLiteral("請求書"), QStringLiteral("a=b"), QString(34, QChar(u'あ'))}));
    }

    void damagedSearchCountReadsWhatIsThere()
    {
        QTemporaryDir dir;
        const QString userFile = dir.filePath(QStringLiteral("taro.ini"));
        fumibako::storage::IniWriteString(QStringLiteral("Search"), QStringLiteral("Count"), QStringLiteral("99999"),
                                          userFile);
        fumibako::storage::IniWriteString(QStringLiteral("Search"), QStringLiteral("0"), QStringLiteral("x"), userFile);
        RecordingPrompts prompts;
        OperationGuard guard(prompts);
        ScriptedReceiveUi ui;
        CurrentMail mail;
        Receiver receiver(guard, prompts, ui, mail);
        ServerList list(receiver, guard, prompts);
        const QStringList words = list.loadSearchWords(userFile);
        QVERIFY(words.size() <= 2);
        QCOMPARE(words.first(), QStringLiteral("x"));
    }
};

QTEST_GUILESS_MAIN(ReceiveFiguresTest)
#include "test_receive_figures.moc"
