#pragma once
// Auto-reset events: a Win32 event on Windows, an eventfd elsewhere. Qt-free; the simulated
// driver compiles the same implementation to signal the panel's events.
#include "platform/PlatformTypes.h"

namespace platform {
// Unnamed, auto-reset, unsignalled. Null on failure.
HANDLE createAutoResetEvent();
// What the driver does: SetEvent / eventfd_write(fd, 1). False on failure.
bool signalEvent(HANDLE event);
// Clears a pending signal without waiting (returns true when one was pending).
bool consumeEvent(HANDLE event);
void closeEvent(HANDLE event);
} // namespace platform
