// calder-sim: drives the simulated driver inside a running calder-panel (or any process that
// loaded the simulated library) through its control channel: a Unix socket, or on Windows a
// named pipe. `calder-sim help` lists commands. The transport is the only part per system.
#include "SimControlAddress.h"
#include "SimWire.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <shellapi.h>
#else
#include <cerrno>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {

void noListener(const std::string &address, const std::string &reason)
{
    std::fprintf(stderr,
                 "calder-sim: no simulator listening at %s (%s).\n"
                 "Is calder-panel running on the simulated driver? Set CALDER_SIM_SOCKET or use --socket PATH.\n",
                 address.c_str(), reason.c_str());
}

#ifdef _WIN32
// UTF-8, as the simulator reads them: the C runtime's argv is in the ANSI code page.
std::vector<std::string> arguments(int, char **)
{
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; wide && i < count; ++i)
        args.push_back(sim::utf8Of(wide[i]));
    LocalFree(wide);
    return args;
}

// The answer is one pipe message; the simulator waits for us to close before it takes the next client.
bool exchange(const std::string &address, const std::string &request, std::string &reply)
{
    std::wstring name;
    platform::toWide(address, name);
    HANDLE pipe = INVALID_HANDLE_VALUE;
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < 10; ++attempt) { // busy with another client: wait for our turn
        pipe = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
        error = GetLastError();
        if (pipe != INVALID_HANDLE_VALUE || error != ERROR_PIPE_BUSY || !WaitNamedPipeW(name.c_str(), 5000))
            break;
    }
    if (pipe == INVALID_HANDLE_VALUE) {
        noListener(address, "Windows error " + std::to_string(error));
        return false;
    }
    DWORD mode = PIPE_READMODE_MESSAGE, n = 0;
    const bool sent = SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr) &&
                      WriteFile(pipe, request.data(), DWORD(request.size()), &n, nullptr) && n == request.size();
    if (!sent)
        std::fprintf(stderr, "calder-sim: send failed: Windows error %lu\n", GetLastError());
    char buf[4096];
    for (BOOL whole = FALSE; sent && !whole;) {
        whole = ReadFile(pipe, buf, sizeof buf, &n, nullptr);
        if (!whole && GetLastError() != ERROR_MORE_DATA)
            break;
        reply.append(buf, n);
    }
    CloseHandle(pipe);
    return sent;
}

// A console shows UTF-8 right only through its UTF-16 interface; files and pipes get the bytes.
void print(FILE *stream, const std::string &text)
{
    const HANDLE handle = GetStdHandle(stream == stdout ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    DWORD mode = 0, written = 0;
    std::wstring wide;
    if (GetConsoleMode(handle, &mode) && platform::toWide(text, wide) == ERROR_SUCCESS)
        WriteConsoleW(handle, wide.data(), DWORD(wide.size()), &written, nullptr);
    else
        std::fputs(text.c_str(), stream);
}
#else
std::vector<std::string> arguments(int argc, char **argv) { return {argv + 1, argv + argc}; }

// The simulator closes the connection after its answer.
bool exchange(const std::string &address, const std::string &request, std::string &reply)
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (address.size() >= sizeof addr.sun_path) {
        std::fprintf(stderr, "calder-sim: socket path too long: %s\n", address.c_str());
        return false;
    }
    std::memcpy(addr.sun_path, address.c_str(), address.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        noListener(address, std::strerror(errno));
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    size_t sent = 0;
    while (sent < request.size()) {
        const ssize_t n = ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            std::fprintf(stderr, "calder-sim: send failed: %s\n", std::strerror(errno));
            ::close(fd);
            return false;
        }
        sent += static_cast<size_t>(n);
    }
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
    return true;
}

void print(FILE *stream, const std::string &text) { std::fputs(text.c_str(), stream); }
#endif

} // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> args = arguments(argc, argv);
    std::string given;
    if (args.size() > 1 && args[0] == "--socket") {
        given = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty())
        args.push_back("help");
    std::string request, reply, text;
    if (!sim::wire::encodeRequest(args, request)) {
        std::fprintf(stderr, "calder-sim: arguments cannot contain line breaks\n");
        return 2;
    }
    if (!exchange(sim::controlAddress(given), request, reply))
        return 2;
    bool ok = false;
    if (!sim::wire::decodeReply(reply, ok, text)) {
        std::fprintf(stderr, "calder-sim: no answer from the simulator\n");
        return 2;
    }
    if (!ok && (text.empty() || text.back() != '\n'))
        text += '\n';
    print(ok ? stdout : stderr, text);
    return ok ? 0 : 1;
}
