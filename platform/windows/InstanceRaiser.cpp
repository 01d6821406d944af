#include "platform/InstanceRaiser.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QWindow>

#include <string>
#include <windows.h>

namespace {
// A message of this program's own: the running copy shows its window when it gets it.
UINT showRequestMessage()
{
    static const UINT message = RegisterWindowMessageW(L"CalderUsbAudioControlPanel.ShowRequest");
    return message;
}

class ShowRequestFilter : public QObject, public QAbstractNativeEventFilter
{
public:
    explicit ShowRequestFilter(QWindow *window) : m_window(window)
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~ShowRequestFilter() override
    {
        if (QCoreApplication *app = QCoreApplication::instance())
            app->removeNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray &eventType, void *message, long *result) override
    {
        if (eventType != "windows_generic_MSG" && eventType != "windows_dispatcher_MSG")
            return false;
        const MSG *msg = static_cast<const MSG *>(message);
        if (!showRequestMessage() || msg->message != showRequestMessage())
            return false;
        // Not inside the window procedure: shown from the event loop.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_window)
                    return;
                m_window->showNormal();
                m_window->raise();
                m_window->requestActivate();
            },
            Qt::QueuedConnection);
        if (result)
            *result = 0;
        return true;
    }

private:
    QPointer<QWindow> m_window;
};
} // namespace

namespace platform {
void raiseRunningInstance(const QString &windowTitle)
{
    const std::wstring title = windowTitle.toStdWString();
    HWND window = FindWindowW(nullptr, title.c_str());
    if (!window)
        return;
    // This process was just started by the user and may hand the foreground on; the running
    // copy takes it when it shows its window (a hidden one would not come up by itself).
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner)
        AllowSetForegroundWindow(owner);
    if (const UINT message = showRequestMessage())
        PostMessageW(window, message, 0, 0);
    SetForegroundWindow(window);
}

std::unique_ptr<QObject> listenForRaiseRequests(QWindow *window, const QString &)
{
    return std::unique_ptr<QObject>(new ShowRequestFilter(window));
}
} // namespace platform
