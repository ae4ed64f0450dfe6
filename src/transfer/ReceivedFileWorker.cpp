#include "transfer/ReceivedFileWorker.h"

namespace fumibako::transfer {

ReceivedFileWorker::ReceivedFileWorker() : m_thread([this] { run(); }) {}

ReceivedFileWorker::~ReceivedFileWorker()
{
    stop();
}

void ReceivedFileWorker::add(int position, const QString& path)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_closed || position < 0)
            return;
        m_queue.emplace_back(position, path);
    }
    m_wake.notify_one();
}

std::vector<std::optional<platform::mail::MailSummary>> ReceivedFileWorker::takeAll()
{
    stop();
    return std::move(m_summaries);
}

void ReceivedFileWorker::stop()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

void ReceivedFileWorker::run()
{
    for (;;) {
        std::pair<int, QString> item;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_closed || !m_queue.empty(); });
            if (m_queue.empty())
                return; // closed, and nothing left
            item = std::move(m_queue.front());
            m_queue.pop_front();
        }
        std::optional<platform::mail::MailSummary> summary = platform::mail::ReadMailSummary(item.second);
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_summaries.size() <= size_t(item.first))
            m_summaries.resize(size_t(item.first) + 1);
        m_summaries[size_t(item.first)] = std::move(summary);
    }
}

} // namespace fumibako::transfer
