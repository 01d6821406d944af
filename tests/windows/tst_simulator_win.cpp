// The simulated driver DLL's control pipe, loaded as the panel loads it and driven by calder-sim.exe.
#include "WinTest.h"

#include "device/TUsbAudioApiDll.h"

using namespace wintest;

namespace {

// calder-sim.exe's exit status with its output (stdout and stderr) in `out`, or -1.
int calderSim(const std::wstring &args, std::string &out)
{
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inherited, 0))
        return -1;
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = write;
    PROCESS_INFORMATION pi{};
    std::wstring line = L"\"" + builtFile("calder-sim.exe").wstring() + L"\" " + args;
    const bool started = CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(write);
    out.clear();
    char buf[512];
    DWORD n = 0, status = DWORD(-1);
    while (started && ReadFile(read, buf, sizeof buf, &n, nullptr) && n)
        out.append(buf, n);
    CloseHandle(read);
    if (started && WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &status);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return int(status);
}

} // namespace

WIN_TEST(simulatorControlPipe)
{
    const std::wstring pipe = L"\\\\.\\pipe\\calder-wintest-" + std::to_wstring(GetCurrentProcessId());
    _wputenv((L"CALDER_SIM_SOCKET=" + pipe).c_str());
    _wputenv(L"CALDER_SIM_DEVICES=alto");
    std::string out;
    TUsbAudioApiDll api;
    REQUIRE(api.loadFromPath(builtFile("libcalder-simdriver.dll").u8string(), true) == 0);
    CHECK_EQ(calderSim(L"plug tenor", out), 0);
    CHECK(out.find("plugged tenor as 1") != std::string::npos);
    CHECK_EQ(api.TUSBAUDIO_EnumerateDevices(), 0u);
    CHECK_EQ(api.TUSBAUDIO_GetDeviceCount(), 2u); // the default alto and the tenor
    CHECK_EQ(calderSim(L"list", out), 0);
    CHECK(out.find("1  tenor  4C55:0031") != std::string::npos);
    CHECK_EQ(calderSim(L"plug cello", out), 1);
    CHECK(out.find("unknown model cello") != std::string::npos);
    // Unloading stops the server even while a client that sends nothing holds the pipe. Waited
    // for as calder-sim does: the one pipe instance may still be serving the last client.
    WaitNamedPipeW(pipe.c_str(), 5000);
    const HANDLE idle = CreateFileW(pipe.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(idle != INVALID_HANDLE_VALUE);
    api.unload();
    CloseHandle(idle);
    CHECK(!GetModuleHandleW(builtFile("libcalder-simdriver.dll").c_str()));
    CHECK_EQ(calderSim(L"list", out), 2);
    _wputenv(L"CALDER_SIM_SOCKET=");
}
