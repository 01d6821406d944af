// Record parsing and dB arithmetic of the buffer settings and volume pages, fed with
// well-formed, truncated and random records.
#include "device/AsioInstanceRecord.h"
#include "device/StreamFormatRecord.h"
#include "device/VolumeRecords.h"
#include "viewmodels/VolumeConversion.h"

#include <QRandomGenerator>
#include <QtTest>

#include <vector>

namespace {
void putU32(std::vector<uint8_t> &b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (8 * i));
}
} // namespace

class TestRecords : public QObject
{
    Q_OBJECT
private slots:
    void streamFormatTable();
    void asioInstance();
    void channelName();
    void volumeConversion();
    void randomRecordsStayInBounds();
};

void TestRecords::streamFormatTable()
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
    QCOMPARE(StreamFormatRecord::parse(t.data(), 6).sampleBits, 0u);
}

void TestRecords::asioInstance()
{
    std::vector<uint8_t> r(tusb::kAsioInstanceSize, 0);
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
    info = AsioInstanceRecord::parse(r.data(), r.size());
    QCOMPARE(info.bufferSizes.size(), size_t(40));
    QCOMPARE(info.bufferSizes.back(), 640u);
    QCOMPARE(AsioInstanceRecord::parse(r.data(), 36 + 4 * 5 + 3).bufferSizes.size(), size_t(5));

    for (const auto &c : QList<QPair<QString, uint32_t>>{
             {"512 samples", 512}, {"2048", 2048}, {" 512 samples", 0}, {"-64 samples", 0}, {"4294967296 samples", 0}})
        QCOMPARE(AsioInstanceRecord::leadingBufferSize(c.first), c.second);
}

void TestRecords::channelName()
{
    // Without a terminator the name stops after 160 units, even when more bytes follow.
    std::vector<uint8_t> r(600, 'A');
    r[4 + 2 * 3] = 0xB5; // both bytes of a unit count
    r[5 + 2 * 3] = 0x03;
    const QString name = VolumeRecords::parseChannelName(r.data(), r.size());
    QCOMPARE(name.size(), 160);
    QCOMPARE(name.at(2), QChar(0x4141));
    QCOMPARE(name.at(3), QChar(0x03B5));
    QCOMPARE(VolumeRecords::parseChannelName(r.data(), 9).size(), 2);
    r[4 + 2 * 5] = r[5 + 2 * 5] = 0;
    QCOMPARE(VolumeRecords::parseChannelName(r.data(), r.size()).size(), 5);
}

void TestRecords::volumeConversion()
{
    for (const auto &c : QList<QPair<int, int>>{{-2752, -10}, {-128, 0}, {-32767, -127}, {-32768, -128}, {255, 0}})
        QCOMPARE(int(VolumeConversion::toWholeDb(int16_t(c.first))), c.second);
    // dB x 256 is checked on the device in tests/viewmodels/tst_volume; beyond 16 bits the value is held at
    // the end instead of wrapping to the other sign.
    QCOMPARE(VolumeConversion::toDeviceValue(128), int16_t(127 * 256));
    QCOMPARE(VolumeConversion::toDeviceValue(-129), int16_t(-32768));
}

void TestRecords::randomRecordsStayInBounds()
{
    // Each record in a buffer of exactly its own random length, so that a sanitizer build
    // sees any read past the end.
    QRandomGenerator rng(20240611);
    for (int round = 0; round < 2000; ++round) {
        const size_t size = rng.bounded(420);
        std::vector<uint8_t> bytes(size);
        for (auto &b : bytes)
            b = uint8_t(rng.bounded(256));
        const uint8_t *p = size ? bytes.data() : nullptr;
        QVERIFY(StreamFormatRecord::parseTable(p, size, rng.generate()).size() <= size / tusb::kStreamFormatSize);
        QVERIFY(AsioInstanceRecord::parse(p, size).bufferSizes.size() <= tusb::kAsioMaxSizes);
        QVERIFY(VolumeRecords::parseChannelName(p, size).size() <= int(tusb::kChannelNameUnits));
        VolumeRecords::parseVolumeMuteInfo(p, size);
    }
}

QTEST_APPLESS_MAIN(TestRecords)
#include "tst_records.moc"
