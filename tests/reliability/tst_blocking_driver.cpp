// A driver whose every call blocks for 1000 ms (the vendor requests' own timeout): the GUI
// thread waits only for the calls the pages make on it, the ducker meter keeps its 50 ms
// tick without ever having two reads in the driver, and shutting down while a meter read is
// blocked does not pull the library out from under it.
#include "TestRig.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLibrary>
#include <QTimer>

#if !defined(Q_OS_WIN)
#include <dlfcn.h>
#endif

using namespace testrig;

namespace {
constexpr int kBlockMs = 1000;

quint32 meterReads(const SimulatorControl &sim) { return sim.callCount(QStringLiteral("ClassVendorRequestIn")); }

int driverState(const SimulatorControl &sim, const char *key)
{
    return QJsonDocument::fromJson(sim.state()).object().value(QLatin1String(key)).toInt(-1);
}

// Longest gap between the ticks of a 10 ms timer on the GUI thread.
class StallMeter : public QObject
{
public:
    StallMeter()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { m_longest = qMax(m_longest, m_clock.restart()); });
    }
    void start()
    {
        m_longest = 0;
        m_clock.start();
        m_timer.start();
    }
    qint64 longest() const { return m_longest; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
};
} // namespace

class TestBlockingDriver : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void guiWaitsOnlyForItsOwnCalls();
    void meterKeepsPaceWithoutOverlap();
    void shutdownWhileMeterReadIsBlocked();
    void closeWaitsForBlockedMeterRead();
};

void TestBlockingDriver::initTestCase()
{
    initApplicationIdentity();
    SimulatorControl sim;
    QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
}

void TestBlockingDriver::init() { QSettings().clear(); }

void TestBlockingDriver::cleanup()
{
    SimulatorControl sim;
    sim.clearFaults();
    QVERIFY(QThreadPool::globalInstance()->waitForDone(5000));
}

void TestBlockingDriver::guiWaitsOnlyForItsOwnCalls()
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
    const qint64 toggleOn = clock.elapsed();
    QCOMPARE(sim.callCount(QStringLiteral("ClassVendorRequestOut")), 1u);
    QVERIFY2(toggleOn >= kBlockMs - 50 && toggleOn < 2 * kBlockMs - 100, qPrintable(QString::number(toggleOn)));

    // Idle with the meter polling a blocked driver: the event loop keeps turning.
    StallMeter stalls;
    stalls.start();
    QVERIFY(spin(2500, [&] { return meterReads(sim) >= 2; }));
    spin(500);
    QVERIFY2(stalls.longest() < kBlockMs / 2, qPrintable(QStringLiteral("GUI stalled %1 ms").arg(stalls.longest())));

    // Switching off while a read is blocked in the driver waits for the write only.
    clock.restart();
    vm->onDuckerToggled();
    const qint64 toggleOff = clock.elapsed();
    QVERIFY2(toggleOff < 2 * kBlockMs - 100, qPrintable(QString::number(toggleOff)));
    sim.clearFaults();
    vm.reset();
}

void TestBlockingDriver::meterKeepsPaceWithoutOverlap()
{
    SimulatorControl sim;
    QCOMPARE(sim.reset(QStringLiteral("alto,tenor")), 2);
    QSettings().setValue(QStringLiteral("Alto/Ducker/On"), 1);
    Panel panel(Panel::WithoutWindow);
    panel.connect(0);
    QSharedPointer<DuckerVM> vm = panel.container.resolve<DuckerVM>();
    sim.setDelay(QStringLiteral("ClassVendorRequestIn"), kBlockMs);
    sim.resetCallCounts();
    QElapsedTimer clock;
    clock.start();
    vm->onActivate(); // on from the store: polling starts
    QVERIFY(vm->duckerOn());

    // Reads that take a second each: the 50 ms ticks in between start none, so the reads
    // follow one another and never overlap.
    spin(3300);
    const quint32 blocked = meterReads(sim);
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(blocked >= 3 && qint64(blocked) <= elapsed / kBlockMs + 1,
             qPrintable(QStringLiteral("%1 reads in %2 ms").arg(blocked).arg(elapsed)));

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
    vm.reset();
}

void TestBlockingDriver::shutdownWhileMeterReadIsBlocked()
{
#if defined(Q_OS_WIN)
    QSKIP("uses dlopen to watch the library's unloading");
#else
    const QByteArray path = QFile::encodeName(TestEnvironment::simulatorLibrary());
    auto loaded = [&] {
        void *h = dlopen(path.constData(), RTLD_NOW | RTLD_NOLOAD);
        if (h)
            dlclose(h);
        return h != nullptr;
    };
    QVERIFY2(!loaded(), "the simulator must not be loaded by anything else in this test");

    auto panel = std::make_unique<Panel>(Panel::WithoutWindow);
    QSharedPointer<DuckerVM> vm;
    {
        // The test's own handle on the simulator goes before the panel does, so that the
        // service holds the last reference and its unload really unmaps the library.
        SimulatorControl sim;
        QCOMPARE(sim.reset(QStringLiteral("alto,tenor")), 2);
        QSettings().setValue(QStringLiteral("Alto/Ducker/On"), 1);
        panel->connect(0);
        QVERIFY(panel->service->deviceHandle());
        sim.setDelay(QStringLiteral("ClassVendorRequestIn"), 800);
        sim.resetCallCounts();
        vm = panel->container.resolve<DuckerVM>();
        vm->onActivate();
        QVERIFY(spin(1000, [&] { return meterReads(sim) >= 1; }));
    }
    QVERIFY(loaded());

    // The user quits: the page, then the services go, while the read sleeps in the driver.
    LogCapture log;
    vm.reset();
    panel.reset();
    // The library may only go once nothing runs in it any more: the read finished as the
    // driver answered it, not cut short by the library's unloading (its pool thread may
    // still be on its way back into the pool).
    QVERIFY(QThreadPool::globalInstance()->waitForDone(3000));
    QCOMPARE(log.count(":read device failed."), 0);
    QCOMPARE(log.count(":read meter success."), 1);
    QVERIFY2(!loaded(), "the service did not unload the library");
#endif
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
    vm->onDuckerToggled(); // off: no further reads
    QElapsedTimer clock;
    clock.start();
    panel->service->closeDevice();
    QVERIFY2(clock.elapsed() >= LumenCommunicationService::kWorkerCallWaitMs - 50 &&
                 clock.elapsed() < LumenCommunicationService::kWorkerCallWaitMs + 2000,
             qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(sim.openHandleCount(0), 1);
    sim.clearFaults();
    QVERIFY(readsDone());
    panel->service->refreshDeviceList();
    QCOMPARE(sim.openHandleCount(0), 0);
    QCOMPARE(driverState(sim, "staleHandleCalls"), 0);

    // Exit waits no longer either.
    panel->connect(0);
    vm->onDuckerToggled();
    QVERIFY(blockNextRead(QStringLiteral("5000 1")));
    clock.restart();
    vm.reset();
    panel.reset();
    QVERIFY2(clock.elapsed() < LumenCommunicationService::kWorkerCallWaitMs + 2000,
             qPrintable(QString::number(clock.elapsed())));
}

QTEST_MAIN(TestBlockingDriver)
#include "tst_blocking_driver.moc"
