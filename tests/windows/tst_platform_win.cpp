// The Win32 platform primitives: events and the registry path reader.
#include "WinTest.h"

#include "platform/Event.h"
#include "platform/Registry.h"

#include <thread>

// Auto-reset: a waiter wakes once per signal, and several signals before anyone looks collapse
// into one wake. A null event is never reported signalled.
WIN_TEST(eventsResetThemselves)
{
    CHECK(!platform::signalEvent(nullptr));
    CHECK(!platform::consumeEvent(nullptr));
    HANDLE event = platform::createAutoResetEvent();
    REQUIRE(event);
    DWORD woke = WAIT_FAILED, again = WAIT_FAILED;
    std::thread waiter([&] {
        woke = WaitForSingleObject(event, 5000);
        again = WaitForSingleObject(event, 200);
    });
    CHECK(platform::signalEvent(event));
    waiter.join();
    CHECK_EQ(woke, DWORD(WAIT_OBJECT_0));
    CHECK_EQ(again, DWORD(WAIT_TIMEOUT));
    CHECK(platform::signalEvent(event));
    CHECK(platform::signalEvent(event));
    CHECK(platform::consumeEvent(event));
    CHECK(!platform::consumeEvent(event));
    platform::closeEvent(event);
}

WIN_TEST(keyPathRules)
{
    REQUIRE(wintest::registerDriver(L"C:\\drv\\a.dll") == ERROR_SUCCESS);
    std::string value;
    const auto read = [&](const std::vector<std::string> &path) {
        return platform::readClassesRootDefaultValue(path, value);
    };
    // One component may span several levels; case does not matter.
    CHECK_EQ(read({"clsid\\{6b1e4c2a-93d5-4f0e-b7a1-2c8d9e3f5a61}", "INPROCSERVER32"}), 0u);
    CHECK(value == "C:\\drv\\a.dll");
    CHECK_EQ(read({"CLSID", "", "InprocServer32"}), 2u);
    CHECK_EQ(read({"CLSID", "{\xff}", "InprocServer32"}), 1113u);
    CHECK_EQ(read({"CLSID", std::string("{6B1E\0", 6), "InprocServer32"}), uint32_t(ERROR_INVALID_NAME));
    wintest::unregisterDriver();
}
