// Every driver operation the panel calls, failing and missing (nulled after the load), against every
// page walked as its view drives it: no crash, the expected log lines, the pages showing their
// fault-free values or defaults, stored values kept or changed as the fault-free walk changes them.
#include "TestRig.h"
#include "device/TUsbAudioEntryPoints.h"
#include "viewmodels/ViewModelTexts.h"

#include <QLibrary>

#ifdef CALDER_USB_TESTBED
#include "UsbTestbed.h"
#endif

#include <algorithm>
#include <map>

using namespace testrig;

namespace {
constexpr quint32 kFaultStatus = 0xEE0000F1u;
const QString kDevices = QStringLiteral("basso,alto");         // two: no 2 s single-device reconnect
constexpr int kPulled = -1, kNoPermission = -2, kNoFault = -3; // besides a UsbTestbed::Fault

// The user's own values, none a default, for the model under test and one left alone.
QMap<QString, QVariant> userSettings()
{
    return {{"Basso/AudioRouting/Input12", 0},
            {"Basso/AudioRouting/Input32", 3},
            {"Basso/Ducker/On", 0},
            {"Basso/Ducker/Input 1", 1},
            {"Basso/Ducker/Input 2", 0},
            {"Basso/Ducker/Input 3", 4},
            {"Basso/Ducker/Input 4", 0},
            {"Basso/Ducker/Sensitivity", -17},
            {"Basso/Ducker/DuckerRange", 55},
            {"Basso/Ducker/ReleaseTime", 1234},
            {"Basso/Ducker/AttackTime", 60},
            {"Basso/Ducker/HoldTime", 300},
            {"Alto/AudioRouting/Input12", 2},
            {"Alto/Ducker/On", 1}};
}

// Lines a failure is to log in the walk; "start: " ones when it fails from start-up on.
// "!": must not be logged; "a|b": either.
const QMap<QString, QStringList> kLogged = {
    {"CheckApiVersion",
     {"start: The driver API DLL version is not compatible with this version of Calder USB Audio Control Panel.",
      "start: !Successfully loaded the driver API DLL"}},
    {"RegisterPnpNotification", {"start: !Register PnP status"}},
    {"OpenDeviceByIndex", {"Error Opening", "start: Error Opening"}},
    {"RegisterDeviceNotification", {": Closing device.", ": TUSBAUDIO_RegisterDeviceNotification failed"}},
    {"ReadDeviceNotification", {": TUSBAUDIO_ReadDeviceNotification failed."}},
    {"GetCurrentSampleRate", {": TUSBAUDIO_GetCurrentSampleRate failed"}},
    {"ClassVendorRequestOut",
     {":Write device failed.", ":setDuckerOnDevice Write device failed.", ":selInputOnDevice Write device failed."}},
    {"ClassVendorRequestIn",
     {":read device failed.", "Debug Class vendor request failed, 0x04", "!:read meter success."}},
    {"GetDriverInfo", {"Error Driver Info"}},
    {"GetClientInfo", {"!Client Info success"}},
    {"GetSupportedStreamFormats",
     {": TUSBAUDIO_GetSupportedStreamFormats failed.|TUSBAUDIO_GetSupportedStreamFormats failed."}},
    {"GetCurrentStreamFormat", {": TUSBAUDIO_GetCurrentStreamFormat failed."}},
    {"SetCurrentStreamFormat", {": TUSBAUDIO_SetCurrentStreamFormat failed."}},
    {"GetStreamFormatSelectionMode", {": TUSBAUDIO_GetStreamFormatSelectionMode failed."}},
    {"GetASIOInstanceInfo", {": TUSBAUDIO_GetASIOInstanceInfo failed"}},
    {"SetASIOBufferPreferredSize",
     {"TUSBAUDIO_SetASIOBufferPreferredSize failed", "!TUSBAUDIO_SetASIOBufferPreferredSize success"}},
    {"GetVolumeMuteInfo", {": TUSBAUDIO_GetVolumeMuteInfo failed"}},
    {"GetVolume", {": GetOpenDeviceHandle failed.", ": GetVolume failed", ": GetVolumes failed."}},
    {"SetVolume", {": TUSBAUDIO_SetVolume failed."}},
    {"GetMute", {": TUSBAUDIO_GetMute failed.", ": IsMuteOn failed"}},
    {"SetMute", {": TUSBAUDIO_SetMute failed."}},
};

using Nuller = std::function<void(TUsbAudioApiDll &)>;

// Operations the panel calls, with the way to remove each from a loaded library.
const std::map<QString, Nuller> &calledOperations()
{
#define CALDER_NULLER(n) {QStringLiteral(#n), [](TUsbAudioApiDll &a) { a.TUSBAUDIO_##n = nullptr; }},
    static const std::map<QString, Nuller> ops = {TUSB_CALLED_ENTRY_POINTS(CALDER_NULLER)};
#undef CALDER_NULLER
    return ops;
}

// Texts a page shows when the driver fails it, beyond its defaults; a failed record read is zeroed.
const QMap<QString, QVariantList> kFailureDisplays = {
    {"Status.activeDevice", {ViewModelTexts::kNotConnected, ViewModelTexts::kPleaseSelectDevice}},
    {"Status.disableDropDown", {true}},
    {"Info.vid", {"0x0000"}},
    {"Info.pid", {"0x0000"}},
    {"Info.revisionId", {"0.00"}},
    {"Info.apiVersion", {"0.0.0"}},
    {"Info.serialNumber", {"", " "}},
    {"Info.product", {"", " "}},
    {"Info.manufacturer", {"", " "}}};

// A walk without UnregisterPnpNotification leaves the simulator pointing at closed events.
void unregisterPnpDirectly()
{
    QLibrary lib(qEnvironmentVariable("CALDER_SIM_LIBRARY"));
    if (auto f = reinterpret_cast<void (*)()>(lib.resolve("TUSBAUDIO_UnregisterPnpNotification")))
        f();
}

// The lines of `phase` ("": the walk, or "start: ") logged, the "!" ones not.
void checkLog(const LogCapture &log, const QStringList &lines, const QString &phase, QStringList &problems)
{
    for (QString line : lines) {
        if (phase.isEmpty() ? line.startsWith("start: ") : !line.startsWith(phase))
            continue;
        line.remove(0, phase.size());
        const bool absent = line.startsWith('!');
        const QStringList either = line.mid(absent ? 1 : 0).split('|');
        if (std::any_of(either.cbegin(), either.cend(), [&](const QString &a) { return log.has(a); }) == absent)
            problems << phase + (absent ? "unexpected" : "missing") + " log line \"" + line + "\"";
    }
}

struct PageRun
{
    QString page;
    QMap<QString, QVariant> constructed, activated; // what the page showed
};

// One page as its view drives it: made, activated, its actions, a device notification, deactivated, destroyed.
template <typename VM>
PageRun walkPage(Panel &panel, SimulatorControl &sim, const LogCapture &log, QStringList &problems, const char *page,
                 const std::function<void(VM *)> &actions = {})
{
    // A failure on an earlier page may have closed the device: the user picks the mixer again.
    if (!panel.service->deviceHandle())
        panel.connect(0);
    QSharedPointer<VM> vm = panel.container.resolve<VM>();
    PageRun run{page, shownValues(vm.data()), {}};
    vm->onActivate();
    run.activated = shownValues(vm.data());
    if (actions)
        actions(vm.data());
    const int logged = log.count("Device Notification");
    if (sim.notify(0) > 0)
        spin(100, [&] { return log.count("Device Notification") > logged; });
    spin(5);
    vm->onDeactivate();
    const void *raw = static_cast<ICommunicationReplyListener *>(vm.data());
    vm.reset();
    if (static_cast<const void *>(panel.service->replyListener()) == raw)
        problems << run.page + ": the destroyed page is still the service's reply listener";
    spin(5); // callbacks the page may have left queued run now, against the destroyed page
    return run;
}

QList<PageRun> walkPages(Panel &panel, SimulatorControl &sim, const LogCapture &log, QStringList &problems)
{
    QList<PageRun> runs;
    runs << walkPage<StatusVM>(panel, sim, log, problems, "Status", [&](StatusVM *vm) {
        vm->showList();
        vm->showList();
        const QString name = panel.service->deviceNames().value(0);
        vm->setActiveDevice(name); // the view writes the pick, then asks for the connection
        vm->setDeviceIndex(0, name);
        vm->onDebugActivated();
        spin(70);
        vm->updateDebugStatus();
    });
    runs << walkPage<AudioRoutingVM>(panel, sim, log, problems, "AudioRouting", [](AudioRoutingVM *vm) {
        vm->showInputs12List();
        vm->showInputs32List();
        vm->onInputs12Changed(1, vm->inputs12().value(1));
        vm->onInputs32Changed(2, vm->inputs32().value(2));
    });
    runs << walkPage<DuckerVM>(panel, sim, log, problems, "Ducker", [&](DuckerVM *vm) {
        vm->onDuckerToggled();
        // A meter read's outcome, on the simulator or a USB device alike; none comes when the read cannot start.
        const int outcomes = log.count(":read meter success.") + log.count(":read device failed.");
        if (vm->duckerOn())
            spin(1000, [&] { return log.count(":read meter success.") + log.count(":read device failed.") > outcomes; });
        vm->onChannel1SelectionChanged();
        vm->onChannel2SelectionChanged();
        vm->onChannel3SelectionChanged();
        vm->onChannel4SelectionChanged();
        vm->onReleaseTimeChanged(0.75);
        vm->onDuckerRangeChanged(60);
        vm->onSensitivityChanged(-20);
        vm->onDuckerToggled();
    });
    runs << walkPage<FormatVM>(panel, sim, log, problems, "Format");
    runs << walkPage<BufferSettingsVM>(panel, sim, log, problems, "BufferSettings", [](BufferSettingsVM *vm) {
        vm->showUSBStreamingModeList();
        vm->showAsioBufferList();
        vm->showInputFormatList();
        vm->showOuputFormatList();
        vm->onUSBStreamingModeChanged(0, vm->activeStreamingMode());
        vm->onAsioSelectionChanged(1, vm->asioBufferSizes().value(1));
        vm->onInputFormatSelectionChanged(1, vm->inputFormats().value(1));
        vm->onOutputFormatSelectionChanged(1, vm->outputFormats().value(1));
        vm->onSafeModeSelectionChanged();
        vm->onSafeModeSelectionChanged();
    });
    runs << walkPage<ClientInfoVM>(panel, sim, log, problems, "ClientInfo")
         << walkPage<InfoVM>(panel, sim, log, problems, "Info");
    runs << walkPage<VolumeVM>(panel, sim, log, problems, "Volume", [](VolumeVM *vm) {
        vm->onInputSelected();
        vm->onMasterUpdate(-10);
        vm->onMasterMute();
        vm->onMasterMute();
        vm->onCommonUpdate(0, -6);
        vm->onLeftChannelUpdate(0, -3);
        vm->onRightChannelUpdate(0, -4);
        vm->onLink(0);
        vm->onMute(0);
        vm->onOutputSelected();
        // Rows the list does not have (a view racing a reload): ignored, not a crash.
        vm->onLink(99);
        vm->onMute(-1);
        vm->onCommonUpdate(99, 0);
    });
    return runs;
}
} // namespace

class TestFaultMatrix : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup() { QVERIFY(QThreadPool::globalInstance()->waitForDone(3000)); }
    void matrix_data();
    void matrix();
#ifdef CALDER_USB_TESTBED
    void usbDeviceFaults_data();
    void usbDeviceFaults();
    void usbSendsSimulatorBytes();
#endif

private:
    struct Walked
    {
        QList<PageRun> pages;
        QMap<QString, QVariant> storedAfter;
    };
    Walked walkAll(const std::function<void(Panel &)> &inject, LogCapture &log, QStringList &problems);
    void compareWithBaseline(const Walked &w, QStringList &problems);

    SimulatorControl m_sim;
    Walked m_baseline;
    bool m_usb = false;
#ifdef CALDER_USB_TESTBED
    // tst_fault_matrix_usb (CALDER_USB_MATRIX set): the walks on libcalder-usb.so under umockdev.
    Walked walkUsb(int fault, int transfer, int count, LogCapture &log, QStringList &problems);
    std::unique_ptr<UsbTestbed> m_bed;
#endif
};

void TestFaultMatrix::initTestCase()
{
    initApplicationIdentity();
    LogCapture log;
    QStringList problems;
#ifdef CALDER_USB_TESTBED
    if ((m_usb = qEnvironmentVariableIsSet("CALDER_USB_MATRIX"))) {
        m_bed = std::make_unique<UsbTestbed>();
        m_baseline = walkUsb(kNoFault, 0, 0, log, problems);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
        QVERIFY(log.has(":read meter success."));
        QVERIFY(!log.has(":selInputOnDevice Write device failed."));
        return;
    }
#endif
    QVERIFY2(m_sim.isValid(), qPrintable(m_sim.errorString()));
    m_baseline = walkAll([](Panel &) {}, log, problems);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
    // Without a fault the walk calls every operation (else its cells test nothing) and succeeds.
    for (const auto &op : calledOperations())
        QVERIFY2(op.first == "UnregisterPnpNotification" || m_sim.callCount(op.first) > 0, qPrintable(op.first));
    QVERIFY(log.has("Client Info success") && log.has("TUSBAUDIO_SetASIOBufferPreferredSize success"));
    QVERIFY(log.has(":read meter success."));
    QVERIFY(!log.has("Error Opening"));
    QVERIFY(log.count("Device Notification") >= 8);
    QCOMPARE(m_baseline.storedAfter.value("Basso/Ducker/Sensitivity").toInt(), -20); // the walk's own change
}

// The walk of all pages with `inject` applied once the mixer is open; on the simulator also a
// hot-plug under the fault, so that the list refresh runs every listing call.
TestFaultMatrix::Walked TestFaultMatrix::walkAll(const std::function<void(Panel &)> &inject, LogCapture &log,
                                                 QStringList &problems)
{
    Walked w;
    replaceStoredSettings(userSettings());
    if (!m_usb && m_sim.reset(kDevices) != 2)
        problems << "simulator reset failed";
    {
        Panel panel;
        panel.connect(0);
        if (!panel.service->deviceHandle())
            problems << "the device did not open before the fault";
        inject(panel);
        w.pages = walkPages(panel, m_sim, log, problems);
        if (panel.service->pnpEventListener() != static_cast<IPnPEventListener *>(panel.topBar.data()))
            problems << "a page took the top bar's place as the hot-plug listener";
        if (!m_usb) {
            m_sim.unplug(1);
            spin(50);
            m_sim.plug(QStringLiteral("alto"));
            spin(50);
        }
    }
    QThreadPool::globalInstance()->waitForDone(3000);
    if (!m_usb)
        unregisterPnpDirectly();
    w.storedAfter = storedSettings();
    return w;
}

void TestFaultMatrix::matrix_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<bool>("missing");
    for (const char *op : {"GetApiVersion", "CheckApiVersion"})
        QTest::newRow(qPrintable(QStringLiteral("%1 fails").arg(op))) << QString::fromLatin1(op) << false;
    for (const auto &entry : calledOperations()) {
        QTest::newRow(qPrintable(entry.first + " fails")) << entry.first << false;
        QTest::newRow(qPrintable(entry.first + " missing")) << entry.first << true;
    }
}

void TestFaultMatrix::matrix()
{
    QFETCH(QString, op);
    QFETCH(bool, missing);
    const QStringList logged = kLogged.value(op);
    QStringList problems;

    // Start-up with the operation failing: the service, the top bar and the status page come and go.
    if (!missing) {
        replaceStoredSettings(userSettings());
        QCOMPARE(m_sim.reset(kDevices), 2);
        LogCapture log;
        m_sim.setFault(op, kFaultStatus);
        {
            Panel panel;
            panel.container.resolve<StatusVM>()->onActivate();
            spin(20);
            if (op == "CheckApiVersion" && panel.service->deviceCount() != 0)
                problems << "a rejected library still lists devices";
        }
        m_sim.clearFaults();
        unregisterPnpDirectly();
        checkLog(log, logged, "start: ", problems);
        if (storedSettings() != userSettings())
            problems << "start-up changed stored values";
    }

    // The walk with the operation failing (or gone) once the mixer is connected.
    LogCapture log;
    const Walked w = walkAll(
        [&](Panel &panel) {
            if (missing)
                calledOperations().at(op)(panel.service->api());
            else
                m_sim.setFault(op, kFaultStatus);
        },
        log, problems);
    m_sim.clearFaults();
    checkLog(log, logged, QString(), problems);
    compareWithBaseline(w, problems);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

// After activation every value is the fault-free one, the one before activation or a failure display;
// every stored value is the user's or the fault-free walk's, none lost, none added.
void TestFaultMatrix::compareWithBaseline(const Walked &w, QStringList &problems)
{
    for (int i = 0; i < w.pages.size() && i < m_baseline.pages.size(); ++i) {
        const PageRun &run = w.pages.at(i);
        const PageRun &base = m_baseline.pages.at(i);
        for (auto it = run.activated.cbegin(); it != run.activated.cend(); ++it) {
            // A row new since activation defaults to the zero of its type (0 dB, no name, unmuted).
            const QVariant initial = run.constructed.contains(it.key()) ? run.constructed.value(it.key())
                                                                        : QVariant(it.value().userType(), nullptr);
            const QVariantList allowed = QVariantList{base.activated.value(it.key()), initial} +
                                         kFailureDisplays.value(run.page + '.' + it.key());
            if (!allowed.contains(it.value()))
                problems << QStringLiteral("%1.%2 shows %3 (without the fault: %4, default: %5)")
                                .arg(run.page, it.key(), it.value().toString(),
                                     base.activated.value(it.key()).toString(), initial.toString());
        }
    }
    const QMap<QString, QVariant> before = userSettings(), walked = m_baseline.storedAfter;
    const auto holds = [](const QMap<QString, QVariant> &m, const QString &k, const QVariant &v) {
        return m.contains(k) && m.value(k).toInt() == v.toInt();
    };
    for (auto it = w.storedAfter.cbegin(); it != w.storedAfter.cend(); ++it) {
        if (!holds(before, it.key(), it.value()) && !holds(walked, it.key(), it.value()))
            problems << QStringLiteral("stored %1 = %2 (user's: %3, walk's: %4)")
                            .arg(it.key(), it.value().toString(), before.value(it.key()).toString(),
                                 walked.value(it.key()).toString());
    }
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        if (!w.storedAfter.contains(it.key()))
            problems << "stored " + it.key() + " lost";
}

#ifdef CALDER_USB_TESTBED
// The walk on an emulated Basso, `fault` set on `count` of its transfers `transfer`.
TestFaultMatrix::Walked TestFaultMatrix::walkUsb(int fault, int transfer, int count, LogCapture &log,
                                                 QStringList &problems)
{
    UsbTestbed::Mixer mixer;
    mixer.productId = 0x32;
    mixer.accessDenied = fault == kNoPermission;
    const int id = m_bed->add(mixer); // in sysfs before the panel's libusb scans it
    const auto inject = [&](Panel &) {
        if (fault == kPulled)
            m_bed->remove(id, false);
        else if (fault >= 0)
            m_bed->setFault(id, uint8_t(transfer >> 8), uint8_t(transfer), UsbTestbed::Fault(fault), count, 4);
    };
    const Walked w = walkAll(inject, log, problems);
    m_bed->remove(id);
    return w;
}

// The walk on the libusb library with an emulated Basso whose transfers fail as real ones do.
void TestFaultMatrix::usbDeviceFaults_data()
{
    QTest::addColumn<int>("transfer"); // bmRequestType << 8 | bRequest
    QTest::addColumn<int>("fault");    // a UsbTestbed::Fault, kPulled or kNoPermission
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("logged");
    using F = UsbTestbed::Fault;
    const QString writeFailed = ":selInputOnDevice Write device failed.";
    QTest::newRow("writes stall") << 0x4010 << int(F::Stall) << -1
                                  << QStringList{writeFailed, ":setDuckerOnDevice Write device failed.",
                                                 ":Write device failed."};
    QTest::newRow("a write unanswered") << 0x4010 << int(F::NoAnswer) << 1 << QStringList{writeFailed};
    QTest::newRow("meter replies short") << 0xC010 << int(F::Short) << -1 << QStringList{":read device failed."};
    QTest::newRow("debug reads stall") << 0xC011 << int(F::Stall) << -1
                                       << QStringList{"Debug Class vendor request failed, 0x04"};
    // Gone before its uevent is seen: still listed, every request and every new open fail.
    QTest::newRow("gone after the listing")
        << 0 << kPulled << 0 << QStringList{"Error Opening", ":Write device failed."};
    // Not for this user: it never opens, so no page takes it for connected.
    QTest::newRow("no permission") << 0 << kNoPermission << 0
                                   << QStringList{"Error Opening", "!Successfully opened the device"};
}

void TestFaultMatrix::usbDeviceFaults()
{
    if (!m_bed)
        QSKIP("runs as tst_fault_matrix_usb");
    QFETCH(int, transfer);
    QFETCH(int, fault);
    QFETCH(int, count);
    QFETCH(QStringList, logged);
    LogCapture log;
    QStringList problems;
    const Walked w = walkUsb(fault, transfer, count, log, problems);
    if (fault == kNoPermission)
        problems.removeAll("the device did not open before the fault");
    checkLog(log, logged, QString(), problems);
    compareWithBaseline(w, problems);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

// The panel sends an emulated Alto what it sends the simulated one, byte for byte: the same stored
// values (none a default), the same pages and actions; a Basso beside it keeps the reconnect away.
void TestFaultMatrix::usbSendsSimulatorBytes()
{
    if (!m_bed)
        QSKIP("runs as tst_fault_matrix_usb");
    const auto session = [] {
        replaceStoredSettings({{"Alto/AudioRouting/Input12", 2}, {"Alto/Ducker/On", 1}, {"Alto/Ducker/Input 1", 1},
                               {"Alto/Ducker/Input 2", 1}, {"Alto/Ducker/Sensitivity", -17},
                               {"Alto/Ducker/DuckerRange", 55}, {"Alto/Ducker/ReleaseTime", 1234},
                               {"Alto/Ducker/AttackTime", 60}, {"Alto/Ducker/HoldTime", 300}});
        Panel panel;
        panel.connect(0);
        const auto routing = panel.container.resolve<AudioRoutingVM>();
        routing->onActivate();
        routing->onInputs12Changed(1, routing->inputs12().value(1));
        const auto ducker = panel.container.resolve<DuckerVM>();
        ducker->onActivate();
        ducker->onChannel2SelectionChanged();
        ducker->onSensitivityChanged(-20);
        ducker->onDuckerToggled();
        ducker->onDeactivate();
        QVERIFY(QThreadPool::globalInstance()->waitForDone(3000));
    };
    UsbTestbed::Mixer basso;
    basso.productId = 0x32;
    const int alto = m_bed->add({}), other = m_bed->add(basso);
    session();
    m_bed->remove(alto);
    m_bed->remove(other);
    QList<QByteArray> usb;
    for (const UsbTestbed::Request &r : m_bed->vendorRequests(alto))
        if (r.requestType == 0x40)
            usb << r.data;
    qputenv("CALDER_REGISTRY", qgetenv("CALDER_SIM_REGISTRY"));
    QCOMPARE(m_sim.reset("alto,basso"), 2);
    session();
    unregisterPnpDirectly();
    qputenv("CALDER_REGISTRY", qgetenv("CALDER_USB_REGISTRY"));
    QVERIFY(usb.size() > 6);
    QCOMPARE(usb, m_sim.requestLog(0));
}
#endif

QTEST_MAIN(TestFaultMatrix)
#include "tst_fault_matrix.moc"
