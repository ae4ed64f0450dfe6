#include "transfer/ReceivedFileWorker.h"

#include "platform/ThreadPriority.h"

namespace fumibako::transfer {

namespace {

// The worker is woken for a batch of files, not for each one: waking a thread on another core
// costs about as much as reading a small message.
constexpr size_t kWakeCount = 16;

} // namespace

ReceivedFileWorker::ReceivedFileWorker(filing::FieldNeeds needs)
    : m_needs(std::move(needs)),
      m_filing(!m_needs.headers.isEmpty() || m_needs.body || m_needs.size || m_needs.attachments),
      m_thread([this] { run(); })
{
    platform::lowerToIdle(m_thread);
}

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
        if (m_queue.size() < kWakeCount)
            return;
    }
    m_wake.notify_one();
}

std::vector<std::optional<ReceivedFileRead>> ReceivedFileWorker::takeAll()
{
    // The worker gets only idle processor time: what it has not started yet is read here, and
    // the wait is at most for the file it is on.
    while (std::optional<Item> item = takeNext(false))
        read(*item);
    stop();
    return std::move(m_read);
}

std::optional<ReceivedFileWorker::Item> ReceivedFileWorker::takeNext(bool wait)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    // Once awake, the worker empties the queue before it waits again.
    if (wait && m_queue.empty())
        m_wake.wait(lock, [this] { return m_closed || m_queue.size() >= kWakeCount; });
    if (m_queue.empty())
        return std::nullopt;
    Item item = std::move(m_queue.front());
    m_queue.pop_front();
    return item;
}

void ReceivedFileWorker::read(const Item& item)
{
    ReceivedFileRead read;
    // Rules on other fields than the sender and the subject get them from the same reading of the file.
    QList<std::pair<QByteArray, QByteArray>> fields;
    const bool readFields = m_filing && !m_needs.indexFieldsSuffice();
    read.summary = platform::mail::ReadMailSummary(item.second, readFields ? &fields : nullptr);
    if (read.summary && m_filing) {
        const platform::mail::MailSummary& summary = *read.summary;
        read.filing = filing::FilingInput::withKnownFields(item.second, summary.from, summary.subject, summary.attachments > 0);
        if (readFields)
            read.filing.setHeaderFields(std::move(fields));
        read.filing.prefetch(m_needs);
    }
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_read.size() <= size_t(item.first))
        m_read.resize(size_t(item.first) + 1);
    m_read[size_t(item.first)] = std::move(read);
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
    while (std::optional<Item> item = takeNext(true))
        read(*item);
}

} // namespace fumibako::transfer
