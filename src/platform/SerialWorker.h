#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace fumibako::platform {

/**
 * @short Runs jobs one after the other on a thread of its own.
 *
 * Jobs are posted from any thread and run in the order they were posted. With Priority::Idle the
 * thread gets only processor time nothing else wants (see ThreadPriority.h): for work that may as
 * well wait, such as keeping a cache up to date. The destructor drops the jobs not started, waits
 * for the running one and ends the thread; a long job should watch a flag of its own to stop early.
 */
class SerialWorker {
public:
    enum class Priority { Normal, Idle };

    explicit SerialWorker(Priority priority = Priority::Normal);
    ~SerialWorker();
    SerialWorker(const SerialWorker&) = delete;
    SerialWorker& operator=(const SerialWorker&) = delete;

    void post(std::function<void()> job);
    /** Drops the jobs not started yet. */
    void clear();
    /** Waits until no job is queued or running (tests, and the tool). */
    void waitUntilIdle();
    /** Whether no job is queued or running. */
    bool isIdle();

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::function<void()>> m_jobs;
    bool m_running = false; // a job is running
    bool m_closed = false;
    std::thread m_thread;
};

} // namespace fumibako::platform
