#pragma once
// Where the simulated library listens for the calder-sim tool (POSIX builds).
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace sim {
inline std::string controlSocketPath()
{
    if (const char *p = std::getenv("CALDER_SIM_SOCKET"); p && *p)
        return p;
    if (const char *r = std::getenv("XDG_RUNTIME_DIR"); r && *r)
        return std::string(r) + "/calder-sim.sock";
    return "/tmp/calder-sim-" + std::to_string(static_cast<unsigned long>(::getuid())) + ".sock";
}
} // namespace sim
