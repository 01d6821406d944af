#pragma once
// Bringing the running copy's window forward from a second start, shown if it was hidden or
// minimised. Windows looks the window up by its title and posts it a request; elsewhere the
// running copy listens for the request on a local socket.
#include <QString>

#include <memory>

class QObject;
class QWindow;

namespace platform {
// Called by a second copy before any Qt application object exists. Failures are ignored:
// there may be no window to raise.
void raiseRunningInstance(const QString &windowTitle);

// Called by the running copy once its window exists. The returned object answers requests by
// showing (also from the tray), raising and activating the window. Null when it could not be set
// up. Destroy it before the window.
std::unique_ptr<QObject> listenForRaiseRequests(QWindow *window, const QString &windowTitle);
} // namespace platform
