// The simulated driver through the panel's loader, as far as the other tests rely on it: the
// records it hands out (byte for byte, with a guard zone behind each so a write past a record
// fails), the mixer state its vendor protocol implies, its events, injected faults and delays,
// and concurrent use (this program also runs under ThreadSanitizer).
#include "SimulatorControl.h"
#include "device/TUsbAudioApiDll.h"
#include "platform/Event.h"

#include <QElapsedTimer>
#include <QtTest>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

namespace {
struct Guarded
{
    std::vector<uint8_t> bytes;
    size_t size;
    explicit Guarded(size_t recordSize) : bytes(recordSize + 64, 0xCC), size(recordSize)
    {
        std::memset(bytes.data(), 0, recordSize);
    }
    uint8_t *data() { return bytes.data(); }
    bool guardIntact() const
    {
        return std::all_of(bytes.begin() + long(size), bytes.end(), [](uint8_t b) { return b == 0xCC; });
    }
    uint32_t u32(size_t at) const
    {
        return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
               uint32_t(bytes[at + 3]) << 24;
    }
    int16_t i16(size_t at) const { return int16_t(uint16_t(bytes[at] | bytes[at + 1] << 8)); }
    QString str(size_t at, size_t units) const
    {
        QString s;
        for (size_t i = 0; i < units && (bytes[at + 2 * i] || bytes[at + 2 * i + 1]); ++i)
            s.append(QChar(char16_t(bytes[at + 2 * i] | bytes[at + 2 * i + 1] << 8)));
        return s;
    }
};
} // namespace

class SimTest : public QObject
{
    Q_OBJECT

    SimulatorControl *ctl = nullptr;
    TUsbAudioApiDll api;

    TUsbAudioHandle openFirst()
    {
        api.TUSBAUDIO_EnumerateDevices();
        TUsbAudioHandle h = nullptr;
        return api.TUSBAUDIO_OpenDeviceByIndex(0, &h) == 0 ? h : nullptr;
    }
    TSTATUS write(TUsbAudioHandle h, const QByteArray &b)
    {
        uint32_t n = 0;
        return api.TUSBAUDIO_ClassVendorRequestOut(h, 0, 0, 0x10, 0, 0, 8,
                                                   reinterpret_cast<const uint8_t *>(b.constData()), &n, 1000);
    }
    TSTATUS read(TUsbAudioHandle h, uint32_t request, uint8_t *reply)
    {
        uint32_t n = 0;
        return api.TUSBAUDIO_ClassVendorRequestIn(h, 0, 0, request, 0, 0, 8, reply, &n, 1000);
    }

private slots:
    void initTestCase()
    {
        QCOMPARE(api.loadByClsid("{6B1E4C2A-93D5-4f0e-B7A1-2C8D9E3F5A61}", true), TSTATUS(0));
        QCOMPARE(api.resolvedCount(), 66);
        ctl = new SimulatorControl;
        QVERIFY2(ctl->isValid(), qPrintable(ctl->errorString()));
    }
    void cleanupTestCase()
    {
        api.unload();
        delete ctl;
    }
    void init() { QCOMPARE(ctl->reset(QStringLiteral("alto")), 1); }

    void propertiesRecord_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<uint>("vendor");
        QTest::addColumn<uint>("product");
        QTest::addColumn<QString>("name");
        QTest::addColumn<uint>("rate");
        QTest::newRow("basso") << "basso" << uint(LumenVendorId) << 0x32u << "Basso" << 48000u;
        QTest::newRow("v22") << "v22" << uint(LumenVendorId) << 0x22u << "Lumen Audio Quad" << 96000u;
        QTest::newRow("foreign") << "foreign" << 0x5ABu << 0x31u << "Tenor" << 48000u;
    }
    void propertiesRecord()
    {
        QFETCH(QString, model);
        QCOMPARE(ctl->reset(model), 1);
        ctl->setDeviceStrings(0, QString(128, 'S'), QStringLiteral("M\u00e4ker"), QString());
        TUsbAudioHandle h = openFirst();
        QVERIFY(h);
        Guarded p(tusb::kDevicePropertiesSize);
        QCOMPARE(api.TUSBAUDIO_GetDeviceProperties(h, p.data()), TSTATUS(0));
        QVERIFY(p.guardIntact());
        QTEST(p.u32(0), "vendor");
        QTEST(p.u32(4), "product");
        QCOMPARE(p.str(12, 128), QString(128, 'S'));             // no terminator in a full field...
        QCOMPARE(p.str(268, 128), QStringLiteral("M\u00e4ker")); // ...and the next field intact
        QTEST(p.str(524, 128), "name");
        uint32_t hz = 0;
        QCOMPARE(api.TUSBAUDIO_GetCurrentSampleRate(h, &hz), TSTATUS(0));
        QTEST(hz, "rate");
        api.TUSBAUDIO_CloseDevice(h);
    }

    // The other records: formats beyond the caller's table, the ASIO instance, volume ranges.
    void records()
    {
        TUsbAudioHandle h = openFirst();
        QVector<CalderSimFormat> many;
        for (uint32_t i = 0; i < 40; ++i)
            many.append({100 + i, 24, 2 + i % 3});
        QVERIFY(ctl->setStreamFormats(0, tusb::kDirectionInput, many));
        Guarded table(32 * tusb::kStreamFormatSize);
        uint32_t count = 0;
        QCOMPARE(api.TUSBAUDIO_GetSupportedStreamFormats(h, 1, 32, table.data(), &count), tusb::kMoreFormatsThanTable);
        QCOMPARE(count, 32u);
        QVERIFY(table.guardIntact());
        QCOMPARE(QVector<uint32_t>({table.u32(31 * 332), table.u32(31 * 332 + 4), table.u32(31 * 332 + 8)}),
                 QVector<uint32_t>({131, 24, 3}));

        QVector<quint32> sizes;
        for (quint32 i = 1; i <= 45; ++i)
            sizes.append(i * 16);
        ctl->setAsio(sizes, 64, 0x10000);
        Guarded rec(tusb::kAsioInstanceSize);
        QCOMPARE(api.TUSBAUDIO_GetASIOInstanceInfo(0, rec.data()), TSTATUS(0));
        QVERIFY(rec.guardIntact());
        QCOMPARE(QVector<uint32_t>({rec.u32(16), rec.u32(28), rec.u32(32), rec.u32(36), rec.u32(36 + 39 * 4)}),
                 QVector<uint32_t>({0x10000, 64, 45, 16, 640}));
        const uint32_t word = rec.u32(4);
        QCOMPARE(api.TUSBAUDIO_SetASIOBufferPreferredSize(0, word, 500, 0),
                 TSTATUS(CALDER_SIM_STATUS_INVALID_PARAMETER));
        QCOMPARE(api.TUSBAUDIO_SetASIOBufferPreferredSize(0, word, 512, 0), TSTATUS(0));
        QCOMPARE(ctl->asioCurrentSize(), 512u);

        Guarded info(tusb::kVolumeMuteInfoSize);
        QCOMPARE(ctl->reset(QStringLiteral("v21")), 1);
        h = openFirst();
        QCOMPARE(api.TUSBAUDIO_GetVolumeMuteInfo(h, 0, 1, info.data()), TSTATUS(0));
        QVERIFY(info.guardIntact());
        QCOMPARE(QVector<int>({int(info.u32(0)), info.i16(4), info.i16(6), info.i16(8)}),
                 QVector<int>({3, -60 * 256, 0, 256}));
        int16_t v = 0;
        QCOMPARE(api.TUSBAUDIO_SetVolume(h, 0, 2, 10 * 256), TSTATUS(0)); // clamped to the maximum
        QCOMPARE(api.TUSBAUDIO_GetVolume(h, 0, 2, &v), TSTATUS(0));
        QCOMPARE(v, int16_t(0));
        uint32_t mute = 0;
        QCOMPARE(api.TUSBAUDIO_GetMute(h, 1, 0, &mute), TSTATUS(CALDER_SIM_STATUS_NOT_SUPPORTED));
        api.TUSBAUDIO_CloseDevice(h);
    }

    // The device list is a snapshot until the next enumeration; closed and stale handles are refused.
    void handles()
    {
        QCOMPARE(api.TUSBAUDIO_EnumerateDevices(), TSTATUS(0));
        QCOMPARE(ctl->plug(QStringLiteral("tenor")), 1);
        QCOMPARE(api.TUSBAUDIO_GetDeviceCount(), 1u);
        TUsbAudioHandle a = nullptr, b = nullptr;
        QCOMPARE(api.TUSBAUDIO_OpenDeviceByIndex(1, &a), TSTATUS(CALDER_SIM_STATUS_INVALID_INDEX));
        QCOMPARE(api.TUSBAUDIO_OpenDeviceByIndex(0, &a), TSTATUS(0));
        QCOMPARE(api.TUSBAUDIO_OpenDeviceByIndex(0, &b), TSTATUS(0));
        uint32_t rate = 0;
        QCOMPARE(api.TUSBAUDIO_CloseDevice(a), TSTATUS(0));
        QCOMPARE(api.TUSBAUDIO_GetCurrentSampleRate(a, &rate), TSTATUS(CALDER_SIM_STATUS_INVALID_HANDLE));
        QVERIFY(ctl->unplug(0));
        QCOMPARE(api.TUSBAUDIO_OpenDeviceByIndex(0, &a), TSTATUS(CALDER_SIM_STATUS_DEVICE_GONE));
        ctl->plug(QStringLiteral("alto")); // not reachable through the old handle
        QCOMPARE(api.TUSBAUDIO_GetCurrentSampleRate(b, &rate), TSTATUS(CALDER_SIM_STATUS_DEVICE_GONE));
        QCOMPARE(api.TUSBAUDIO_CloseDevice(b), TSTATUS(0));
    }

    // Plug and unplug set their own events; a device notification reaches the registered handle only.
    void events()
    {
        HANDLE arrival = platform::createAutoResetEvent(), removal = platform::createAutoResetEvent();
        QCOMPARE(api.TUSBAUDIO_RegisterPnpNotification(arrival, removal, nullptr, 0x8002, 0), TSTATUS(0));
        QCOMPARE(ctl->plug(QStringLiteral("tenor")), 1);
        QVERIFY(platform::consumeEvent(arrival) && !platform::consumeEvent(removal));
        QVERIFY(ctl->unplug(0));
        QVERIFY(platform::consumeEvent(removal) && !platform::consumeEvent(arrival));
        api.TUSBAUDIO_UnregisterPnpNotification();
        ctl->plug(QStringLiteral("alto"));
        QVERIFY(!platform::consumeEvent(arrival));

        HANDLE ev = platform::createAutoResetEvent();
        TUsbAudioHandle a = openFirst(), b = nullptr;
        QCOMPARE(api.TUSBAUDIO_OpenDeviceByIndex(0, &b), TSTATUS(0));
        QCOMPARE(api.TUSBAUDIO_RegisterDeviceNotification(a, 0xFFFFFFFF, ev, 0), TSTATUS(0));
        QCOMPARE(ctl->notify(0), 1);
        QVERIFY(platform::consumeEvent(ev));
        uint32_t code = 0, got = 0;
        uint8_t buf[64] = {};
        QCOMPARE(api.TUSBAUDIO_ReadDeviceNotification(a, &code, buf, 64, &got), TSTATUS(0));
        QCOMPARE(api.TUSBAUDIO_ReadDeviceNotification(a, &code, buf, 64, &got), tusb::kNoMoreItems);
        QCOMPARE(api.TUSBAUDIO_ReadDeviceNotification(b, &code, buf, 64, &got), tusb::kNoMoreItems);
        QCOMPARE(api.TUSBAUDIO_RegisterDeviceNotification(a, 0, nullptr, 0), TSTATUS(0));
        QCOMPARE(ctl->notify(0), 0);
        api.TUSBAUDIO_CloseDevice(a);
        api.TUSBAUDIO_CloseDevice(b);
        for (HANDLE e : {arrival, removal, ev})
            platform::closeEvent(e);
    }

    // What the other tests read back: the blocks as sent, the mixer state they imply, the
    // meter's level little-endian, and a stall for anything outside the protocol.
    void vendorProtocol()
    {
        ctl->reset(QStringLiteral("basso"));
        TUsbAudioHandle h = openFirst();
        const QList<QByteArray> blocks = {
            QByteArray::fromHex("0000040002000000"), QByteArray::fromHex("0000040001000000"),
            QByteArray::fromHex("00000280010507D0"), QByteArray::fromHex("000002810051EB84"),
            QByteArray::fromHex("0000028200040C36"), QByteArray::fromHex("00000283003200FA")};
        for (const QByteArray &b : blocks)
            QCOMPARE(write(h, b), TSTATUS(0));
        QCOMPARE(ctl->requestLog(0), blocks);
        const CalderSimMixerState m = ctl->mixerState(0);
        QCOMPARE(QVector<uint32_t>({m.routingWrites, m.routing[0], m.routing[1], m.duckerOn, m.triggerMask, m.releaseMs,
                                    m.rangeValue, m.sensitivityValue, m.attackMs, m.holdMs, m.writtenMask}),
                 QVector<uint32_t>({2, 2, 1, 1, 5, 2000, 0x0051EB84, 0x00040C36, 50, 250, 0x1F}));
        uint8_t r[8] = {};
        QCOMPARE(read(h, 0x11, r), TSTATUS(0)); // the live debug block: id, routing, ducker on
        QCOMPARE(QVector<uint8_t>({r[0], r[1], r[2], r[4], r[7]}), QVector<uint8_t>({0x32, 2, 1, 1, 0x5A}));
        ctl->setMeterLevel(0, 0x01020304);
        QCOMPARE(read(h, 0x10, r), TSTATUS(0));
        QCOMPARE(QByteArray(reinterpret_cast<char *>(r), 8), QByteArray::fromHex("0403020100000000"));
        QCOMPARE(read(h, 0x12, r), TSTATUS(CALDER_SIM_STATUS_REQUEST_STALLED));
        api.TUSBAUDIO_CloseDevice(h);
    }

    // A fault hits its count of calls and leaves outputs alone; a delayed call blocks only its
    // caller, and an unplug ends it early.
    void faultsAndDelays()
    {
        TUsbAudioHandle h = openFirst();
        uint32_t rate = 0;
        QVERIFY(!ctl->setFault(QStringLiteral("GetCurrentSampleRat"), 1));
        QVERIFY(ctl->setFault(QStringLiteral("GetCurrentSampleRate"), 0xE0000001u, 2));
        QCOMPARE(api.TUSBAUDIO_GetCurrentSampleRate(h, &rate), TSTATUS(0xE0000001u));
        QCOMPARE(api.TUSBAUDIO_GetCurrentSampleRate(h, &rate), TSTATUS(0xE0000001u));
        QCOMPARE(rate, 0u);
        QCOMPARE(api.TUSBAUDIO_GetCurrentSampleRate(h, &rate), TSTATUS(0));
        ctl->setFault(QStringLiteral("ClassVendorRequestOut"), 0xE0000002u, 1);
        QCOMPARE(write(h, QByteArray::fromHex("0000040003000000")), TSTATUS(0xE0000002u));
        QCOMPARE(ctl->mixerState(0).routingWrites, 0u);

        ctl->setDelay(QStringLiteral("ClassVendorRequestIn"), 5000);
        std::atomic<TSTATUS> status{0};
        std::thread t([&] {
            uint8_t r[8];
            status = read(h, 0x10, r);
        });
        QTRY_COMPARE(ctl->callCount(QStringLiteral("ClassVendorRequestIn")), 1u);
        QElapsedTimer other;
        other.start();
        QCOMPARE(api.TUSBAUDIO_GetCurrentSampleRate(h, &rate), TSTATUS(0));
        QVERIFY(other.elapsed() < 2000);
        QVERIFY(ctl->unplug(0));
        t.join();
        QCOMPARE(TSTATUS(status), TSTATUS(CALDER_SIM_STATUS_DEVICE_GONE));
        QCOMPARE(api.TUSBAUDIO_CloseDevice(h), TSTATUS(0));
    }

    void concurrentMeterReadsWhilePluggingAndUnplugging()
    {
        ctl->reset(QStringLiteral("alto,tenor"));
        std::atomic<bool> stop{false};
        std::atomic<uint32_t> successes{0};
        std::vector<std::thread> workers;
        for (int w = 0; w < 3; ++w) {
            workers.emplace_back([&, w] {
                while (!stop) {
                    TUsbAudioHandle h = nullptr;
                    api.TUSBAUDIO_EnumerateDevices();
                    if (api.TUSBAUDIO_OpenDeviceByIndex(uint32_t(w % 2), &h) != 0)
                        continue;
                    for (int i = 0; i < 20; ++i) {
                        uint8_t r[8];
                        successes += read(h, w == 2 ? 0x11 : 0x10, r) == 0;
                    }
                    api.TUSBAUDIO_CloseDevice(h);
                }
            });
        }
        HANDLE ev = platform::createAutoResetEvent();
        api.TUSBAUDIO_RegisterPnpNotification(ev, ev, nullptr, 0x8002, 0);
        for (int i = 0; i < 200; ++i) {
            ctl->plug(i % 3 ? QStringLiteral("alto") : QStringLiteral("basso"));
            ctl->notify(0);
            if (ctl->deviceCount() > 2)
                ctl->unplug(uint32_t(i % ctl->deviceCount()));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        QTRY_VERIFY_WITH_TIMEOUT(successes > 100, 5000);
        stop = true;
        for (auto &t : workers)
            t.join();
        api.TUSBAUDIO_UnregisterPnpNotification();
        platform::closeEvent(ev);
        QCOMPARE(ctl->openHandleCount(0) + ctl->openHandleCount(1), 0);
    }
};

QTEST_GUILESS_MAIN(SimTest)
#include "tst_sim_events.moc"
