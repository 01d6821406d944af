// Windows test program: the platform layer and the loader as Windows code. Prints one line per
// case and "N passed, N failed" last; exits nonzero on a failure.
#include "WinCheck.h"
#include "WinSupport.h"

int main()
{
    // No "cannot load" dialog boxes from the system on the failing loads.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    if (!winsupport::chooseDriverRoot()) {
        std::printf("HKEY_CLASSES_ROOT shows neither HKCU nor HKLM Software\\Classes\n0 passed, 1 failed\n");
        return 2;
    }
    std::printf("driver entry under %s\\Software\\Classes\n",
                winsupport::driverRoot() == HKEY_CURRENT_USER ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE");
    return wincheck::runAll();
}
