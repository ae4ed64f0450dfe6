#pragma once

namespace fumibako::platform {

// Hands the freed parts of the heap back to the system. The allocator keeps memory freed in the
// middle of the heap (a replaced listing of 100,000 rows, a sorted copy, a long preview) for
// reuse and so the process would keep its largest size; this costs a millisecond or two.
void returnFreedMemory();

} // namespace fumibako::platform
