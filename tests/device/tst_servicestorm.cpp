// Random plug, unplug and notification events while listeners come and go, some of them
// inside the service's own callbacks. Meant to run under AddressSanitizer as well.
#include "TestRig.h"
#include "settings/ModelStores.h"

#include <QtTest>

#include <QRandomGenerator>

#include <memory>
#include <vector>

using namespace testrig;

class TestServiceStorm : public QObject
{
    Q_OBJECT
private slots:
    void storm()
    {
        initApplicationIdentity();
        SimulatorControl sim;
        QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
        sim.reset("alto");
        LogCapture quiet; // thousands of lines otherwise

        const quint32 seed = qEnvironmentVariableIsSet("CALDER_STORM_SEED")
                                 ? qEnvironmentVariable("CALDER_STORM_SEED").toUInt()
                                 : QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QRandomGenerator rng(seed);
        const QStringList models{"alto", "tenor", "basso", "foreign", "unknown", "usbmode1", "v21"};

        auto svc = std::make_unique<LumenCommunicationService>(&ModelStores::create);
        std::vector<std::unique_ptr<TestListener>> listeners;
        int reentered = 0;
        std::function<void(TestListener *, const QString &)> behave;
        const auto addListener = [&](bool reply, bool pnp) {
            listeners.push_back(std::make_unique<TestListener>(*svc));
            listeners.back()->onCall = behave;
            if (reply)
                svc->setReplyListener(listeners.back().get());
            if (pnp)
                svc->setPnPEventListener(listeners.back().get());
        };
        // What the pages and the top bar do from inside callbacks: go away, hand the slot to a
        // new object, or ask for a fresh connection.
        behave = [&](TestListener *self, const QString &) {
            const quint32 pick = rng.bounded(8);
            if (pick == 0) {
                for (auto it = listeners.begin(); it != listeners.end(); ++it) {
                    if (it->get() == self) {
                        listeners.erase(it); // deletes self; nothing below may touch it
                        return;
                    }
                }
            } else if (pick == 1) {
                const bool pnp = rng.bounded(2);
                addListener(!pnp, pnp);
            } else if (pick == 2 && reentered < 2) {
                ++reentered;
                svc->onConnectionRequest();
                --reentered;
            }
        };

        int events = 0;
        for (int step = 0; events < 2000 && step < 20000; ++step) {
            const int devices = sim.deviceCount();
            const quint32 pick = rng.bounded(10);
            if (pick < 2 && devices < 4) {
                sim.plug(models.at(int(rng.bounded(quint32(models.size())))));
                ++events;
            } else if (pick >= 2 && pick < 6 && devices > 0) {
                const int at = int(rng.bounded(quint32(devices)));
                if (pick < 4)
                    sim.unplug(at);
                else
                    sim.notify(at);
                ++events;
            } else if (pick == 6) {
                addListener(true, rng.bounded(2));
            } else if (pick == 7 && !listeners.empty()) {
                listeners.erase(listeners.begin() + int(rng.bounded(quint32(listeners.size()))));
            } else if (pick == 8 && devices > 0) {
                svc->setDeviceIndex(rng.bounded(quint32(devices)));
                svc->onConnectionRequest();
            }
            if (pick == 9 || rng.bounded(3) == 0)
                QCoreApplication::processEvents();
            QCOMPARE(TestListener::deadCalls(), 0);
        }
        QVERIFY(events >= 2000);

        // Settle: one more event with a top bar in place brings the list up to date. The storm's
        // listeners stop acting first, or one of them could take the top bar's slot meanwhile.
        for (auto &l : listeners)
            l->onCall = nullptr;
        QCoreApplication::processEvents();
        auto topBar = std::make_unique<TestListener>(*svc);
        svc->setPnPEventListener(topBar.get());
        sim.plug("tenor");
        // Earlier events may still be queued behind this one: wait for the state.
        QTRY_VERIFY_WITH_TIMEOUT(topBar->calls.contains("arrived") && svc->deviceNames() == simulatorDeviceNames(sim) &&
                                     int(svc->deviceCount()) == sim.deviceCount(),
                                 30000);

        topBar.reset();
        listeners.clear();
        svc.reset();
        QCOMPARE(TestListener::deadCalls(), 0);
        QCOMPARE(TestListener::liveCount(), 0);
        for (int i = 0; i < sim.deviceCount(); ++i)
            QCOMPARE(sim.openHandleCount(i), 0);
    }
};

QTEST_GUILESS_MAIN(TestServiceStorm)
#include "tst_servicestorm.moc"
