// Random plug, unplug and notification events while listeners come and go, some of them
// inside the service's own callbacks. Meant to run under AddressSanitizer as well.
#include "ServiceTestSupport.h"
#include "app/AppConstants.h"

#include <QtTest>

#include <QRandomGenerator>

#include <memory>
#include <vector>

class TestServiceStorm : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void storm();
};

void TestServiceStorm::initTestCase()
{
    QCoreApplication::setOrganizationName(AppConstants::kOrganizationName);
    QCoreApplication::setApplicationName(AppConstants::kApplicationName);
}

void TestServiceStorm::storm()
{
    SimulatorControl sim;
    QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
    sim.reset("alto");
    LogCapture quiet; // thousands of lines otherwise

    const quint32 seed = qEnvironmentVariableIsSet("CALDER_STORM_SEED")
                             ? quint32(qEnvironmentVariableIntValue("CALDER_STORM_SEED"))
                             : QRandomGenerator::global()->generate();
    qInfo("seed %u", seed);
    QRandomGenerator rng(seed);
    const QStringList models{"alto", "tenor", "basso", "foreign", "unknown", "usbmode1", "v21"};

    auto svc = std::make_unique<LumenCommunicationService>();
    std::vector<std::unique_ptr<TestListener>> listeners;
    int reentered = 0;

    // What the pages and the top bar do from inside callbacks: go away, hand the slot to a
    // new object, or ask for a fresh connection.
    std::function<void(TestListener *, const QString &)> behave = [&](TestListener *self, const QString &) {
        switch (rng.bounded(8)) {
        case 0:
            for (auto it = listeners.begin(); it != listeners.end(); ++it) {
                if (it->get() == self) {
                    listeners.erase(it); // deletes self; nothing below may touch it
                    return;
                }
            }
            return;
        case 1: {
            listeners.push_back(std::make_unique<TestListener>(*svc));
            listeners.back()->onCall = behave;
            if (rng.bounded(2))
                svc->setPnPEventListener(listeners.back().get());
            else
                svc->setReplyListener(listeners.back().get());
            return;
        }
        case 2:
            if (reentered < 2) {
                ++reentered;
                svc->onConnectionRequest();
                --reentered;
            }
            return;
        default:
            return;
        }
    };

    int events = 0;
    for (int step = 0; events < 2000 && step < 20000; ++step) {
        const int devices = sim.deviceCount();
        switch (rng.bounded(10)) {
        case 0:
        case 1:
            if (devices < 4) {
                sim.plug(models.at(int(rng.bounded(quint32(models.size())))));
                ++events;
            }
            break;
        case 2:
        case 3:
            if (devices > 0) {
                sim.unplug(int(rng.bounded(quint32(devices))));
                ++events;
            }
            break;
        case 4:
        case 5:
            if (devices > 0) {
                sim.notify(int(rng.bounded(quint32(devices))));
                ++events;
            }
            break;
        case 6: {
            listeners.push_back(std::make_unique<TestListener>(*svc));
            listeners.back()->onCall = behave;
            svc->setReplyListener(listeners.back().get());
            if (rng.bounded(2))
                svc->setPnPEventListener(listeners.back().get());
            break;
        }
        case 7:
            if (!listeners.empty())
                listeners.erase(listeners.begin() + int(rng.bounded(quint32(listeners.size()))));
            break;
        case 8:
            if (devices > 0) {
                svc->setDeviceIndex(rng.bounded(quint32(devices)));
                svc->onConnectionRequest();
            }
            break;
        default:
            QCoreApplication::processEvents();
            break;
        }
        if (rng.bounded(3) == 0)
            QCoreApplication::processEvents();
        QCOMPARE(TestListener::deadCalls(), 0);
    }
    QVERIFY(events >= 2000);
    qInfo("%d events, %d handled as plug/unplug, %d as notifications, %d listeners left", events,
          int(LogCapture::lines().count("Notified")), int(LogCapture::lines().count("Device Notification")),
          int(listeners.size()));

    // Settle: one more event with a top bar in place brings the list up to date.
    QCoreApplication::processEvents();
    auto topBar = std::make_unique<TestListener>(*svc);
    svc->setPnPEventListener(topBar.get());
    sim.plug("tenor");
    QTRY_VERIFY(topBar->calls.contains("arrived"));
    QCOMPARE(svc->deviceNames(), simulatorDeviceNames(sim));
    QCOMPARE(int(svc->deviceCount()), sim.deviceCount());

    topBar.reset();
    listeners.clear();
    svc.reset();
    QCOMPARE(TestListener::deadCalls(), 0);
    QCOMPARE(TestListener::liveCount(), 0);
    for (int i = 0; i < sim.deviceCount(); ++i)
        QCOMPARE(sim.openHandleCount(i), 0);
}

QTEST_GUILESS_MAIN(TestServiceStorm)
#include "tst_servicestorm.moc"
