// A driver whose calls block for 1000 ms (the vendor requests' own timeout): the GUI thread waits
// only for the calls the pages make, the meter keeps its 50 ms tick without two reads in the
// driver at once, and closing or quitting waits for a blocked meter read, within a bound.
#include "TestRig.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

using namespace testrig;

namespace {
constexpr int kBlockMs = 1000;

quint32 meterReads(const SimulatorControl &sim) { return sim.callCount(QStringLiteral("ClassVendorRequestIn")); }

int driverState(const SimulatorControl &sim, const char *key)
{
    return QJsonDocument::fromJson(sim.state()).object().value(QLatin1String(key)).toInt(-1);
}

// Runs the event loop for `ms`; returns the longest the GUI thread spent in one event handler.
qint64 longestStall(int ms)
{
    QTimer tick; // wakes the loop at least every 10 ms
    tick.start(10);
    qint64 longest = 0;
    QElapsedTimer total, one;
    total.start();
    while (total.elapsed() < ms) {
        one.start();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        longest = qMax(longest, one.elapsed());
    }
    return longest;
}
} // namespace

class TestBlockingDriver : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        initApplicationIdentity();
        QVERIFY2(SimulatorControl().isValid(), qPrintable(SimulatorControl().errorString()));
    }
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
    QVERIFY(panel.service->deviceHandle());
    QSharedPointer<DuckerVM> vm = panel.container.resolve<DuckerVM>();
    vm->onActivate();
    sim.setDelay(QStringLiteral("*"), kBlockMs);
    sim.resetCallCounts();

    // Switching on sends one parameter write from the GUI thread: one blocked call, no more
    // (the meter's read runs on the pool and is never waited for).
    QElapsedTimer clock;
    clock.start();
    vm->onDuckerToggled();
    const qint64 took = clock.elapsed();
    QCOMPARE(sim.callCount(QStringLiteral("ClassVendorRequestOut")), 1u);
    QVERIFY2(took >= kBlockMs - 50 && took < 2 * kBlockMs - 100, qPrintable(QString::number(took)));

    // Reads that take a second each: the 50 ms ticks in between start none, so the reads follow
    // one another without overlap, and the event loop keeps turning meanwhile.
    clock.restart();
    const qint64 stall = longestStall(3300);
    const quint32 blocked = meterReads(sim);
    QVERIFY2(stall < kBlockMs / 2, qPrintable(QStringLiteral("GUI stalled %1 ms").arg(stall)));
    QVERIFY2(blocked >= 3 && qint64(blocked) <= clock.elapsed() / kBlockMs + 1,
             qPrintable(QStringLiteral("%1 reads in %2 ms").arg(blocked).arg(clock.elapsed())));

    // The driver answers at once again: the pace is the 50 ms tick, with no burst of reads
    // queued up while it was blocked.
    sim.clearFaults();
    QVERIFY(spin(2 * kBlockMs, [&] { return meterReads(sim) > blocked; }));
    const quint32 start = meterReads(sim);
    clock.restart();
    spin(1000);
    const quint32 paced = meterReads(sim) - start;
    QVERIFY2(paced >= 8 && paced <= 24,
             qPrintable(QStringLiteral("%1 reads in %2 ms").arg(paced).arg(clock.elapsed())));
}

// The device goes while a meter read is blocked in the driver: its handle is closed only once
// the read is out, so no call ever finds its handle closed. The waits of a close and of exit
// are bounded for a read that outlasts the driver's timeout.
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

    // A read blocked far beyond the timeout: the close gives up after its bound and leaves
    // the handle open until the read is out.
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
