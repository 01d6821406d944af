// Status, audio routing and info pages against the real service and the simulated driver.
#include "VmaRig.h"
#include "device/MixerProtocol.h"
#include "viewmodels/AudioRoutingVM.h"
#include "viewmodels/ClientInfoVM.h"
#include "viewmodels/DuckerVM.h"
#include "viewmodels/InfoVM.h"
#include "viewmodels/StatusVM.h"

#include <QElapsedTimer>
#include <QSignalSpy>

using namespace vma;

namespace {
const QStringList kAltoList{"Mic input 1 + Mono line input 2", "Stereo input 2+3", "Stereo input 4+5", "Mix L+R"};
const QStringList kBassoList32{"Mic input 3+4", "Stereo input 5+6", "Stereo input 7+8", "Mix L+R"};

QVariant stored(const QString &path)
{
    return QSettings().value(path);
}

template <typename VM>
QSharedPointer<VM> makePage(Rig &rig)
{
    return QSharedPointer<VM>(new VM(rig.service, rig.bus));
}

// A status page on which the user picked the first of several devices, as the view does it.
QSharedPointer<StatusVM> pickFirst(Rig &rig)
{
    auto vm = makePage<StatusVM>(rig);
    vm->onActivate();
    const QString name = vm->deviceNames().value(0);
    vm->setActiveDevice(name);
    vm->setDeviceIndex(0, name);
    return vm;
}
} // namespace

class TestPages : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void everyPageLeavesTheListenerSlotOnDestruction();
    void connectedFollowsOpensAndFailedOpens();

    void statusWithoutMixer();
    void statusWithOneMixer();
    void statusWithOnlyAnUnlistedMixer();
    void statusWithTwoMixersPickConnects();
    void statusFailedOpen();
    void statusDebugPollChangeOnly();
    void statusDebugPollOncePerTick();

    void routingListsPerModel();
    void routingPickIsSentAndStored();
    void routingFailuresAndBadInput();

    void infoRecognisedMixer();
    void infoOtherDevice();
    void infoFollowsNotifications();
};

void TestPages::initTestCase()
{
    initApplicationIdentity();
    SimulatorControl sim;
    QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
}

void TestPages::init()
{
    QSettings().clear();
}

// The service keeps a plain pointer to its reply listener; a destroyed page must not stay in
// it, and must not clear a slot another page has taken since.
void TestPages::everyPageLeavesTheListenerSlotOnDestruction()
{
    Rig rig;
    QVERIFY(rig.start("alto,tenor", 0));
    auto check = [&rig](QSharedPointer<QObject> &older, auto newer) {
        auto *expected = static_cast<ICommunicationReplyListener *>(newer.data());
        QCOMPARE(rig.service->replyListener(), expected);
        older.reset();
        QCOMPARE(rig.service->replyListener(), expected);
        newer.reset();
        QCOMPARE(rig.service->replyListener(), nullptr);
    };
    // Made one after the other: the second one holds the slot.
    QSharedPointer<QObject> older = makePage<StatusVM>(rig);
    check(older, makePage<AudioRoutingVM>(rig));
    older = makePage<DuckerVM>(rig);
    check(older, makePage<InfoVM>(rig));
    older = makePage<ClientInfoVM>(rig);
    check(older, makePage<StatusVM>(rig));

    // Callbacks after the pages are gone reach nobody.
    QCOMPARE(rig.sim.notify(0), 1);
    QTest::qWait(50);
    rig.service->onConnectionRequest();
    QVERIFY(rig.service->deviceHandle());
}

void TestPages::connectedFollowsOpensAndFailedOpens()
{
    Rig rig;
    QVERIFY(rig.start("alto,tenor"));
    ConnectedRecorder recorder(*rig.bus);
    auto run = [&](QSharedPointer<QObject> page, const char *name) {
        recorder.values.clear();
        rig.service->setDeviceIndex(0);
        rig.service->onConnectionRequest();
        rig.sim.setFault("OpenDeviceByIndex", 0xEE000006u, 1);
        rig.service->onConnectionRequest();
        QVERIFY2(recorder.values == (QList<bool>{true, false}), name);
        page.reset();
    };
    run(makePage<StatusVM>(rig), "StatusVM");
    run(makePage<AudioRoutingVM>(rig), "AudioRoutingVM");
    run(makePage<DuckerVM>(rig), "DuckerVM");
    run(makePage<InfoVM>(rig), "InfoVM");
    // A failed open is not reported as a connection by the client-info page either.
    run(makePage<ClientInfoVM>(rig), "ClientInfoVM");
}

void TestPages::statusWithoutMixer()
{
    Rig rig;
    QVERIFY(rig.start(""));
    auto vm = makePage<StatusVM>(rig);
    vm->onActivate();
    QCOMPARE(vm->activeDevice(), QStringLiteral("Not Connected"));
    QCOMPARE(vm->sampleRate(), 0);
    QVERIFY(vm->deviceNames().isEmpty());
    QSignalSpy debugSpy(vm.data(), &StatusVM::debugActivatedChanged);
    vm->onDebugActivated(); // Ctrl+B
    QVERIFY(!vm->debugActivated());
    QCOMPARE(debugSpy.count(), 0);
    QVERIFY(vm->onDeactivate());
}

void TestPages::statusWithOneMixer()
{
    Rig rig;
    rig.configure = [&rig] { rig.sim.setSampleRate(0, 44100); };
    QVERIFY(rig.start("tenor"));
    QVERIFY(rig.service->deviceHandle()); // the only mixer is opened at once
    auto vm = makePage<StatusVM>(rig);
    vm->onActivate();
    QCOMPARE(vm->activeDevice(), QStringLiteral("Tenor T-123"));
    QCOMPARE(vm->sampleRate(), 44100);
    QVERIFY(vm->disableDropDown());
    QVERIFY(vm->connected());
    QCOMPARE(vm->deviceNames(), QStringList{"Tenor T-123"});

    // A negative index from the view does nothing.
    const quint32 opens = rig.sim.callCount("OpenDeviceByIndex");
    vm->setDeviceIndex(-1, QStringLiteral("Tenor T-123"));
    QCOMPARE(rig.sim.callCount("OpenDeviceByIndex"), opens);
    QVERIFY(rig.service->deviceName().isEmpty());

    // showList toggles; "ResetDropDown" closes.
    vm->showList();
    QVERIFY(vm->resetDropDown());
    rig.bus->publish(true, AppConstants::kMsgResetDropDown);
    QVERIFY(!vm->resetDropDown());
}

void TestPages::statusWithOnlyAnUnlistedMixer()
{
    // Counted by the library but left out of the names: nothing may read past the empty list.
    Rig rig;
    QVERIFY(rig.start("usbmode1"));
    QCOMPARE(rig.service->deviceCount(), 1u);
    QVERIFY(rig.service->deviceNames().isEmpty());
    auto vm = makePage<StatusVM>(rig);
    QCOMPARE(vm->activeDevice(), QStringLiteral("Not Connected"));
    rig.bus->publish(true, AppConstants::kMsgResetState);
    vm->onDeviceStateChanged();
    QCOMPARE(vm->activeDevice(), QStringLiteral("Not Connected"));
    QVERIFY(vm->deviceNames().isEmpty());
}

void TestPages::statusWithTwoMixersPickConnects()
{
    Rig rig;
    rig.configure = [&rig] { rig.sim.setSampleRate(1, 96000); };
    QVERIFY(rig.start("alto,tenor"));
    QVERIFY(!rig.service->deviceHandle()); // nothing opened until the user picks
    auto vm = makePage<StatusVM>(rig);
    vm->onActivate();
    QCOMPARE(vm->activeDevice(), QStringLiteral("Please select a device"));
    QCOMPARE(vm->sampleRate(), 0);
    QVERIFY(!vm->disableDropDown());

    // Ctrl+B with no device picked shows nothing.
    vm->onDebugActivated();
    QVERIFY(!vm->debugActivated());
    vm->onDeactivate();

    ConnectedRecorder recorder(*rig.bus);
    QSignalSpy namesSpy(vm.data(), &StatusVM::deviceNamesChanged);
    const QString picked = vm->deviceNames().value(1);
    QCOMPARE(picked, QStringLiteral("Tenor T-123"));
    vm->setActiveDevice(picked); // the view writes the text first
    vm->setDeviceIndex(1, picked);
    QCOMPARE(rig.sim.openHandleCount(1), 1);
    QCOMPARE(rig.sim.openHandleCount(0), 0);
    QCOMPARE(vm->sampleRate(), 96000);
    QCOMPARE(vm->activeDevice(), picked); // the user's pick is kept
    QCOMPARE(recorder.values, QList<bool>{true});
    QCOMPARE(namesSpy.count(), 1);

    // A new page on the same connection shows the picked device.
    auto next = makePage<StatusVM>(rig);
    next->onActivate();
    QCOMPARE(next->activeDevice(), picked);
    QCOMPARE(next->sampleRate(), 96000);

    // "ResetState" (plug/unplug with several devices) asks for a pick again.
    rig.bus->publish(true, AppConstants::kMsgResetState);
    QCOMPARE(next->activeDevice(), QStringLiteral("Please select a device"));
    QCOMPARE(next->sampleRate(), 0);
}

void TestPages::statusFailedOpen()
{
    Rig rig;
    QVERIFY(rig.start("alto,tenor"));
    auto vm = makePage<StatusVM>(rig);
    ConnectedRecorder recorder(*rig.bus);
    rig.sim.setFault("OpenDeviceByIndex", 0xEE000006u, 1);
    vm->setActiveDevice(QStringLiteral("Alto A-123"));
    vm->setDeviceIndex(0, QStringLiteral("Alto A-123"));
    QCOMPARE(vm->activeDevice(), QStringLiteral("Not Connected"));
    QVERIFY(vm->disableDropDown());
    QVERIFY(!vm->connected());
    QCOMPARE(recorder.values, QList<bool>{false});
}

void TestPages::statusDebugPollChangeOnly()
{
    Rig rig;
    QVERIFY(rig.start("alto,tenor"));
    auto vm = pickFirst(rig);
    QVERIFY(rig.sim.setDebugStatus(0, QByteArray::fromHex("070102030401025A")));

    QList<QSignalSpy *> spies;
    for (auto signal : {&StatusVM::idChanged, &StatusVM::mux0Changed, &StatusVM::mux1Changed, &StatusVM::adcChanged,
                        &StatusVM::fxChanged, &StatusVM::tempoChanged, &StatusVM::constantChanged})
        spies << new QSignalSpy(vm.data(), signal);
    auto counts = [&spies] {
        QList<int> c;
        for (QSignalSpy *s : spies)
            c << s->count();
        return c;
    };

    vm->onDebugActivated();
    QVERIFY(vm->debugActivated());
    QTRY_COMPARE(vm->tempo(), QStringLiteral("258"));
    QCOMPARE((QStringList{vm->id(), vm->mux0(), vm->mux1(), vm->adc(), vm->fx(), vm->tempo(), vm->constant()}),
             (QStringList{"7", "1", "2", "3", "4", "258", "90"}));
    QCOMPARE(counts(), (QList<int>{1, 1, 1, 1, 1, 1, 1}));

    // The same reply again and again emits nothing.
    const quint32 reads = rig.sim.callCount("ClassVendorRequestIn");
    QTest::qWait(150);
    QVERIFY(rig.sim.callCount("ClassVendorRequestIn") >= reads + 3);
    QCOMPARE(counts(), (QList<int>{1, 1, 1, 1, 1, 1, 1}));

    // Only the tempo moves: only the tempo signals.
    QVERIFY(rig.sim.setDebugStatus(0, QByteArray::fromHex("0701020304FFFE5A")));
    QTRY_COMPARE(vm->tempo(), QStringLiteral("65534"));
    QCOMPARE(counts(), (QList<int>{1, 1, 1, 1, 1, 2, 1}));

    // A failed read keeps the fields.
    rig.sim.setFault("ClassVendorRequestIn", 0xEE000040u, -1);
    QTest::qWait(60);
    QCOMPARE(vm->tempo(), QStringLiteral("65534"));
    QCOMPARE(counts(), (QList<int>{1, 1, 1, 1, 1, 2, 1}));
    rig.sim.clearFaults();

    // Deactivation ends debug mode and polling.
    vm->onDeactivate();
    QVERIFY(!vm->debugActivated());
    const quint32 after = rig.sim.callCount("ClassVendorRequestIn");
    QTest::qWait(80);
    QCOMPARE(rig.sim.callCount("ClassVendorRequestIn"), after);
    qDeleteAll(spies);
}

void TestPages::statusDebugPollOncePerTick()
{
    Rig rig;
    QVERIFY(rig.start("alto,tenor"));
    auto vm = pickFirst(rig);
    vm->onDebugActivated();
    vm->onDeactivate();
    vm->onDebugActivated();
    QVERIFY(vm->debugActivated());

    rig.sim.resetCallCounts();
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(400);
    const quint32 reads = rig.sim.callCount("ClassVendorRequestIn");
    const qint64 ticks = clock.elapsed() / 20;
    // Two connections of the timer would read twice per tick.
    QVERIFY2(reads >= 5 && qint64(reads) <= ticks + 2, qPrintable(QStringLiteral("%1 reads in %2 ticks").arg(reads).arg(ticks)));
}

void TestPages::routingListsPerModel()
{
    {
        Rig rig;
        QVERIFY(rig.start("alto,tenor", 0));
        auto vm = makePage<AudioRoutingVM>(rig);
        QSignalSpy listSpy(vm.data(), &AudioRoutingVM::inputs12Changed);
        vm->onActivate();
        QCOMPARE(vm->inputs12(), kAltoList);
        QCOMPARE(vm->activeInput12(), kAltoList.first());
        QVERIFY(!vm->input32Visibility());
        QVERIFY(vm->inputs32().isEmpty());
        vm->onActivate();
        QCOMPARE(listSpy.count(), 2); // every refresh re-announces the list
        QVERIFY(rig.sim.requestLog(0).isEmpty()); // refreshing writes nothing
    }
    {
        QSettings().setValue("Tenor/AudioRouting/Input12", 2);
        Rig rig;
        QVERIFY(rig.start("tenor,alto", 0));
        auto vm = makePage<AudioRoutingVM>(rig);
        vm->onActivate();
        QCOMPARE(vm->inputs12().size(), 4);
        QCOMPARE(vm->activeInput12(), QStringLiteral("Stereo input 5+6"));
    }
    {
        QSettings().setValue("Basso/AudioRouting/Input32", 3);
        Rig rig;
        QVERIFY(rig.start("basso,alto", 0));
        auto vm = makePage<AudioRoutingVM>(rig);
        vm->onActivate();
        QCOMPARE(vm->inputs12(), QStringList{"Mic input 1+2"});
        QCOMPARE(vm->activeInput12(), QStringLiteral("Mic input 1+2"));
        QVERIFY(vm->input32Visibility());
        QCOMPARE(vm->inputs32(), kBassoList32);
        QCOMPARE(vm->activeInput32(), QStringLiteral("Mix L+R"));
    }
    {
        // A stored index the list lacks shows an empty label.
        QSettings().setValue("Alto/AudioRouting/Input12", 7);
        Rig rig;
        QVERIFY(rig.start("alto,tenor", 0));
        auto vm = makePage<AudioRoutingVM>(rig);
        vm->setActiveInput12(QStringLiteral("stale"));
        vm->onActivate();
        QCOMPARE(vm->activeInput12(), QString());
    }
}

void TestPages::routingPickIsSentAndStored()
{
    {
        Rig rig;
        QVERIFY(rig.start("basso,alto", 0));
        auto vm = makePage<AudioRoutingVM>(rig);
        vm->onActivate();
        vm->showInputs32List();
        vm->setActiveInput32(QStringLiteral("Stereo input 7+8")); // the view writes the label first
        vm->onInputs32Changed(2, QStringLiteral("Stereo input 7+8"));
        vm->showInputs32List();
        QCOMPARE(vm->activeInput32(), QStringLiteral("Stereo input 7+8"));
        QCOMPARE(rig.sim.requestLog(0).size(), 1);
        QCOMPARE(hex(rig.sim.requestLog(0).first()), QByteArray("00 00 04 00 02 00 00 00"));
        QCOMPARE(stored("Basso/AudioRouting/Input32").toInt(), 2);
        QCOMPARE(stored("Basso/AudioRouting/Input12").toInt(), 0);
        QVERIFY(!vm->resetInputs32DropDown());
    }
    {
        Rig rig;
        QVERIFY(rig.start("alto,tenor", 0));
        auto vm = makePage<AudioRoutingVM>(rig);
        vm->onActivate();
        QSignalSpy labelSpy(vm.data(), &AudioRoutingVM::activeInput12Changed);
        vm->onInputs12Changed(1, QStringLiteral("Stereo input 2+3"));
        QCOMPARE(labelSpy.count(), 1);
        QCOMPARE(hex(rig.sim.requestLog(0).value(0)), QByteArray("00 00 04 00 01 00 00 00"));
        QCOMPARE(stored("Alto/AudioRouting/Input12").toInt(), 1);

        // Picking the same entry again still sends and stores, but signals nothing.
        vm->onInputs12Changed(1, QStringLiteral("Stereo input 2+3"));
        QCOMPARE(labelSpy.count(), 1);
        QCOMPARE(rig.sim.requestLog(0).size(), 2);

        // A new page reads the stored choice back.
        auto next = makePage<AudioRoutingVM>(rig);
        next->onActivate();
        QCOMPARE(next->activeInput12(), QStringLiteral("Stereo input 2+3"));
    }
}

void TestPages::routingFailuresAndBadInput()
{
    Rig rig;
    QVERIFY(rig.start("alto,tenor", 0));
    auto vm = makePage<AudioRoutingVM>(rig);
    vm->onActivate();

    // A failed write is logged; the label and the store keep the pick.
    rig.sim.setFault("ClassVendorRequestOut", 0xEE000040u, 1);
    QTest::ignoreMessage(QtDebugMsg, ":Write device failed.\n");
    vm->onInputs12Changed(3, QStringLiteral("Mix L+R"));
    QCOMPARE(vm->activeInput12(), QStringLiteral("Mix L+R"));
    QCOMPARE(stored("Alto/AudioRouting/Input12").toInt(), 3);
    QVERIFY(rig.sim.requestLog(0).isEmpty());
    QCOMPARE(rig.sim.requests(0).size(), 1);
    QCOMPARE(rig.sim.requests(0).first().status, 0xEE000040u);

    // "Nothing picked" (-1) must not reach the mixer as 0xFFFFFFFF or the store.
    vm->onInputs12Changed(-1, QString());
    QCOMPARE(rig.sim.requests(0).size(), 1);
    QCOMPARE(stored("Alto/AudioRouting/Input12").toInt(), 3);
    QCOMPARE(vm->activeInput12(), QStringLiteral("Mix L+R"));

    // Each toggle flips and signals.
    QSignalSpy dropSpy(vm.data(), &AudioRoutingVM::resetInputs12DropDownChanged);
    vm->showInputs12List();
    vm->showInputs12List();
    QVERIFY(!vm->resetInputs12DropDown());
    QCOMPARE(dropSpy.count(), 2);

    // Without a store (not a mixer) a pick is sent but not stored.
    Rig other;
    QVERIFY(other.start("unknown,alto", 0));
    QSettings().clear();
    auto plain = makePage<AudioRoutingVM>(other);
    plain->onActivate();
    QVERIFY(plain->inputs12().isEmpty());
    plain->onInputs12Changed(2, QStringLiteral("Stereo input 4+5"));
    QCOMPARE(plain->activeInput12(), QStringLiteral("Stereo input 4+5"));
    QCOMPARE(hex(other.sim.requestLog(0).value(0)), QByteArray("00 00 04 00 02 00 00 00"));
    QVERIFY(QSettings().allKeys().isEmpty());
}

void TestPages::infoRecognisedMixer()
{
    Rig rig;
    rig.configure = [&rig] {
        rig.sim.setDeviceIds(0, 0x5AB, 0x31, 0x105);
        rig.sim.setDeviceStrings(0, "A-123", "Maker", "Mixer");
        rig.sim.setDriverInfo(5, 2, 1, 0);
    };
    QVERIFY(rig.start("tenor,alto", 0));
    auto vm = makePage<InfoVM>(rig);
    vm->onActivate();
    QCOMPARE(vm->vid(), QStringLiteral("0x05AB"));
    QCOMPARE(vm->pid(), QStringLiteral("0x0031"));
    QCOMPARE(vm->revisionId(), QStringLiteral("1.05"));
    QCOMPARE(vm->manufacturer(), QStringLiteral("Maker"));
    QCOMPARE(vm->product(), QStringLiteral("Mixer A-123"));
    QCOMPARE(vm->serialNumber(), QStringLiteral("123"));
    QCOMPARE(vm->apiVersion(), QStringLiteral("5.2.1"));
    QCOMPARE(vm->buildType(), QStringLiteral("Release"));
    QCOMPARE(vm->streamingState(), QStringLiteral("Active"));
    QCOMPARE(vm->activeKsClients(), QStringLiteral("1"));
    QCOMPARE(vm->activeAsioClients(), QStringLiteral("0"));

    // A serial number without "-" is shown whole.
    rig.sim.setDeviceStrings(0, "00042", QString(), QString());
    vm->onActivate();
    QCOMPARE(vm->serialNumber(), QStringLiteral("00042"));
    QCOMPARE(vm->product(), QStringLiteral("Mixer 00042"));
}

void TestPages::infoOtherDevice()
{
    Rig rig;
    rig.configure = [&rig] { rig.sim.setDeviceIds(0, LumenVendorId, 0x40, 0x7); };
    QVERIFY(rig.start("unknown,alto", 0));
    auto vm = makePage<InfoVM>(rig);
    vm->onActivate();
    QCOMPARE(vm->manufacturer(), QStringLiteral("Lumen Audio"));
    QCOMPARE(vm->product(), QStringLiteral("Prototype P-123"));
    QCOMPARE(vm->serialNumber(), QStringLiteral("P-123"));
    QCOMPARE(vm->pid(), QStringLiteral("0x0040"));
    QCOMPARE(vm->revisionId(), QStringLiteral("0.07"));

    // No manufacturer: the name keeps its spaces.
    rig.sim.setDeviceStrings(0, "P-9", "", "Desk Unit");
    vm->onActivate();
    QCOMPARE(vm->product(), QStringLiteral("Desk Unit P-9"));
    QCOMPARE(vm->manufacturer(), QString());

    // A 128-unit product string without terminator stays inside its field.
    const QString longName(200, QLatin1Char('x'));
    rig.sim.setDeviceStrings(0, "S", "M", longName);
    vm->onActivate();
    QCOMPARE(vm->product(), QString(128, QLatin1Char('x')) + QStringLiteral(" S"));
}

void TestPages::infoFollowsNotifications()
{
    Rig rig;
    rig.configure = [&rig] { rig.sim.setDriverInfo(5, 2, 1, 0); };
    QVERIFY(rig.start("alto,tenor", 0));
    auto vm = makePage<InfoVM>(rig);
    vm->onActivate();
    QCOMPARE(vm->apiVersion(), QStringLiteral("5.2.1"));

    rig.sim.setClientInfo(0, 0, 3, 2);
    rig.sim.setDriverInfo(6, 0, 3, 1);
    QCOMPARE(rig.sim.notify(0), 1);
    QTRY_COMPARE(vm->streamingState(), QStringLiteral("Stopped"));
    QCOMPARE(vm->activeKsClients(), QStringLiteral("3"));
    QCOMPARE(vm->activeAsioClients(), QStringLiteral("2"));
    QCOMPARE(vm->apiVersion(), QStringLiteral("6.0.3"));
    QCOMPARE(vm->buildType(), QStringLiteral("Debug"));

    // An unknown streaming state keeps the text; the counts still follow.
    rig.sim.setClientInfo(0, 2, 4, 1);
    QCOMPARE(rig.sim.notify(0), 1);
    QTRY_COMPARE(vm->activeKsClients(), QStringLiteral("4"));
    QCOMPARE(vm->streamingState(), QStringLiteral("Stopped"));

    // Failed client and driver reads change nothing (the driver failure is logged).
    rig.sim.setFault("GetClientInfo", 0xEE000040u, -1);
    rig.sim.setFault("GetDriverInfo", 0xEE000040u, -1);
    rig.sim.setClientInfo(0, 1, 9, 9);
    QSignalSpy versionSpy(vm.data(), &InfoVM::apiVersionChanged);
    QSignalSpy buildSpy(vm.data(), &InfoVM::buildTypeChanged);
    QTest::ignoreMessage(QtDebugMsg, "Error Driver Info");
    vm->onDeviceNotification();
    QCOMPARE(vm->streamingState(), QStringLiteral("Stopped"));
    QCOMPARE(vm->activeKsClients(), QStringLiteral("4"));
    QCOMPARE(vm->apiVersion(), QStringLiteral("6.0.3"));
    QCOMPARE(vm->buildType(), QStringLiteral("Debug"));
    QCOMPARE(versionSpy.count() + buildSpy.count(), 0);
}

QTEST_GUILESS_MAIN(TestPages)
#include "tst_vma_pages.moc"
