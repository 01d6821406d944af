// The wire encodings and the properties record, without a driver.
#include "device/DevicePropertiesRecord.h"
#include "device/MixerProtocol.h"
#include "device/TUsbAudioApiDll.h"

#include <QtTest>

#include <cmath>

using namespace MixerProtocol;

namespace {

QByteArray hex(const Block &b)
{
    return QByteArray(reinterpret_cast<const char *>(b.data()), int(b.size())).toHex(' ').toUpper();
}

// The two recipes, written out again from the protocol description so that a change of
// precision in either place shows up as a mismatch.
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
    void rangeAndSensitivityKnownValues();
    void recipeSweepOverEveryWholeDb();
    void outOfRangeValuesSaturate();
    void duckerBlocksAreHighByteFirst();
    void routingBlockIsLowByteFirst();
    void replies();
    void sendersWithoutLibrary();
    void propertiesRecord();
    void propertiesStringsWithoutTerminatorStayInside();
};

void TestMixerProtocol::rangeAndSensitivityKnownValues()
{
    QCOMPARE(duckRangeValue(0), 0x1FFFFFFFu);
    QCOMPARE(duckRangeValue(40), 5368708u);
    QCOMPARE(duckRangeValue(40), 0x0051EB84u);
    QCOMPARE(duckRangeValue(90), 16976u);
    QCOMPARE(sensitivityValue(0), 0x007FFFFFu);
    QCOMPARE(sensitivityValue(-30), 265270u);
    QCOMPARE(sensitivityValue(-30), 0x00040C36u);
    QCOMPARE(sensitivityValue(-60), 8387u);
}

void TestMixerProtocol::recipeSweepOverEveryWholeDb()
{
    for (int r = 0; r <= 90; ++r)
        QVERIFY2(duckRangeValue(r) == referenceRange(r), qPrintable(QString("range %1 dB").arg(r)));
    for (int s = -60; s <= 0; ++s)
        QVERIFY2(sensitivityValue(s) == referenceSensitivity(s), qPrintable(QString("sensitivity %1 dB").arg(s)));
    // Both are attenuations: strictly falling over the range the pages offer.
    for (int r = 1; r <= 90; ++r)
        QVERIFY(duckRangeValue(r) < duckRangeValue(r - 1));
    for (int s = -59; s <= 0; ++s)
        QVERIFY(sensitivityValue(s) > sensitivityValue(s - 1));
}

void TestMixerProtocol::outOfRangeValuesSaturate()
{
    // Hand-edited settings: the gain underflows to 0 (result -1) or overflows 32 bits.
    QCOMPARE(duckRangeValue(2000), 0u);
    QCOMPARE(duckRangeValue(-200), 0x7FFFFFFFu);
    QCOMPARE(duckRangeValue(std::numeric_limits<int>::min()), 0x7FFFFFFFu);
    QCOMPARE(duckRangeValue(std::numeric_limits<int>::max()), 0u);
    QCOMPARE(sensitivityValue(-2000), 0u);
    QCOMPARE(sensitivityValue(500), 0x7FFFFFFFu);
    QCOMPARE(sensitivityValue(std::numeric_limits<int>::max()), 0x7FFFFFFFu);
}

void TestMixerProtocol::duckerBlocksAreHighByteFirst()
{
    QCOMPARE(hex(parameterBlock(kParamAttackHold, attackHoldValue(50, 250))), QByteArray("00 00 02 83 00 32 00 FA"));
    QCOMPARE(hex(parameterBlock(kParamDuckerSwitch, duckerSwitchValue(1, 1, 2000))),
             QByteArray("00 00 02 80 01 01 07 D0"));
    QCOMPARE(hex(parameterBlock(kParamDuckerSwitch, duckerSwitchValue(0, 0, 750))),
             QByteArray("00 00 02 80 00 00 02 EE"));
    // on AND 1, mask AND 0x0F, release AND 0xFFFF.
    QCOMPARE(hex(parameterBlock(kParamDuckerSwitch, duckerSwitchValue(3, 0x1B, 70000))),
             QByteArray("00 00 02 80 01 0B 11 70"));
    QCOMPARE(hex(parameterBlock(kParamDuckerSwitch, duckerSwitchValue(-1, -1, -1))),
             QByteArray("00 00 02 80 01 0F FF FF"));
    QCOMPARE(hex(parameterBlock(kParamDuckRange, duckRangeValue(40))), QByteArray("00 00 02 81 00 51 EB 84"));
    QCOMPARE(hex(parameterBlock(kParamSensitivity, sensitivityValue(-30))), QByteArray("00 00 02 82 00 04 0C 36"));
    QCOMPARE(attackHoldValue(-1, 70000), 0xFFFF1170u);
}

void TestMixerProtocol::routingBlockIsLowByteFirst()
{
    QCOMPARE(hex(routingBlock(0, 2)), QByteArray("00 00 04 00 02 00 00 00"));
    QCOMPARE(hex(routingBlock(0, 0x01020304)), QByteArray("00 00 04 00 04 03 02 01"));
    QCOMPARE(hex(routingBlock(0, uint32_t(-1))), QByteArray("00 00 04 00 FF FF FF FF"));
}

void TestMixerProtocol::replies()
{
    QCOMPARE(meterLevel(Block{0x01, 0x02, 0x03, 0x04, 0xAA, 0xAA, 0xAA, 0xAA}), int32_t(0x04030201));
    QCOMPARE(meterLevel(Block{0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}), int32_t(-2));
    const DebugStatus d = parseDebugStatus(Block{0x11, 0x22, 0x33, 0x44, 0x55, 0x01, 0x02, 0x77});
    QCOMPARE(d.tempo, uint16_t(258));
    QCOMPARE(d.id, uint8_t(0x11));
    QCOMPARE(d.mux0, uint8_t(0x22));
    QCOMPARE(d.mux1, uint8_t(0x33));
    QCOMPARE(d.adc, uint8_t(0x44));
    QCOMPARE(d.fx, uint8_t(0x55));
    QCOMPARE(d.constant, uint8_t(0x77));
    QCOMPARE(parseDebugStatus(Block{0, 0, 0, 0, 0, 0xFF, 0xFE, 0}).tempo, uint16_t(0xFFFE));
}

void TestMixerProtocol::sendersWithoutLibrary()
{
    TUsbAudioApiDll api; // nothing loaded: every entry point is null
    Block reply;
    reply.fill(0x5A);
    QCOMPARE(writeParameterBlock(api, nullptr, routingBlock(0, 1)), tusb::kEntryPointMissing);
    QCOMPARE(readMeterBlock(api, nullptr, reply), tusb::kEntryPointMissing);
    QCOMPARE(reply, Block{}); // no stale reading survives a failed read
    QCOMPARE(readDebugBlock(api, nullptr, reply), tusb::kEntryPointMissing);
}

namespace {
void putUtf16(DevicePropertiesRecord::Bytes &r, uint32_t offset, const QString &s)
{
    for (int i = 0; i < s.size(); ++i) {
        r[offset + 2 * uint32_t(i)] = uint8_t(s.at(i).unicode());
        r[offset + 2 * uint32_t(i) + 1] = uint8_t(s.at(i).unicode() >> 8);
    }
}
} // namespace

void TestMixerProtocol::propertiesRecord()
{
    DevicePropertiesRecord::Bytes r{};
    r[0] = 0x55; r[1] = 0x4C;             // vendor 0x4C55
    r[4] = 0x32;                           // product 0x32
    r[8] = 0x04; r[9] = 0x03; r[11] = 0x80; // revision 0x80000304
    putUtf16(r, tusb::kPropSerialNumber, QStringLiteral("SN-001"));
    putUtf16(r, tusb::kPropManufacturer, QStringLiteral("Maker"));
    putUtf16(r, tusb::kPropProduct, QString::fromUtf8("Basso \xc3\xa9\xe2\x82\xac"));
    const DevicePropertiesRecord p = DevicePropertiesRecord::parse(r);
    QCOMPARE(p.vendorId, 0x4C55u);
    QCOMPARE(p.productId, 0x32u);
    QCOMPARE(p.revisionId, 0x80000304u);
    QCOMPARE(p.serialNumber, QStringLiteral("SN-001"));
    QCOMPARE(p.manufacturer, QStringLiteral("Maker"));
    QCOMPARE(p.displayName(), QString::fromUtf8("Basso \xc3\xa9\xe2\x82\xac SN-001"));
    QCOMPARE(DevicePropertiesRecord::parse(DevicePropertiesRecord::Bytes{}).displayName(), QStringLiteral(" "));
}

void TestMixerProtocol::propertiesStringsWithoutTerminatorStayInside()
{
    // Every string fills its 128 units; the bytes after the product string are not text.
    DevicePropertiesRecord::Bytes r;
    r.fill(0xEE);
    putUtf16(r, tusb::kPropSerialNumber, QString(128, QLatin1Char('s')));
    putUtf16(r, tusb::kPropManufacturer, QString(128, QLatin1Char('m')));
    putUtf16(r, tusb::kPropProduct, QString(128, QLatin1Char('p')));
    const DevicePropertiesRecord p = DevicePropertiesRecord::parse(r);
    QCOMPARE(p.serialNumber, QString(128, QLatin1Char('s')));
    QCOMPARE(p.manufacturer, QString(128, QLatin1Char('m')));
    QCOMPARE(p.product, QString(128, QLatin1Char('p')));
}

QTEST_APPLESS_MAIN(TestMixerProtocol)
#include "tst_mixerprotocol.moc"
