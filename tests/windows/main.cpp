// Windows test program: the platform layer and the loader as Windows code, run under Wine.
#include "WinTest.h"

// Last line: "N passed, N failed" (scripts/test-windows reads it).
int main()
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX); // no "cannot load" dialogs on failing loads
    int passed = 0, failed = 0;
    for (const auto &[name, run] : wintest::cases()) {
        wintest::s_failed = false;
        wintest::s_context.clear();
        run();
        std::printf("%s %s\n", wintest::s_failed ? "FAIL" : "PASS", name);
        (wintest::s_failed ? failed : passed) += 1;
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
