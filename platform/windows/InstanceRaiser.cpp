#include "platform/InstanceRaiser.h"

#include <QObject>
#include <QWindow>

#include <string>
#include <windows.h>

namespace platform {
void raiseRunningInstance(const QString &windowTitle)
{
    const std::wstring title = windowTitle.toStdWString();
    if (HWND window = FindWindowW(nullptr, title.c_str()))
        SetForegroundWindow(window);
}

// The second copy finds the window by its title; the running copy has nothing to do.
std::unique_ptr<QObject> listenForRaiseRequests(QWindow *, const QString &) { return nullptr; }
} // namespace platform
