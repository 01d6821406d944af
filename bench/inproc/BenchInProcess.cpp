// In-process figures for bench/run: the panel's own objects (services, registrations, Main.qml
// in its window) on the simulated driver, timed from inside the process.
//
//   calder-bench-inproc hotplug <attached> <repeats>   plug one Alto with <attached>-1 present
//   calder-bench-inproc pages <repeats>                 tab click to the page's first frame
//   calder-bench-inproc calls                           driver calls per action vs. the minimum
//   calder-bench-inproc frames                          frames drawn vs. meter changes
//   calder-bench-inproc startup                         where the start-up time goes
//   calder-bench-inproc window own|minimal              the start with its views or without
//
// Needs CALDER_REGISTRY (pointing at the simulated driver) and CALDER_SIM_LIBRARY (the same
// file, to reach its control functions). Prints one JSON object per line on stdout; the log
// goes to stderr.
#include "CalderSimControl.h"
#include "app/AppConstants.h"
#include "app/AppRegistrations.h"
#include "app/FirstFrameProbe.h"
#include "viewmodels/MainTopBarVM.h"
#include "app/MainTopBarVMWrapper.h"
#include "app/MovableWidget.h"
#include "core/ServiceContainer.h"
#include "viewmodels/ShellVM.h"
#include "device/LumenCommunicationService.h"
#include "viewmodels/DuckerVM.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQmlEngine>
#include <QQuickItem>
#include <QSettings>
#include <QStringListModel>
#include <QThread>
#include <QTimer>
#include <QtTest/QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <dlfcn.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

int64_t nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double msBetween(int64_t from, int64_t to) { return double(to - from) / 1e6; }

void emitJson(const QJsonObject &o)
{
    std::printf("%s\n", QJsonDocument(o).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
}

// Lets the event loop run for `ms` without spinning.
void waitMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// ---- The simulator's control functions, from the library the service loaded ------------

struct Sim
{
    int32_t (*plug)(const char *) = nullptr;
    int32_t (*unplug)(uint32_t) = nullptr;
    uint32_t (*deviceCount)() = nullptr;
    int32_t (*notify)(uint32_t) = nullptr;
    uint32_t (*callCount)(const char *) = nullptr;
    int32_t (*setMeterSignal)(uint32_t, uint32_t, uint32_t) = nullptr;

    bool resolve()
    {
        const QByteArray path = qgetenv("CALDER_SIM_LIBRARY");
        // RTLD_NOLOAD: the very instance the service talks to, or nothing.
        void *h = dlopen(path.constData(), RTLD_NOW | RTLD_NOLOAD);
        if (!h) {
            std::fprintf(stderr, "bench: simulator %s not loaded by the service\n", path.constData());
            return false;
        }
        plug = reinterpret_cast<decltype(plug)>(dlsym(h, "CalderSim_Plug"));
        unplug = reinterpret_cast<decltype(unplug)>(dlsym(h, "CalderSim_Unplug"));
        deviceCount = reinterpret_cast<decltype(deviceCount)>(dlsym(h, "CalderSim_DeviceCount"));
        notify = reinterpret_cast<decltype(notify)>(dlsym(h, "CalderSim_Notify"));
        callCount = reinterpret_cast<decltype(callCount)>(dlsym(h, "CalderSim_CallCount"));
        setMeterSignal = reinterpret_cast<decltype(setMeterSignal)>(dlsym(h, "CalderSim_SetMeterSignal"));
        return plug && unplug && deviceCount && notify && callCount && setMeterSignal;
    }
};

// ---- Which thread calls the driver: a counting shim over the service's entry points ------

#define BENCH_TAP_ENUM(n) kTap_##n,
enum { TUSB_CALLED_ENTRY_POINTS(BENCH_TAP_ENUM) kTapCount };
#undef BENCH_TAP_ENUM

std::atomic<unsigned> g_guiCalls[kTapCount];
std::atomic<unsigned> g_otherCalls[kTapCount];
const char *const g_tapNames[] = {
#define BENCH_TAP_NAME(n) #n,
    TUSB_CALLED_ENTRY_POINTS(BENCH_TAP_NAME)
#undef BENCH_TAP_NAME
};

template <int I, typename F>
struct Tap;
template <int I, typename R, typename... A>
struct Tap<I, R (*)(A...)>
{
    static inline R (*original)(A...) = nullptr;
    static R call(A... a)
    {
        const bool gui = QThread::currentThread() == QCoreApplication::instance()->thread();
        (gui ? g_guiCalls : g_otherCalls)[I].fetch_add(1, std::memory_order_relaxed);
        return original(a...);
    }
};

// Calls made after this go through the shim (the meter read copies the pointer at each tick).
void installTap(TUsbAudioApiDll &api)
{
#define BENCH_TAP_INSTALL(n)                                            \
    if (api.TUSBAUDIO_##n) {                                            \
        Tap<kTap_##n, TUSBAUDIO_##n##_t>::original = api.TUSBAUDIO_##n; \
        api.TUSBAUDIO_##n = &Tap<kTap_##n, TUSBAUDIO_##n##_t>::call;    \
    }
    TUSB_CALLED_ENTRY_POINTS(BENCH_TAP_INSTALL)
#undef BENCH_TAP_INSTALL
}

// ---- Frames -------------------------------------------------------------------------------

// "The first frame showing a change": armed on the GUI thread right where the change is made
// (the scene cannot be synchronised before control returns to the event loop); the next
// synchronisation then carries it, and the swap after that synchronisation puts it on screen.
class FrameWatch : public QObject
{
public:
    explicit FrameWatch(QQuickWindow *window)
    {
        connect(
            window, &QQuickWindow::afterSynchronizing, this,
            [this] {
                int armed = 1;
                m_state.compare_exchange_strong(armed, 2);
            },
            Qt::DirectConnection);
        connect(
            window, &QQuickWindow::frameSwapped, this,
            [this] {
                m_frames.fetch_add(1);
                int synced = 2;
                if (m_state.compare_exchange_strong(synced, 3)) {
                    m_swapNs = nowNs();
                    QMetaObject::invokeMethod(
                        this,
                        [this] {
                            if (m_loop)
                                m_loop->quit();
                        },
                        Qt::QueuedConnection);
                }
            },
            Qt::DirectConnection);
    }
    void arm()
    {
        m_swapNs = 0;
        m_state = 1;
    }
    // Time of the frame, or 0 when none came within the timeout.
    int64_t wait(int timeoutMs = 3000)
    {
        if (m_state != 3) {
            QEventLoop loop;
            m_loop = &loop;
            QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
            if (m_state != 3)
                loop.exec();
            m_loop = nullptr;
        }
        const int64_t t = m_state == 3 ? m_swapNs.load() : 0;
        m_state = 0;
        return t;
    }
    int frames() const { return m_frames; }

private:
    std::atomic<int> m_state{0};
    std::atomic<int64_t> m_swapNs{0};
    std::atomic<int> m_frames{0};
    QEventLoop *m_loop = nullptr;
};

// ---- The panel, as main builds it (without the lock, the tray icon and the raise listener) -

int64_t g_mainNs = 0;
int64_t g_appNs = 0;

struct Panel
{
    // Start-up phases, in order, with the time each ended.
    std::vector<std::pair<QString, int64_t>> phases;
    // As in main: the engine first (it outlives the window), its QML loading meanwhile.
    QQmlEngine engine;
    std::vector<std::unique_ptr<QQmlComponent>> loadingViews;
    ServiceContainer container;
    QSharedPointer<MovableWidget> window;
    QSharedPointer<LumenCommunicationService> service;
    std::unique_ptr<FrameWatch> frames;
    Sim sim;
    bool ok = false;

    // `source`: the panel's own views, or any other QML the bench puts in their place.
    // `probe`: the first frame printed as the panel's main prints it (CALDER_BENCH_FIRST_FRAME).
    explicit Panel(const QUrl &source = QUrl(AppConstants::kMainView), bool probe = false)
    {
        const bool ownViews = source == QUrl(AppConstants::kMainView);
        registerQmlTypes();
        if (ownViews)
            loadingViews = startLoadingViews(engine);
        phases.emplace_back("QML engine, types registered, Main.qml and status page loading", nowNs());
        ServiceContainer::setInstance(&container);
        registerServices(container, &engine);
        service = container.resolve<LumenCommunicationService>();
        window = container.resolve<MovableWidget>();
        phases.emplace_back("services: window object (renderer set up), driver loaded, device opened", nowNs());
        window->setResizeMode(QQuickView::SizeViewToRootObject);
        window->setSource(source);
        phases.emplace_back("Main.qml built (top bar, status page)", nowNs());
        window->setFlags(Qt::Window | Qt::FramelessWindowHint);
        window->setMinimumSize(QSize(800, 500));
        window->setMaximumSize(QSize(800, 500));
        window->setPosition(50, 50);
        window->setTitle(AppConstants::kWindowTitle);
        frames = std::make_unique<FrameWatch>(window.data());
        if (probe)
            installFirstFrameProbe(window.data());
        if (ownViews && (!loader() || !loader()->property("item").value<QQuickItem *>())) {
            std::fprintf(stderr, "bench: no page after setSource\n");
            return;
        }
        frames->arm();
        window->show();
        phases.emplace_back("show()", nowNs());
        const int64_t first = frames->wait(10000);
        if (!first) {
            std::fprintf(stderr, "bench: no first frame\n");
            return;
        }
        phases.emplace_back("first frame", first);
        if (!sim.resolve())
            return;
        installTap(service->api());
        ok = true;
    }
    ~Panel()
    {
        frames.reset();
        window->hide();
        window.reset();
        service.reset();
        container.clearInstances();
        container.clearFactories();
    }

    QQuickItem *root() const { return window->rootObject(); }
    QQuickItem *loader() const { return root() ? root()->findChild<QQuickItem *>("pageLoader") : nullptr; }
    QObject *pageViewModel() const
    {
        QQuickItem *page = loader()->property("item").value<QQuickItem *>();
        return page ? page->property("viewModel").value<QObject *>() : nullptr;
    }
    MainTopBarVM *topBar() const
    {
        auto *wrapper = root()->findChild<MainTopBarVMWrapper *>();
        return wrapper ? wrapper->mainTopBarVM() : nullptr;
    }
    QStringList tabs() const { return topBar()->menuList()->stringList(); }

    // A real click on the tab's centre, as the user makes it.
    bool clickTab(int index)
    {
        QQuickItem *repeater = root()->findChild<QQuickItem *>("tabRepeater");
        QQuickItem *tab = nullptr;
        if (!repeater ||
            !QMetaObject::invokeMethod(repeater, "itemAt", Q_RETURN_ARG(QQuickItem *, tab), Q_ARG(int, index)) || !tab)
            return false;
        const QPointF centre = tab->mapToScene(QPointF(tab->width() / 2, tab->height() / 2));
        QTest::mouseClick(window.data(), Qt::LeftButton, Qt::NoModifier, centre.toPoint());
        return true;
    }

    // The 2000 ms reconnect after a start with one mixer: let it pass before measuring.
    void settleStart() { waitMs(2300); }
};

QJsonArray toArray(const std::vector<double> &v)
{
    QJsonArray a;
    for (double x : v)
        a.append(x);
    return a;
}

QString models(int count)
{
    QStringList l;
    for (int i = 0; i < count; ++i)
        l << QStringLiteral("alto");
    return l.join(',');
}

// ---- hotplug ------------------------------------------------------------------------------

int runHotplug(int attached, int repeats)
{
    qputenv("CALDER_SIM_DEVICES", models(attached - 1).toUtf8());
    Panel panel;
    if (!panel.ok)
        return 1;
    if (attached - 1 == 1)
        panel.settleStart();

    int64_t menuNs = 0;
    QObject::connect(panel.topBar(), &MainTopBarVM::menuListChanged, panel.topBar(), [&] {
        // The last change of the tab set wins; the frame after it shows the final set.
        menuNs = nowNs();
        panel.frames->arm();
    });

    std::vector<double> menuMs, frameMs, unplugMenuMs, unplugFrameMs;
    QStringList tabsAfter;
    for (int r = 0; r < repeats; ++r) {
        menuNs = 0;
        const int64_t t0 = nowNs();
        panel.sim.plug("alto"); // signals the arrival event; the service sees it in the event loop
        const int64_t frame = panel.frames->wait();
        if (!menuNs) {
            std::fprintf(stderr, "bench: plug gave no tab set\n");
            return 1;
        }
        menuMs.push_back(msBetween(t0, menuNs));
        frameMs.push_back(frame ? msBetween(t0, frame) : -1);
        tabsAfter = panel.tabs();
        waitMs(150);

        menuNs = 0;
        const int64_t t1 = nowNs();
        panel.sim.unplug(panel.sim.deviceCount() - 1);
        const int64_t frame1 = panel.frames->wait();
        unplugMenuMs.push_back(menuNs ? msBetween(t1, menuNs) : -1);
        unplugFrameMs.push_back(frame1 ? msBetween(t1, frame1) : -1);
        waitMs(150);
    }
    emitJson({{"mode", "hotplug"},
              {"attached", attached},
              {"tabs", tabsAfter.join('|')},
              {"menu_ms", toArray(menuMs)},
              {"frame_ms", toArray(frameMs)},
              {"unplug_menu_ms", toArray(unplugMenuMs)},
              {"unplug_frame_ms", toArray(unplugFrameMs)}});
    return 0;
}

// ---- pages --------------------------------------------------------------------------------

int runPages(int repeats)
{
    qputenv("CALDER_SIM_DEVICES", "alto");
    Panel panel;
    if (!panel.ok)
        return 1;
    panel.settleStart();

    // Connected after Main.qml's own bindings, so it runs after the Loader has built the new
    // page (the Loader loads synchronously).
    int64_t loadedNs = 0;
    QQuickItem *loadedPage = nullptr;
    const auto shell = panel.container.resolve<ShellVM>();
    QObject::connect(shell.data(), &ShellVM::selectedMasterViewChanged, panel.window.data(), [&] {
        loadedNs = nowNs();
        loadedPage = panel.loader()->property("item").value<QQuickItem *>();
        panel.frames->arm();
    });

    const QStringList tabs = panel.tabs();
    std::map<QString, std::vector<double>> loadedMs, frameMs;
    auto measure = [&](int index) {
        loadedNs = 0;
        loadedPage = nullptr;
        const int64_t t0 = nowNs();
        if (!panel.clickTab(index))
            return false;
        const int64_t frame = panel.frames->wait();
        if (!loadedNs || !loadedPage)
            return false;
        loadedMs[tabs.at(index)].push_back(msBetween(t0, loadedNs));
        frameMs[tabs.at(index)].push_back(frame ? msBetween(t0, frame) : -1);
        waitMs(200);
        return true;
    };
    for (int r = 0; r < repeats; ++r) {
        for (int i = 1; i < tabs.size(); ++i) {
            if (!measure(i) || !measure(0)) {
                std::fprintf(stderr, "bench: tab %d did not switch the page\n", i);
                return 1;
            }
        }
    }
    for (const QString &tab : tabs)
        emitJson({{"mode", "pages"},
                  {"page", tab},
                  {"loaded_ms", toArray(loadedMs[tab])},
                  {"frame_ms", toArray(frameMs[tab])}});
    return 0;
}

// ---- calls --------------------------------------------------------------------------------

using Counts = std::map<std::string, unsigned>;

Counts operator+(Counts a, const Counts &b)
{
    for (const auto &kv : b)
        a[kv.first] += kv.second;
    return a;
}

// What the behaviour asks of the driver, step by step (communication service and pages).
Counts listRefresh(unsigned listed)
{
    return {{"EnumerateDevices", 1},      {"GetDeviceCount", 1},           {"OpenDeviceByIndex", listed},
            {"GetDeviceUsbMode", listed}, {"GetDeviceProperties", listed}, {"CloseDevice", listed}};
}
Counts deviceClose() { return {{"RegisterDeviceNotification", 1}, {"CloseDevice", 1}}; }
// Open, register for notifications, apply the stored settings (properties read, one routing
// and four ducker writes on an Alto), read the sample rate.
Counts deviceOpen()
{
    return {{"OpenDeviceByIndex", 1},
            {"RegisterDeviceNotification", 1},
            {"GetDeviceProperties", 1},
            {"ClassVendorRequestOut", 5},
            {"GetCurrentSampleRate", 1}};
}
Counts vendorOut(unsigned n) { return {{"ClassVendorRequestOut", n}}; }

bool isVendorRequest(const std::string &op) { return op == "ClassVendorRequestOut" || op == "ClassVendorRequestIn"; }

class CallRecorder
{
public:
    explicit CallRecorder(Panel &panel) : m_panel(panel) { snapshot(); }

    void snapshot()
    {
        m_sim.clear();
        for (const char *op : g_tapNames)
            m_sim[op] = m_panel.sim.callCount(op);
        for (const char *op : {"GetApiVersion", "CheckApiVersion"})
            m_sim[op] = m_panel.sim.callCount(op);
        for (int i = 0; i < kTapCount; ++i) {
            m_gui[i] = g_guiCalls[i];
            m_other[i] = g_otherCalls[i];
        }
    }

    // Everything since the last report (or since the library was loaded, for the first one).
    // `atMost`: the behaviour bounds the count rather than fixing it (timer-paced reads, whose
    // ticks a busy machine delays).
    void report(const QString &action, const Counts &required, bool atMost = false, double seconds = 0)
    {
        const std::map<std::string, unsigned> before = m_sim;
        unsigned gui[kTapCount], other[kTapCount];
        std::copy(std::begin(m_gui), std::end(m_gui), gui);
        std::copy(std::begin(m_other), std::end(m_other), other);
        snapshot();

        unsigned calls = 0, vendor = 0, needCalls = 0, needVendor = 0, guiCalls = 0, workerCalls = 0;
        unsigned guiVendor = 0, workerVendor = 0;
        QJsonObject extra, missing;
        for (const auto &kv : m_sim) {
            const unsigned n = kv.second - before.at(kv.first);
            const auto r = required.find(kv.first);
            const unsigned need = r == required.end() ? 0 : r->second;
            calls += n;
            needCalls += need;
            if (isVendorRequest(kv.first)) {
                vendor += n;
                needVendor += need;
            }
            if (n > need)
                extra.insert(QString::fromStdString(kv.first), int(n - need));
            else if (n < need && !atMost)
                missing.insert(QString::fromStdString(kv.first), int(need - n));
        }
        for (int i = 0; i < kTapCount; ++i) {
            const unsigned g = m_gui[i] - gui[i], o = m_other[i] - other[i];
            guiCalls += g;
            workerCalls += o;
            if (isVendorRequest(g_tapNames[i])) {
                guiVendor += g;
                workerVendor += o;
            }
        }
        QJsonObject o{{"mode", "calls"},
                      {"action", action},
                      {"calls", int(calls)},
                      {"vendor", int(vendor)},
                      {"required_calls", int(needCalls)},
                      {"required_vendor", int(needVendor)},
                      {"extra", extra},
                      {"missing", missing}};
        o.insert("gui_calls", int(guiCalls));
        o.insert("worker_calls", int(workerCalls));
        o.insert("gui_vendor", int(guiVendor));
        o.insert("worker_vendor", int(workerVendor));
        if (atMost)
            o.insert("required_is_bound", true);
        if (seconds > 0)
            o.insert("seconds", seconds);
        emitJson(o);
    }

private:
    Panel &m_panel;
    std::map<std::string, unsigned> m_sim;
    unsigned m_gui[kTapCount] = {};
    unsigned m_other[kTapCount] = {};
};

int runCalls()
{
    qputenv("CALDER_SIM_DEVICES", "alto");
    QSettings().clear();
    Panel panel;
    if (!panel.ok)
        return 1;
    CallRecorder rec(panel);
    // The recorder's first snapshot came after the start: report the start against zero.
    {
        Counts start =
            Counts{
                {"GetApiVersion", 1}, {"CheckApiVersion", 1}, {"EnumerateDevices", 1}, {"RegisterPnpNotification", 1}} +
            listRefresh(1) + deviceOpen();
        unsigned calls = 0, vendor = 0, need = 0, needVendor = 0;
        QJsonObject extra, missing;
        std::map<std::string, unsigned> now;
        for (const char *op : g_tapNames)
            now[op] = panel.sim.callCount(op);
        for (const char *op : {"GetApiVersion", "CheckApiVersion"})
            now[op] = panel.sim.callCount(op);
        for (const auto &kv : now) {
            const unsigned r = start.count(kv.first) ? start.at(kv.first) : 0;
            calls += kv.second;
            need += r;
            if (isVendorRequest(kv.first)) {
                vendor += kv.second;
                needVendor += r;
            }
            if (kv.second > r)
                extra.insert(QString::fromStdString(kv.first), int(kv.second - r));
            else if (kv.second < r)
                missing.insert(QString::fromStdString(kv.first), int(r - kv.second));
        }
        // All of it ran in the service's constructor and the first page's activation, on the
        // GUI thread: the shim is installed only after the first frame.
        emitJson({{"mode", "calls"},
                  {"action", "start with one Alto, to the first frame"},
                  {"calls", int(calls)},
                  {"vendor", int(vendor)},
                  {"required_calls", int(need)},
                  {"required_vendor", int(needVendor)},
                  {"extra", extra},
                  {"missing", missing}});
    }

    waitMs(2300);
    rec.report("reconnect 2000 ms after the start", deviceClose() + deviceOpen());

    waitMs(3000);
    rec.report("idle 3 s on the status page", {});

    const QStringList tabs = panel.tabs();
    const std::map<QString, Counts> pageNeeds{
        {"Audio Routing", {}},
        // Attack and hold, always sent on activation.
        {"Ducker", vendorOut(1)},
        // Stream detection (input, output), then per stream: formats, current format,
        // selection mode; buffer size and size list; the sample rate.
        {"Buffer Settings",
         {{"GetSupportedStreamFormats", 4},
          {"GetCurrentStreamFormat", 2},
          {"GetStreamFormatSelectionMode", 2},
          {"GetASIOInstanceInfo", 2},
          {"GetCurrentSampleRate", 1}}},
        {"Info", {{"GetClientInfo", 1}, {"GetDeviceProperties", 1}, {"GetDriverInfo", 1}}},
        {"Volume", {}},
    };
    for (int i = 1; i < tabs.size(); ++i) {
        panel.clickTab(i);
        waitMs(300);
        rec.report("tab click: " + tabs.at(i), pageNeeds.count(tabs.at(i)) ? pageNeeds.at(tabs.at(i)) : Counts{});
        panel.clickTab(0);
        waitMs(300);
        rec.report("tab click: Status (from " + tabs.at(i) + ")", {});
    }

    const int duckerTab = tabs.indexOf("Ducker");
    const int routingTab = tabs.indexOf("Audio Routing");
    if (duckerTab < 0 || routingTab < 0) {
        std::fprintf(stderr, "bench: no mixer tabs\n");
        return 1;
    }
    panel.clickTab(duckerTab);
    waitMs(300);
    rec.snapshot();
    QMetaObject::invokeMethod(panel.pageViewModel(), "onDuckerToggled");
    rec.report("ducker switched on", vendorOut(1));
    QElapsedTimer polling;
    polling.start();
    waitMs(2000);
    const double seconds = polling.elapsed() / 1000.0;
    // At most one meter read per 50 ms tick, off the GUI thread.
    rec.report("ducker on, meter polling", {{"ClassVendorRequestIn", unsigned(seconds * 1000 / 50) + 1}}, true,
               seconds);
    QMetaObject::invokeMethod(panel.pageViewModel(), "onDuckerToggled");
    waitMs(200);
    rec.report("ducker switched off", vendorOut(1));

    panel.sim.notify(0);
    waitMs(300);
    // Read it, re-read the rate, re-apply the stored settings; the ducker page adds its own four.
    rec.report("device notification on the ducker page",
               Counts{{"ReadDeviceNotification", 1}, {"GetCurrentSampleRate", 1}, {"GetDeviceProperties", 1}} +
                   vendorOut(5 + 4));

    panel.clickTab(routingTab);
    waitMs(300);
    rec.snapshot();
    QMetaObject::invokeMethod(panel.pageViewModel(), "onInputs12Changed", Q_ARG(int, 1), Q_ARG(QString, QString()));
    rec.report("routing choice", vendorOut(1));
    panel.clickTab(0);
    waitMs(300);
    rec.snapshot();

    panel.sim.plug("alto");
    waitMs(400);
    rec.report("plug a second Alto", deviceClose() + listRefresh(2));

    QObject *status = panel.pageViewModel();
    const QString name = panel.service->deviceNames().value(0);
    QMetaObject::invokeMethod(status, "setDeviceIndex", Q_ARG(int, 0), Q_ARG(QString, name));
    waitMs(300);
    rec.report("pick a device on the status page", deviceOpen());

    panel.sim.unplug(1);
    waitMs(400);
    rec.report("unplug it, one left", deviceClose() + listRefresh(1) + deviceOpen());

    panel.sim.unplug(0);
    waitMs(400);
    rec.report("unplug the last", deviceClose() + listRefresh(0));

    panel.sim.plug("alto");
    waitMs(400);
    rec.report("plug an Alto (none attached)", listRefresh(1) + deviceOpen());
    return 0;
}

// ---- frames -------------------------------------------------------------------------------

int runFrames()
{
    qputenv("CALDER_SIM_DEVICES", "alto");
    QSettings().clear();
    Panel panel;
    if (!panel.ok)
        return 1;
    panel.settleStart();

    auto countFrames = [&](int ms) {
        const int before = panel.frames->frames();
        waitMs(ms);
        return panel.frames->frames() - before;
    };
    const int statusIdle = countFrames(5000);

    const int duckerTab = panel.tabs().indexOf("Ducker");
    if (duckerTab < 0 || !panel.clickTab(duckerTab))
        return 1;
    waitMs(300);
    auto *vm = qobject_cast<DuckerVM *>(panel.pageViewModel());
    if (!vm)
        return 1;
    int changes = 0;
    QObject::connect(vm, &DuckerVM::meterReadingChanged, [&] { ++changes; });

    QMetaObject::invokeMethod(vm, "onDuckerToggled");
    panel.sim.setMeterSignal(0, CALDER_SIM_METER_SINE, 3000);
    waitMs(1500); // the bars' fade-in (1 s) is over
    const unsigned readsGui0 = g_guiCalls[kTap_ClassVendorRequestIn],
                   readsOther0 = g_otherCalls[kTap_ClassVendorRequestIn];
    changes = 0;
    const int duckerMs = 10000;
    const int duckerFrames = countFrames(duckerMs);
    const unsigned readsGui = g_guiCalls[kTap_ClassVendorRequestIn] - readsGui0;
    const unsigned readsOther = g_otherCalls[kTap_ClassVendorRequestIn] - readsOther0;

    QMetaObject::invokeMethod(vm, "onDuckerToggled");
    waitMs(1500);
    const int duckerOffIdle = countFrames(5000);

    emitJson({{"mode", "frames"},
              {"status_idle_frames_5s", statusIdle},
              {"ducker_seconds", duckerMs / 1000.0},
              {"ducker_frames", duckerFrames},
              {"meter_changes", changes},
              {"meter_reads_gui", int(readsGui)},
              {"meter_reads_worker", int(readsOther)},
              {"ducker_off_idle_frames_5s", duckerOffIdle}});
    return 0;
}

// ---- start-up phases ----------------------------------------------------------------------

// Where the start-up time goes. CALDER_BENCH_T0: the runner's monotonic time just before it
// started this process.
int runStartup()
{
    qputenv("CALDER_SIM_DEVICES", "alto");
    Panel panel;
    if (!panel.ok)
        return 1;
    const int64_t t0 = qEnvironmentVariableIsSet("CALDER_BENCH_T0") ? qgetenv("CALDER_BENCH_T0").toLongLong()
                                                                    : g_mainNs;
    QJsonArray names, ms;
    int64_t previous = t0;
    auto add = [&](const QString &name, int64_t t) {
        names.append(name);
        ms.append(msBetween(previous, t));
        previous = t;
    };
    add("process start to main()", g_mainNs);
    add("QApplication", g_appNs);
    for (const auto &phase : panel.phases)
        add(phase.first, phase.second);
    emitJson({{"mode", "startup"}, {"phases", names}, {"ms", ms}, {"total_ms", msBetween(t0, previous)}});
    return 0;
}

// ---- the start without the views ----------------------------------------------------------

// The panel's start as main makes it (without lock and tray), its first frame printed by the
// probe (CALDER_BENCH_FIRST_FRAME), then running until terminated, so that bench/run times it as
// it times the programs. "minimal" puts the minimal program's QML in place of Main.qml: what the
// application object, the engine with the panel's types, the services and the device cost by
// themselves, the floor under any saving in the views.
int runWindow(const QString &which)
{
    qputenv("CALDER_SIM_DEVICES", "alto");
    const QUrl source = which == QLatin1String("minimal") ? QUrl(QStringLiteral("qrc:/minimal.qml"))
                                                         : QUrl(AppConstants::kMainView);
    Panel panel(source, true);
    if (!panel.ok)
        return 1;
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    g_mainNs = nowNs();
    // The views live in calder_app, a static library: pull its resources in, as main does.
    Q_INIT_RESOURCE(calder_resources);
    QApplication app(argc, argv);
    chooseSceneGraphBackend();
    g_appNs = nowNs();
    QCoreApplication::setOrganizationName(AppConstants::kOrganizationName);
    QCoreApplication::setApplicationName(AppConstants::kApplicationName);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    if (mode == QLatin1String("hotplug"))
        return runHotplug(args.value(2, "8").toInt(), args.value(3, "7").toInt());
    if (mode == QLatin1String("pages"))
        return runPages(args.value(2, "5").toInt());
    if (mode == QLatin1String("startup"))
        return runStartup();
    if (mode == QLatin1String("window") && (args.value(2) == QLatin1String("own") || args.value(2) == QLatin1String("minimal")))
        return runWindow(args.value(2));
    if (mode == QLatin1String("calls"))
        return runCalls();
    if (mode == QLatin1String("frames"))
        return runFrames();
    std::fprintf(stderr, "usage: %s hotplug <attached> <repeats> | pages <repeats> | startup | window own|minimal | calls | frames\n",
                 qPrintable(args.value(0)));
    return 2;
}
