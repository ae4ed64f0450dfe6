#pragma once

#include <thread>

namespace fumibako::platform {

/**
 * Background threads that work alongside a download (writing and reading the received files)
 * run only on processor time nothing else wants (SCHED_IDLE on Linux), so that they never delay
 * the download or, on the same machine, the server answering it. Measured with a local server on
 * two cores: a file-writing thread beside the download stretched each POP3 round trip by half.
 *
 * Such a thread could starve while other programs keep every processor busy, so whoever comes
 * to wait for it first puts it back to the normal policy (raiseToNormal). Both are called by the
 * thread that owns the std::thread, so the later call always wins.
 */
void lowerToIdle(std::thread& thread);
/** Puts @p thread back to the normal scheduling policy. */
void raiseToNormal(std::thread& thread);

} // namespace fumibako::platform
