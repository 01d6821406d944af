// The fault matrix: every driver operation the panel calls, failing (a nonzero status from the
// simulator) and missing (its pointer nulled after the load, as a library without it would
// leave it), against every page walked the way its view drives it. Each cell must end without
// a crash, with the log line the failure is specified to give, with the page showing either
// what it shows without the fault or its defaults, and with every stored value either kept or
// changed exactly as the same walk changes it without the fault.
#include "PageWalk.h"
#include "TestEnvironment.h"
#include "device/TUsbAudioEntryPoints.h"
#include "viewmodels/ViewModelTexts.h"

#include <QLibrary>

#ifdef CALDER_USB_TESTBED
#include "UsbTestbed.h"
#endif

#include <map>

using namespace testrig;

namespace {
constexpr quint32 kFaultStatus = 0xEE0000F1u;
const QString kDevices = QStringLiteral("basso,alto"); // two: no 2 s single-device reconnect
constexpr int kPulled = -1, kNoPermission = -2;        // faults of the emulated USB device

// The user's own values, none of them a default, for the model under test and for one that
// is not touched.
QMap<QString, QVariant> userSettings()
{
    return {
        {"Basso/AudioRouting/Input12", 0},
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
        {"Alto/Ducker/On", 1},
        {"Alto/Ducker/Sensitivity", -9},
        {"Alto/Ducker/ReleaseTime", 4000},
    };
}

// Lines a failure is specified to log. "a|b": either.
struct Expectation
{
    QStringList walk;        // the operation fails (or is missing) after the connection
    QStringList start;       // it fails from start-up on
    QStringList absentStart; // must not be logged when it fails from start-up on
    QStringList absentWalk;  // must not be logged in the walk
};

const std::map<QString, Expectation> &expectations()
{
    static const std::map<QString, Expectation> e = {
        {"CheckApiVersion",
         {{},
          {"The driver API DLL version is not compatible with this version of Calder USB Audio Control Panel."},
          {"Successfully loaded the driver API DLL"},
          {}}},
        {"RegisterPnpNotification", {{}, {}, {"Register PnP status"}, {}}},
        {"OpenDeviceByIndex", {{"Error Opening"}, {"Error Opening"}, {}, {}}},
        {"RegisterDeviceNotification",
         {{": Closing device.", ": TUSBAUDIO_RegisterDeviceNotification failed"}, {}, {}, {}}},
        {"ReadDeviceNotification", {{": TUSBAUDIO_ReadDeviceNotification failed."}, {}, {}, {}}},
        {"GetCurrentSampleRate", {{": TUSBAUDIO_GetCurrentSampleRate failed"}, {}, {}, {}}},
        {"ClassVendorRequestOut",
         {{":Write device failed.", ":setDuckerOnDevice Write device failed.",
           ":selInputOnDevice Write device failed."},
          {},
          {},
          {}}},
        {"ClassVendorRequestIn",
         {{":read device failed.", "Debug Class vendor request failed, 0x04"}, {}, {}, {":read meter success."}}},
        {"GetDriverInfo", {{"Error Driver Info"}, {}, {}, {}}},
        {"GetClientInfo", {{}, {}, {}, {"Client Info success"}}},
        {"GetSupportedStreamFormats",
         {{": TUSBAUDIO_GetSupportedStreamFormats failed.|TUSBAUDIO_GetSupportedStreamFormats failed."}, {}, {}, {}}},
        {"GetCurrentStreamFormat", {{": TUSBAUDIO_GetCurrentStreamFormat failed."}, {}, {}, {}}},
        {"SetCurrentStreamFormat", {{": TUSBAUDIO_SetCurrentStreamFormat failed."}, {}, {}, {}}},
        {"GetStreamFormatSelectionMode", {{": TUSBAUDIO_GetStreamFormatSelectionMode failed."}, {}, {}, {}}},
        {"GetASIOInstanceInfo", {{": TUSBAUDIO_GetASIOInstanceInfo failed"}, {}, {}, {}}},
        {"SetASIOBufferPreferredSize",
         {{"TUSBAUDIO_SetASIOBufferPreferredSize failed"}, {}, {}, {"TUSBAUDIO_SetASIOBufferPreferredSize success"}}},
        {"GetVolumeMuteInfo", {{": TUSBAUDIO_GetVolumeMuteInfo failed"}, {}, {}, {}}},
        {"GetVolume", {{": GetOpenDeviceHandle failed.", ": GetVolume failed", ": GetVolumes failed."}, {}, {}, {}}},
        {"SetVolume", {{": TUSBAUDIO_SetVolume failed."}, {}, {}, {}}},
        {"GetMute", {{": TUSBAUDIO_GetMute failed.", ": IsMuteOn failed"}, {}, {}, {}}},
        {"SetMute", {{": TUSBAUDIO_SetMute failed."}, {}, {}, {}}},
    };
    return e;
}

using Nuller = std::function<void(TUsbAudioApiDll &)>;

// Operations the panel calls, with the way to remove each from a loaded library.
const std::map<QString, Nuller> &calledOperations()
{
#define CALDER_NULLER(n) {QStringLiteral(#n), [](TUsbAudioApiDll &a) { a.TUSBAUDIO_##n = nullptr; }},
    static const std::map<QString, Nuller> ops = {TUSB_CALLED_ENTRY_POINTS(CALDER_NULLER)};
#undef CALDER_NULLER
    return ops;
}

// Texts a page is specified to show when the driver fails it, beyond its defaults.
QVariantList failureDisplays(const QString &page, const QString &property)
{
    if (page == "Status" && property == "activeDevice")
        return {ViewModelTexts::kNotConnected, ViewModelTexts::kPleaseSelectDevice};
    if (page == "Status" && property == "disableDropDown")
        return {true};
    if (page == "Info") {
        // A failed record read is a zeroed record.
        if (property == "vid" || property == "pid")
            return {QStringLiteral("0x0000")};
        if (property == "revisionId")
            return {QStringLiteral("0.00")};
        if (property == "apiVersion")
            return {QStringLiteral("0.0.0")};
        if (property == "serialNumber" || property == "product" || property == "manufacturer")
            return {QString(), QStringLiteral(" ")};
    }
    return {};
}

bool logHas(const LogCapture &log, const QString &alternatives)
{
    for (const QString &a : alternatives.split(QLatin1Char('|')))
        if (log.has(a))
            return true;
    return false;
}
} // namespace

class TestFaultMatrix : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void matrix_data();
    void matrix();
    void everyCalledOperationIsInTheMatrix();
#ifdef CALDER_USB_TESTBED
    void usbDeviceFaults_data();
    void usbDeviceFaults();
#endif

private:
    struct Walked
    {
        QList<PageRun> pages;
        QMap<QString, QVariant> storedAfter;
    };
    Walked walkAll(const std::function<void(Panel &)> &inject, LogCapture &log, QStringList &problems);
    void unregisterPnpDirectly();
    void compareWithBaseline(const Walked &w, const Walked &baseline, QStringList &problems);

    SimulatorControl m_sim;
    Walked m_baseline;
#ifdef CALDER_USB_TESTBED
    // tst_fault_matrix_usb: the walks on libcalder-usb.so (CALDER_USB_MATRIX set, under
    // umockdev-wrapper, the registry naming that library).
    Walked walkUsb(int fault, const std::function<void(int id)> &inject, LogCapture &log, QStringList &problems);
    std::unique_ptr<UsbTestbed> m_bed;
    Walked m_usbBaseline;
#endif
};

void TestFaultMatrix::initTestCase()
{
    initApplicationIdentity();
#ifdef CALDER_USB_TESTBED
    if (qEnvironmentVariableIsSet("CALDER_USB_MATRIX")) {
        m_bed = std::make_unique<UsbTestbed>();
        LogCapture log;
        QStringList problems;
        m_usbBaseline = walkUsb(
            0, [](int) {}, log, problems);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
        QVERIFY(log.has(":read meter success."));
        QVERIFY(!log.has(":selInputOnDevice Write device failed."));
        return;
    }
#endif
    QVERIFY2(m_sim.isValid(), qPrintable(m_sim.errorString()));
    LogCapture log;
    QStringList problems;
    m_baseline = walkAll([](Panel &) {}, log, problems);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
    // The walk reaches every page action, and the fault-free run shows a working device.
    for (const PageRun &run : m_baseline.pages) {
        QVERIFY2(
            run.actions == (run.declared - QSet<QString>{"onActivate", "onDeactivate"}),
            qPrintable(run.page + ": not walked: " +
                       QStringList((run.declared - run.actions - QSet<QString>{"onActivate", "onDeactivate"}).values())
                           .join(", ")));
    }
    QVERIFY(log.has("Client Info success"));
    QVERIFY(log.has(":read meter success."));
    QVERIFY(log.has("TUSBAUDIO_SetASIOBufferPreferredSize success"));
    QVERIFY(!log.has("Error Opening"));
    QVERIFY(log.count("Device Notification") >= 8);
    QCOMPARE(m_baseline.storedAfter.value("Basso/Ducker/Sensitivity").toInt(), -20); // the walk's own change
}

void TestFaultMatrix::cleanup() { QVERIFY(QThreadPool::globalInstance()->waitForDone(3000)); }

// A walk that nulled UnregisterPnpNotification leaves the simulator's PnP registration behind,
// pointing at events the service has closed; drop it before the next cell.
void TestFaultMatrix::unregisterPnpDirectly()
{
    QLibrary lib(TestEnvironment::simulatorLibrary());
    if (auto f = reinterpret_cast<void (*)()>(lib.resolve("TUSBAUDIO_UnregisterPnpNotification")))
        f();
}

TestFaultMatrix::Walked TestFaultMatrix::walkAll(const std::function<void(Panel &)> &inject, LogCapture &log,
                                                 QStringList &problems)
{
    Walked w;
    replaceStoredSettings(userSettings());
    if (m_sim.reset(kDevices) != 2) {
        problems << "simulator reset failed";
        return w;
    }
    {
        Panel panel;
        panel.connect(0);
        if (!panel.service->deviceHandle())
            problems << "the device did not open before the fault";
        inject(panel);

        PageWalk walk(panel, m_sim);
        walk.notificationsLogged = [&log] { return log.count("Device Notification"); };
        w.pages = walk.all();

        // Hot-plug under the fault: the list refresh runs every listing call.
        m_sim.unplug(1);
        spin(50);
        m_sim.plug(QStringLiteral("alto"));
        spin(50);
    }
    QThreadPool::globalInstance()->waitForDone(3000);
    unregisterPnpDirectly();
    for (const PageRun &run : w.pages)
        if (!run.listenerCleared)
            problems << run.page + ": the destroyed page is still the service's reply listener";
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
    const auto found = expectations().find(op);
    const Expectation expect = found != expectations().end() ? found->second : Expectation{};
    QStringList problems;

    // Start-up with the operation failing: the service is built, the top bar and the status
    // page come up, everything goes away again.
    if (!missing) {
        replaceStoredSettings(userSettings());
        QCOMPARE(m_sim.reset(kDevices), 2);
        LogCapture log;
        m_sim.setFault(op, kFaultStatus);
        {
            Panel panel;
            QSharedPointer<StatusVM> status = panel.container.resolve<StatusVM>();
            status->onActivate();
            spin(20);
            if (op == "CheckApiVersion" && panel.service->deviceCount() != 0)
                problems << "a rejected library still lists devices";
        }
        m_sim.clearFaults();
        unregisterPnpDirectly();
        for (const QString &line : expect.start)
            if (!logHas(log, line))
                problems << "start-up: missing log line \"" + line + "\"";
        for (const QString &line : expect.absentStart)
            if (log.has(line))
                problems << "start-up: unexpected log line \"" + line + "\"";
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

    for (const QString &line : expect.walk)
        if (!logHas(log, line))
            problems << "missing log line \"" + line + "\"";
    for (const QString &line : expect.absentWalk)
        if (log.has(line))
            problems << "unexpected log line \"" + line + "\"";

    compareWithBaseline(w, m_baseline, problems);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

// Defaults shown: right after activation every value is what the page shows without the fault,
// its value before activation, or a failure display the page is specified to show. Nothing
// stored lost: every value is the user's or what the same walk writes without the fault;
// nothing disappears and nothing else appears.
void TestFaultMatrix::compareWithBaseline(const Walked &w, const Walked &baseline, QStringList &problems)
{
    for (int i = 0; i < w.pages.size() && i < baseline.pages.size(); ++i) {
        const PageRun &run = w.pages.at(i);
        const PageRun &base = baseline.pages.at(i);
        for (auto it = run.activated.cbegin(); it != run.activated.cend(); ++it) {
            // A row that did not exist before activation has the zero of its type as its default
            // (0 dB, no name, unlinked, unmuted).
            const QVariant initial = run.constructed.contains(it.key()) ? run.constructed.value(it.key())
                                                                        : QVariant(it.value().userType(), nullptr);
            QVariantList allowed{base.activated.value(it.key()), initial};
            allowed += failureDisplays(run.page, it.key());
            if (!allowed.contains(it.value()))
                problems << QStringLiteral("%1.%2 shows %3 (without the fault: %4, default: %5)")
                                .arg(run.page, it.key(), it.value().toString(),
                                     base.activated.value(it.key()).toString(), initial.toString());
        }
    }

    const QMap<QString, QVariant> before = userSettings();
    for (auto it = w.storedAfter.cbegin(); it != w.storedAfter.cend(); ++it) {
        const bool kept = before.contains(it.key()) && before.value(it.key()).toInt() == it.value().toInt();
        const bool asWalked = baseline.storedAfter.contains(it.key()) &&
                              baseline.storedAfter.value(it.key()).toInt() == it.value().toInt();
        if (!kept && !asWalked)
            problems << QStringLiteral("stored %1 = %2 (user's: %3, walk's: %4)")
                            .arg(it.key(), it.value().toString(), before.value(it.key()).toString(),
                                 baseline.storedAfter.value(it.key()).toString());
    }
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        if (!w.storedAfter.contains(it.key()))
            problems << "stored " + it.key() + " lost";
}

void TestFaultMatrix::everyCalledOperationIsInTheMatrix()
{
    // The expectations name only operations the panel calls (a typo would silently test
    // nothing), and the walk calls every one of them without a fault.
    for (const auto &e : expectations())
        QVERIFY2(e.first == "CheckApiVersion" || calledOperations().count(e.first), qPrintable(e.first));
    LogCapture log;
    QStringList problems;
    walkAll([](Panel &) {}, log, problems); // the simulator's reset zeroes the counts first
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
    QStringList notCalled;
    for (const auto &op : calledOperations())
        if (op.first != "UnregisterPnpNotification" && m_sim.callCount(op.first) == 0)
            notCalled << op.first;
    QVERIFY2(notCalled.isEmpty(), qPrintable("not called by the walk: " + notCalled.join(", ")));
}

#ifdef CALDER_USB_TESTBED
TestFaultMatrix::Walked TestFaultMatrix::walkUsb(int fault, const std::function<void(int)> &inject, LogCapture &log,
                                                 QStringList &problems)
{
    Walked w;
    replaceStoredSettings(userSettings());
    UsbTestbed::Mixer mixer;
    mixer.productId = 0x32;
    mixer.accessDenied = fault == kNoPermission;
    const int id = m_bed->add(mixer); // in sysfs before the panel's libusb scans it
    {
        Panel panel;
        panel.connect(0);
        if (!panel.service->deviceHandle())
            problems << "the device did not open before the fault";
        inject(id);
        PageWalk walk(panel, m_sim);
        walk.notificationsLogged = [&log] { return log.count("Device Notification"); };
        w.pages = walk.all();
    }
    QThreadPool::globalInstance()->waitForDone(3000);
    m_bed->remove(id);
    w.storedAfter = storedSettings();
    return w;
}

// The walk on the libusb library with an emulated Basso whose transfers fail as real ones do.
void TestFaultMatrix::usbDeviceFaults_data()
{
    QTest::addColumn<int>("requestType");
    QTest::addColumn<int>("request");
    QTest::addColumn<int>("fault"); // a UsbTestbed::Fault, kPulled or kNoPermission
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("logged");
    using F = UsbTestbed::Fault;
    const QString writeFailed = ":selInputOnDevice Write device failed.";
    QTest::newRow("writes stall") << 0x40 << 0x10 << int(F::Stall) << -1
                                  << QStringList{writeFailed, ":setDuckerOnDevice Write device failed.",
                                                 ":Write device failed."};
    QTest::newRow("a write unanswered") << 0x40 << 0x10 << int(F::NoAnswer) << 1 << QStringList{writeFailed};
    QTest::newRow("meter replies short") << 0xC0 << 0x10 << int(F::Short) << -1 << QStringList{":read device failed."};
    QTest::newRow("debug reads stall") << 0xC0 << 0x11 << int(F::Stall) << -1
                                       << QStringList{"Debug Class vendor request failed, 0x04"};
    // Gone before its uevent is seen: still listed, every request and every new open fail.
    QTest::newRow("gone after the listing")
        << 0 << 0 << kPulled << 0 << QStringList{"Error Opening", ":Write device failed."};
    QTest::newRow("no permission") << 0 << 0 << kNoPermission << 0 << QStringList{writeFailed};
}

void TestFaultMatrix::usbDeviceFaults()
{
    if (!m_bed)
        QSKIP("runs as tst_fault_matrix_usb");
    QFETCH(int, requestType);
    QFETCH(int, request);
    QFETCH(int, fault);
    QFETCH(int, count);
    QFETCH(QStringList, logged);
    LogCapture log;
    QStringList problems;
    const Walked w = walkUsb(
        fault,
        [&](int id) {
            if (fault == kPulled)
                m_bed->remove(id, false);
            else if (fault >= 0)
                m_bed->setFault(id, uint8_t(requestType), uint8_t(request), UsbTestbed::Fault(fault), count, 4);
        },
        log, problems);
    for (const QString &line : logged)
        if (!log.has(line))
            problems << "missing log line \"" + line + "\"";
    compareWithBaseline(w, m_usbBaseline, problems);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}
#endif

QTEST_MAIN(TestFaultMatrix)
#include "tst_fault_matrix.moc"
