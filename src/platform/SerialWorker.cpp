#include "platform/SerialWorker.h"

#include "platform/ThreadPriority.h"

namespace fumibako::platform {

SerialWorker::SerialWorker(Priority priority) : m_thread([this] { run(); })
{
    if (priority == Priority::Idle)
        lowerToIdle(m_thread);
}

SerialWorker::~SerialWorker()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
        m_jobs.clear();
    }
    m_changed.notify_all();
    m_thread.join();
}

void SerialWorker::post(std::function<void()> job)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_closed)
            return;
        m_jobs.push_back(std::move(job));
    }
    m_changed.notify_all();
}

void SerialWorker::clear()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_jobs.clear();
}

void SerialWorker::waitUntilIdle()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_closed || (m_jobs.empty() && !m_running); });
}

bool SerialWorker::isIdle()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_jobs.empty() && !m_running;
}

void SerialWorker::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_closed || !m_jobs.empty(); });
        if (m_closed)
            return;
        std::function<void()> job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_running = true;
        lock.unlock();
        job();
        lock.lock();
        m_running = false;
        m_changed.notify_all();
    }
}

} // namespace fumibako::platform
