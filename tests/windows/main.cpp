// Windows test program: the platform layer and the loader as Windows code, run under Wine.
#include "WinCheck.h"
#include "platform/windows/WinApi.h"

int main()
{
    // No "cannot load" dialog boxes from the system on the failing loads.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    return wincheck::runAll();
}
