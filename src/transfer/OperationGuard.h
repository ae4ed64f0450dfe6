#pragma once

#include <QString>

namespace fumibako::platform {
class UserPrompts;
}

namespace fumibako::transfer {

/** The network operations; only one runs at a time. */
enum OperationCode : qint16 {
    kIdle = 0,
    kSending = 1,
    kFetchingServerList = 3,
    kSelectiveReceive = 4,
    kSelectiveDelete = 5,
    kReceiving = 6,
    kReceivingAndDeleting = 7,
    kRefreshStatus = 99,
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
     * Code 0 only asks; codes 1 and 3-7 start the operation (status panel 1 shows its text);
     * code 99 shows the running operation's status again. False, after the refusal message of the
     * running operation, when another operation runs.
     */
    bool AcquireOperation(qint16 code);

    void release() { m_current = kIdle; }

    qint16 CurrentOperation() const { return m_current; }

    static QString statusText(qint16 code);
    static QString refusalText(qint16 code);

private:
    platform::UserPrompts& m_prompts;
    qint16 m_current = kIdle;
};

/** Releases an acquired operation when it goes out of scope. */
class OperationLease {
public:
    OperationLease(OperationGuard& guard, qint16 code) : m_guard(guard), m_held(guard.AcquireOperation(code)) {}
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
