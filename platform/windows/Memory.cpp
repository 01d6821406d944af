#include "platform/Memory.h"

#include <windows.h>

namespace platform {
// The process heap gives large blocks their own virtual allocations already.
void keepLargeBlocksReturnable() {}

void returnFreedMemory()
{
    // Coalesces the process heap's free blocks and decommits the large ones.
    HeapCompact(GetProcessHeap(), 0);
}
} // namespace platform
