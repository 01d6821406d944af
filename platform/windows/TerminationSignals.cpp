#include "platform/TerminationSignals.h"

namespace platform {
// A GUI process gets no console control events; the tray's "&Exit" is the way out.
void quitOnTerminationRequests() {}
} // namespace platform
