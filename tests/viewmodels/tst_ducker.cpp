// The ducker page over the simulator: activation from the store, wire blocks, store writes, the meter.
#include "TestRig.h"
#include "device/MixerProtocol.h"

using namespace testrig;

namespace {
constexpr uint16_t kSwitch = MixerProtocol::kParamDuckerSwitch;

QSharedPointer<DuckerVM> activePage(Rig &rig)
{
    QSharedPointer<DuckerVM> vm(new DuckerVM(rig.service, rig.bus));
    vm->onActivate();
    return vm;
}

// The page is the only caller of ClassVendorRequestIn in these tests.
quint32 meterReads(const SimulatorControl &sim) { return sim.callCount("ClassVendorRequestIn"); }

// An Alto (with a Tenor beside it, so no 2 s reconnect) whose meter holds `level`.
bool startAlto(Rig &rig, int level = 1000)
{
    rig.configure = [&rig, level] {
        rig.sim.setMeterSignal(0, CALDER_SIM_METER_CONSTANT);
        rig.sim.setMeterLevel(0, level);
    };
    return rig.start("alto,tenor", 0);
}
} // namespace

class TestDucker : public QObject
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

    void cleanup() { QVERIFY(QThreadPool::globalInstance()->waitForDone(3000)); }

    void tenorDefaultsAfterActivation()
    {
        Rig rig;
        QVERIFY(rig.start("tenor,alto", 0));
        auto vm = activePage(rig);
        QVERIFY(!vm->duckerOn());
        QCOMPARE(vm->sensitivity(), -30);
        QCOMPARE(vm->duckerRange(), 40);
        QCOMPARE(vm->releaseTime(), 2.0);
        QVERIFY(!vm->input1Checked() && !vm->input2Checked());
        QVERIFY(!vm->input3Visibility() && !vm->input4Visibility());
        // Activation sends only the fixed attack/hold block and reads no meter.
        QCOMPARE(rig.sim.requestLog(0).size(), 1);
        QCOMPARE(hex(rig.sim.requestLog(0).first()), QByteArray("00 00 02 83 00 32 00 FA"));
        // The stored times, as a connection sends them.
        QSettings().setValue("Tenor/Ducker/AttackTime", 10);
        QSettings().setValue("Tenor/Ducker/HoldTime", 100);
        activePage(rig);
        QCOMPARE(hex(rig.sim.requestLog(0).last()), QByteArray("00 00 02 83 00 0A 00 64"));
    }

    void triggerMasks()
    {
        {
            // Hand-edited: bit 2 is no Alto input and is never sent.
            QSettings().setValue("Alto/Ducker/Input 1", 5);
            QSettings().setValue("Alto/Ducker/ReleaseTime", 2000);
            Rig rig;
            QVERIFY(startAlto(rig));
            auto vm = activePage(rig);
            QVERIFY(vm->input1Checked() && !vm->input2Checked());
            vm->onChannel2SelectionChanged();
            QCOMPARE(lastBlockOf(rig.sim, 0, kSwitch), QStringLiteral("00 00 02 80 00 03 07 D0"));
            QCOMPARE(storedInt("Alto/Ducker/Input 2"), 2); // the bit, not 1
            vm->onChannel2SelectionChanged();
            QCOMPARE(lastBlockOf(rig.sim, 0, kSwitch), QStringLiteral("00 00 02 80 00 01 07 D0"));
            QCOMPARE(storedInt("Alto/Ducker/Input 2"), 0);
            // A box written through its property, then toggled off, must not corrupt the mask.
            vm->setInput2Checked(true);
            vm->onChannel2SelectionChanged();
            QCOMPARE(DuckerVM::duckerInputMask() & 3, 1);
        }
        for (auto [key, value] : {std::pair{"Input 1", 1}, {"Input 2", 2}, {"Input 4", 8}, {"ReleaseTime", 2000}})
            QSettings().setValue(QStringLiteral("Basso/Ducker/") + key, value);
        Rig rig;
        QVERIFY(rig.start("basso,alto", 0));
        auto vm = activePage(rig);
        QVERIFY(vm->input3Visibility() && vm->input4Visibility());
        QVERIFY(vm->input1Checked() && vm->input2Checked() && !vm->input3Checked() && vm->input4Checked());
        vm->onChannel4SelectionChanged();
        vm->onChannel3SelectionChanged();
        QCOMPARE(lastBlockOf(rig.sim, 0, kSwitch), QStringLiteral("00 00 02 80 00 07 07 D0"));
        QCOMPARE(storedInt("Basso/Ducker/Input 3"), 4);
        QCOMPARE(storedInt("Basso/Ducker/Input 4"), 0);
    }

    void switchReleaseRangeAndThreshold()
    {
        QSettings().setValue("Alto/Ducker/Input 1", 1);
        QSettings().setValue("Alto/Ducker/ReleaseTime", 2000);
        Rig rig;
        QVERIFY(startAlto(rig));
        auto vm = activePage(rig);
        vm->onDuckerToggled();
        vm->onReleaseTimeChanged(0.75);
        QCOMPARE(lastBlockOf(rig.sim, 0, kSwitch), QStringLiteral("00 00 02 80 01 01 02 EE"));
        QCOMPARE(storedInt("Alto/Ducker/ReleaseTime"), 750);
        vm->onReleaseTimeChanged(1.001); // whole milliseconds survive the trip through seconds
        QCOMPARE(storedInt("Alto/Ducker/ReleaseTime"), 1001);
        // A broken slider value is never undefined.
        vm->onReleaseTimeChanged(qQNaN());
        QCOMPARE(lastBlockOf(rig.sim, 0, kSwitch), QStringLiteral("00 00 02 80 01 01 00 00"));

        vm->onDuckerRangeChanged(0);
        QCOMPARE(lastBlockOf(rig.sim, 0, MixerProtocol::kParamDuckRange), QStringLiteral("00 00 02 81 1F FF FF FF"));
        vm->onSensitivityChanged(0);
        QCOMPARE(lastBlockOf(rig.sim, 0, MixerProtocol::kParamSensitivity), QStringLiteral("00 00 02 82 00 7F FF FF"));
        // Stored as well (values other than 0, which an absent key also reads as).
        vm->onDuckerRangeChanged(12);
        vm->onSensitivityChanged(-12);
        QCOMPARE(storedInt("Alto/Ducker/DuckerRange"), 12);
        QCOMPARE(storedInt("Alto/Ducker/Sensitivity"), -12);

        vm->onDuckerToggled(); // "Off" is stored before the block is built from it
        QCOMPARE(lastBlockOf(rig.sim, 0, kSwitch), QStringLiteral("00 00 02 80 00 01 00 00"));
        QCOMPARE(storedInt("Alto/Ducker/On"), 0);
    }

    void meterFollowsLevelWithPeakHold()
    {
        Rig rig;
        QVERIFY(startAlto(rig, 1000));
        auto vm = activePage(rig);
        QList<int> readings;
        connect(vm.data(), &DuckerVM::meterReadingChanged, this, [&] { readings << vm->meterReading(); });
        vm->onDuckerToggled();
        QTRY_COMPARE(vm->meterReading(), 78); // 60 dB
        rig.sim.setMeterLevel(0, CALDER_SIM_METER_FULL_SCALE);
        QTRY_COMPARE(vm->meterReading(), 0); // 138.47 dB
        // Silence: the peak is held ten polls from its arrival; the first fall is not reported.
        const quint32 before = meterReads(rig.sim);
        QElapsedTimer clock;
        clock.start();
        rig.sim.setMeterLevel(0, 0);
        QTRY_COMPARE_WITH_TIMEOUT(vm->meterReading(), 4, 5000);
        const quint32 polls = meterReads(rig.sim) - before;
        QVERIFY2(polls >= 9 && polls <= 13, qPrintable(QString::number(polls)));
        // One poll per 50 ms tick: ticks of twice that length would take far longer.
        QVERIFY2(clock.elapsed() < polls * 80,
                 qPrintable(QStringLiteral("%1 polls in %2 ms").arg(polls).arg(clock.elapsed())));
        QTRY_COMPARE_WITH_TIMEOUT(vm->meterReading(), 9, 2000);
        QCOMPARE(readings.mid(0, 4), (QList<int>{78, 0, 4, 9}));
        vm->onDuckerToggled();
    }

    void meterAfterFailedReadsAndOffOn()
    {
        Rig rig;
        QVERIFY(startAlto(rig, 1000));
        auto vm = activePage(rig);
        rig.sim.setFault("ClassVendorRequestIn", 0xEE000040u, -1);
        vm->onDuckerToggled();
        QTRY_VERIFY(meterReads(rig.sim) >= 4);
        QCOMPARE(vm->meterReading(), 0);
        rig.sim.clearFaults(); // polling goes on and picks the level up
        QTRY_COMPARE(vm->meterReading(), 78);

        // Off while a read is blocked: no tick starts another; on again, polling resumes.
        rig.sim.setDelay("ClassVendorRequestIn", 300, 1);
        const quint32 started = meterReads(rig.sim);
        QTRY_VERIFY(meterReads(rig.sim) > started);
        vm->onDuckerToggled();
        QTest::qWait(600); // the blocked read ends meanwhile
        QCOMPARE(meterReads(rig.sim), started + 1);
        rig.sim.setMeterLevel(0, CALDER_SIM_METER_FULL_SCALE);
        vm->onDuckerToggled();
        QTRY_COMPARE(vm->meterReading(), 0);
    }

    void pageDestroyedDuringBlockedRead()
    {
        Rig rig;
        QVERIFY(startAlto(rig));
        QSettings().setValue("Alto/Ducker/On", 1);
        auto vm = activePage(rig); // on from the store: polling starts
        rig.sim.setDelay("ClassVendorRequestIn", 1000, 1);
        QTRY_COMPARE(meterReads(rig.sim), 1u);
        QTest::qWait(200); // the 50 ms ticks meanwhile start no second read
        QCOMPARE(meterReads(rig.sim), 1u);
        rig.sim.clearRequests(0);

        // The read blocks in the driver for a second; the page goes away meanwhile, at once.
        QElapsedTimer clock;
        clock.start();
        vm.reset();
        QVERIFY2(clock.elapsed() < 700, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(rig.service->replyListener(), nullptr);

        // The read completes later into nothing; nothing else reaches the device.
        QVERIFY(QThreadPool::globalInstance()->waitForDone(3000));
        QTest::qWait(100);
        QCOMPARE(meterReads(rig.sim), 1u);
        const QList<CalderSimRequest> after = rig.sim.requests(0);
        QVERIFY(after.size() <= 1);
        for (const CalderSimRequest &r : after)
            QCOMPARE(r.direction, 1u);
    }
};

QTEST_GUILESS_MAIN(TestDucker)
#include "tst_ducker.moc"
