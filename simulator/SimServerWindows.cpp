// Named-pipe control channel: the same commands and wire format as the Unix socket. One pipe
// instance, opened with FILE_FLAG_FIRST_PIPE_INSTANCE so that a second simulator cannot serve
// the same name, takes one client at a time on a thread of its own. Its I/O is overlapped so
// that every wait also watches the stop event, and a slow or stuck client gets two seconds per
// step. The thread holds the simulator's lock only inside the command it runs, so driver calls
// are never held up.
//
// The library unloads with the loader lock held, and a thread needs that lock to end (for its
// DLL_THREAD_DETACH), so the unloading thread cannot wait for the server thread's end. Once the
// server thread has let go of the pipe it sleeps, alertable, and the unloading thread queues two
// APCs to it, kernel32's SetEvent and ExitThread: the first says that the thread runs outside
// this library for good, the second ends it there once the unload is over. The same lock is why
// the server starts on the first call into the library rather than at load (SimRuntime.cpp).
#include "SimControlAddress.h"
#include "SimServer.h"
#include "SimWire.h"

#include <cstdio>

namespace sim {

namespace {

constexpr DWORD kClientTimeoutMs = 2000;

class WindowsServer : public ControlServer
{
public:
    WindowsServer(HANDLE pipe, HANDLE stop, HANDLE io, HANDLE running, HANDLE parked)
        : pipe_(pipe), stop_(stop), io_(io), running_(running), parked_(parked)
    {}

    ~WindowsServer() override
    {
        if (thread_) {
            SetEvent(stop_);
            // parked_: first done with the pipe, then asleep for good. At process exit the
            // thread has already been ended.
            const HANDLE either[] = {parked_, thread_};
            if (WaitForMultipleObjects(2, either, FALSE, INFINITE) == WAIT_OBJECT_0) {
                ResetEvent(parked_);
                QueueUserAPC(kernel32Apc("SetEvent"), thread_, ULONG_PTR(parked_));
                QueueUserAPC(kernel32Apc("ExitThread"), thread_, 0);
                WaitForMultipleObjects(2, either, FALSE, INFINITE);
            }
            CloseHandle(thread_);
        }
        for (HANDLE h : {pipe_, stop_, io_, running_, parked_})
            CloseHandle(h);
    }

    // Returns once the thread runs this library's code, past the loader lock, so that an unload
    // can count on it reaching its sleep.
    bool startThread()
    {
        thread_ = CreateThread(nullptr, 0, &WindowsServer::threadMain, this, 0, nullptr);
        const HANDLE either[] = {running_, thread_};
        return thread_ && WaitForMultipleObjects(2, either, FALSE, INFINITE) == WAIT_OBJECT_0;
    }

private:
    static DWORD WINAPI threadMain(void *self)
    {
        auto *server = static_cast<WindowsServer *>(self);
        SetEvent(server->running_);
        server->run();
        SetEvent(server->parked_);
        for (;;)
            SleepEx(INFINITE, TRUE); // until the APCs end the thread
    }

    // A one-argument kernel32 function as an APC (the same calling convention).
    static PAPCFUNC kernel32Apc(const char *name)
    {
        const FARPROC f = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name);
        return reinterpret_cast<PAPCFUNC>(reinterpret_cast<void (*)()>(f));
    }

    bool stopping() const { return WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0; }

    OVERLAPPED *nextIo()
    {
        overlapped_ = OVERLAPPED{};
        overlapped_.hEvent = io_;
        return &overlapped_;
    }

    // Completes the overlapped call that just returned `started`: waits up to `timeoutMs` or
    // until the stop event, whichever comes first, and cancels the call then. Returns the bytes
    // moved (a message read in part counts), or -1 when the call failed, timed out or was stopped.
    long complete(BOOL started, DWORD timeoutMs)
    {
        const DWORD error = started ? ERROR_SUCCESS : GetLastError();
        if (error == ERROR_IO_PENDING) {
            const HANDLE waits[] = {io_, stop_};
            if (WaitForMultipleObjects(2, waits, FALSE, timeoutMs) != WAIT_OBJECT_0) {
                CancelIo(pipe_);
                DWORD ignored = 0;
                GetOverlappedResult(pipe_, &overlapped_, &ignored, TRUE); // the system lets go of overlapped_
                return -1;
            }
        } else if (error != ERROR_SUCCESS && error != ERROR_MORE_DATA) {
            return -1;
        }
        DWORD bytes = 0;
        if (!GetOverlappedResult(pipe_, &overlapped_, &bytes, FALSE) && GetLastError() != ERROR_MORE_DATA)
            return -1;
        return long(bytes);
    }

    void run()
    {
        while (!stopping()) {
            const BOOL connected = ConnectNamedPipe(pipe_, nextIo());
            const DWORD error = connected ? ERROR_SUCCESS : GetLastError();
            if (error != ERROR_PIPE_CONNECTED && error != ERROR_NO_DATA && complete(connected, INFINITE) < 0) {
                // Not a client: the stop event, or a pipe that is broken for good.
                WaitForSingleObject(stop_, INFINITE);
                return;
            }
            if (error != ERROR_NO_DATA) // that client has already gone
                serve();
            DisconnectNamedPipe(pipe_);
        }
    }

    void serve()
    {
        std::string in;
        char buf[4096];
        while (!wire::requestEnded(in)) {
            const long n = complete(ReadFile(pipe_, buf, sizeof buf, nullptr, nextIo()), kClientTimeoutMs);
            if (n <= 0)
                return;
            in.append(buf, size_t(n));
        }
        const std::string out = answerRequest(in);
        if (complete(WriteFile(pipe_, out.data(), DWORD(out.size()), nullptr, nextIo()), kClientTimeoutMs) < 0)
            return;
        // Disconnecting discards what the client has not read yet: wait until it closes its end.
        complete(ReadFile(pipe_, buf, 1, nullptr, nextIo()), kClientTimeoutMs);
    }

    HANDLE pipe_, stop_, io_, running_, parked_;
    HANDLE thread_ = nullptr;
    OVERLAPPED overlapped_{};
};

} // namespace

std::unique_ptr<ControlServer> ControlServer::start()
{
    if (controlChannelDisabled())
        return nullptr;
    const std::string name = controlAddress();
    std::wstring wide;
    if (platform::toWide(name, wide) != ERROR_SUCCESS)
        return nullptr;
    const HANDLE pipe =
        CreateNamedPipeW(wide.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                         PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 65536,
                         65536, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_ACCESS_DENIED || error == ERROR_PIPE_BUSY)
            std::fprintf(stderr, "calder-simdriver: %s is in use by another simulator; no control pipe\n",
                         name.c_str());
        else
            std::fprintf(stderr, "calder-simdriver: no control pipe %s (error %lu)\n", name.c_str(), error);
        return nullptr;
    }
    const HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const HANDLE io = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const HANDLE running = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const HANDLE parked = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::unique_ptr<WindowsServer> server(new WindowsServer(pipe, stop, io, running, parked));
    if (!stop || !io || !running || !parked || !server->startThread())
        return nullptr;
    return server;
}

} // namespace sim
