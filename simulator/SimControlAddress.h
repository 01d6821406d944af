#pragma once
// Where the simulated library listens for the calder-sim tool, computed alike by both from the
// environment (POSIX builds).
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace sim {

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

// CALDER_SIM_NO_SOCKET=1: the library opens no control channel.
inline bool controlChannelDisabled() { return environmentVariable("CALDER_SIM_NO_SOCKET") == "1"; }

} // namespace sim
