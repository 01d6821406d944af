#include "platform/Memory.h"

// Any C library header defines __GLIBC__ when the library is glibc.
#include <cstdlib>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform {
void limitRetainedMemory()
{
#if defined(__GLIBC__)
    // glibc raises its mmap threshold to the largest mapped block freed and its trim threshold to
    // twice that, and a thread's heap only shrinks past the trim threshold (malloc_trim leaves
    // those tops alone). Setting the mmap threshold stops both from moving: the trim threshold
    // keeps its 128 KB. At 32 MB, the most the threshold could grow to, blocks of a frame's size
    // still come from the heap (at 128 KB each frame's image was mapped anew: 2000 page faults a
    // second on the ducker page).
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
#endif
}

void returnFreedMemory()
{
#if defined(__GLIBC__)
    // glibc keeps freed memory in its arenas, also in those of threads that have ended (the
    // render thread's); other C libraries return large blocks at once and have nothing to trim.
    malloc_trim(0);
#endif
}
} // namespace platform
