#pragma once

#include "storage/AccountSettings.h"

namespace fumibako::transfer {

/**
 * @short The minute counter of automatic receiving.
 *
 * The main window arms its timer with 60000 ms when "AutoPOP" is 1 (resetting the counter) and
 * calls AutoReceiveTick on every timeout, then acts on the answer.
 */
class AutoReceiveCounter {
public:
    enum class Step {
        Disarm,  ///< automatic receiving is off: set the timer's interval to 0
        Wait,    ///< a minute counted
        Receive, ///< the interval is over: StartReceive with the current method
    };

    /** One minute of the armed timer, with the account's "AutoPOP" and "AutoPOPTime". */
    Step AutoReceiveTick(const storage::AccountEnvironment& environment);

    void reset() { m_minutes = 0; }
    qint16 minutes() const { return m_minutes; }

private:
    qint16 m_minutes = 0;
};

} // namespace fumibako::transfer
