// The simulated driver built as a Windows DLL, registered per user and loaded by class id;
// its plug, unplug and device signals reach Win32 auto-reset events through SetEvent.
#include "WinCheck.h"
#include "WinSupport.h"

#include "device/TUsbAudioApiDll.h"
#include "platform/Event.h"
#include "simulator/CalderSimControl.h"

#include <cstring>
#include <thread>

using namespace winsupport;

namespace {

const std::string kClassId = toUtf8(kClassIdW);

// The control functions of the very module the loader mapped, found from one of its entry
// points so that a second copy of the DLL could not answer instead.
struct SimControl
{
    decltype(&CalderSim_Reset) reset = nullptr;
    decltype(&CalderSim_Plug) plug = nullptr;
    decltype(&CalderSim_Unplug) unplug = nullptr;
    decltype(&CalderSim_Notify) notify = nullptr;
    decltype(&CalderSim_SetDeviceStrings) setStrings = nullptr;
    decltype(&CalderSim_GetRequest) getRequest = nullptr;
    decltype(&CalderSim_RequestCount) requestCount = nullptr;

    explicit SimControl(const TUsbAudioApiDll &api)
    {
        HMODULE module = nullptr;
        if (!api.TUSBAUDIO_GetApiVersion ||
            !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                reinterpret_cast<LPCWSTR>(api.TUSBAUDIO_GetApiVersion), &module))
            return;
        const auto get = [module](auto &field, const char *name) {
            field = reinterpret_cast<std::remove_reference_t<decltype(field)>>(
                reinterpret_cast<void *>(GetProcAddress(module, name)));
        };
        get(reset, "CalderSim_Reset");
        get(plug, "CalderSim_Plug");
        get(unplug, "CalderSim_Unplug");
        get(notify, "CalderSim_Notify");
        get(setStrings, "CalderSim_SetDeviceStrings");
        get(getRequest, "CalderSim_GetRequest");
        get(requestCount, "CalderSim_RequestCount");
    }
    bool complete() const { return reset && plug && unplug && notify && setStrings && getRequest && requestCount; }
};

// The simulator DLL registered and loaded as the panel loads it.
struct LoadedSimulator
{
    TUsbAudioApiDll api;
    TSTATUS status = 0xFFFFFFFFu;
    LoadedSimulator()
    {
        unregisterDriver();
        if (registerDriver(builtFile(SIM_DLL)) == ERROR_SUCCESS)
            status = api.loadByClsid(kClassId, true);
    }
    ~LoadedSimulator()
    {
        api.unload();
        unregisterDriver();
    }
};

bool signalled(HANDLE event) { return WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }

uint32_t u32At(const unsigned char *p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

std::wstring utf16At(const unsigned char *p, size_t units)
{
    std::wstring text;
    for (size_t i = 0; i < units; ++i) {
        const wchar_t u = wchar_t(p[2 * i] | p[2 * i + 1] << 8);
        if (!u)
            break;
        text += u;
    }
    return text;
}

} // namespace

// Loaded by class id; records cross the DLL boundary byte for byte (ids, UTF-16 strings, a
// vendor request); unloading really unmaps the DLL (no thread of the simulator keeps it).
WIN_TEST(simulatorDeviceCalls)
{
    LoadedSimulator sim;
    REQUIRE(sim.status == tusb::kOk);
    CHECK_EQ(sim.api.resolvedCount(), 66);
    CHECK_EQ(sim.api.apiVersion(), 0x00050002u);
    CHECK_EQ(sim.api.loadByClsid(kClassId, true), tusb::kAlreadyLoaded);
    const TUsbAudioApiDll &api = sim.api;
    SimControl control(api);
    REQUIRE(control.complete());
    CHECK_EQ(control.reset("tenor"), 1);
    CHECK_EQ(control.setStrings(0, "SN-\xc3\xa9\xf0\x9f\x8e\xb5", nullptr, nullptr), 0);

    CHECK_EQ(api.TUSBAUDIO_EnumerateDevices(), tusb::kOk);
    TUsbAudioHandle handle = nullptr;
    REQUIRE(api.TUSBAUDIO_OpenDeviceByIndex(0, &handle) == tusb::kOk);

    unsigned char properties[tusb::kDevicePropertiesSize] = {};
    CHECK_EQ(api.TUSBAUDIO_GetDeviceProperties(handle, properties), tusb::kOk);
    CHECK_EQ(u32At(properties + tusb::kPropVendorId), LumenVendorId);
    CHECK_EQ(u32At(properties + tusb::kPropProductId), kProductTenor);
    CHECK(utf16At(properties + tusb::kPropSerialNumber, tusb::kPropertyStringUnits) == L"SN-\u00e9\U0001F3B5");

    const uint8_t block[8] = {0x04, 0x00, 0x00, 0x00, 0x12, 0x34, 0x56, 0x78};
    uint32_t moved = 0;
    CHECK_EQ(api.TUSBAUDIO_ClassVendorRequestOut(handle, 0, 0, tusb::kRequestParameterOrMeter, 0, 0, 8, block, &moved,
                                                 tusb::kVendorTimeoutMs),
             tusb::kOk);
    REQUIRE(control.requestCount(0) == 1);
    CalderSimRequest logged{};
    CHECK_EQ(control.getRequest(0, 0, &logged), 0);
    CHECK_EQ(logged.request, tusb::kRequestParameterOrMeter);
    CHECK_EQ(logged.timeoutMs, tusb::kVendorTimeoutMs);
    CHECK(std::memcmp(logged.data, block, 8) == 0);
    CHECK_EQ(api.TUSBAUDIO_CloseDevice(handle), tusb::kOk);

    sim.api.unload();
    CHECK(GetModuleHandleW(builtFile(SIM_DLL).c_str()) == nullptr);
}

// The panel's events (platform/windows/Event): plug and unplug set theirs from the caller's
// thread, a thread blocked in WaitForSingleObject wakes once, and the event resets itself.
WIN_TEST(plugSignalsWakeTheWaiterOnce)
{
    CHECK(!platform::signalEvent(nullptr));
    CHECK(!platform::consumeEvent(nullptr));
    LoadedSimulator sim;
    REQUIRE(sim.status == tusb::kOk);
    SimControl control(sim.api);
    REQUIRE(control.complete());
    HANDLE arrival = platform::createAutoResetEvent();
    HANDLE removal = platform::createAutoResetEvent();
    REQUIRE(arrival && removal);
    CHECK_EQ(control.reset(""), 0);
    CHECK_EQ(sim.api.TUSBAUDIO_RegisterPnpNotification(arrival, removal, nullptr, tusb::kPnpWindowMessage, 0),
             tusb::kOk);

    DWORD woke = WAIT_FAILED;
    DWORD again = WAIT_FAILED;
    std::thread waiter([&] {
        woke = WaitForSingleObject(arrival, 5000);
        again = WaitForSingleObject(arrival, 200);
    });
    Sleep(50); // let the waiter block first
    CHECK_EQ(control.plug("alto"), 0);
    waiter.join();
    CHECK_EQ(woke, DWORD(WAIT_OBJECT_0));
    CHECK_EQ(again, DWORD(WAIT_TIMEOUT));
    CHECK(!signalled(removal));

    // Several plugs before the panel looks collapse into one wake, which consumeEvent takes.
    CHECK_EQ(control.plug("tenor"), 1);
    CHECK_EQ(control.plug("basso"), 2);
    CHECK(platform::consumeEvent(arrival));
    CHECK(!platform::consumeEvent(arrival));

    // Unplug sets the removal event only.
    CHECK_EQ(control.unplug(0), 0);
    CHECK(signalled(removal));
    CHECK(!signalled(removal));
    CHECK(!signalled(arrival));

    // After unregistering, nothing is set.
    sim.api.TUSBAUDIO_UnregisterPnpNotification();
    CHECK_EQ(control.plug("alto"), 2);
    CHECK_EQ(control.unplug(0), 0);
    CHECK(!signalled(arrival));
    CHECK(!signalled(removal));

    // A device notification sets the handle's event; none once it unregisters.
    CHECK_EQ(sim.api.TUSBAUDIO_EnumerateDevices(), tusb::kOk);
    TUsbAudioHandle handle = nullptr;
    REQUIRE(sim.api.TUSBAUDIO_OpenDeviceByIndex(0, &handle) == tusb::kOk);
    CHECK_EQ(sim.api.TUSBAUDIO_RegisterDeviceNotification(handle, tusb::kAllNotificationCategories, arrival, 0),
             tusb::kOk);
    CHECK_EQ(control.notify(0), 1);
    CHECK(signalled(arrival));
    uint32_t code = 0, returned = 0;
    uint8_t buffer[tusb::kNotificationBufferSize] = {};
    CHECK_EQ(sim.api.TUSBAUDIO_ReadDeviceNotification(handle, &code, buffer, sizeof buffer, &returned), tusb::kOk);
    CHECK_EQ(sim.api.TUSBAUDIO_RegisterDeviceNotification(handle, 0, nullptr, 0), tusb::kOk);
    CHECK_EQ(control.notify(0), 0);
    CHECK(!signalled(arrival));
    CHECK_EQ(sim.api.TUSBAUDIO_CloseDevice(handle), tusb::kOk);
    platform::closeEvent(arrival);
    platform::closeEvent(removal);
}
