#include "platform/ThreadPriority.h"

#include <pthread.h>
#include <sched.h>

namespace fumibako::platform {

// Failures leave the thread at the policy it had: only the timing changes.
void lowerToIdle(std::thread& thread)
{
#ifdef SCHED_IDLE
    if (!thread.joinable())
        return;
    const sched_param none{};
    pthread_setschedparam(thread.native_handle(), SCHED_IDLE, &none);
#else
    (void)thread;
#endif
}

} // namespace fumibako::platform
