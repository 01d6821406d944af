// The wire encodings and the properties record, without a driver.
#include "device/DevicePropertiesRecord.h"
#include "device/MixerProtocol.h"
#include "device/TUsbAudioApiDll.h"

#include <QtTest>

#include <cmath>
#include <cstring>

using namespace MixerProtocol;

namespace {

QByteArray hex(const Block &b)
{
    return QByteArray(reinterpret_cast<const char *>(b.data()), int(b.size())).toHex(' ').toUpper();
}

// The two recipes as the protocol describes them, step by step in single and double precision.
uint32_t referenceRange(int r)
{
    double e = -double(r) / 20.0;
    float es = static_cast<float>(e);
    double f = std::pow(10.0, static_cast<double>(es));
    float fs = static_cast<float>(f);
    float product = fs * static_cast<float>(536870912);
    double v = static_cast<double>(product) - 1.0;
    return static_cast<uint32_t>(static_cast<int64_t>(v));
}

uint32_t referenceSensitivity(int s)
{
    float es = static_cast<float>(s) / static_cast<float>(20);
    double g = std::pow(10.0, static_cast<double>(es));
    float gs = static_cast<float>(g);
    float v = gs * static_cast<float>(8388608) - static_cast<float>(1);
    return static_cast<uint32_t>(static_cast<int64_t>(v));
}

} // namespace

class TestMixerProtocol : public QObject
{
    Q_OBJECT
private slots:
    void rangeAndSensitivityKnownValues()
    {
        QCOMPARE(duckRangeValue(0), 0x1FFFFFFFu);
        QCOMPARE(duckRangeValue(40), 0x0051EB84u);
        QCOMPARE(duckRangeValue(90), 16976u);
        QCOMPARE(sensitivityValue(0), 0x007FFFFFu);
        QCOMPARE(sensitivityValue(-30), 0x00040C36u);
        QCOMPARE(sensitivityValue(-60), 8387u);
    }

    void recipeSweepOverEveryWholeDb()
    {
        for (int r = 0; r <= 90; ++r)
            QVERIFY2(duckRangeValue(r) == referenceRange(r), qPrintable(QString("range %1 dB").arg(r)));
        for (int s = -60; s <= 0; ++s)
            QVERIFY2(sensitivityValue(s) == referenceSensitivity(s), qPrintable(QString("sensitivity %1 dB").arg(s)));
    }

    void outOfRangeValuesSaturate()
    {
        // Hand-edited settings: the gain underflows to 0 (result -1) or overflows 32 bits.
        QCOMPARE(duckRangeValue(2000), 0u);
        QCOMPARE(duckRangeValue(-200), 0x7FFFFFFFu);
        QCOMPARE(duckRangeValue(std::numeric_limits<int>::min()), 0x7FFFFFFFu);
        QCOMPARE(duckRangeValue(std::numeric_limits<int>::max()), 0u);
        QCOMPARE(sensitivityValue(-2000), 0u);
        QCOMPARE(sensitivityValue(std::numeric_limits<int>::max()), 0x7FFFFFFFu);
    }

    // Ducker parameters high byte first (on AND 1, mask AND 0x0F, release AND 0xFFFF); routing low first.
    void blocks()
    {
        const std::pair<Block, QByteArray> cases[] = {
            {parameterBlock(kParamAttackHold, attackHoldValue(50, 250)), "00 00 02 83 00 32 00 FA"},
            {parameterBlock(kParamAttackHold, attackHoldValue(-1, 70000)), "00 00 02 83 FF FF 11 70"},
            {parameterBlock(kParamDuckerSwitch, duckerSwitchValue(1, 1, 2000)), "00 00 02 80 01 01 07 D0"},
            {parameterBlock(kParamDuckerSwitch, duckerSwitchValue(0, 0, 750)), "00 00 02 80 00 00 02 EE"},
            {parameterBlock(kParamDuckerSwitch, duckerSwitchValue(3, 0x1B, 70000)), "00 00 02 80 01 0B 11 70"},
            {parameterBlock(kParamDuckerSwitch, duckerSwitchValue(-1, -1, -1)), "00 00 02 80 01 0F FF FF"},
            {parameterBlock(kParamDuckRange, duckRangeValue(40)), "00 00 02 81 00 51 EB 84"},
            {parameterBlock(kParamSensitivity, sensitivityValue(-30)), "00 00 02 82 00 04 0C 36"},
            {routingBlock(0, 2), "00 00 04 00 02 00 00 00"},
            {routingBlock(0, 0x01020304), "00 00 04 00 04 03 02 01"},
        };
        for (const auto &[block, wire] : cases)
            QCOMPARE(hex(block), wire);
    }

    void replies()
    {
        QCOMPARE(meterLevel(Block{0x01, 0x02, 0x03, 0x04, 0xAA, 0xAA, 0xAA, 0xAA}), int32_t(0x04030201));
        QCOMPARE(meterLevel(Block{0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}), int32_t(-2));
        const DebugStatus d = parseDebugStatus(Block{0x11, 0x22, 0x33, 0x44, 0x55, 0x01, 0x02, 0x77});
        QCOMPARE(QVector<int>({d.id, d.mux0, d.mux1, d.adc, d.fx, d.tempo, d.constant}),
                 QVector<int>({0x11, 0x22, 0x33, 0x44, 0x55, 258, 0x77}));
        QCOMPARE(parseDebugStatus(Block{0, 0, 0, 0, 0, 0xFF, 0xFE, 0}).tempo, uint16_t(0xFFFE));
    }

    void sendersWithoutLibrary()
    {
        TUsbAudioApiDll api; // nothing loaded: every entry point is null
        Block reply;
        reply.fill(0x5A);
        QCOMPARE(writeParameterBlock(api, nullptr, routingBlock(0, 1)), tusb::kEntryPointMissing);
        QCOMPARE(readMeterBlock(api, nullptr, reply), tusb::kEntryPointMissing);
        QCOMPARE(reply, Block{}); // no stale reading survives a failed read
        QCOMPARE(readDebugBlock(api, nullptr, reply), tusb::kEntryPointMissing);
    }

    // The record's fields at their offsets; strings filling all 128 units stay in their field.
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
        QCOMPARE(p.vendorId, 0x4C55u);
        QCOMPARE(p.productId, 0x32u);
        QCOMPARE(p.revisionId, 0x80000304u);
        QCOMPARE(p.serialNumber, QString(128, 's'));
        QCOMPARE(p.manufacturer, QString(128, 'm'));
        QCOMPARE(p.displayName(), QString::fromUtf8("Basso \xc3\xa9\xe2\x82\xac ") + QString(128, 's'));
        put(tusb::kPropProduct, QString(128, 'p')); // the bytes after the product are not text
        QCOMPARE(DevicePropertiesRecord::parse(r).product, QString(128, 'p'));
        QCOMPARE(DevicePropertiesRecord::parse(DevicePropertiesRecord::Bytes{}).displayName(), QStringLiteral(" "));
    }
};

QTEST_APPLESS_MAIN(TestMixerProtocol)
#include "tst_mixerprotocol.moc"
