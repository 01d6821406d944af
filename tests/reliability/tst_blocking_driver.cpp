// Driver calls that block for the vendor requests' 1000 ms timeout: the GUI waits only for the pages'
// calls, meter reads never overlap, a close or exit waits for a blocked read within a bound.
#include "TestRig.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace testrig;

namespace {
constexpr int kBlockMs = 1000;

quint32 meterReads(const SimulatorControl &sim) { return sim.callCount(QStringLiteral("ClassVendorRequestIn")); }

int driverState(const SimulatorControl &sim, const char *key)
{
    return QJsonDocument::fromJson(sim.state()).object().value(QLatin1String(key)).toInt(-1);
}

} // namespace

class TestBlockingDriver : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { initApplicationIdentity(); }
    void init() { QSettings().clear(); }
    void cleanup()
    {
        SimulatorControl().clearFaults();
        QVERIFY(QThreadPool::globalInstance()->waitForDone(5000));
    }
    void meterOnABlockedDriver();
    void closeWaitsForBlockedMeterRead();
};

void TestBlockingDriver::meterOnABlockedDriver()
{
    SimulatorControl sim;
    QCOMPARE(sim.reset(QStringLiteral("alto,tenor")), 2);
    Panel panel(Panel::WithoutWindow);
    panel.connect(0);
    QSharedPointer<DuckerVM> vm = panel.container.resolve<DuckerVM>();
    vm->onActivate();
    sim.setDelay(QStringLiteral("*"), kBlockMs);
    sim.resetCallCounts();

    // Switching on blocks the GUI for its one write, not for the meter's read on the pool.
    QElapsedTimer clock;
    clock.start();
    vm->onDuckerToggled();
    const qint64 took = clock.elapsed();
    QCOMPARE(sim.callCount(QStringLiteral("ClassVendorRequestOut")), 1u);
    QVERIFY2(took >= kBlockMs - 50 && took < 2 * kBlockMs - 100, qPrintable(QString::number(took)));

    // Reads of a second each: the ticks between start none, and the GUI thread turns while one is
    // in the driver (seen from this thread only if the read is not on it or awaited by it).
    clock.restart();
    bool turnedDuringRead = false;
    spin(3300, [&] {
        turnedDuringRead = turnedDuringRead || driverState(sim, "callsInProgress") == 1;
        return false;
    });
    const quint32 blocked = meterReads(sim);
    QVERIFY(turnedDuringRead);
    QVERIFY2(blocked >= 3 && qint64(blocked) <= clock.elapsed() / kBlockMs + 1,
             qPrintable(QStringLiteral("%1 reads in %2 ms").arg(blocked).arg(clock.elapsed())));

    // Answered at once again: the 50 ms pace, no burst of reads queued while blocked.
    sim.clearFaults();
    QVERIFY(spin(2 * kBlockMs, [&] { return meterReads(sim) > blocked; }));
    const quint32 start = meterReads(sim);
    clock.restart();
    spin(1000);
    const quint32 paced = meterReads(sim) - start;
    QVERIFY2(paced >= 8 && paced <= 24,
             qPrintable(QStringLiteral("%1 reads in %2 ms").arg(paced).arg(clock.elapsed())));
}

// A device's handle is closed only once its blocked meter read is out; a close and exit wait a
// bounded time for a read that outlasts the driver's timeout.
void TestBlockingDriver::closeWaitsForBlockedMeterRead()
{
    SimulatorControl sim;
    QCOMPARE(sim.reset(QStringLiteral("alto,tenor")), 2);
    QSettings().setValue(QStringLiteral("Alto/Ducker/On"), 1);
    auto panel = std::make_unique<Panel>(Panel::WithoutWindow);
    panel->connect(0);
    QSharedPointer<DuckerVM> vm = panel->container.resolve<DuckerVM>();
    auto blockNextRead = [&](const QString &how) {
        bool ok = false;
        sim.command(QStringLiteral("delay ClassVendorRequestIn ") + how, &ok);
        const quint32 reads = meterReads(sim);
        return ok && spin(2000, [&] { return meterReads(sim) > reads; });
    };
    auto readsDone = [&] { return spin(6000, [&] { return driverState(sim, "callsInProgress") == 0; }); };
    const int bound = LumenCommunicationService::kWorkerCallWaitMs;

    // Blocked for 800 ms, and the unplug does not cut it short.
    vm->onActivate(); // on from the store: polling starts
    QVERIFY(blockNextRead(QStringLiteral("800 1 stubborn")));
    QVERIFY(sim.unplug(0));
    QVERIFY(spin(3000, [&] { return panel->service->deviceCount() == 1; }));
    QVERIFY(readsDone());
    QCOMPARE(driverState(sim, "staleHandleCalls"), 0);

    // Blocked far beyond the timeout: the close gives up after its bound, the handle stays open.
    QVERIFY(panel->service->deviceHandle()); // the Tenor, now alone
    QVERIFY(blockNextRead(QStringLiteral("5000 1")));
    vm->onDuckerToggled(); // off, not waiting for the read: no further reads
    QElapsedTimer clock;
    clock.start();
    panel->service->closeDevice();
    QVERIFY2(clock.elapsed() >= bound - 50 && clock.elapsed() < bound + 2000,
             qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(sim.openHandleCount(0), 1);
    sim.clearFaults();
    QVERIFY(readsDone());
    panel->service->refreshDeviceList();
    QCOMPARE(sim.openHandleCount(0), 0);
    QCOMPARE(driverState(sim, "staleHandleCalls"), 0);

    // Exit waits for it as long, and no longer; the library stays loaded under the running read.
    panel->connect(0);
    vm->onDuckerToggled();
    QVERIFY(blockNextRead(QStringLiteral("5000 1")));
    LogCapture log;
    clock.restart();
    vm.reset();
    panel.reset();
    QVERIFY2(clock.elapsed() >= bound - 50 && clock.elapsed() < bound + 2000,
             qPrintable(QString::number(clock.elapsed())));
    QVERIFY(log.has(": A driver call is still running; the driver API DLL stays loaded."));
}

QTEST_MAIN(TestBlockingDriver)
#include "tst_blocking_driver.moc"
