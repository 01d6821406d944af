#include "platform/InstanceRaiser.h"

#include "platform/PlatformLog.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QWindow>
#include <QtGlobal>
#if CALDER_HAVE_X11EXTRAS
#include <QX11Info>
#endif

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
// An abstract-namespace socket: no file to go stale, no path-length limit from the temporary
// directory. Scoped like the lock file: by user and by temporary directory (the lock lives
// there), so copies that cannot see each other's lock do not raise each other either.
socklen_t raiseAddress(const QString &windowTitle, sockaddr_un &address)
{
    const QByteArray scope =
        QCryptographicHash::hash(QDir::tempPath().toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    QByteArray name = windowTitle.toUtf8();
    name.replace(' ', '-');
    const QByteArray suffix = '-' + QByteArray::number(static_cast<qulonglong>(getuid())) + '-' + scope;
    const int room = static_cast<int>(sizeof(address.sun_path)) - 1 - suffix.size();
    name = name.left(room) + suffix;

    std::memset(&address, 0, sizeof(address));
    address.sun_family = AF_UNIX;
    address.sun_path[0] = '\0';
    std::memcpy(address.sun_path + 1, name.constData(), static_cast<size_t>(name.size()));
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + static_cast<size_t>(name.size()));
}

class RaiseListener : public QObject
{
public:
    RaiseListener(int fd, QWindow *window) : m_fd(fd), m_window(window), m_notifier(fd, QSocketNotifier::Read)
    {
        connect(&m_notifier, &QSocketNotifier::activated, this, [this] { onRequest(); });
    }
    ~RaiseListener() override
    {
        m_notifier.setEnabled(false);
        ::close(m_fd);
    }

private:
    void onRequest()
    {
        // A connection is the whole request; several pending ones raise once, with the latest
        // activation token.
        bool requested = false;
        QByteArray token;
        int client;
        while ((client = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC)) >= 0) {
            requested = true;
            const QByteArray request = readRequest(client);
            if (request.size() > 1)
                token = request.mid(1);
            ::close(client);
        }
        if (!requested || !m_window)
            return;
        useActivationToken(token);
        // Shown also when it waits hidden in the tray, or minimised: whoever starts the program
        // again wants to see it.
        m_window->showNormal();
        m_window->raise();
        m_window->requestActivate();
    }

    // 'r' and the token; the second copy writes at once, but is never waited for long.
    static QByteArray readRequest(int client)
    {
        timeval timeout{0, 100 * 1000};
        ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
        QByteArray request;
        char buffer[256];
        ssize_t n;
        while (request.size() < kMaxRequest && (n = ::recv(client, buffer, sizeof(buffer), 0)) > 0)
            request.append(buffer, int(n));
        return request.left(kMaxRequest);
    }

    // The desktop's token for the second start: on X11 the startup id, which Qt sends back to end
    // the launch's startup notification when it shows the window (no busy cursor left waiting).
    // Qt 5.15 has no way to hand a Wayland token to the compositor.
    static void useActivationToken(const QByteArray &token)
    {
        if (token.isEmpty())
            return;
#if CALDER_HAVE_X11EXTRAS
        if (QX11Info::isPlatformX11()) {
            QX11Info::setNextStartupId(token);
            return;
        }
#endif
        qCDebug(lcPlatform, ": The second start's activation token cannot be used here.\n");
    }

    static constexpr int kMaxRequest = 4096;

    int m_fd;
    QPointer<QWindow> m_window;
    QSocketNotifier m_notifier;
};
} // namespace

namespace platform {
void raiseRunningInstance(const QString &windowTitle)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    // A listener that is alive accepts at once; never hold up the second copy's exit.
    timeval timeout{0, 100 * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof(timeout));
    sockaddr_un address;
    const socklen_t length = raiseAddress(windowTitle, address);
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), length) == 0) {
        // The activation the desktop gave this start goes to the copy that shows its window.
        QByteArray request = qgetenv("DESKTOP_STARTUP_ID");
        if (request.isEmpty())
            request = qgetenv("XDG_ACTIVATION_TOKEN");
        request.prepend('r');
        (void)::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL);
    }
    ::close(fd);
}

std::unique_ptr<QObject> listenForRaiseRequests(QWindow *window, const QString &windowTitle)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        qCDebug(lcPlatform, ": Unable to listen for raise requests, errno=%d\n", errno);
        return nullptr;
    }
    sockaddr_un address;
    const socklen_t length = raiseAddress(windowTitle, address);
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&address), length) != 0 || ::listen(fd, 8) != 0) {
        qCDebug(lcPlatform, ": Unable to listen for raise requests, errno=%d\n", errno);
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<QObject>(new RaiseListener(fd, window));
}
} // namespace platform
