#include "platform/Event.h"

#include "platform/PlatformTypes.h"
#include "platform/windows/WinApi.h"

namespace platform {

HANDLE createAutoResetEvent() { return CreateEventW(nullptr, FALSE, FALSE, nullptr); }

bool signalEvent(HANDLE event) { return event && SetEvent(event) != 0; }

bool consumeEvent(HANDLE event) { return event && WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }

void closeEvent(HANDLE event)
{
    if (event)
        CloseHandle(event);
}

} // namespace platform
