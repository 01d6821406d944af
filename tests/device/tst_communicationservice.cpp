// The communication service through the real loader, platform events and simulated driver.
#include "TestRig.h"
#include "settings/AltoRegistryService.h"
#include "settings/ModelStores.h"

#include <QtTest>

#include <QSettings>

#include <memory>

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
        initApplicationIdentity();
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

    // Devices in USB mode 1 or whose probe fails are counted, not listed; only a single listed one is opened.
    void listingOpensOnlyASingleListedDevice()
    {
        for (const QString devices : {"", "alto,tenor", "usbmode1", "usbmode1,alto,tenor"}) {
            sim->reset(devices);
            Service svc(&ModelStores::create);
            QCOMPARE(int(svc.deviceCount()), sim->deviceCount());
            QCOMPARE(svc.deviceNames(), simulatorDeviceNames(*sim));
            QVERIFY(!svc.deviceHandle() && !svc.singleDeviceTimer()->isActive());
            svc.checkConnectionStatus();
            for (int i = 0; i < sim->deviceCount(); ++i)
                QVERIFY(sim->openHandleCount(i) == 0 && sim->requestLog(i).isEmpty());
        }
        sim->reset("usbmode1,alto,tenor");
        Service svc(&ModelStores::create);
        sim->setFault("OpenDeviceByIndex", kSomeFailure, 1);
        sim->setFault("GetDeviceProperties", kSomeFailure, 1);
        svc.refreshDeviceList();
        QCOMPARE(svc.deviceCount(), 3u);
        QCOMPARE(svc.deviceNames().size(), 1); // index 0 failed to open, index 1 to read properties
        QCOMPARE(sim->openHandleCount(0) + sim->openHandleCount(1) + sim->openHandleCount(2), 0);
    }

    void startWithOneAltoWritesDefaultsTwice()
    {
        sim->setSampleRate(0, 44100);
        QElapsedTimer sinceStart;
        sinceStart.start();
        {
            Service svc(&ModelStores::create);
            QCOMPARE(svc.sampleRate(), 44100u);
            QCOMPARE(outBlocks(*sim, 0), kAltoDefaultBlocks);
            for (const CalderSimRequest &r : sim->requests(0))
                QCOMPARE(QVector<quint32>({r.direction, r.recipient, r.recipientIndex, r.value, r.index, r.request,
                                           r.length, r.timeoutMs}),
                         QVector<quint32>({0, 0, 0, 0, 0, 0x10, 8, 1000}));
            QCOMPARE(QSettings().childGroups(), QStringList{"Alto"}); // only the open model's store
            QTRY_COMPARE_WITH_TIMEOUT(outBlocks(*sim, 0).size(), 10, 8000);
            QVERIFY2(sinceStart.elapsed() >= 1900, qPrintable(QString::number(sinceStart.elapsed()))); // after 2 s
            QCOMPARE(outBlocks(*sim, 0).mid(5), kAltoDefaultBlocks);
            QCOMPARE(sim->openHandleCount(0), 1);
            QVERIFY(svc.deviceHandle() && !svc.singleDeviceTimer()->isActive());
        }
        QCOMPARE(sim->openHandleCount(0), 0);
        QCOMPARE(sim->callCount("UnregisterPnpNotification"), 1u);
    }

    // Both routing blocks and the two extra trigger inputs; keys absent from a non-empty group read as 0.
    void bassoStoredValuesReachTheWire()
    {
        sim->reset("basso");
        replaceStoredSettings({{"Basso/AudioRouting/Input12", 0},
                               {"Basso/AudioRouting/Input32", 3},
                               {"Basso/Ducker/On", 1},
                               {"Basso/Ducker/Input 1", 1},
                               {"Basso/Ducker/Input 3", 4},
                               {"Basso/Ducker/ReleaseTime", 750}});
        Service svc(&ModelStores::create);
        QCOMPARE(outBlocks(*sim, 0),
                 (QStringList{"00 00 04 00 00 00 00 00", "00 00 04 00 03 00 00 00", "00 00 02 80 01 05 02 EE",
                              "00 00 02 81 1F FF FF FF", "00 00 02 82 00 7F FF FF", "00 00 02 83 00 00 00 00"}));
    }

    // Every key edited above, below its field, to text or to nothing: the mixer gets values in
    // range (the model's default entry, the nearest bound, the key's default, the input's bit),
    // and the file keeps what it says.
    void editedSettingsReachTheMixerInRange_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("blocks");
        const QList<std::pair<QString, QStringList>> values{
            {"99999", {"00 00 02 80 01 %1 13 88", "00 00 02 81 00 00 42 50", "00 00 02 82 00 7F FF FF",
                       "00 00 02 83 FF FF FF FF"}},
            {"-99999", {"00 00 02 80 00 %1 00 00", "00 00 02 81 1F FF FF FF", "00 00 02 82 00 00 20 C3",
                        "00 00 02 83 00 00 00 00"}},
            {"abc", kAltoDefaultBlocks.mid(1)},
            {"", kAltoDefaultBlocks.mid(1)}};
        for (const QString model : {"Alto", "Tenor", "Basso"}) {
            for (const auto &[value, ducker] : values) {
                QStringList blocks{kAltoDefaultBlocks.first()}; // the list's first entry, on the Basso for both pairs
                if (model == "Basso")
                    blocks << blocks.first();
                for (const QString &b : ducker)
                    blocks << QString(b).replace("%1", model == "Basso" ? "0F" : "03");
                QTest::newRow(qPrintable(model + " " + value)) << model << value << blocks;
            }
        }
    }
    void editedSettingsReachTheMixerInRange()
    {
        QFETCH(QString, model);
        QFETCH(QString, value);
        QFETCH(QStringList, blocks);
        sim->reset(model.toLower());
        QSettings edited;
        for (const QString key : {"AudioRouting/Input12", "AudioRouting/Input32", "Ducker/On", "Ducker/Input 1",
                                  "Ducker/Input 2", "Ducker/Input 3", "Ducker/Input 4", "Ducker/Sensitivity",
                                  "Ducker/DuckerRange", "Ducker/ReleaseTime", "Ducker/AttackTime", "Ducker/HoldTime"})
            edited.setValue(model + "/" + key, value);
        edited.sync();
        const auto fileText = [&edited] {
            QFile file(edited.fileName());
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("unreadable");
        };
        const QByteArray text = fileText();
        {
            Service svc(&ModelStores::create);
            QCOMPARE(outBlocks(*sim, 0), blocks);
        }
        QSettings().sync();
        QCOMPARE(fileText(), text);
    }

    // Not of the family: no store, no requests. A second device closes the first; no PnP listener, no action.
    void plugAndUnplugPickTheDevice()
    {
        sim->reset("unknown");
        sim->setDeviceIds(0, LumenVendorId, 0x77, 1);
        {
            Service svc(&ModelStores::create);
            QVERIFY(svc.deviceHandle() && !svc.registryService() && sim->requests(0).isEmpty());
        }
        QVERIFY(QSettings().childGroups().isEmpty());
        sim->reset("alto");
        Service svc(&ModelStores::create);
        TestListener l(svc);
        svc.setReplyListener(&l);
        const auto altoStore = svc.registryService();
        sim->unplug(0);
        QTRY_VERIFY(log->lines().contains("Notified"));
        QVERIFY(svc.deviceHandle());
        svc.setPnPEventListener(&l);
        sim->plug("foreign");
        QTRY_VERIFY(l.calls.contains("arrived"));
        QVERIFY(svc.deviceHandle() && altoStore && svc.registryService() == altoStore);
        QVERIFY(sim->requests(0).isEmpty());
        sim->plug("tenor");
        QTRY_COMPARE(l.calls.count("arrived"), 2);
        QCOMPARE(l.calls.mid(l.calls.size() - 2), (QStringList{"stateChanged", "arrived"}));
        QVERIFY(!svc.deviceHandle() && sim->requestLog(1).isEmpty());
        QCOMPARE(sim->openHandleCount(0) + sim->openHandleCount(1), 0);
        sim->unplug(0);
        QTRY_VERIFY(l.calls.contains("removed"));
        QVERIFY(svc.deviceHandle()); // the one left is opened
        const quint32 calls = sim->callCount();
        svc.openDevice(); // already open: nothing
        QCOMPARE(sim->callCount(), calls);
        sim->unplug(0);
        QTRY_COMPARE(l.calls.count("removed"), 2);
        QVERIFY(svc.deviceCount() == 0 && svc.deviceNames().isEmpty() && !svc.deviceHandle());
    }

    void notificationReappliesSettings()
    {
        Service svc(&ModelStores::create);
        TestListener l(svc);
        svc.setReplyListener(&l);
        AltoRegistryService().setAudioRoutingValue("Input12", 3);
        AltoRegistryService().setDuckerValue("Input 3", 4); // no Alto key: not in the mask
        sim->setSampleRate(0, 96000);
        sim->clearRequests(0);
        QCOMPARE(sim->notify(0), 1);
        QTRY_VERIFY(l.calls.contains("notification"));
        QCOMPARE(l.calls, (QStringList{"stateChanged", "notification"}));
        QCOMPARE(svc.sampleRate(), 96000u);
        QCOMPARE(outBlocks(*sim, 0), QStringList{"00 00 04 00 03 00 00 00"} << kAltoDefaultBlocks.mid(1));
        svc.notified(nullptr);
        sim->setFault("ReadDeviceNotification", kSomeFailure, 1);
        svc.notified(nullptr);
        QCOMPARE(l.calls.count("notification"), 3);
        QCOMPARE(outBlocks(*sim, 0).size(), 15);
        sim->setFault("GetCurrentSampleRate", kSomeFailure, 1);
        svc.notified(nullptr);
        QCOMPARE(l.calls.last(), QString("failed"));
        QVERIFY(!svc.deviceHandle() && svc.sampleRate() == 0);
        QCOMPARE(svc.productId(), kProductAlto); // not read from a closed device
    }

    // A page torn down inside a callback, the top bar replaced: only the new one may be called.
    void listenerReplacedDuringCallback()
    {
        Service svc(&ModelStores::create);
        auto *first = new TestListener(svc);
        TestListener second(svc);
        svc.setReplyListener(first);
        svc.setPnPEventListener(first);
        const auto goAway = [&](TestListener *self, const QString &what) {
            if (what == "stateChanged") {
                svc.setPnPEventListener(&second);
                delete self;
            }
        };
        first->onCall = goAway;
        sim->plug("tenor");
        QTRY_VERIFY(second.calls.contains("arrived"));
        QVERIFY(!svc.replyListener());
        TestListener third(svc);
        svc.clearPnPEventListener(&third); // another's clear leaves the slot alone
        QCOMPARE(svc.pnpEventListener(), &second);

        // The same in a notification, whose rate read reports the state first.
        sim->unplug(1);
        QTRY_VERIFY(svc.deviceHandle());
        first = new TestListener(svc);
        first->onCall = goAway;
        svc.setReplyListener(first);
        sim->notify(0);
        QTRY_VERIFY(!svc.replyListener());
    }
};

QTEST_GUILESS_MAIN(TestCommunicationService)
#include "tst_communicationservice.moc"
