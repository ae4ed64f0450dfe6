#include "transfer/TransferRunner.h"

#include <QEventLoop>
#include <QThread>

#include <memory>

namespace fumibako::transfer {

using platform::mail::LibraryResult;

TransferRunner::TransferRunner(QObject* parent) : QObject(parent)
{
    m_deliveryTimer.setSingleShot(true);
    m_deliveryTimer.setInterval(kReportInterval);
    connect(&m_deliveryTimer, &QTimer::timeout, this, &TransferRunner::deliverReports);
}

TransferRunner::~TransferRunner()
{
    if (m_thread) {
        m_cancelRequested = true;
        m_closing = true;
        m_thread->wait();
        delete m_thread;
    }
}

bool TransferRunner::start(Call call, Delivery done)
{
    if (!start(std::move(call)))
        return false;
    m_done = std::move(done);
    return true;
}

bool TransferRunner::start(Call call)
{
    if (m_thread)
        return false;
    m_done = {};
    m_cancelRequested = false;
    m_progressSeen = false;
    m_result = LibraryResult();
    m_thread = QThread::create([this, call = std::move(call)] {
        m_result = call([this](int messageNumber, int bytes) {
            m_progressSeen = true;
            const std::lock_guard<std::mutex> lock(m_reportsMutex);
            m_reports.emplace_back(messageNumber, bytes);
            if (!m_deliveryPosted) {
                m_deliveryPosted = true;
                // Queued to this object's thread; dropped should the runner be gone by then.
                QMetaObject::invokeMethod(this, &TransferRunner::deliverReports, Qt::QueuedConnection);
            }
            return m_cancelRequested ? 1 : 0;
        });
    });
    // QThread::finished is emitted by the worker after its last progress report was queued, so
    // the result is delivered after every report.
    connect(m_thread, &QThread::finished, this, &TransferRunner::threadFinished, Qt::QueuedConnection);
    m_thread->start();
    return true;
}

void TransferRunner::deliverReports()
{
    if (emitReports()) {
        m_deliveryTimer.start(); // reports made until then wait for it
    } else {
        // Nothing came in the meantime: the next report is posted at once.
        const std::lock_guard<std::mutex> lock(m_reportsMutex);
        if (m_reports.empty())
            m_deliveryPosted = false;
        else
            m_deliveryTimer.start();
    }
}

bool TransferRunner::emitReports()
{
    std::vector<std::pair<int, int>> reports;
    {
        const std::lock_guard<std::mutex> lock(m_reportsMutex);
        reports.swap(m_reports);
    }
    for (const auto& [messageNumber, bytes] : reports)
        Q_EMIT progress(messageNumber, bytes);
    return !reports.empty();
}

void TransferRunner::threadFinished()
{
    QThread* thread = m_thread;
    if (!thread)
        return;
    thread->wait();
    m_deliveryTimer.stop();
    emitReports(); // none may come after the result
    {
        const std::lock_guard<std::mutex> lock(m_reportsMutex);
        m_deliveryPosted = false;
    }
    m_thread = nullptr;
    delete thread;
    const LibraryResult result = std::move(m_result);
    const Delivery done = std::exchange(m_done, {});
    Q_EMIT finished(result);
    // Last: it may start the next call.
    if (done)
        done(result);
}

void waitUntilDone(const std::function<void(std::function<void()>)>& start)
{
    auto done = std::make_shared<bool>(false);
    QEventLoop loop;
    start([done, &loop] {
        *done = true;
        loop.quit();
    });
    if (!*done)
        loop.exec();
}

} // namespace fumibako::transfer
