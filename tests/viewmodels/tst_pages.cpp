// Status, audio routing and info pages against the real service and the simulated driver.
#include "TestRig.h"

#include <QElapsedTimer>

using namespace testrig;

namespace {
template <typename VM>
QSharedPointer<VM> makePage(Rig &rig)
{
    return QSharedPointer<VM>(new VM(rig.service, rig.bus));
}

} // namespace

class TestPages : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        initApplicationIdentity();
        SimulatorControl sim;
        QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
    }

    void init() { QSettings().clear(); }

    // Each page reports the connection state as reply listener, and leaves another page's slot.
    void connectedMessagesAndListenerSlot()
    {
        Rig rig;
        QVERIFY(rig.start("alto,tenor"));
        ConnectedRecorder recorder(*rig.bus);
        using Listener = ICommunicationReplyListener;
        const QList<std::function<QSharedPointer<Listener>()>> pages{
            [&] { return makePage<StatusVM>(rig); },     [&] { return makePage<InfoVM>(rig); },
            [&] { return makePage<ClientInfoVM>(rig); }, [&] { return makePage<AudioRoutingVM>(rig); },
            [&] { return makePage<DuckerVM>(rig); },     [&] { return makePage<BufferSettingsVM>(rig); },
            [&] { return makePage<FormatVM>(rig); },     [&] { return makePage<VolumeVM>(rig); }};
        for (const auto &make : pages) {
            QSharedPointer<Listener> page = make();
            recorder.values.clear();
            rig.service->onConnectionRequest();
            rig.sim.setFault("OpenDeviceByIndex", 0xEE000006u, 1);
            rig.service->onConnectionRequest(); // a failed open is no connection
            QCOMPARE(recorder.values, (QList<bool>{true, false}));
        }
        QSharedPointer<Listener> older = pages[0](), newer = pages[1]();
        older.reset();
        QCOMPARE(rig.service->replyListener(), newer.data());
    }

    void statusWithTwoMixers()
    {
        // The device the driver lists first is left out of the names.
        Rig rig;
        rig.configure = [&rig] { rig.sim.setSampleRate(2, 96000); };
        QVERIFY(rig.start("usbmode1,alto,tenor"));
        auto vm = makePage<StatusVM>(rig);
        vm->onActivate();
        QCOMPARE(vm->activeDevice(), QStringLiteral("Please select a device"));
        QCOMPARE(vm->sampleRate(), 0);
        QVERIFY(!vm->disableDropDown());
        vm->setDeviceIndex(-1, QString()); // from the view: nothing
        QCOMPARE(rig.sim.callCount("OpenDeviceByIndex"), 0u);

        // Picking connects that mixer and shows its rate.
        ConnectedRecorder recorder(*rig.bus);
        vm->setDeviceIndex(1, vm->deviceNames().value(1));
        QCOMPARE(rig.sim.openHandleCount(2), 1);
        QCOMPARE(rig.sim.openHandleCount(1) + rig.sim.openHandleCount(0), 0);
        QCOMPARE(vm->sampleRate(), 96000);
        QCOMPARE(recorder.values, QList<bool>{true});

        // A plug beside several devices, and "ResetState", ask for a pick again: no rate, no Ctrl+B.
        TestListener topBar(*rig.service);
        rig.service->setPnPEventListener(&topBar);
        rig.sim.plug("basso");
        QTRY_VERIFY(topBar.calls.contains("arrived"));
        QCOMPARE(vm->activeDevice(), QStringLiteral("Please select a device"));
        QCOMPARE(vm->sampleRate(), 0);
        vm->setDeviceIndex(1, vm->deviceNames().value(1));
        rig.bus->publish(true, ViewModelTexts::kMsgResetState);
        QCOMPARE(vm->activeDevice(), QStringLiteral("Please select a device"));
        QCOMPARE(vm->sampleRate(), 0);
        vm->onDebugActivated();
        QVERIFY(!vm->debugActivated());
    }

    // Nothing open, only the status page; a failed rate read is no dead end: the list offers the
    // mixer again and a pick connects it.
    void onlyStatusUntilADeviceIsOpen()
    {
        Rig rig;
        const auto ui = QSharedPointer<UIService>::create(QSharedPointer<ShellVM>::create());
        QVERIFY(rig.start("usbmode1"));
        QCOMPARE(MainTopBarVM(ui, rig.service, rig.bus).menuList()->stringList(), QStringList{"Status"});

        QVERIFY(rig.start("alto"));
        const auto bar = QSharedPointer<MainTopBarVM>::create(ui, rig.service, rig.bus);
        bar->onActivate();
        auto vm = makePage<StatusVM>(rig);
        vm->onActivate();
        rig.sim.setFault("GetCurrentSampleRate", 0xEE000005u, 1);
        rig.sim.notify(0);
        QTRY_COMPARE(vm->activeDevice(), QString(ViewModelTexts::kNotConnected));
        QCOMPARE(bar->menuList()->stringList(), QStringList{"Status"});
        QVERIFY(!vm->disableDropDown());
        vm->setDeviceIndex(0, vm->deviceNames().value(0));
        QCOMPARE(vm->activeDevice(), vm->deviceNames().value(0));
        QCOMPARE(vm->sampleRate(), 48000);
        QCOMPARE(bar->menuList()->stringList().size(), 5);
        bar->onDeactivate();
    }

    void statusDebugPoll()
    {
        Rig rig;
        QVERIFY(rig.start("alto,tenor"));
        auto vm = makePage<StatusVM>(rig);
        vm->onActivate();
        vm->setActiveDevice(vm->deviceNames().value(0)); // as the view does on a pick
        vm->setDeviceIndex(0, vm->deviceNames().value(0));
        QVERIFY(rig.sim.setDebugStatus(0, QByteArray::fromHex("070102030401025A")));
        // On, off, on: still one read per 20 ms tick.
        vm->onDebugActivated();
        vm->onDeactivate();
        vm->onDebugActivated();
        QVERIFY(vm->debugActivated());
        rig.sim.resetCallCounts();
        QElapsedTimer clock;
        clock.start();
        QTRY_COMPARE(vm->tempo(), QStringLiteral("258"));
        QCOMPARE((QStringList{vm->id(), vm->mux0(), vm->mux1(), vm->adc(), vm->fx(), vm->constant()}),
                 (QStringList{"7", "1", "2", "3", "4", "90"}));
        QTest::qWait(300);
        const quint32 reads = rig.sim.callCount("ClassVendorRequestIn");
        const qint64 ticks = clock.elapsed() / 20;
        QVERIFY2(reads >= 5 && qint64(reads) <= ticks + 2,
                 qPrintable(QStringLiteral("%1 reads, %2 ticks").arg(reads).arg(ticks)));
        QVERIFY(rig.sim.setDebugStatus(0, QByteArray::fromHex("0701020304FFFE5A")));
        QTRY_COMPARE(vm->tempo(), QStringLiteral("65534"));
    }

    void routingPerModel()
    {
        QSettings().setValue("Tenor/AudioRouting/Input12", 2);
        QSettings().setValue("Basso/AudioRouting/Input32", 3);
        QSettings().setValue("Alto/AudioRouting/Input12", 7); // not in the Alto's list: its default
        struct Case
        {
            const char *devices;
            QStringList inputs12;
            QString label12;
            QStringList inputs32;
            QString label32;
        };
        const QList<Case> cases{
            {"alto,tenor",
             {"Mic input 1 + Mono line input 2", "Stereo input 2+3", "Stereo input 4+5", "Mix L+R"},
             "Mic input 1 + Mono line input 2",
             {},
             ""},
            {"tenor,alto",
             {"Mic input 1+2", "Stereo input 3+4", "Stereo input 5+6", "Mix L+R"},
             "Stereo input 5+6",
             {},
             ""},
            {"basso,alto",
             {"Mic input 1+2"},
             "Mic input 1+2",
             {"Mic input 3+4", "Stereo input 5+6", "Stereo input 7+8", "Mix L+R"},
             "Mix L+R"},
        };
        for (const Case &c : cases) {
            Rig rig;
            QVERIFY(rig.start(c.devices, 0));
            auto vm = makePage<AudioRoutingVM>(rig);
            vm->setActiveInput12(QStringLiteral("stale"));
            vm->onActivate();
            QCOMPARE(vm->inputs12(), c.inputs12);
            QCOMPARE(vm->activeInput12(), c.label12);
            QCOMPARE(vm->input32Visibility(), !c.inputs32.isEmpty());
            QCOMPARE(vm->inputs32(), c.inputs32);
            QCOMPARE(vm->activeInput32(), c.label32);
            QVERIFY(rig.sim.requestLog(0).isEmpty()); // showing the stored choice writes nothing
            if (!c.inputs32.isEmpty()) {              // the Basso's second pair: its own block and key
                vm->onInputs32Changed(2, QStringLiteral("Stereo input 7+8"));
                QCOMPARE(vm->activeInput32(), QStringLiteral("Stereo input 7+8"));
                QCOMPARE(outBlocks(rig.sim, 0), QStringList{"00 00 04 00 02 00 00 00"});
                QCOMPARE(storedInt("Basso/AudioRouting/Input32"), 2);
            }
        }
    }

    void routingPickAndFailedWrite()
    {
        Rig rig;
        QVERIFY(rig.start("alto,tenor", 0));
        auto vm = makePage<AudioRoutingVM>(rig);
        vm->onActivate();
        // A failed write is logged; the label and the store keep the pick (a sent pick: tst_e2e).
        rig.sim.setFault("ClassVendorRequestOut", 0xEE000040u, 1);
        QTest::ignoreMessage(QtDebugMsg, ":Write device failed.\n");
        vm->onInputs12Changed(3, QStringLiteral("Mix L+R"));
        QCOMPARE(vm->activeInput12(), QStringLiteral("Mix L+R"));
        QCOMPARE(storedInt("Alto/AudioRouting/Input12"), 3);
        QCOMPARE(rig.sim.requests(0).size(), 1);

        // "Nothing picked" (-1) reaches neither the mixer (as 0xFFFFFFFF) nor the store.
        vm->onInputs12Changed(-1, QString());
        QCOMPARE(rig.sim.requests(0).size(), 1);
        QCOMPARE(storedInt("Alto/AudioRouting/Input12"), 3);
    }

    void infoPage()
    {
        Rig rig;
        rig.configure = [&rig] {
            rig.sim.setDeviceIds(0, LumenVendorId, 0x31, 0x105);
            rig.sim.setDeviceStrings(0, "A-123", "Maker", "Mixer");
            rig.sim.setDriverInfo(5, 2, 1, 0);
        };
        QVERIFY(rig.start("tenor,alto", 0));
        auto vm = makePage<InfoVM>(rig);
        vm->onActivate();
        QCOMPARE((QStringList{vm->manufacturer(), vm->product(), vm->vid(), vm->pid(), vm->revisionId(),
                              vm->serialNumber(), vm->apiVersion(), vm->buildType()}),
                 (QStringList{"Maker", "Mixer A-123", "0x4C55", "0x0031", "1.05", "123", "5.2.1", "Release"}));
        QCOMPARE((QStringList{vm->streamingState(), vm->activeKsClients(), vm->activeAsioClients()}),
                 (QStringList{"Active", "1", "0"}));

        // Everything is read again on a device notification.
        rig.sim.setClientInfo(0, 0, 3, 2);
        rig.sim.setDriverInfo(6, 0, 3, 1);
        rig.sim.setDeviceStrings(0, "00042", QString(), QString());
        QCOMPARE(rig.sim.notify(0), 1);
        QTRY_COMPARE(vm->streamingState(), QStringLiteral("Stopped"));
        QCOMPARE((QStringList{vm->activeKsClients(), vm->activeAsioClients(), vm->apiVersion(), vm->buildType()}),
                 (QStringList{"3", "2", "6.0.3", "Debug"}));
        QCOMPARE(vm->serialNumber(), QStringLiteral("00042")); // no "-": shown whole

        // An unknown streaming state keeps the text.
        rig.sim.setClientInfo(0, 2, 4, 1);
        vm->onDeviceNotification();
        QCOMPARE(vm->streamingState(), QStringLiteral("Stopped"));
        QCOMPARE(vm->activeKsClients(), QStringLiteral("4"));
    }
};

QTEST_GUILESS_MAIN(TestPages)
#include "tst_pages.moc"
