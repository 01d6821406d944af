// calder-sim: drives the simulated driver inside a running calder-panel (or any process that
// loaded the simulated library) through its control socket. `calder-sim help` lists commands.
#include "SimSocketPath.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    std::string path = sim::controlSocketPath();
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--socket") == 0) {
        path = argv[2];
        first = 3;
    }
    std::string request;
    for (int i = first; i < argc; ++i) {
        if (std::strchr(argv[i], '\n')) {
            std::fprintf(stderr, "calder-sim: arguments cannot contain line breaks\n");
            return 2;
        }
        request += std::string("+") + argv[i] + "\n";
    }
    if (first >= argc)
        request += "+help\n";
    request += "\n";

    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) {
        std::fprintf(stderr, "calder-sim: socket path too long: %s\n", path.c_str());
        return 2;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        std::fprintf(stderr,
                     "calder-sim: no simulator listening at %s (%s).\n"
                     "Is calder-panel running on the simulated driver? Set CALDER_SIM_SOCKET or use --socket PATH.\n",
                     path.c_str(), std::strerror(errno));
        return 2;
    }
    size_t sent = 0;
    while (sent < request.size()) {
        const ssize_t n = ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            std::fprintf(stderr, "calder-sim: send failed: %s\n", std::strerror(errno));
            ::close(fd);
            return 2;
        }
        sent += static_cast<size_t>(n);
    }
    std::string reply;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        reply.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    const size_t nl = reply.find('\n');
    if (nl == std::string::npos) {
        std::fprintf(stderr, "calder-sim: no answer from the simulator\n");
        return 2;
    }
    const bool ok = reply.compare(0, nl, "OK") == 0;
    const std::string text = reply.substr(nl + 1);
    std::fputs(text.c_str(), ok ? stdout : stderr);
    if (!ok && (text.empty() || text.back() != '\n'))
        std::fputc('\n', stderr);
    return ok ? 0 : 1;
}
