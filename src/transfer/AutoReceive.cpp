#include "transfer/AutoReceive.h"

namespace fumibako::transfer {

AutoReceiveCounter::Step AutoReceiveCounter::AutoReceiveTick(const storage::AccountEnvironment& environment)
{
    if (environment.autoReceive == 0) {
        m_minutes = 0;
        return Step::Disarm;
    }
    ++m_minutes;
    if (m_minutes >= environment.autoReceiveMinutes) {
        m_minutes = 0;
        return Step::Receive;
    }
    return Step::Wait;
}

} // namespace fumibako::transfer
