// Auto-reset events as eventfd counters: a signal adds 1, consuming reads (and so clears) the
// counter. Self-contained: the simulated driver compiles this file into itself.
#include "platform/Event.h"

#include "platform/PlatformTypes.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <fcntl.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {
int descriptor(HANDLE event)
{
    const intptr_t fd = reinterpret_cast<intptr_t>(event);
    return fd > 0 && fd <= INT_MAX ? static_cast<int>(fd) : -1;
}
} // namespace

namespace platform {

HANDLE createAutoResetEvent()
{
    int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0)
        return nullptr;
    if (fd == 0) {
        // Only when stdin was closed; descriptor 0 would read as the null handle.
        const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 1);
        ::close(fd);
        if (moved < 0)
            return nullptr;
        fd = moved;
    }
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd));
}

bool signalEvent(HANDLE event)
{
    const int fd = descriptor(event);
    if (fd < 0)
        return false;
    for (;;) {
        if (::eventfd_write(fd, 1) == 0)
            return true;
        if (errno == EAGAIN)
            return true; // the counter is saturated: the event is signalled already
        if (errno != EINTR)
            return false;
    }
}

bool consumeEvent(HANDLE event)
{
    const int fd = descriptor(event);
    if (fd < 0)
        return false;
    eventfd_t count = 0;
    for (;;) {
        if (::eventfd_read(fd, &count) == 0)
            return true;
        if (errno != EINTR)
            return false;
    }
}

void closeEvent(HANDLE event)
{
    const int fd = descriptor(event);
    if (fd >= 0)
        ::close(fd);
}

} // namespace platform
