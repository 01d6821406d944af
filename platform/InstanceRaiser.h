#pragma once
// Bringing the running copy's window forward from a second start. Windows looks the window up
// by its title; elsewhere the running copy listens for the request itself.
#include <QString>

#include <memory>

class QObject;
class QWindow;

namespace platform {
// Called by a second copy before any Qt application object exists. Failures are ignored:
// there may be no window to raise.
void raiseRunningInstance(const QString &windowTitle);

// Called by the running copy once its window exists. The returned object answers requests by
// raising and activating the window when it is visible (a hidden window stays hidden). Null
// where the platform needs no listener or it could not be set up. Destroy it before the window.
std::unique_ptr<QObject> listenForRaiseRequests(QWindow *window, const QString &windowTitle);
} // namespace platform
