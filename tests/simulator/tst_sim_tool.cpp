// The calder-sim tool against the simulated library loaded in this process, over the real
// control socket; and the socket's life: it never holds up driver calls and goes away with
// the library.
#include "SimTestSupport.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace simtest;

namespace {
struct ToolResult
{
    int exitCode = -1;
    QString out, err;
};
} // namespace

class SimToolTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString socketPath;
    SimulatorControl *ctl = nullptr;

    // Arguments split at blanks; pass a list to keep blanks inside one.
    ToolResult tool(const QString &args) { return tool(args.split(' ')); }
    ToolResult tool(const QStringList &args)
    {
        QProcess p;
        p.start(qEnvironmentVariable("CALDER_SIM_TOOL"), args);
        ToolResult r;
        if (!p.waitForFinished(10000))
            return r;
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(QFileInfo::exists(qEnvironmentVariable("CALDER_SIM_TOOL")));
        socketPath = dir.filePath(QStringLiteral("sim.sock"));
        qputenv("CALDER_SIM_SOCKET", QFile::encodeName(socketPath));
        ctl = new SimulatorControl; // first load: the library opens its socket
        QVERIFY2(ctl->isValid(), qPrintable(ctl->errorString()));
        QVERIFY(QFileInfo::exists(socketPath));
    }

    void cleanupTestCase() { delete ctl; }

    void init() { ctl->reset(QStringLiteral("alto")); }

    void deviceCommands()
    {
        ToolResult r = tool("plug tenor");
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains("as 1"));
        QCOMPARE(ctl->deviceCount(), 2);
        QVERIFY(tool("list").out.contains("Tenor T-123"));
        QCOMPARE(tool("unplug 0").exitCode, 0);
        QCOMPARE(ctl->deviceCount(), 1);
        QCOMPARE(tool("clients 0 1 2 3").exitCode, 0);
        QVERIFY(ctl->state(0).contains("\"wdmClients\":2,\"asioClients\":3"));
        // A channel name with blanks stays one argument on its way through the socket.
        QCOMPARE(tool(QStringList{"name", "0", "out", "1", "Main \"L\""}).exitCode, 0);
        QVERIFY(ctl->state(0).contains("\"name\":\"Main \\\"L\\\"\""));
    }

    void requestsAndFaults()
    {
        TUsbAudioApiDll api;
        QCOMPARE(api.loadByClsid(classId(), true), TSTATUS(0));
        TUsbAudioHandle h = nullptr;
        api.TUSBAUDIO_EnumerateDevices();
        QCOMPARE(api.TUSBAUDIO_OpenDeviceByIndex(0, &h), TSTATUS(0));
        const uint8_t b[8] = {0, 0, 2, 0x83, 0, 0x32, 0, 0xFA};
        uint32_t n = 0;
        QCOMPARE(api.TUSBAUDIO_ClassVendorRequestOut(h, 0, 0, 0x10, 0, 0, 8, b, &n, 1000), TSTATUS(0));
        QCOMPARE(tool("requests 0").out, QStringLiteral("OUT 10  00 00 02 83 00 32 00 FA\n"));
        QCOMPARE(tool("fault GetCurrentSampleRate 0xE0000001 1").exitCode, 0);
        uint32_t rate = 0;
        QCOMPARE(api.TUSBAUDIO_GetCurrentSampleRate(h, &rate), TSTATUS(0xE0000001u));
        QCOMPARE(api.TUSBAUDIO_GetCurrentSampleRate(h, &rate), TSTATUS(0));
        QCOMPARE(tool("calls GetCurrentSampleRate").out.trimmed(), QStringLiteral("2"));
        api.TUSBAUDIO_CloseDevice(h);
    }

    void errorsAreReported()
    {
        const struct
        {
            QString args;
            int exitCode;
            QString message;
        } cases[] = {{"plug piano", 1, "unknown model"},
                     {"frobnicate", 1, "unknown command"},
                     {"meter 7 10", 1, ""},
                     {"fault NoSuchCall 1", 1, ""},
                     {"--socket " + dir.filePath("nobody.sock") + " list", 2, "no simulator"}};
        for (const auto &c : cases) {
            const ToolResult r = tool(c.args);
            QCOMPARE(r.exitCode, c.exitCode);
            QVERIFY2(r.err.contains(c.message), qPrintable(c.args + ": " + r.err));
        }
    }

    void inProcessCommands()
    {
        bool ok = false;
        ctl->command("formats 0 in 1:16:2 5:24:8", &ok);
        QVERIFY(ok);
        QCOMPARE(ctl->command("formats 0 in"), QStringLiteral("1:16:2\n5:24:8\n"));
        ctl->command("volume 0 out 1 -6.5", &ok);
        QVERIFY(ok);
        QCOMPARE(ctl->channel(0, 0, 1).volume, int16_t(-6 * 256 - 128));
        ctl->command("asio 64,128 128 safe", &ok);
        QVERIFY(ok);
        QCOMPARE(ctl->asioCurrentSize(), 128u);
        QCOMPARE(ctl->asioFlags(), 0x10000u);
        for (const char *bad : {"formats 0 in 1:16", "volume 0 sideways 1 0"}) {
            ctl->command(bad, &ok);
            QVERIFY2(!ok, bad);
        }
    }

    void stuckClientDoesNotHoldUpDriverCalls()
    {
        // A client that connects and never finishes its request occupies the server thread only.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const QByteArray p = QFile::encodeName(socketPath);
        std::memcpy(addr.sun_path, p.constData(), size_t(p.size()) + 1);
        QCOMPARE(::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
        QVERIFY(::send(fd, "+li", 3, 0) == 3);
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < 100; ++i)
            ctl->plug(QStringLiteral("alto"));
        QVERIFY(t.elapsed() < 500);
        ::close(fd);
        // Once the stuck client has gone, the tool is served again.
        QCOMPARE(tool("list").exitCode, 0);
    }

    void socketGoesAwayWithTheLibrary()
    {
        // Another instance of the library, loaded under its own name, runs its own server on
        // its own socket, and removes it when unloaded.
        const QString copy = dir.filePath(QStringLiteral("libcopy.so"));
        QVERIFY(QFile::copy(qEnvironmentVariable("CALDER_SIM_LIBRARY"), copy));
        const QString second = dir.filePath(QStringLiteral("second.sock"));
        qputenv("CALDER_SIM_SOCKET", QFile::encodeName(second));
        void *lib = dlopen(QFile::encodeName(copy).constData(), RTLD_NOW | RTLD_LOCAL);
        QVERIFY(lib);
        QVERIFY(QFileInfo::exists(second));
        QCOMPARE(tool(QStringList{"--socket", second, "plug", "v22"}).exitCode, 0);
        QCOMPARE(ctl->deviceCount(), 1); // a separate simulator
        dlclose(lib);
        QVERIFY(!QFileInfo::exists(second));

        qputenv("CALDER_SIM_NO_SOCKET", "1");
        lib = dlopen(QFile::encodeName(copy).constData(), RTLD_NOW | RTLD_LOCAL);
        QVERIFY(lib);
        QVERIFY(!QFileInfo::exists(second));
        dlclose(lib);
        qunsetenv("CALDER_SIM_NO_SOCKET");
        qputenv("CALDER_SIM_SOCKET", QFile::encodeName(socketPath));
    }
};

QTEST_GUILESS_MAIN(SimToolTest)
#include "tst_sim_tool.moc"
