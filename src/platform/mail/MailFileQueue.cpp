#include "platform/mail/MailFileQueue.h"

#include "platform/mail/MailFileWriter.h"

#include <QFile>

#include <unistd.h>

namespace fumibako::platform::mail {

namespace {

constexpr qint64 kMostQueuedBytes = 16 * 1024 * 1024;
// The writer is woken for a batch of messages, not for each one: waking a thread on another
// core costs more than writing a small message, above all in a virtual machine.
constexpr size_t kWakeCount = 16;
constexpr qint64 kWakeBytes = 1024 * 1024;

} // namespace

MailFileQueue::MailFileQueue(const QString& folder, SavedFileCallback saved)
    : m_folder(folder), m_saved(std::move(saved)), m_thread([this] { run(); })
{
}

MailFileQueue::~MailFileQueue()
{
    stop();
    for (const QString& path : std::as_const(m_written))
        ::unlink(QFile::encodeName(path).constData());
}

void MailFileQueue::addMessage(QByteArray bytes)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_queuedBytes < kMostQueuedBytes || m_closed; });
    m_queuedBytes += bytes.size();
    m_queue.push_back({std::move(bytes), QString()});
    if (batchReady())
        m_changed.notify_all();
}

bool MailFileQueue::batchReady() const
{
    return m_queue.size() >= kWakeCount || m_queuedBytes >= kWakeBytes || m_hasFile;
}

void MailFileQueue::addFile(const QString& temporaryPath)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.push_back({QByteArray(), temporaryPath});
    m_hasFile = true;
    m_changed.notify_all();
}

QStringList MailFileQueue::finish(QString* error)
{
    stop();
    if (m_failed)
        *error = m_error;
    return std::exchange(m_written, QStringList());
}

void MailFileQueue::stop()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void MailFileQueue::run()
{
    for (;;) {
        Item item;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            // Once awake, the writer empties the queue before it waits again.
            if (m_queue.empty())
                m_changed.wait(lock, [this] { return m_closed || batchReady(); });
            if (m_queue.empty())
                return;
            item = std::move(m_queue.front());
            m_queue.pop_front();
            m_queuedBytes -= item.bytes.size();
            m_hasFile = m_hasFile && !m_queue.empty();
        }
        m_changed.notify_all();
        const bool kept = !m_failed && write(item);
        if (!kept) {
            // After a failure later messages are not kept either: the batch stays in order.
            if (!item.path.isEmpty())
                ::unlink(QFile::encodeName(item.path).constData());
            continue;
        }
        m_written.append(item.path);
        if (m_saved)
            m_saved(int(m_written.size() - 1), item.path);
    }
}

bool MailFileQueue::write(Item& item)
{
    if (!item.path.isEmpty())
        return true;
    MailFileWriter writer(m_folder);
    writer.open();
    if (writer.write(item.bytes.constData(), size_t(item.bytes.size()))) {
        item.path = writer.commit();
        if (!item.path.isEmpty())
            return true;
    }
    m_failed = true;
    m_error = writer.errorText();
    return false;
}

} // namespace fumibako::platform::mail
