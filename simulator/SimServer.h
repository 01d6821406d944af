#pragma once
// The control socket of the simulated library: the calder-sim tool talks to it.
//
// Wire format: the client sends each argument as '+' ARG '\n' and ends with an empty line;
// the server answers "OK\n" or "ERR\n" followed by the command's text, then closes.
#include <memory>

namespace sim {
class ControlServer
{
public:
    virtual ~ControlServer() = default;
    // Null when disabled (CALDER_SIM_NO_SOCKET=1), unsupported or the socket is taken.
    static std::unique_ptr<ControlServer> start();
};
} // namespace sim
