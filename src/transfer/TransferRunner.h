#pragma once

#include "platform/mail/MailLibrary.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

class QThread;

namespace fumibako::transfer {

/**
 * @short Runs one blocking mail-library call (or another wait of a transfer, such as the renewal
 * of an access token) on a worker thread.
 *
 * Lives on the user-interface thread. The call's progress reports and its result come back to
 * this thread as signals, in the order they were made; progress() always arrives before
 * finished(). After a delivery, the reports of the next moment (kReportInterval) are held and
 * delivered together, so a call that reports thousands of times a second does not wake this
 * thread thousands of times. Cancelling sets a flag that the progress callback hands to the
 * library at its next report. One call at a time.
 */
class TransferRunner : public QObject {
    Q_OBJECT

public:
    /** The work itself: calls the library with the given progress callback. Runs on the worker. */
    using Call = std::function<platform::mail::LibraryResult(const platform::mail::ProgressCallback&)>;

    explicit TransferRunner(QObject* parent = nullptr);
    /** Asks a running call to stop and waits for its thread. */
    ~TransferRunner() override;

    /** Hands a call's result over on the runner's thread. */
    using Delivery = std::function<void(const platform::mail::LibraryResult&)>;

    /** Starts @p call; both flags start at false. False when a call is already running. */
    bool start(Call call);
    /**
     * Starts @p call as above and hands its result to @p done on this thread, from its event loop,
     * after finished(): the way to run a library call off the window's thread and go on from its
     * result. @p done may start the next call. A runner destroyed first drops it uncalled: what it
     * refers to needs to live only as long as the runner does.
     */
    bool start(Call call, Delivery done);
    bool isRunning() const { return m_thread != nullptr; }

    /** Asks the running call to stop at its next progress report. */
    void requestCancel() { m_cancelRequested = true; }
    bool cancelRequested() const { return m_cancelRequested; }
    /**
     * The runner is being destroyed and waits for its call: a wait of the call that reports no
     * progress (a token renewal) may end at once, its result is dropped. Read on the worker.
     */
    bool isClosing() const { return m_closing; }
    /** Whether the running (or last) call reported any progress. */
    bool progressSeen() const { return m_progressSeen; }

Q_SIGNALS:
    void progress(int messageNumber, int bytesSoFar);
    void finished(const fumibako::platform::mail::LibraryResult& result);

private:
    void threadFinished();
    void deliverReports();
    /** Emits the reports made so far; false when there were none. */
    bool emitReports();

    static constexpr int kReportInterval = 50; // ms; more often than a window can usefully redraw

    QThread* m_thread = nullptr;
    Delivery m_done;                        // of the running call
    platform::mail::LibraryResult m_result; // written by the worker, read after its thread ended
    std::atomic<bool> m_cancelRequested{false};
    std::atomic<bool> m_closing{false};
    std::atomic<bool> m_progressSeen{false};
    std::mutex m_reportsMutex;
    std::vector<std::pair<int, int>> m_reports; // made by the worker, not yet delivered
    bool m_deliveryPosted = false;              // a deliverReports() is on its way or timed
    QTimer m_deliveryTimer;                     // the next delivery, after a moment
};

/**
 * Runs @p start, which must call the function it is given exactly once when its work is done
 * (possibly at once), and spins a local event loop until then. For the tool and tests.
 */
void waitUntilDone(const std::function<void(std::function<void()>)>& start);

} // namespace fumibako::transfer
