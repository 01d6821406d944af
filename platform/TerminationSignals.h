#pragma once
// Lets the desktop session's end-of-process requests take the normal shutdown path (the event
// loop ends, the container releases the services, the lock file goes) instead of killing the
// process outright.
namespace platform {
// Call once, after the application object exists.
void quitOnTerminationRequests();
} // namespace platform
