// The one simulator of the loaded library and its control channel. The channel's server is
// started after the simulator and stopped before it when the library unloads. On Windows it
// starts on the first call into the library instead of at load: the load holds the loader
// lock, which the server's thread needs before it runs, so the library could be unloaded
// again while that thread still waits to start, and waiting for it then would never end.
#include "SimCore.h"
#include "SimServer.h"

#include <mutex>

namespace sim {

namespace {

Simulator &simulator()
{
    static Simulator simulator;
    return simulator;
}

struct Runtime
{
    std::unique_ptr<ControlServer> server;
    std::once_flag started;

    void startServer()
    {
        std::call_once(started, [this] { server = ControlServer::start(); });
    }

    Runtime()
    {
        simulator(); // constructed first, destroyed last
#ifndef _WIN32
        startServer();
#endif
    }
};
Runtime runtime;

} // namespace

Simulator &instance()
{
#ifdef _WIN32
    runtime.startServer();
#endif
    return simulator();
}

} // namespace sim
