// The worker-thread runner: every progress report reaches the window's thread, in order, before
// the result, and a report is not held back while the call goes quiet.
#include "transfer/TransferRunner.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <thread>

using namespace fumibako;
using platform::mail::LibraryResult;

class TransferRunnerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void deliversEveryReportInOrderBeforeTheResult_data();
    void deliversEveryReportInOrderBeforeTheResult();
    void deliversTheLastReportWhileTheCallIsQuiet();
    void cancelReachesTheCall();
};

void TransferRunnerTest::deliversEveryReportInOrderBeforeTheResult_data()
{
    QTest::addColumn<int>("reports");
    QTest::addColumn<int>("pauseEveryMicroseconds");
    QTest::newRow("a burst") << 20000 << 0;
    QTest::newRow("spread over about a second") << 2000 << 500;
}

void TransferRunnerTest::deliversEveryReportInOrderBeforeTheResult()
{
    QFETCH(int, reports);
    QFETCH(int, pauseEveryMicroseconds);
    transfer::TransferRunner runner;
    QList<int> seen;
    bool finishedBeforeAll = false;
    connect(&runner, &transfer::TransferRunner::progress, this, [&](int number, int bytes) {
        QCOMPARE(bytes, number * 10);
        seen.append(number);
    });
    connect(&runner, &transfer::TransferRunner::finished, this, [&](const LibraryResult& result) {
        finishedBeforeAll = seen.size() != reports;
        QCOMPARE(result.text, QStringLiteral("done"));
    });
    QSignalSpy finished(&runner, &transfer::TransferRunner::finished);
    QVERIFY(runner.start([=](const platform::mail::ProgressCallback& report) {
        for (int i = 1; i <= reports; ++i) {
            report(i, i * 10);
            if (pauseEveryMicroseconds > 0)
                std::this_thread::sleep_for(std::chrono::microseconds(pauseEveryMicroseconds));
        }
        return LibraryResult::ofText(QStringLiteral("done"));
    }));
    QVERIFY(finished.wait(20000));
    QVERIFY(!finishedBeforeAll);
    QCOMPARE(seen.size(), reports);
    for (int i = 0; i < seen.size(); ++i)
        QCOMPARE(seen.at(i), i + 1);
    QVERIFY(runner.progressSeen());
}

void TransferRunnerTest::deliversTheLastReportWhileTheCallIsQuiet()
{
    // A server that stalls after some reports: the window must show them without waiting for the
    // next report or the end of the call.
    transfer::TransferRunner runner;
    std::atomic<bool> release{false};
    int last = 0;
    connect(&runner, &transfer::TransferRunner::progress, this, [&](int number, int) { last = number; });
    QSignalSpy finished(&runner, &transfer::TransferRunner::finished);
    QVERIFY(runner.start([&](const platform::mail::ProgressCallback& report) {
        for (int i = 1; i <= 500; ++i)
            report(i, i);
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return LibraryResult();
    }));
    QTRY_COMPARE_WITH_TIMEOUT(last, 500, 2000);
    QVERIFY(finished.isEmpty());
    release = true;
    QVERIFY(finished.wait(5000));
}

void TransferRunnerTest::cancelReachesTheCall()
{
    transfer::TransferRunner runner;
    std::atomic<bool> started{false};
    std::atomic<int> stopAnswer{0};
    QSignalSpy finished(&runner, &transfer::TransferRunner::finished);
    QVERIFY(runner.start([&](const platform::mail::ProgressCallback& report) {
        started = true;
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 5000 && stopAnswer == 0) {
            stopAnswer = report(1, 1);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return LibraryResult();
    }));
    QTRY_VERIFY(started);
    runner.requestCancel();
    QVERIFY(finished.wait(5000));
    QCOMPARE(stopAnswer.load(), 1);
}

QTEST_GUILESS_MAIN(TransferRunnerTest)
#include "test_transfer_runner.moc"
