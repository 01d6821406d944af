// The pure layer under the pages: wire encodings, driver records, dB arithmetic, texts, peak hold.
#include "device/AsioInstanceRecord.h"
#include "device/DevicePropertiesRecord.h"
#include "device/MixerProtocol.h"
#include "device/StreamFormatRecord.h"
#include "device/TUsbAudioApiDll.h"
#include "device/VolumeRecords.h"
#include "viewmodels/InfoFormatting.h"
#include "viewmodels/MeterArithmetic.h"
#include "viewmodels/VolumeConversion.h"

#include <QtTest>

#include <cstring>
#include <thread>
#include <vector>

using namespace MixerProtocol;

namespace {
QByteArray hex(const Block &b)
{
    return QByteArray(reinterpret_cast<const char *>(b.data()), int(b.size())).toHex(' ').toUpper();
}

void putU32(std::vector<uint8_t> &b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (8 * i));
}

} // namespace

class TestEncodings : public QObject
{
    Q_OBJECT
private slots:
    void rangeAndSensitivity()
    {
        // The recipe's single-precision steps: at 1 and -23 dB a double computation differs.
        QCOMPARE(duckRangeValue(40), 0x0051EB84u);
        QCOMPARE(duckRangeValue(1), 0x1C85209Fu);
        QCOMPARE(sensitivityValue(-30), 0x00040C36u);
        QCOMPARE(sensitivityValue(-23), 0x00090FCBu);
        // Hand-edited settings: the gain underflows to 0 (result -1) or overflows 32 bits.
        QCOMPARE(duckRangeValue(2000), 0u);
        QCOMPARE(duckRangeValue(std::numeric_limits<int>::min()), 0x7FFFFFFFu);
        QCOMPARE(sensitivityValue(-2000), 0u);
        QCOMPARE(sensitivityValue(std::numeric_limits<int>::max()), 0x7FFFFFFFu);
    }

    // Ducker parameters high byte first (on AND 1, mask AND 0x0F, release AND 0xFFFF); routing low first.
    void blocksAndReplies()
    {
        const std::pair<Block, QByteArray> cases[] = {
            {parameterBlock(kParamAttackHold, attackHoldValue(-1, 70000)), "00 00 02 83 FF FF 11 70"},
            {parameterBlock(kParamDuckerSwitch, duckerSwitchValue(3, 0x1B, 70000)), "00 00 02 80 01 0B 11 70"},
            {parameterBlock(kParamDuckerSwitch, duckerSwitchValue(-1, -1, -1)), "00 00 02 80 01 0F FF FF"},
            {parameterBlock(kParamDuckRange, duckRangeValue(40)), "00 00 02 81 00 51 EB 84"},
            {routingBlock(0, 0x01020304), "00 00 04 00 04 03 02 01"},
        };
        for (const auto &[block, wire] : cases)
            QCOMPARE(hex(block), wire);

        QCOMPARE(meterLevel(Block{0x01, 0x02, 0x03, 0x04, 0xAA, 0xAA, 0xAA, 0xAA}), int32_t(0x04030201));
        QCOMPARE(meterLevel(Block{0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}), int32_t(-2));
        const DebugStatus d = parseDebugStatus(Block{0x11, 0x22, 0x33, 0x44, 0x55, 0x01, 0x02, 0x77});
        QCOMPARE(QVector<int>({d.id, d.mux0, d.mux1, d.adc, d.fx, d.tempo, d.constant}),
                 QVector<int>({0x11, 0x22, 0x33, 0x44, 0x55, 258, 0x77}));

        TUsbAudioApiDll api; // nothing loaded: every entry point is null
        Block reply;
        reply.fill(0x5A);
        QCOMPARE(writeParameterBlock(api, nullptr, routingBlock(0, 1)), tusb::kEntryPointMissing);
        QCOMPARE(readMeterBlock(api, nullptr, reply), tusb::kEntryPointMissing);
        QCOMPARE(reply, Block{}); // no stale reading survives a failed read
    }

    // The properties record's fields at their offsets; strings filling all 128 units stay in their field.
    void propertiesRecord()
    {
        DevicePropertiesRecord::Bytes r;
        r.fill(0xEE);
        const auto put = [&r](uint32_t offset, const QString &s) {
            for (int i = 0; i < s.size(); ++i) {
                r[offset + 2 * uint32_t(i)] = uint8_t(s.at(i).unicode());
                r[offset + 2 * uint32_t(i) + 1] = uint8_t(s.at(i).unicode() >> 8);
            }
        };
        std::memcpy(r.data(), "\x55\x4C\0\0\x32\0\0\0\x04\x03\0\x80", 12);
        put(tusb::kPropSerialNumber, QString(128, 's'));
        put(tusb::kPropManufacturer, QString(128, 'm'));
        put(tusb::kPropProduct, QString::fromUtf8("Basso \xc3\xa9\xe2\x82\xac") + QChar(0));
        const DevicePropertiesRecord p = DevicePropertiesRecord::parse(r);
        QCOMPARE((QVector<uint32_t>{p.vendorId, p.productId, p.revisionId}),
                 (QVector<uint32_t>{0x4C55, 0x32, 0x80000304}));
        QCOMPARE(p.manufacturer, QString(128, 'm'));
        QCOMPARE(p.displayName(), QString::fromUtf8("Basso \xc3\xa9\xe2\x82\xac ") + QString(128, 's'));
        put(tusb::kPropProduct, QString(128, 'p')); // the bytes after the product are not text
        QCOMPARE(DevicePropertiesRecord::parse(r).product, QString(128, 'p'));
    }

    void streamFormatAndAsioRecords()
    {
        std::vector<uint8_t> t(40 * tusb::kStreamFormatSize, 0);
        for (uint32_t i = 0; i < 40; ++i) {
            putU32(t, i * tusb::kStreamFormatSize, 100 + i);
            putU32(t, i * tusb::kStreamFormatSize + 4, 24);
            putU32(t, i * tusb::kStreamFormatSize + 8, 2 + i);
        }
        const auto three = StreamFormatRecord::parseTable(t.data(), t.size(), 3);
        QCOMPARE(three.size(), size_t(3));
        QCOMPARE(three[1].formatId, 101u);
        QCOMPARE(StreamFormatRecord::text(three[0]), QStringLiteral("2 channels, 24 bits"));
        QCOMPARE(StreamFormatRecord::maxChannelCount(three), 4u);
        // Counts beyond the 32-record table or beyond the buffer's whole records.
        QCOMPARE(StreamFormatRecord::parseTable(t.data(), t.size(), 0xFFFFFFFFu).size(), size_t(32));
        QCOMPARE(StreamFormatRecord::parseTable(t.data(), 2 * tusb::kStreamFormatSize + 100, 5).size(), size_t(2));

        std::vector<uint8_t> r(tusb::kAsioInstanceSize + 64, 0); // the list, not the buffer, ends at 40 sizes
        putU32(r, 4, 0xCAFE0001);
        putU32(r, 16, 0x00010003);
        putU32(r, 28, 256);
        putU32(r, 32, 3);
        for (uint32_t i = 0; i < tusb::kAsioMaxSizes; ++i)
            putU32(r, 36 + 4 * i, 16 * (i + 1));
        AsioInstanceInfo info = AsioInstanceRecord::parse(r.data(), r.size());
        QCOMPARE(info.instanceWord, 0xCAFE0001u);
        QVERIFY(AsioInstanceRecord::isSafeMode(info.flags));
        QCOMPARE(info.currentBufferSize, 256u);
        QCOMPARE(info.bufferSizes, (std::vector<uint32_t>{16, 32, 48}));
        QCOMPARE(AsioInstanceRecord::withSafeMode(0xFFFFFFFFu, false), 0xFFFEFFFFu);
        // A count beyond the 40 sizes the record holds, and a record cut inside the table.
        putU32(r, 32, 0xFFFFFFFFu);
        QCOMPARE(AsioInstanceRecord::parse(r.data(), r.size()).bufferSizes.size(), size_t(40));
        QCOMPARE(AsioInstanceRecord::parse(r.data(), 36 + 4 * 5 + 3).bufferSizes.size(), size_t(5));
        for (const auto &c : QList<QPair<QString, uint32_t>>{
                 {"512 samples", 512}, {"2048", 2048}, {" 512 samples", 0}, {"-64 samples", 0}, {"4294967296", 0}})
            QCOMPARE(AsioInstanceRecord::leadingBufferSize(c.first), c.second);
    }

    void channelNameAndVolumeDb()
    {
        // Without a terminator the name stops after 160 units, even when more bytes follow.
        std::vector<uint8_t> r(600, 'A');
        r[4 + 2 * 3] = 0xB5; // both bytes of a unit count
        r[5 + 2 * 3] = 0x03;
        const QString name = VolumeRecords::parseChannelName(r.data(), r.size());
        QCOMPARE(name.size(), 160);
        QCOMPARE(name.at(3), QChar(0x03B5));
        r[4 + 2 * 5] = r[5 + 2 * 5] = 0;
        QCOMPARE(VolumeRecords::parseChannelName(r.data(), r.size()).size(), 5);

        for (const auto &c : QList<QPair<int, int>>{{-2752, -10}, {-128, 0}, {-32767, -127}, {-32768, -128}, {255, 0}})
            QCOMPARE(int(VolumeConversion::toWholeDb(int16_t(c.first))), c.second);
        // Beyond 16 bits the value is held at the end instead of wrapping to the other sign.
        QCOMPARE(VolumeConversion::toDeviceValue(128), int16_t(127 * 256));
        QCOMPARE(VolumeConversion::toDeviceValue(-129), int16_t(-32768));
    }

    void infoTexts()
    {
        using namespace InfoFormatting;
        QCOMPARE(vendorIdText(0x5AB), QStringLiteral("0x05AB")); // four digits, not a fixed "0" prefix
        QCOMPARE(revisionText(0x42), QStringLiteral("0.42"));    // fewer digits: zero-padded
        QCOMPARE(mixerSerialText(QStringLiteral("Mixer A-12-3"), QStringLiteral("A-12-3")), QStringLiteral("12"));
        QCOMPARE(otherProductText(QStringLiteral("Lumen Audio Prototype P-1"), QStringLiteral("Lumen Audio")),
                 QStringLiteral("Prototype P-1"));
        // An empty manufacturer must not strip every space of the name.
        QCOMPARE(otherProductText(QStringLiteral("Desk Unit 7"), QString()), QStringLiteral("Desk Unit 7"));
    }

    void meterPeakHold()
    {
        PeakHoldMeter meter;
        int reading = -1;
        // Nothing before the first positive level; 20 log10(8388608) = 138.47 dB, truncated toward zero.
        for (double level : {0.0, -1.0, double(INT32_MIN)})
            QVERIFY(!meter.update(level, &reading));
        QVERIFY(meter.update(8388608, &reading));
        QCOMPARE(reading, 0);
        // Held ten polls; a first fall of 2.5 dB is not reported, the second is; a louder level restarts the hold.
        for (int i = 0; i < MeterArithmetic::kHoldPolls; ++i)
            QVERIFY(!meter.update(0, &reading));
        QVERIFY(!meter.update(0, &reading));
        QCOMPARE(meter.heldPeak(), 6291456.0);
        QVERIFY(meter.update(0, &reading));
        QCOMPARE(reading, 4);
        QVERIFY(meter.update(8388608, &reading));
        QCOMPARE(meter.holdCounter(), 0);

        // Updates from several threads (also under ThreadSanitizer) must not interleave.
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&meter, t] {
                int r = 0;
                for (int i = 0; i < 20000; ++i)
                    meter.update((i * 7919 + t * 104729) % 8388609, &r);
            });
        }
        for (int i = 0; i < 2000; ++i) {
            const int hold = meter.holdCounter();
            QVERIFY(hold >= 0 && hold <= MeterArithmetic::kHoldPolls);
            QVERIFY(meter.heldPeak() >= 0.0 && meter.heldPeak() <= 8388608.0);
        }
        for (std::thread &thread : threads)
            thread.join();
    }
};

QTEST_GUILESS_MAIN(TestEncodings)
#include "tst_encodings.moc"
