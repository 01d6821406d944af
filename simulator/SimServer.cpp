// What every control server does with a request it has read.
#include "SimCore.h"
#include "SimServer.h"
#include "SimWire.h"

namespace sim {

std::string answerRequest(const std::string &request)
{
    std::vector<std::string> args;
    if (!wire::decodeRequest(request, args))
        return wire::encodeReply(false, "malformed request\n");
    std::string reply;
    const bool ok = runCommand(args, reply);
    return wire::encodeReply(ok, reply);
}

} // namespace sim
