// Windows test program: the platform layer and the loader as Windows code. Prints one line per
// case and "N passed, N failed" last; exits nonzero on a failure.
#include "WinCheck.h"
#include "platform/windows/WinApi.h"

int main()
{
    // No "cannot load" dialog boxes from the system on the failing loads.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    return wincheck::runAll();
}
