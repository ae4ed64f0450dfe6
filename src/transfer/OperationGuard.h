#pragma once

#include <QString>

namespace fumibako::platform {
class UserPrompts;
}

namespace fumibako::transfer {

/**
 * The network operations, and the long file operations on the mailbox; only one runs at a time.
 * The numbers are the operations' codes.
 */
enum class Operation : qint16 {
    Idle = 0, ///< none runs
    Sending = 1,
    FetchingServerList = 3,
    SelectiveReceive = 4,
    SelectiveDelete = 5,
    Receiving = 6,
    ReceivingAndDeleting = 7,
    Importing = 8, ///< mail brought in from files: it writes the index as receiving does
    Exporting = 9, ///< a folder written out to files
};

/**
 * @short Holds the one running network operation and turns every other request away.
 *
 * Lives on the user-interface thread. The caller that acquired an operation releases it on every
 * path (OperationLease does that by scope).
 */
class OperationGuard {
public:
    explicit OperationGuard(platform::UserPrompts& prompts) : m_prompts(prompts) {}

    /**
     * Starts @p operation (status panel 1 shows its text). False, after the refusal message of the
     * running operation, when another operation runs. Operation::Idle starts nothing: confirmIdle().
     */
    bool AcquireOperation(Operation operation);

    /** Asks without starting anything: true when no operation runs, else false after its refusal message. */
    bool confirmIdle();

    /**
     * Shows the running operation's status in panel 1 again: nothing when idle; the sending and
     * list-fetching texts; other operations leave the panel as it is.
     */
    void refreshStatus();

    void release() { m_current = Operation::Idle; }

    Operation CurrentOperation() const { return m_current; }

    static QString statusText(Operation operation);
    static QString refusalText(Operation operation);

private:
    platform::UserPrompts& m_prompts;
    Operation m_current = Operation::Idle;
};

/** Releases an acquired operation when it goes out of scope. */
class OperationLease {
public:
    OperationLease(OperationGuard& guard, Operation operation)
        : m_guard(guard), m_held(guard.AcquireOperation(operation))
    {
    }
    ~OperationLease()
    {
        if (m_held)
            m_guard.release();
    }
    OperationLease(const OperationLease&) = delete;
    OperationLease& operator=(const OperationLease&) = delete;

    explicit operator bool() const { return m_held; }

private:
    OperationGuard& m_guard;
    bool m_held;
};

} // namespace fumibako::transfer
