#include "platform/Memory.h"

// Any C library header defines __GLIBC__ when the library is glibc.
#include <cstdlib>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform {
void keepLargeBlocksReturnable()
{
#if defined(__GLIBC__)
    // glibc's default threshold grows with every large block freed, up to 32 MB; fixed at its
    // starting value it stays where blocks of a texture's size are mapped apart.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
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
