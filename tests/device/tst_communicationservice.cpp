// The communication service through the real loader, platform events and simulated driver.
#include "TestRig.h"
#include "app/AppConstants.h"
#include "device/StoreKeys.h"
#include "settings/AltoRegistryService.h"
#include "settings/ModelStores.h"

#include <QtTest>

#include <QSettings>

#include <memory>

using namespace AppConstants;
using namespace StoreKeys;
using namespace testrig;
using Service = LumenCommunicationService;

namespace {
const QStringList kAltoDefaultBlocks{"00 00 04 00 00 00 00 00", "00 00 02 80 00 00 07 D0", "00 00 02 81 00 51 EB 84",
                                     "00 00 02 82 00 04 0C 36", "00 00 02 83 00 32 00 FA"};
constexpr quint32 kSomeFailure = 0xEE000005u;
} // namespace

class TestCommunicationService : public QObject
{
    Q_OBJECT
    std::unique_ptr<SimulatorControl> sim;
    std::unique_ptr<LogCapture> log;

private slots:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(kOrganizationName);
        QCoreApplication::setApplicationName(kApplicationName);
        sim = std::make_unique<SimulatorControl>();
        QVERIFY2(sim->isValid(), qPrintable(sim->errorString()));
    }

    void init()
    {
        QCOMPARE(sim->reset("alto"), 1);
        QSettings().clear();
        log = std::make_unique<LogCapture>();
    }

    void cleanup()
    {
        log.reset();
        QCOMPARE(TestListener::deadCalls(), 0);
    }

    // With no mixer, or more than one, nothing is opened and the reopen timer stays idle.
    void startWithNoneOrTwoOpensNothing_data()
    {
        QTest::addColumn<QString>("devices");
        QTest::newRow("none") << "";
        QTest::newRow("two") << "alto,tenor";
        QTest::newRow("only one, not listed") << "usbmode1";
    }

    void startWithNoneOrTwoOpensNothing()
    {
        QFETCH(QString, devices);
        sim->reset(devices);
        Service svc(&ModelStores::create);
        QVERIFY(log->lines().contains("Successfully loaded the driver API DLL\n"));
        QVERIFY(log->lines().contains("Register PnP status,0x00000000\n"));
        QCOMPARE(int(svc.deviceCount()), sim->deviceCount());
        QCOMPARE(svc.deviceNames(), simulatorDeviceNames(*sim));
        QVERIFY(!svc.deviceHandle());
        QVERIFY(!svc.singleDeviceTimer()->isActive());
        svc.checkConnectionStatus(); // the reopen is for one listed device only
        for (int i = 0; i < sim->deviceCount(); ++i)
            QVERIFY(sim->openHandleCount(i) == 0 && sim->requestLog(i).isEmpty());
    }

    void startWithOneAltoWritesDefaultsTwice()
    {
        sim->setSampleRate(0, 44100);
        QElapsedTimer sinceStart;
        sinceStart.start();
        Service svc(&ModelStores::create);
        QVERIFY(svc.deviceHandle());
        QCOMPARE(svc.deviceNames(), simulatorDeviceNames(*sim));
        QCOMPARE(svc.sampleRate(), 44100u);
        QCOMPARE(svc.productId(), kProductAlto);
        QCOMPARE(outBlocks(*sim, 0), kAltoDefaultBlocks);
        for (const CalderSimRequest &r : sim->requests(0))
            QCOMPARE(QVector<quint32>({r.direction, r.recipient, r.recipientIndex, r.value, r.index, r.request,
                                       r.length, r.timeoutMs}),
                     QVector<quint32>({0, 0, 0, 0, 0, 0x10, 8, 1000}));
        // The store made for the Alto wrote its defaults; the other models' groups stay absent.
        QCOMPARE(QSettings().childGroups(), QStringList{"Alto"});
        QCOMPARE(QSettings().value(kAltoDucker + "/" + kDuckerRange).toInt(), 40);

        QVERIFY(svc.singleDeviceTimer()->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(outBlocks(*sim, 0).size(), 10, 8000);
        QVERIFY2(sinceStart.elapsed() >= 1900, qPrintable(QString::number(sinceStart.elapsed()))); // reopened after 2 s
        QCOMPARE(outBlocks(*sim, 0).mid(5), kAltoDefaultBlocks);
        QCOMPARE(log->countExact(": Closing device.\n"), 1);
        QVERIFY(svc.deviceHandle());
        QCOMPARE(sim->openHandleCount(0), 1);
        QVERIFY(!svc.singleDeviceTimer()->isActive());
    }

    void bassoSendsBothRoutingBlocksAndStoredValues()
    {
        sim->reset("basso");
        {
            QSettings s;
            s.setValue(kBassoAudioRouting + "/" + kInput12, 1);
            s.setValue(kBassoAudioRouting + "/" + kInput32, 3);
            s.setValue(kBassoDucker + "/" + kOn, 1);
            s.setValue(kBassoDucker + "/" + kInput1, 1);
            s.setValue(kBassoDucker + "/" + kInput3, 4);
            s.setValue(kBassoDucker + "/" + kReleaseTime, 750);
        }
        Service svc(&ModelStores::create);
        // Keys absent from a non-empty group read as 0.
        QCOMPARE(outBlocks(*sim, 0),
                 (QStringList{"00 00 04 00 01 00 00 00", "00 00 04 00 03 00 00 00", "00 00 02 80 01 05 02 EE",
                              "00 00 02 81 1F FF FF FF", "00 00 02 82 00 7F FF FF", "00 00 02 83 00 00 00 00"}));
        QCOMPARE(svc.duckerInputMask(), 5);
    }

    void handEditedSettingsArePassedOn()
    {
        {
            QSettings s;
            s.setValue(kAltoAudioRouting + "/" + kInput12, "two");
            s.setValue(kAltoDucker + "/" + kOn, 3);
            s.setValue(kAltoDucker + "/" + kInput1, 17);
            s.setValue(kAltoDucker + "/" + kInput2, 2);
            s.setValue(kAltoDucker + "/" + kInput3, 4); // not an Alto key: ignored by the mask
            s.setValue(kAltoDucker + "/" + kDuckerRange, "abc");
            s.setValue(kAltoDucker + "/" + kSensitivity, 500);   // read as 0 dB, the threshold's top
            s.setValue(kAltoDucker + "/" + kReleaseTime, 70000); // read as 5000 ms, not cut to 16 bits
            s.setValue(kAltoDucker + "/" + kAttackTime, 2147483647);
            s.setValue(kAltoDucker + "/" + kHoldTime, -1);
        }
        Service svc(&ModelStores::create);
        QCOMPARE(svc.duckerInputMask(), 19);
        QCOMPARE(outBlocks(*sim, 0).mid(0, 5),
                 (QStringList{"00 00 04 00 00 00 00 00", "00 00 02 80 01 03 13 88", "00 00 02 81 1F FF FF FF",
                              "00 00 02 82 00 7F FF FF", "00 00 02 83 FF FF FF FF"}));
    }

    // Not of the family: opened, but no store and none of the family's requests; a foreign device
    // after a mixer keeps the mixer's store.
    void foreignVendorAndUnknownProduct()
    {
        sim->reset("unknown");
        sim->setDeviceIds(0, LumenVendorId, 0x77, 1);
        {
            Service svc(&ModelStores::create);
            QVERIFY(svc.deviceHandle());
            QCOMPARE(svc.productId(), 0x77u);
            QVERIFY(!svc.registryService());
            QVERIFY(sim->requests(0).isEmpty());
        }
        QVERIFY(QSettings().childGroups().isEmpty());
        sim->reset("alto");
        Service svc(&ModelStores::create);
        TestListener l(svc);
        svc.setPnPEventListener(&l);
        const auto altoStore = svc.registryService();
        QVERIFY(altoStore);
        sim->unplug(0);
        QTRY_VERIFY(l.calls.contains("removed"));
        sim->plug("foreign");
        QTRY_VERIFY(l.calls.contains("arrived"));
        QVERIFY(svc.deviceHandle());
        QCOMPARE(svc.registryService(), altoStore);
        QCOMPARE(svc.vendorId(), 0x05ABu);
        QVERIFY(sim->requests(0).isEmpty());
    }

    void plugSecondMixerClosesTheOpenOne()
    {
        Service svc(&ModelStores::create);
        TestListener l(svc);
        svc.setReplyListener(&l);
        svc.setPnPEventListener(&l);
        sim->plug("tenor");
        QTRY_VERIFY(l.calls.contains("arrived"));
        QCOMPARE(l.calls, (QStringList{"stateChanged", "arrived"}));
        QVERIFY(!svc.deviceHandle());
        QVERIFY(!svc.singleDeviceTimer()->isActive()); // no reopen of the Alto 2 s after start
        QCOMPARE(svc.deviceCount(), 2u);
        QCOMPARE(svc.deviceNames(), simulatorDeviceNames(*sim));
        QCOMPARE(sim->openHandleCount(0) + sim->openHandleCount(1), 0);
        QVERIFY(sim->requestLog(1).isEmpty());
    }

    void unplugLastMixer()
    {
        Service svc(&ModelStores::create);
        TestListener l(svc);
        svc.setReplyListener(&l);

        // Without a PnP listener an event is only logged.
        sim->unplug(0);
        QTRY_VERIFY(log->lines().contains("Notified"));
        QVERIFY(svc.deviceHandle());
        QCOMPARE(svc.deviceCount(), 1u);

        svc.setPnPEventListener(&l);
        sim->plug("alto");
        QTRY_VERIFY(l.calls.contains("arrived"));
        QVERIFY(svc.deviceHandle());
        sim->unplug(0);
        QTRY_VERIFY(l.calls.contains("removed"));
        QCOMPARE(svc.deviceCount(), 0u);
        QVERIFY(svc.deviceNames().isEmpty());
        QVERIFY(!svc.deviceHandle());
        QCOMPARE(l.calls, (QStringList{"stateChanged", "arrived", "removed"}));
    }

    void skippedDevicesAreCountedNotNamed()
    {
        sim->reset("usbmode1,alto,tenor");
        // Strings that fill their 128 units without a terminator.
        sim->setDeviceStrings(2, QString(140, 's'), QString(140, 'm'), QString(140, 'p'));
        Service svc(&ModelStores::create);
        QCOMPARE(svc.deviceCount(), 3u);
        QCOMPARE(svc.deviceNames().size(), 2);
        QVERIFY(svc.deviceNames().first().startsWith("Alto "));
        QCOMPARE(svc.deviceNames().at(1), QString(128, 'p') + ' ' + QString(128, 's'));

        sim->setFault("OpenDeviceByIndex", kSomeFailure, 1);
        sim->setFault("GetDeviceProperties", kSomeFailure, 1);
        svc.refreshDeviceList();
        QCOMPARE(log->countExact("Error Opening"), 1);
        QCOMPARE(svc.deviceCount(), 3u);
        QCOMPARE(svc.deviceNames().size(), 1); // index 0 failed to open, index 1 to read properties
        for (int i = 0; i < 3; ++i)
            QCOMPARE(sim->openHandleCount(i), 0);
    }

    void connectionFailures()
    {
        sim->reset("alto,tenor");
        Service svc(&ModelStores::create);
        TestListener l(svc);
        svc.setReplyListener(&l);
        svc.setDeviceIndex(1);

        // Each failure closes the device and is reported as a failed connection.
        sim->setFault("RegisterDeviceNotification", kSomeFailure, 1);
        svc.onConnectionRequest();
        QVERIFY(!svc.isDeviceListRefreshed());
        QVERIFY(!svc.deviceHandle());
        QCOMPARE(sim->openHandleCount(1), 0);
        QVERIFY(sim->requestLog(1).isEmpty());
        QVERIFY(log->lines().contains(": Closing device.\n"));

        sim->setFault("GetCurrentSampleRate", kSomeFailure, 1);
        svc.onConnectionRequest();
        QVERIFY(!svc.deviceHandle());
        QCOMPARE(outBlocks(*sim, 1).size(), 5); // applied before the rate read failed
        QCOMPARE(sim->openHandleCount(1), 0);

        sim->setFault("OpenDeviceByIndex", kSomeFailure, 1);
        svc.onConnectionRequest();
        QVERIFY(log->lines().contains("Error Opening"));
        QCOMPARE(l.calls, (QStringList{"failed", "failed", "failed"}));

        svc.onConnectionRequest();
        QVERIFY(svc.deviceHandle());
        QCOMPARE(l.calls.last(), QString("stateChanged"));

        // Opening an open device only logs.
        log->clear();
        const quint32 calls = sim->callCount();
        svc.openDevice();
        QCOMPARE(log->lines(), (QStringList{"Connect", "Device Index :  1"}));
        QCOMPARE(sim->callCount(), calls);

        // Unregistering fails at close: logged, and the device is closed all the same.
        sim->setFault("RegisterDeviceNotification", kSomeFailure, 1);
        svc.closeDevice();
        QVERIFY(log->lines().contains(": TUSBAUDIO_RegisterDeviceNotification failed\n"));
        QCOMPARE(sim->openHandleCount(1), 0);
        svc.closeDevice();
        QCOMPARE(log->lines().last(), QString(": No open device.\n"));
    }

    void notificationReappliesSettings()
    {
        Service svc(&ModelStores::create);
        TestListener l(svc);
        svc.setReplyListener(&l);
        AltoRegistryService().setAudioRoutingValue(kInput12, 3);
        sim->setSampleRate(0, 96000);
        sim->clearRequests(0);
        QCOMPARE(sim->notify(0), 1);
        QTRY_VERIFY(l.calls.contains("notification"));
        QCOMPARE(l.calls, (QStringList{"stateChanged", "notification"}));
        QCOMPARE(svc.sampleRate(), 96000u);
        QCOMPARE(outBlocks(*sim, 0).first(), QString("00 00 04 00 03 00 00 00"));
        QCOMPARE(outBlocks(*sim, 0).mid(1), kAltoDefaultBlocks.mid(1));
        QVERIFY(log->lines().contains("Device Notification"));

        // An activation with nothing queued, and a failing read: logged, then handled the same.
        svc.notified(nullptr);
        QVERIFY(log->lines().contains(": TUSBAUDIO_ReadDeviceNotification returned with TSTATUS_NO_MORE_ITEMS.\n"));
        sim->setFault("ReadDeviceNotification", kSomeFailure, 1);
        svc.notified(nullptr);
        QVERIFY(log->lines().contains(": TUSBAUDIO_ReadDeviceNotification failed.\n"));
        QCOMPARE(l.calls.count("notification"), 3);
        QCOMPARE(outBlocks(*sim, 0).size(), 15);

        // Without a reply listener a notification is left unread.
        svc.clearReplyListener(&l);
        const quint32 calls = sim->callCount();
        sim->notify(0);
        QTest::qWait(50);
        QCOMPARE(sim->callCount(), calls);

        // A failed rate read closes the device: reported, and nothing applied without it.
        svc.setReplyListener(&l);
        sim->setFault("GetCurrentSampleRate", kSomeFailure, 1);
        svc.notified(nullptr);
        QCOMPARE(l.calls.last(), QString("failed"));
        QVERIFY(!svc.deviceHandle() && svc.sampleRate() == 0);
        QCOMPARE(svc.productId(), kProductAlto); // not read from a closed device
    }

    void listenerReplacedDuringCallback()
    {
        // The page answering onDeviceStateChanged is torn down and the top bar replaced: the
        // service must call the new top bar, never the destroyed one.
        Service svc(&ModelStores::create);
        auto *first = new TestListener(svc);
        TestListener second(svc);
        svc.setReplyListener(first);
        svc.setPnPEventListener(first);
        first->onCall = [&](TestListener *self, const QString &what) {
            if (what == "stateChanged") {
                svc.setPnPEventListener(&second);
                delete self;
            }
        };
        sim->plug("tenor");
        QTRY_VERIFY(second.calls.contains("arrived"));
        QCOMPARE(TestListener::deadCalls(), 0);
        QVERIFY(!svc.replyListener());
        QCOMPARE(svc.pnpEventListener(), &second);

        // Clearing with another listener leaves the slot alone.
        TestListener third(svc);
        svc.clearPnPEventListener(&third);
        QCOMPARE(svc.pnpEventListener(), &second);
    }

    void libraryLoadFailures()
    {
        const QByteArray registry = qgetenv("CALDER_REGISTRY");
        qputenv("CALDER_REGISTRY", QByteArray(registry + ".missing"));
        {
            Service svc(&ModelStores::create);
            QVERIFY(log->lines().contains("Unable to load the driver API DLL, err=0x00000002\n"));
            QCOMPARE(svc.deviceCount(), 0u);
            QVERIFY(svc.deviceNames().isEmpty());
            QCOMPARE(svc.lastStatus(), 0xEE000030u);
            svc.openDevice(); // no entry points: reported as a failed open
            QVERIFY(log->lines().contains("Error Opening"));
        }
        qputenv("CALDER_REGISTRY", registry);

        sim->setApiVersion(5, 1);
        {
            Service svc(&ModelStores::create);
            QVERIFY(log->lines().contains(
                "The driver API DLL version is not compatible with this version of Calder USB Audio Control Panel.\n"));
            QCOMPARE(svc.deviceCount(), 0u);
            QVERIFY(!svc.deviceHandle());
        }
        QCOMPARE(sim->openHandleCount(0), 0);
    }

    void destructionOrder()
    {
        {
            Service svc(&ModelStores::create);
            QVERIFY(svc.deviceHandle());
            log->clear();
        }
        const QStringList &lines = log->lines();
        const int timer = int(lines.indexOf("Deleted single device timer"));
        const int closing = int(lines.indexOf(": Closing device.\n"));
        const int closed = int(lines.indexOf("Closed the handle and unregistered notification"));
        QVERIFY(timer >= 0 && timer < closing && closing < closed);
        QCOMPARE(sim->openHandleCount(0), 0);
        QCOMPARE(sim->callCount("UnregisterPnpNotification"), 1u);
    }
};

QTEST_GUILESS_MAIN(TestCommunicationService)
#include "tst_communicationservice.moc"
