// Info page text forms and the ducker meter's peak hold, without a driver.
#include "viewmodels/InfoFormatting.h"
#include "viewmodels/MeterArithmetic.h"

#include <QtTest>

#include <cmath>

class TestFormats : public QObject
{
    Q_OBJECT
private slots:
    void idTexts();
    void revisionTexts_data();
    void revisionTexts();
    void serialAndProductTexts();
    void driverAndStreamingTexts();
    void meterWorkedExample();
    void meterDecayFloorAndBadLevels();
    void meterReportsOnlyMovesAboveThreeDb();
};

void TestFormats::idTexts()
{
    using namespace InfoFormatting;
    QCOMPARE(vendorIdText(0x5AB), QStringLiteral("0x05AB"));
    // Fixed prefixes, not a fill to four digits.
    QCOMPARE(vendorIdText(0x1234), QStringLiteral("0x01234"));
    QCOMPARE(vendorIdText(0), QStringLiteral("0x00"));
    QCOMPARE(productIdText(0x31), QStringLiteral("0x0031"));
    QCOMPARE(productIdText(0x30), QStringLiteral("0x0030"));
    QCOMPARE(productIdText(0), QStringLiteral("0x000"));
    QCOMPARE(productIdText(0xabcd), QStringLiteral("0x00ABCD"));
}

void TestFormats::revisionTexts_data()
{
    QTest::addColumn<uint>("revision");
    QTest::addColumn<QString>("text");
    QTest::newRow("three digits") << 0x105u << "1.05";
    QTest::newRow("upper case") << 0x1ABu << "1.AB";
    QTest::newRow("four digits keep the first three") << 0x1234u << "1.23";
    QTest::newRow("two digits padded") << 0x42u << "0.42";
    QTest::newRow("one digit padded") << 0x5u << "0.05";
    QTest::newRow("zeroed record") << 0u << "0.00";
}

void TestFormats::revisionTexts()
{
    QFETCH(uint, revision);
    QFETCH(QString, text);
    QCOMPARE(InfoFormatting::revisionText(revision), text);
}

void TestFormats::serialAndProductTexts()
{
    using namespace InfoFormatting;
    QCOMPARE(mixerSerialText(QStringLiteral("Mixer A-123"), QStringLiteral("A-123")), QStringLiteral("123"));
    // Only the second "-" part, empty parts kept.
    QCOMPARE(mixerSerialText(QStringLiteral("Mixer A-12-3"), QStringLiteral("A-12-3")), QStringLiteral("12"));
    QCOMPARE(mixerSerialText(QStringLiteral("Mixer A--3"), QStringLiteral("A--3")), QString());
    // No "-": the serial-number string as the device reports it.
    QCOMPARE(mixerSerialText(QStringLiteral("Mixer 00042"), QStringLiteral("00042")), QStringLiteral("00042"));
    QCOMPARE(mixerSerialText(QStringLiteral(" "), QString()), QString());

    QCOMPARE(otherProductText(QStringLiteral("Lumen Audio Prototype P-1"), QStringLiteral("Lumen Audio")),
             QStringLiteral("Prototype P-1"));
    // Case-sensitive, and every occurrence goes.
    QCOMPARE(otherProductText(QStringLiteral("lumen Foo Lumen Bar"), QStringLiteral("Lumen")),
             QStringLiteral("lumen Foo Bar"));
    // An empty manufacturer must not strip the spaces of the name.
    QCOMPARE(otherProductText(QStringLiteral("Desk Unit 7"), QString()), QStringLiteral("Desk Unit 7"));
}

void TestFormats::driverAndStreamingTexts()
{
    using namespace InfoFormatting;
    QCOMPARE(apiVersionText(5, 2, 1), QStringLiteral("5.2.1"));
    QCOMPARE(apiVersionText(4000000000u, 0, 12), QStringLiteral("4000000000.0.12"));
    QCOMPARE(buildTypeText(0), QStringLiteral("Release"));
    QCOMPARE(buildTypeText(1), QStringLiteral("Debug"));
    QCOMPARE(buildTypeText(0xFFFFFFFEu), QStringLiteral("Release"));
    QCOMPARE(streamingStateText(1), QStringLiteral("Active"));
    QCOMPARE(streamingStateText(0), QStringLiteral("Stopped"));
    QVERIFY(streamingStateText(2).isEmpty());
}

void TestFormats::meterWorkedExample()
{
    PeakHoldMeter meter;
    int reading = -1;
    // 20 log10(8388608) = 138.47 dB, reading trunc(138.4 - 138.47) = 0.
    QVERIFY(meter.update(8388608, &reading));
    QCOMPARE(reading, 0);
    QVERIFY(!meter.update(8388608, &reading)); // same level: nothing new
    QCOMPARE(meter.holdCounter(), 1);

    // The level drops to 0: the peak is held until the counter reaches 10 ...
    int polls = 0;
    while (meter.holdCounter() < MeterArithmetic::kHoldPolls) {
        QVERIFY(!meter.update(0, &reading));
        QCOMPARE(meter.heldPeak(), 8388608.0);
        ++polls;
    }
    QCOMPARE(polls, 9); // the repeat above was the first held poll
    // ... then falls by 0.75 per poll: the first fall (2.5 dB) reports nothing ...
    QVERIFY(!meter.update(0, &reading));
    QCOMPARE(meter.heldPeak(), 6291456.0);
    // ... the second (5 dB below the last report) gives 133.48 dB and the reading 4.
    QVERIFY(meter.update(0, &reading));
    QCOMPARE(reading, 4);
    QVERIFY(std::fabs(meter.lastReportedDb() - 133.476) < 0.001);

    // A louder level resets the hold at once.
    QVERIFY(meter.update(8388608, &reading));
    QCOMPARE(reading, 0);
    QCOMPARE(meter.holdCounter(), 0);
}

void TestFormats::meterDecayFloorAndBadLevels()
{
    int reading = -1;
    // No positive level yet: nothing to report, whatever the device sends.
    PeakHoldMeter bad;
    for (double level : {0.0, -1.0, double(INT32_MIN), -8388608.0}) {
        QVERIFY(!bad.update(level, &reading));
        QCOMPARE(bad.heldPeak(), 0.0);
    }

    PeakHoldMeter silent;
    for (int i = 0; i < MeterArithmetic::kHoldPolls; ++i)
        QVERIFY(!silent.update(0, &reading));
    QCOMPARE(silent.heldPeak(), 0.0);
    // Once the hold has run out a non-positive peak is lifted to 1 (0 dB), which is no move
    // from the initial 0 dB and so reports nothing.
    QVERIFY(!silent.update(0, &reading));
    QCOMPARE(silent.heldPeak(), 1.0);
    QCOMPARE(reading, -1);

    // A decaying peak settles at 1: 4 -> 3 -> 2.25 -> 1.69 -> 1.27 -> 0.95 -> 1.
    PeakHoldMeter decaying;
    QVERIFY(decaying.update(4.0, &reading));
    QCOMPARE(reading, 126); // 138.4 - 12.04 dB
    QList<int> reports;
    for (int i = 0; i < 40; ++i) {
        if (decaying.update(0, &reading))
            reports << reading;
    }
    QCOMPARE(decaying.heldPeak(), 1.0);
    QCOMPARE(reports, (QList<int>{131, 136})); // 7.04 dB and 2.04 dB; the rest moves less than 3 dB
}

void TestFormats::meterReportsOnlyMovesAboveThreeDb()
{
    PeakHoldMeter meter;
    int reading = -1;
    QVERIFY(meter.update(1000.0, &reading)); // 60 dB
    QCOMPARE(reading, 78);
    // Exactly 3 dB louder is not "more than" 3 dB.
    const double plus3 = 1000.0 * std::pow(10.0, 3.0 / 20.0);
    QVERIFY(!meter.update(plus3 * (1.0 - 1e-12), &reading));
    QVERIFY(meter.update(plus3 * 1.01, &reading)); // 63.09 dB
    QCOMPARE(reading, 75);
    QCOMPARE(MeterArithmetic::readingForDb(138.47), 0); // truncation toward zero, not floor
    QCOMPARE(MeterArithmetic::readingForDb(200.0), -61);
}

QTEST_GUILESS_MAIN(TestFormats)
#include "tst_vma_formats.moc"
