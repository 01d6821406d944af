// Unix-domain control socket. One thread accepts one client at a time; it never holds the
// simulator's lock except inside the command it runs, so driver calls are never held up by a
// slow or stuck client (each client also gets a receive timeout).
#include "SimCore.h"
#include "SimServer.h"
#include "SimControlAddress.h"
#include "SimWire.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace sim {

namespace {

class PosixServer : public ControlServer
{
public:
    PosixServer(int listenFd, int wakeRead, int wakeWrite, std::string path, ino_t inode)
        : listen_(listenFd), wakeRead_(wakeRead), wakeWrite_(wakeWrite), path_(std::move(path)), inode_(inode)
    {
        thread_ = std::thread([this] { run(); });
    }

    ~PosixServer() override
    {
        const char b = 1;
        while (::write(wakeWrite_, &b, 1) < 0 && errno == EINTR) {
        }
        thread_.join();
        // Remove the socket file only while it is still ours (another copy may have taken it).
        struct stat st
        {};
        if (::stat(path_.c_str(), &st) == 0 && st.st_ino == inode_)
            ::unlink(path_.c_str());
        ::close(listen_);
        ::close(wakeRead_);
        ::close(wakeWrite_);
    }

private:
    void run()
    {
        for (;;) {
            pollfd fds[2] = {{listen_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                return;
            }
            if (fds[1].revents)
                return;
            if (fds[0].revents & POLLIN) {
                const int client = ::accept(listen_, nullptr, nullptr);
                if (client >= 0) {
                    serve(client);
                    ::close(client);
                }
            }
        }
    }

    void serve(int client)
    {
        timeval tv{2, 0};
        ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        ::setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
        std::string in;
        char buf[4096];
        while (!wire::requestEnded(in)) {
            const ssize_t n = ::recv(client, buf, sizeof buf, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return;
            in.append(buf, static_cast<size_t>(n));
        }
        const std::string out = answerRequest(in);
        size_t sent = 0;
        while (sent < out.size()) {
            const ssize_t n = ::send(client, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return;
            sent += static_cast<size_t>(n);
        }
    }

    int listen_, wakeRead_, wakeWrite_;
    std::string path_;
    ino_t inode_;
    std::thread thread_;
};

} // namespace

std::unique_ptr<ControlServer> ControlServer::start()
{
    if (controlChannelDisabled())
        return nullptr;
    const std::string path = controlAddress();
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) {
        std::fprintf(stderr, "calder-simdriver: control socket path too long: %s\n", path.c_str());
        return nullptr;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return nullptr;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        if (errno != EADDRINUSE) {
            ::close(fd);
            return nullptr;
        }
        // A live simulator answers on it: leave it alone. Otherwise it is a stale file.
        const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const bool live = probe >= 0 && ::connect(probe, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
        if (probe >= 0)
            ::close(probe);
        if (live) {
            std::fprintf(stderr, "calder-simdriver: %s is in use by another simulator; no control socket\n",
                         path.c_str());
            ::close(fd);
            return nullptr;
        }
        ::unlink(path.c_str());
        if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
            ::close(fd);
            return nullptr;
        }
    }
    struct stat st
    {};
    int pipeFds[2] = {-1, -1};
    if (::listen(fd, 8) != 0 || ::stat(path.c_str(), &st) != 0 || ::pipe(pipeFds) != 0) {
        ::unlink(path.c_str());
        ::close(fd);
        return nullptr;
    }
    ::fcntl(pipeFds[0], F_SETFD, FD_CLOEXEC);
    ::fcntl(pipeFds[1], F_SETFD, FD_CLOEXEC);
    return std::unique_ptr<ControlServer>(new PosixServer(fd, pipeFds[0], pipeFds[1], path, st.st_ino));
}

} // namespace sim
