#pragma once
// Where the simulated library listens for the calder-sim tool, computed alike by both from the
// environment: a Unix socket path, or on Windows a named pipe. Strings are UTF-8.
#include <cstdlib>
#include <cstring>
#include <string>

#ifdef _WIN32
#include "platform/windows/WinApi.h"
#else
#include <unistd.h>
#endif

namespace sim {

#ifdef _WIN32
inline std::string utf8Of(const wchar_t *text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size_t(size) : 1, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], size, nullptr, nullptr);
    out.pop_back(); // the terminator
    return out;
}

// The process environment, which SetEnvironmentVariable changes too (the C runtime's copy is
// ANSI and set at start).
inline std::string environmentVariable(const char *name)
{
    std::wstring wideName(name, name + std::strlen(name)), value(32767, L'\0');
    const DWORD length = GetEnvironmentVariableW(wideName.c_str(), &value[0], DWORD(value.size()));
    return length > 0 && length < value.size() ? utf8Of(value.c_str()) : std::string();
}

// `given`, else $CALDER_SIM_SOCKET, else calder-sim-USER; a name without a leading "\\" is a
// pipe under \\.\pipe\ (so a Unix path inherited under Wine still names one).
inline std::string controlAddress(const std::string &given = {})
{
    std::string name = given.empty() ? environmentVariable("CALDER_SIM_SOCKET") : given;
    if (name.empty()) {
        wchar_t user[257];
        DWORD size = 257, session = 0;
        ProcessIdToSessionId(GetCurrentProcessId(), &session);
        name = "calder-sim-" + (GetUserNameW(user, &size) ? utf8Of(user) : "session" + std::to_string(session));
    }
    return name.compare(0, 2, "\\\\") == 0 ? name : "\\\\.\\pipe\\" + name;
}
#else
inline std::string environmentVariable(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

// `given`, else $CALDER_SIM_SOCKET, else $XDG_RUNTIME_DIR/calder-sim.sock, else /tmp/calder-sim-UID.sock.
inline std::string controlAddress(const std::string &given = {})
{
    if (!given.empty())
        return given;
    if (std::string p = environmentVariable("CALDER_SIM_SOCKET"); !p.empty())
        return p;
    if (std::string r = environmentVariable("XDG_RUNTIME_DIR"); !r.empty())
        return r + "/calder-sim.sock";
    return "/tmp/calder-sim-" + std::to_string(static_cast<unsigned long>(::getuid())) + ".sock";
}
#endif

// CALDER_SIM_NO_SOCKET=1: the library opens no control channel.
inline bool controlChannelDisabled() { return environmentVariable("CALDER_SIM_NO_SOCKET") == "1"; }

} // namespace sim
