// The one simulator of the loaded library and its control socket. The socket server is
// started after the simulator and stopped before it when the library unloads.
#include "SimCore.h"
#include "SimServer.h"

namespace sim {

Simulator &instance()
{
    static Simulator simulator;
    return simulator;
}

namespace {
struct Runtime
{
    std::unique_ptr<ControlServer> server;
    Runtime()
    {
        instance();
        server = ControlServer::start();
    }
};
Runtime runtime;
} // namespace

} // namespace sim
