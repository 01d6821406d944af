// Info page text forms and the ducker meter's peak hold, without a driver.
#include "viewmodels/InfoFormatting.h"
#include "viewmodels/MeterArithmetic.h"

#include <QtTest>

#include <cmath>

class TestFormats : public QObject
{
    Q_OBJECT
private slots:
    void infoTexts();
    void meterWorkedExample();
    void meterSilenceAndBadLevels();
};

// The common forms are shown through the page in tests/viewmodels/tst_pages; here the edge cases.
void TestFormats::infoTexts()
{
    using namespace InfoFormatting;
    QCOMPARE(vendorIdText(0x5AB), QStringLiteral("0x05AB")); // four digits, not a fixed "0" prefix
    QCOMPARE(revisionText(0x1234), QStringLiteral("1.23"));
    QCOMPARE(revisionText(0x42), QStringLiteral("0.42")); // fewer digits: zero-padded
    QCOMPARE(mixerSerialText(QStringLiteral("Mixer A-12-3"), QStringLiteral("A-12-3")), QStringLiteral("12"));
    QCOMPARE(otherProductText(QStringLiteral("Lumen Audio Prototype P-1"), QStringLiteral("Lumen Audio")),
             QStringLiteral("Prototype P-1"));
    // An empty manufacturer must not strip every space of the name.
    QCOMPARE(otherProductText(QStringLiteral("Desk Unit 7"), QString()), QStringLiteral("Desk Unit 7"));
}

void TestFormats::meterWorkedExample()
{
    PeakHoldMeter meter;
    int reading = -1;
    // 20 log10(8388608) = 138.47 dB; trunc(138.4 - 138.47) = 0 (toward zero, not -1).
    QVERIFY(meter.update(8388608, &reading));
    QCOMPARE(reading, 0);
    // Level 0 from now on: the peak is held for ten polls ...
    for (int i = 0; i < MeterArithmetic::kHoldPolls; ++i) {
        QVERIFY(!meter.update(0, &reading));
        QCOMPARE(meter.heldPeak(), 8388608.0);
    }
    // ... the first fall by 0.75 (2.5 dB) is not more than 3 dB ...
    QVERIFY(!meter.update(0, &reading));
    QCOMPARE(meter.heldPeak(), 6291456.0);
    // ... the second gives 133.48 dB and the reading 4.
    QVERIFY(meter.update(0, &reading));
    QCOMPARE(reading, 4);
    QVERIFY(std::fabs(meter.lastReportedDb() - 133.476) < 0.001);
    // A louder level takes over at once and restarts the hold.
    QVERIFY(meter.update(8388608, &reading));
    QCOMPARE(reading, 0);
    QCOMPARE(meter.holdCounter(), 0);
}

void TestFormats::meterSilenceAndBadLevels()
{
    int reading = -1;
    // Before any positive level nothing is reported, whatever the device sends.
    PeakHoldMeter meter;
    for (double level : {0.0, -1.0, double(INT32_MIN), 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0})
        QVERIFY(!meter.update(level, &reading));
    QCOMPARE(meter.heldPeak(), 1.0); // lifted to 1 (0 dB) once the hold ran out: no move, no report
    QCOMPARE(reading, -1);
}

QTEST_GUILESS_MAIN(TestFormats)
#include "tst_formatting.moc"
