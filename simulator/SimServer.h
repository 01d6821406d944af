#pragma once
// The control channel of the simulated library: the calder-sim tool talks to it (a Unix socket,
// or a named pipe on Windows; wire format in SimWire.h).
#include <memory>
#include <string>

namespace sim {
class ControlServer
{
public:
    virtual ~ControlServer() = default;
    // Null when disabled (CALDER_SIM_NO_SOCKET=1), unsupported or the address is taken.
    static std::unique_ptr<ControlServer> start();
};

// The answer to one whole request: the command run, its status and text encoded.
std::string answerRequest(const std::string &request);
} // namespace sim
