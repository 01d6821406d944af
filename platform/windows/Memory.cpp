#include "platform/Memory.h"

#include <windows.h>

namespace platform {
// The process heap decommits what it frees beyond its own threshold already.
void limitRetainedMemory() {}

void returnFreedMemory()
{
    // Coalesces the process heap's free blocks and decommits the large ones.
    HeapCompact(GetProcessHeap(), 0);
}
} // namespace platform
