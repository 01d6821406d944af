// A bounded soak: random hot-plug, device notifications, page switches, user actions, device
// picks and short driver faults against the simulator, with the panel's own service set.
// SOAK_SECONDS sets the length (default 15; it is mostly for the sanitizer builds), SOAK_SEED
// the random sequence. Checked: the service's listeners only ever point at the live page, the
// message bus keeps no connection to a destroyed page, and the resident memory at the end is
// within a few percent of the memory after warm-up.
#include "TestRig.h"

#include <QFile>
#include <QRandomGenerator>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define CALDER_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define CALDER_SANITIZED 1
#endif
#endif

using namespace testrig;

namespace {
// Resident set size in KiB, after handing freed heap back to the system.
qint64 residentKiB()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
    QFile f(QStringLiteral("/proc/self/statm"));
    const QList<QByteArray> fields = f.open(QIODevice::ReadOnly) ? f.readAll().split(' ') : QList<QByteArray>();
    return fields.size() > 1 ? fields.at(1).toLongLong() * 4 : -1;
}

// Live connections behind a message name, as Qt's own object dump lists them (the status page
// never unsubscribes, so subscription counts only grow; live connections are what a publish reaches).
QStringList s_dump;
int liveConnections(const QString &name)
{
    HelperSignalObject *o = MessageBus::lookup(name);
    if (!o)
        return 0;
    s_dump.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &msg) { s_dump << msg.split('\n'); });
    o->dumpObjectInfo();
    qInstallMessageHandler(previous);
    int count = 0;
    bool inSignal = false;
    for (const QString &line : s_dump) {
        const QString l = line.trimmed();
        if (l.startsWith(QLatin1String("signal:")))
            inSignal = l.contains(QLatin1String("valueSignal"));
        else if (l.startsWith(QLatin1String("SIGNALS IN")))
            break;
        else if (inSignal && !l.isEmpty() && l != QLatin1String("<None>"))
            ++count;
    }
    return count;
}

const QStringList kModels = {"alto", "tenor", "basso", "v21", "v22", "unknown", "usbmode1"};
const QStringList kFaultOps = QStringLiteral(
                                  "OpenDeviceByIndex GetDeviceProperties ClassVendorRequestOut "
                                  "ClassVendorRequestIn GetCurrentSampleRate ReadDeviceNotification "
                                  "GetVolume GetSupportedStreamFormats GetASIOInstanceInfo "
                                  "RegisterDeviceNotification")
                                  .split(QLatin1Char(' '));

// The panel's debug lines (thousands over a soak) would hit QtTest's message limit.
QtMessageHandler s_testHandler = nullptr;
void dropDebugLines(QtMsgType type, const QMessageLogContext &context, const QString &msg)
{
    if (type != QtDebugMsg && s_testHandler)
        s_testHandler(type, context, msg);
}
} // namespace

class TestSoak : public QObject
{
    Q_OBJECT
private slots:
    void soak();

private:
    int pick(int n) { return n > 0 ? int(m_rng.bounded(quint32(n))) : 0; }
    void closePage()
    {
        if (m_activity)
            m_activity->onDeactivate();
        m_page.reset();
        m_activity = nullptr;
        m_listener = nullptr;
    }
    template <typename VM>
    void open(Panel &panel)
    {
        const QSharedPointer<VM> vm = panel.container.resolve<VM>();
        m_page = vm;
        m_activity = vm.data();
        m_listener = vm.data();
        m_activity->onActivate();
    }
    void newPage(Panel &panel);
    void pageAction();
    qint64 settledResidentKiB()
    {
        closePage();
        QThreadPool::globalInstance()->waitForDone(3000);
        spin(20);
        return residentKiB();
    }

    QRandomGenerator m_rng;
    QSharedPointer<QObject> m_page;
    IActivityAware *m_activity = nullptr;
    ICommunicationReplyListener *m_listener = nullptr;
};

void TestSoak::newPage(Panel &panel)
{
    closePage(); // one page at a time, like the shell's loader
    switch (pick(8)) {
    case 0: open<StatusVM>(panel); break;
    case 1: open<AudioRoutingVM>(panel); break;
    case 2: open<DuckerVM>(panel); break;
    case 3: open<FormatVM>(panel); break;
    case 4: open<BufferSettingsVM>(panel); break;
    case 5: open<ClientInfoVM>(panel); break;
    case 6: open<InfoVM>(panel); break;
    default: open<VolumeVM>(panel); break;
    }
}

void TestSoak::pageAction()
{
    const int i = pick(6);
    if (auto *vm = qobject_cast<StatusVM *>(m_page.data())) {
        const QStringList names = vm->deviceNames();
        if (i == 0)
            vm->onDebugActivated();
        else if (i == 1)
            vm->showList();
        else if (!names.isEmpty())
            vm->setDeviceIndex(pick(names.size()), names.value(pick(names.size())));
    } else if (auto *vm = qobject_cast<AudioRoutingVM *>(m_page.data())) {
        i < 3 ? vm->onInputs12Changed(pick(4), vm->inputs12().value(pick(4)))
              : vm->onInputs32Changed(pick(4), vm->inputs32().value(pick(4)));
    } else if (auto *vm = qobject_cast<DuckerVM *>(m_page.data())) {
        switch (i) {
        case 0: vm->onDuckerToggled(); break;
        case 1: vm->onChannel1SelectionChanged(); break;
        case 2: vm->onChannel4SelectionChanged(); break;
        case 3: vm->onReleaseTimeChanged(pick(5001) / 1000.0); break;
        case 4: vm->onDuckerRangeChanged(pick(91)); break;
        default: vm->onSensitivityChanged(-pick(61)); break;
        }
    } else if (auto *vm = qobject_cast<BufferSettingsVM *>(m_page.data())) {
        switch (i % 4) {
        case 0: vm->onAsioSelectionChanged(0, vm->asioBufferSizes().value(pick(vm->asioBufferSizes().size()))); break;
        case 1: vm->onInputFormatSelectionChanged(0, vm->inputFormats().value(0)); break;
        case 2: vm->onOutputFormatSelectionChanged(1, vm->outputFormats().value(1)); break;
        default: vm->onSafeModeSelectionChanged(); break;
        }
    } else if (auto *vm = qobject_cast<VolumeVM *>(m_page.data())) {
        switch (i) {
        case 0: vm->onMasterUpdate(short(-pick(60))); break;
        case 1: vm->onMasterMute(); break;
        case 2: vm->onCommonUpdate(pick(3), -pick(60)); break;
        case 3: vm->onLink(pick(3)); break;
        case 4: vm->onMute(pick(3)); break;
        default: pick(2) ? vm->onInputSelected() : vm->onOutputSelected(); break;
        }
    } else if (m_activity) {
        m_activity->onActivate();
    }
}

void TestSoak::soak()
{
    s_testHandler = qInstallMessageHandler(dropDebugLines);
    initApplicationIdentity();
    SimulatorControl sim;
    QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
    QSettings().clear();
    const int seconds = qEnvironmentVariableIsSet("SOAK_SECONDS") ? qEnvironmentVariableIntValue("SOAK_SECONDS") : 15;
    const quint32 seed = qEnvironmentVariableIsSet("SOAK_SEED") ? quint32(qEnvironmentVariableIntValue("SOAK_SEED"))
                                                                : QRandomGenerator::global()->generate();
    m_rng.seed(seed);
    qInfo("soak: %d s, seed %u (SOAK_SEED reproduces the sequence)", seconds, seed);

    QCOMPARE(sim.reset(QStringLiteral("alto")), 1);
    const qint64 warmUpMs = qMin<qint64>(qint64(seconds) * 1000 / 4, 15000);
    qint64 warmRss = -1, endRss = -1;
    int steps = 0;
    QElapsedTimer clock;
    clock.start();
    {
        Panel panel(Panel::WithoutWindow);
        const QStringList names = {ViewModelTexts::kMsgConnected, ViewModelTexts::kMsgResetDropDown,
                                   ViewModelTexts::kMsgResetState};
        QMap<QString, int> atStart; // live connections with only the top bar there
        for (const QString &n : names)
            atStart.insert(n, liveConnections(n));
        QVERIFY(atStart.value(ViewModelTexts::kMsgConnected) >= 1); // the top bar's

        for (; clock.elapsed() < qint64(seconds) * 1000; ++steps) {
            const int devices = sim.deviceCount();
            switch (pick(12)) {
            case 0:
                if (devices < 4)
                    sim.plug(kModels.at(pick(kModels.size())));
                break;
            case 1:
                if (devices > 0)
                    sim.unplug(uint32_t(pick(devices)));
                break;
            case 2:
            case 3:
                if (devices > 0)
                    sim.notify(uint32_t(pick(devices)));
                break;
            case 4:
            case 5: newPage(panel); break;
            case 6:
                if (devices > 0)
                    panel.connect(uint32_t(pick(devices)));
                break;
            case 7: // a short burst of failures or slow answers from one operation
                if (pick(2))
                    sim.setFault(kFaultOps.at(pick(kFaultOps.size())), 0xEE0000F2u, 1 + pick(3));
                else
                    sim.setDelay(kFaultOps.at(pick(kFaultOps.size())), quint32(5 + pick(40)), 1 + pick(3));
                break;
            default: pageAction(); break;
            }
            spin(1 + pick(8));

            const ICommunicationReplyListener *reply = panel.service->replyListener();
            QVERIFY2(reply == nullptr || reply == m_listener, qPrintable(QStringLiteral("step %1").arg(steps)));
            QVERIFY2(panel.service->pnpEventListener() == static_cast<IPnPEventListener *>(panel.topBar.data()),
                     qPrintable(QStringLiteral("step %1").arg(steps)));
            if (warmRss < 0 && clock.elapsed() >= warmUpMs)
                warmRss = settledResidentKiB();
        }
        endRss = settledResidentKiB();
        for (const QString &n : names)
            QVERIFY2(liveConnections(n) == atStart.value(n), qPrintable(n));
        QVERIFY(QThreadPool::globalInstance()->waitForDone(3000));
    }
    sim.clearFaults();
    qInfo("soak: %d steps; resident memory %lld KiB after warm-up, %lld KiB at the end", steps, warmRss, endRss);
    QVERIFY(steps > 100);
#if !defined(CALDER_SANITIZED) // the sanitizers' own bookkeeping grows with the run
    QVERIFY(warmRss > 0 && endRss > 0);
    // A few percent, with one MiB of slack for the allocator's page-level rounding.
    QVERIFY2(endRss <= warmRss + warmRss / 25 + 1024,
             qPrintable(QStringLiteral("%1 / %2 KiB").arg(warmRss).arg(endRss)));
#endif
}

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
