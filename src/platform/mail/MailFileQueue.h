#pragma once

#include "platform/mail/MailLibrary.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace fumibako::platform::mail {

/**
 * @short Writes received messages to their temporary files on a thread of its own.
 *
 * The download hands over each complete message and goes straight on with the next one, so
 * creating and writing the files no longer waits between two server round trips. Messages are
 * kept in order; after the first one that cannot be written, none of the later ones is kept.
 * Holds at most a few megabytes: add() waits while more than that is still to be written.
 * The writer thread is woken for a batch (a number of messages or a megabyte), and by finish().
 */
class MailFileQueue {
public:
    /** Files go into @p folder; @p saved hears of each one once written (on the queue's thread). */
    MailFileQueue(const QString& folder, SavedFileCallback saved);
    /** Waits for the thread; files not taken by finish() are removed. */
    ~MailFileQueue();
    MailFileQueue(const MailFileQueue&) = delete;
    MailFileQueue& operator=(const MailFileQueue&) = delete;

    /** A complete message still in memory, to be written to a new temporary file. */
    void addMessage(QByteArray bytes);
    /** A complete message already in its committed temporary file. */
    void addFile(const QString& temporaryPath);
    /**
     * Waits for every message: the temporary paths in the order they were added, up to the
     * first one that could not be written (then @p error says why).
     */
    QStringList finish(QString* error);

private:
    struct Item {
        QByteArray bytes;
        QString path; // set when already written
    };

    void run();
    bool batchReady() const;
    bool write(Item& item);
    void stop();

    QString m_folder;
    SavedFileCallback m_saved;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Item> m_queue;
    qint64 m_queuedBytes = 0;
    bool m_hasFile = false; // a file is queued: the writer is woken for it at once
    bool m_closed = false;
    bool m_failed = false;
    QString m_error;
    QStringList m_written;
    std::thread m_thread;
};

} // namespace fumibako::platform::mail
