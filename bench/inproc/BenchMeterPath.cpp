// GUI-thread cost of the ducker's meter path, measured from inside the process.
//
//   calder-bench-meterpath [ticks]      (default 210 ticks per phase, at least 200)
//
// The real communication service on the simulated driver with one Alto, no window (the view
// model path only: nothing is drawn). A 50 ms timer of this program reads the GUI thread's CPU
// clock (CLOCK_THREAD_CPUTIME_ID) at every tick and keeps the difference to the previous tick:
//   idle:   the event loop with the service and this timer only (no ducker page);
//   ducker: a DuckerVM activated, the ducker switched on, the simulator's meter a sine, so the
//           page polls the meter every 50 ms (the read runs on the thread pool, its result is
//           taken on the GUI thread).
// Both phases run in the same process, one after the other. Needs CALDER_REGISTRY (pointing at
// the simulated driver) and CALDER_SIM_LIBRARY (the same file, to reach its control functions).
// Prints one JSON object on stdout; the log goes to stderr.
#include "CalderSimControl.h"
#include "app/AppConstants.h"
#include "core/MessageBus.h"
#include "device/LumenCommunicationService.h"
#include "settings/ModelStores.h"
#include "viewmodels/DuckerVM.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <dlfcn.h>
#include <vector>

namespace {

int64_t threadCpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

int64_t monoNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void waitMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Nearest-rank percentile of a copy.
double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    size_t rank = size_t(p * double(v.size()) + 0.999999);
    rank = std::min(std::max<size_t>(rank, 1), v.size());
    return v[rank - 1];
}

struct Phase
{
    std::vector<double> cpuUs;  // GUI-thread CPU time per tick, microseconds
    std::vector<double> wallMs; // wall time between ticks, milliseconds
};

// `ticks` intervals of the bench's own 50 ms timer, GUI-thread CPU time of each.
Phase sample(int ticks)
{
    Phase phase;
    phase.cpuUs.reserve(size_t(ticks));
    phase.wallMs.reserve(size_t(ticks));
    QEventLoop loop;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(50);
    int64_t lastCpu = -1, lastWall = 0;
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        const int64_t cpu = threadCpuNs();
        const int64_t wall = monoNs();
        if (lastCpu >= 0) {
            phase.cpuUs.push_back(double(cpu - lastCpu) / 1e3);
            phase.wallMs.push_back(double(wall - lastWall) / 1e6);
            if (int(phase.cpuUs.size()) >= ticks)
                loop.quit();
        }
        lastCpu = cpu;
        lastWall = wall;
    });
    timer.start();
    loop.exec();
    timer.stop();
    return phase;
}

QJsonObject summary(const Phase &p)
{
    QJsonArray raw;
    for (double x : p.cpuUs)
        raw.append(x);
    double cpuSum = 0, wallSum = 0;
    for (double x : p.cpuUs)
        cpuSum += x;
    for (double x : p.wallMs)
        wallSum += x;
    return {{"ticks", int(p.cpuUs.size())},
            {"median_us", percentile(p.cpuUs, 0.5)},
            {"p90_us", percentile(p.cpuUs, 0.9)},
            {"max_us", percentile(p.cpuUs, 1.0)},
            {"mean_us", p.cpuUs.empty() ? 0.0 : cpuSum / double(p.cpuUs.size())},
            {"wall_s", wallSum / 1e3},
            {"median_interval_ms", percentile(p.wallMs, 0.5)},
            {"cpu_us", raw}};
}

} // namespace

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setOrganizationName(AppConstants::kOrganizationName);
    QCoreApplication::setApplicationName(AppConstants::kApplicationName);
    const int ticks = std::max(200, app.arguments().value(1, "210").toInt());

    qputenv("CALDER_SIM_DEVICES", "alto");
    QSharedPointer<LumenCommunicationService> service(new LumenCommunicationService(&ModelStores::create));
    QSharedPointer<MessageBus> bus(new MessageBus);
    if (!service->deviceHandle()) {
        std::fprintf(stderr, "bench: no device opened (CALDER_REGISTRY, CALDER_SIM_LIBRARY?)\n");
        return 1;
    }
    // RTLD_NOLOAD: the very simulator instance the service talks to, or nothing.
    const QByteArray simPath = qgetenv("CALDER_SIM_LIBRARY");
    void *sim = dlopen(simPath.constData(), RTLD_NOW | RTLD_NOLOAD);
    auto setMeterSignal =
        sim ? reinterpret_cast<int32_t (*)(uint32_t, uint32_t, uint32_t)>(dlsym(sim, "CalderSim_SetMeterSignal"))
            : nullptr;
    auto callCount = sim ? reinterpret_cast<uint32_t (*)(const char *)>(dlsym(sim, "CalderSim_CallCount")) : nullptr;
    if (!setMeterSignal || !callCount) {
        std::fprintf(stderr, "bench: simulator %s not loaded by the service\n", simPath.constData());
        return 1;
    }
    setMeterSignal(0, CALDER_SIM_METER_SINE, 3000);

    // The service opens a lone mixer once more 2 s after start: let that pass first.
    waitMs(2300);

    const Phase idle = sample(ticks);

    auto *vm = new DuckerVM(service, bus);
    int changes = 0;
    QObject::connect(vm, &DuckerVM::meterReadingChanged, [&] { ++changes; });
    vm->onActivate();
    if (!vm->duckerOn())
        vm->onDuckerToggled();
    if (!vm->duckerOn()) {
        std::fprintf(stderr, "bench: the ducker did not switch on\n");
        return 1;
    }
    waitMs(1000); // polling under way
    changes = 0;
    const uint32_t reads0 = callCount("ClassVendorRequestIn");
    const Phase ducker = sample(ticks);
    const uint32_t reads = callCount("ClassVendorRequestIn") - reads0;
    const int meterChanges = changes;
    vm->onDuckerToggled();
    vm->onDeactivate();
    delete vm;

    QJsonObject idleJ = summary(idle), duckerJ = summary(ducker);
    duckerJ.insert("meter_reads", int(reads));
    duckerJ.insert("meter_changes", meterChanges);
    const QJsonObject out{{"mode", "meterpath"},
                          {"tick_ms", 50},
                          {"idle", idleJ},
                          {"ducker", duckerJ},
                          {"median_ratio", idleJ["median_us"].toDouble() > 0
                                               ? duckerJ["median_us"].toDouble() / idleJ["median_us"].toDouble()
                                               : 0.0}};
    std::printf("%s\n", QJsonDocument(out).toJson(QJsonDocument::Compact).constData());
    std::fprintf(stderr,
                 "GUI-thread CPU per 50 ms tick (%d ticks each): idle median %.1f us p90 %.1f us; "
                 "ducker polling median %.1f us p90 %.1f us; ratio %.2fx; %u meter reads, %d changes\n",
                 ticks, idleJ["median_us"].toDouble(), idleJ["p90_us"].toDouble(), duckerJ["median_us"].toDouble(),
                 duckerJ["p90_us"].toDouble(), out["median_ratio"].toDouble(), reads, meterChanges);
    return 0;
}
