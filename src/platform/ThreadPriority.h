#pragma once

#include <thread>

namespace fumibako::platform {

/**
 * Lets @p thread run only on processor time nothing else wants (SCHED_IDLE on Linux), for work
 * beside a download that may as well wait: it never delays the download or, on the same machine,
 * the server answering it. Measured with a local server on two cores: a busy thread beside the
 * download stretched each POP3 round trip by half.
 *
 * An ordinary user cannot raise such a thread again, and it may get next to no time while other
 * programs keep every processor busy: whoever needs its results must be able to do its remaining
 * work itself (see ReceivedFileWorker::takeAll).
 */
void lowerToIdle(std::thread& thread);

} // namespace fumibako::platform
