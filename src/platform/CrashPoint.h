#pragma once

namespace fumibako::platform {

/**
 * Ends the process at once (SIGKILL, as a power cut or an OOM kill would) when the environment
 * variable FUMIBAKO_CRASH_AT equals @p name. The crash tests use it to stop a receive between two
 * exact steps and check that the next receive rolls every step forward or back. Without the
 * variable this is one comparison against an empty string.
 */
void crashPoint(const char* name);

/** crashPoint with "name:number", for steps that repeat (the n-th message of a batch). */
void crashPoint(const char* name, int number);

} // namespace fumibako::platform
