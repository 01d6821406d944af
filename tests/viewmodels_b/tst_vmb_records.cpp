// Record parsing and dB arithmetic of the buffer settings and volume pages: pure functions,
// fed with well-formed, truncated and random records.
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
void putI16(std::vector<uint8_t> &b, size_t at, int16_t v)
{
    b[at] = uint8_t(uint16_t(v));
    b[at + 1] = uint8_t(uint16_t(v) >> 8);
}
std::vector<uint8_t> formatTable(size_t records)
{
    std::vector<uint8_t> t(records * tusb::kStreamFormatSize, 0);
    for (size_t i = 0; i < records; ++i) {
        putU32(t, i * tusb::kStreamFormatSize + 0, 100 + uint32_t(i));
        putU32(t, i * tusb::kStreamFormatSize + 4, 16 + 8 * uint32_t(i % 3));
        putU32(t, i * tusb::kStreamFormatSize + 8, 1 + uint32_t(i % 8));
    }
    return t;
}
} // namespace

class TestRecords : public QObject
{
    Q_OBJECT
private slots:
    void streamFormatTable();
    void streamFormatTableBounds();
    void asioInstance();
    void asioSizeCountBeyondTable();
    void leadingBufferSize_data();
    void leadingBufferSize();
    void volumeMuteInfo();
    void channelName();
    void deviceToWholeDb_data();
    void deviceToWholeDb();
    void wholeDbToDevice();
    void randomRecordsStayInBounds();
};

void TestRecords::streamFormatTable()
{
    std::vector<uint8_t> t = formatTable(3);
    putU32(t, 0, 0xA1B2C3D4);
    putU32(t, 4, 24);
    putU32(t, 8, 2);
    const auto formats = StreamFormatRecord::parseTable(t.data(), t.size(), 3);
    QCOMPARE(formats.size(), size_t(3));
    QCOMPARE(formats[0].formatId, 0xA1B2C3D4u);
    QCOMPARE(StreamFormatRecord::text(formats[0]), QStringLiteral("2 channels, 24 bits"));
    QCOMPARE(StreamFormatRecord::text(formats[2]), QStringLiteral("3 channels, 32 bits"));
    QCOMPARE(StreamFormatRecord::maxChannelCount(formats), 3u);
    QVERIFY(StreamFormatRecord::isListingUsable(tusb::kMoreFormatsThanTable));
    QVERIFY(!StreamFormatRecord::isListingUsable(tusb::kEntryPointMissing));
}

void TestRecords::streamFormatTableBounds()
{
    // A count beyond the 32-record table, and beyond what a short buffer holds.
    const std::vector<uint8_t> big = formatTable(40);
    QCOMPARE(StreamFormatRecord::parseTable(big.data(), big.size(), 40).size(), size_t(32));
    QCOMPARE(StreamFormatRecord::parseTable(big.data(), big.size(), 0xFFFFFFFFu).size(), size_t(32));
    QCOMPARE(StreamFormatRecord::parseTable(big.data(), tusb::kStreamFormatSize * 2 + 100, 5).size(), size_t(2));
    // A record cut short reads only the fields it holds.
    const StreamFormat cut = StreamFormatRecord::parse(big.data(), 6);
    QCOMPARE(cut.formatId, 100u);
    QCOMPARE(cut.sampleBits, 0u);
}

void TestRecords::asioInstance()
{
    std::vector<uint8_t> r(tusb::kAsioInstanceSize, 0);
    putU32(r, 4, 0xCAFE0001);
    putU32(r, 16, 0x00010003);
    putU32(r, 28, 256);
    putU32(r, 32, 3);
    putU32(r, 36, 128);
    putU32(r, 40, 256);
    putU32(r, 44, 512);
    putU32(r, 48, 999); // beyond the count: not a size
    const AsioInstanceInfo info = AsioInstanceRecord::parse(r.data(), r.size());
    QCOMPARE(info.instanceWord, 0xCAFE0001u);
    QVERIFY(AsioInstanceRecord::isSafeMode(info.flags));
    QCOMPARE(info.currentBufferSize, 256u);
    QCOMPARE(info.bufferSizes, (std::vector<uint32_t>{128, 256, 512}));
    QCOMPARE(AsioInstanceRecord::bufferSizeText(256), QStringLiteral("256 samples"));
    // Only bit 16 moves.
    QCOMPARE(AsioInstanceRecord::withSafeMode(0x00000005u, true), 0x00010005u);
    QCOMPARE(AsioInstanceRecord::withSafeMode(0xFFFFFFFFu, false), 0xFFFEFFFFu);
}

void TestRecords::asioSizeCountBeyondTable()
{
    std::vector<uint8_t> r(tusb::kAsioInstanceSize, 0);
    for (uint32_t i = 0; i < tusb::kAsioMaxSizes; ++i)
        putU32(r, 36 + 4 * i, 16 * (i + 1));
    for (uint32_t count : {41u, 0xFFFFFFFFu}) {
        putU32(r, 32, count);
        const AsioInstanceInfo info = AsioInstanceRecord::parse(r.data(), r.size());
        QCOMPARE(info.bufferSizes.size(), size_t(40));
        QCOMPARE(info.bufferSizes.back(), 640u);
    }
    // A record cut inside the size table yields only the sizes it holds.
    QCOMPARE(AsioInstanceRecord::parse(r.data(), 36 + 4 * 5 + 3).bufferSizes.size(), size_t(5));
}

void TestRecords::leadingBufferSize_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<uint>("size");
    QTest::newRow("buffer-size text") << "512 samples" << 512u;
    QTest::newRow("bare number") << "2048" << 2048u;
    QTest::newRow("word first") << "samples 512" << 0u;
    QTest::newRow("leading space") << " 512 samples" << 0u;
    QTest::newRow("empty") << "" << 0u;
    QTest::newRow("negative") << "-64 samples" << 0u;
    QTest::newRow("beyond 32 bits") << "4294967296 samples" << 0u;
}

void TestRecords::leadingBufferSize()
{
    QFETCH(QString, text);
    QFETCH(uint, size);
    QCOMPARE(AsioInstanceRecord::leadingBufferSize(text), uint32_t(size));
}

void TestRecords::volumeMuteInfo()
{
    std::vector<uint8_t> r(tusb::kVolumeMuteInfoSize, 0xEE);
    putU32(r, 0, 0x2);
    putI16(r, 4, -32768);
    putI16(r, 6, 6 * 256);
    putI16(r, 8, 128);
    const VolumeMuteInfo info = VolumeRecords::parseVolumeMuteInfo(r.data(), r.size());
    QVERIFY(!info.hasVolumeControl());
    QVERIFY(info.hasMuteControl());
    QCOMPARE(info.minimum, int16_t(-32768));
    QCOMPARE(info.maximum, int16_t(1536));
    QCOMPARE(info.resolution, int16_t(128));
    VolumeMuteInfo other = info;
    other.resolution = 256;
    QVERIFY(!info.sameRangeAs(other));
}

void TestRecords::channelName()
{
    std::vector<uint8_t> r(tusb::kChannelInfoSize, 0);
    putU32(r, 0, 0x4C4C4C4C); // bytes 0..3 are not part of the name
    const QString name = QStringLiteral("Mic 1 \u00e9 \U0001F3B5");
    for (int i = 0; i < name.size(); ++i)
        putI16(r, 4 + 2 * size_t(i), int16_t(name.at(i).unicode()));
    QCOMPARE(VolumeRecords::parseChannelName(r.data(), r.size()), name);

    // No terminator anywhere: the name stops after 160 units, even when more bytes follow,
    // and a short buffer gives the whole units it holds.
    std::vector<uint8_t> full(600, 'A');
    QCOMPARE(VolumeRecords::parseChannelName(full.data(), tusb::kChannelInfoSize).size(), 160);
    QCOMPARE(VolumeRecords::parseChannelName(full.data(), full.size()).size(), 160);
    QCOMPARE(VolumeRecords::parseChannelName(full.data(), 9).size(), 2);
    QCOMPARE(VolumeRecords::parseChannelName(full.data(), 4), QString());
}

void TestRecords::deviceToWholeDb_data()
{
    QTest::addColumn<int>("device");
    QTest::addColumn<int>("db");
    QTest::newRow("-10.75 dB") << -2752 << -10;
    QTest::newRow("-0.5 dB") << -128 << 0;
    QTest::newRow("-127.99 dB") << -32767 << -127;
    QTest::newRow("-128 dB") << -32768 << -128;
    QTest::newRow("+0.99 dB") << 255 << 0;
    QTest::newRow("+127.99 dB") << 32767 << 127;
}

void TestRecords::deviceToWholeDb()
{
    QFETCH(int, device);
    QFETCH(int, db);
    QCOMPARE(int(VolumeConversion::toWholeDb(int16_t(device))), db);
}

void TestRecords::wholeDbToDevice()
{
    for (int db = -128; db <= 127; ++db)
        QCOMPARE(int(VolumeConversion::toDeviceValue(db)), db * 256);
    // Beyond 16 bits the value is held at the end instead of wrapping to the other sign.
    QCOMPARE(VolumeConversion::toDeviceValue(128), int16_t(127 * 256));
    QCOMPARE(VolumeConversion::toDeviceValue(-129), int16_t(-32768));
}

void TestRecords::randomRecordsStayInBounds()
{
    // Each record in a buffer of exactly its own (random) length, so that a sanitizer build
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
#include "tst_vmb_records.moc"
