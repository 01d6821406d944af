// No control socket in the Windows build yet: the DLL is driven through CalderSim_ calls.
#include "SimServer.h"

namespace sim {
std::unique_ptr<ControlServer> ControlServer::start() { return nullptr; }
} // namespace sim
