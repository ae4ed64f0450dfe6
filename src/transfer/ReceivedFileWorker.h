#pragma once

#include "filing/FilingInput.h"
#include "platform/mail/MailLibrary.h"

#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace fumibako::transfer {

/** What the worker read of one received file. */
struct ReceivedFileRead {
    std::optional<platform::mail::MailSummary> summary; ///< nothing when the file cannot be read as mail
    filing::FilingInput filing; ///< the fields the filing stages need, read already
};

/**
 * @short Works on received files on a thread of its own while the download goes on.
 *
 * For each file as it arrives: reads the summary its index entry needs and the fields the filing
 * rules read, so that filing the batch at the end finds little left to do. That work goes to a core the network-bound download leaves
 * idle, and only on idle processor time (see ThreadPriority.h). Files are added from any thread;
 * takeAll() reads those the worker has not started and waits for the one it is on.
 */
class ReceivedFileWorker {
public:
    /** @p needs: what the filing stages read of each message (nothing: no stage). */
    explicit ReceivedFileWorker(filing::FieldNeeds needs = {});
    ~ReceivedFileWorker();
    ReceivedFileWorker(const ReceivedFileWorker&) = delete;
    ReceivedFileWorker& operator=(const ReceivedFileWorker&) = delete;

    /** Reads @p path as the file at @p position of the batch. */
    void add(int position, const QString& path);
    /** Waits for every added file; what was read, by position. */
    std::vector<std::optional<ReceivedFileRead>> takeAll();

private:
    using Item = std::pair<int, QString>; // position in the batch, path

    void run();
    void stop();
    /** The next queued file; with @p wait, sleeps until a batch is queued or the worker is closed. */
    std::optional<Item> takeNext(bool wait);
    void read(const Item& item);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Item> m_queue;
    const filing::FieldNeeds m_needs;
    const bool m_filing; // some stage reads something
    std::vector<std::optional<ReceivedFileRead>> m_read;
    bool m_closed = false;
    std::thread m_thread;
};

} // namespace fumibako::transfer
