// The simulator's moving parts: PnP and device-notification events, the vendor protocol and
// the mixer state it implies, fault injection and delays, and concurrent use.
#include "SimTestSupport.h"
#include "platform/Event.h"

#include <QElapsedTimer>

#include <atomic>
#include <thread>

using namespace simtest;

class SimEventsTest : public QObject
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

    int32_t meter(TUsbAudioHandle h)
    {
        uint8_t r[8] = {};
        if (read(h, 0x10, r) != 0)
            return INT32_MIN;
        return int32_t(uint32_t(r[0]) | uint32_t(r[1]) << 8 | uint32_t(r[2]) << 16 | uint32_t(r[3]) << 24);
    }

private slots:
    void initTestCase()
    {
        QCOMPARE(api.loadByClsid(classId(), true), TSTATUS(0));
        ctl = new SimulatorControl;
        QVERIFY2(ctl->isValid(), qPrintable(ctl->errorString()));
    }

    void cleanupTestCase()
    {
        api.unload();
        delete ctl;
    }

    void init() { QCOMPARE(ctl->reset(QStringLiteral("alto")), 1); }

    void pnpEvents()
    {
        HANDLE arrival = platform::createAutoResetEvent(), removal = platform::createAutoResetEvent();
        QVERIFY(arrival && removal);
        QCOMPARE(api.TUSBAUDIO_RegisterPnpNotification(arrival, removal, nullptr, 0x8002, 0), TSTATUS(0));
        QCOMPARE(ctl->plug(QStringLiteral("tenor")), 1);
        QVERIFY(platform::consumeEvent(arrival));
        QVERIFY(!platform::consumeEvent(removal));
        QVERIFY(ctl->unplug(0));
        QVERIFY(platform::consumeEvent(removal));
        QVERIFY(!platform::consumeEvent(arrival));
        QVERIFY(!ctl->unplug(5));
        QVERIFY(!platform::consumeEvent(removal));

        api.TUSBAUDIO_UnregisterPnpNotification();
        ctl->plug(QStringLiteral("alto"));
        QVERIFY(!platform::consumeEvent(arrival));
        platform::closeEvent(arrival);
        platform::closeEvent(removal);
    }

    void deviceNotifications()
    {
        HANDLE ev = platform::createAutoResetEvent();
        TUsbAudioHandle a = openFirst(), b = nullptr;
        QCOMPARE(api.TUSBAUDIO_OpenDeviceByIndex(0, &b), TSTATUS(0));
        QCOMPARE(ctl->notify(0), 0); // nobody registered yet
        QCOMPARE(api.TUSBAUDIO_RegisterDeviceNotification(a, 0xFFFFFFFF, ev, 0), TSTATUS(0));
        uint32_t code = 0, got = 0;
        uint8_t buf[64] = {};
        QCOMPARE(api.TUSBAUDIO_ReadDeviceNotification(a, &code, buf, 64, &got), tusb::kNoMoreItems);

        QCOMPARE(ctl->notify(0), 1);
        QCOMPARE(ctl->notify(0), 1);
        QVERIFY(platform::consumeEvent(ev));
        QCOMPARE(api.TUSBAUDIO_ReadDeviceNotification(a, &code, buf, 64, &got), TSTATUS(0));
        QVERIFY(got > 0 && got <= 64);
        QCOMPARE(api.TUSBAUDIO_ReadDeviceNotification(a, &code, buf, 64, &got), TSTATUS(0));
        QCOMPARE(api.TUSBAUDIO_ReadDeviceNotification(a, &code, buf, 64, &got), tusb::kNoMoreItems);
        // The unregistered second handle has nothing queued.
        QCOMPARE(api.TUSBAUDIO_ReadDeviceNotification(b, &code, buf, 64, &got), tusb::kNoMoreItems);

        ctl->notify(0);
        QCOMPARE(api.TUSBAUDIO_RegisterDeviceNotification(a, 0, nullptr, 0), TSTATUS(0));
        QCOMPARE(api.TUSBAUDIO_ReadDeviceNotification(a, &code, buf, 64, &got), tusb::kNoMoreItems);
        platform::consumeEvent(ev);
        QCOMPARE(ctl->notify(0), 0);
        QVERIFY(!platform::consumeEvent(ev));
        api.TUSBAUDIO_CloseDevice(a);
        api.TUSBAUDIO_CloseDevice(b);
        platform::closeEvent(ev);
    }

    void parameterWritesAreLoggedAndDecoded()
    {
        ctl->reset(QStringLiteral("basso"));
        TUsbAudioHandle h = openFirst();
        const QList<QByteArray> blocks = {
            block({0, 0, 4, 0, 2, 0, 0, 0}),
            block({0, 0, 4, 0, 1, 0, 0, 0}),
            block({0, 0, 2, 0x80, 1, 5, 0x07, 0xD0}),
            block({0, 0, 2, 0x81, 0x00, 0x51, 0xEB, 0x84}),
            block({0, 0, 2, 0x82, 0x00, 0x04, 0x0C, 0x36}),
            block({0, 0, 2, 0x83, 0x00, 0x32, 0x00, 0xFA}),
        };
        for (const QByteArray &b : blocks)
            QCOMPARE(write(h, b), TSTATUS(0));
        QCOMPARE(ctl->requestLog(0), blocks);

        const CalderSimRequest r = ctl->requests(0).at(0);
        QCOMPARE(QVector<uint32_t>({r.request, r.length, r.timeoutMs, r.direction}),
                 QVector<uint32_t>({0x10, 8, 1000, 0}));
        const CalderSimMixerState m = ctl->mixerState(0);
        QCOMPARE(
            QVector<uint32_t>({m.routingWrites, m.routing[0], m.routing[1], m.duckerOn, m.triggerMask, m.releaseMs,
                               m.rangeValue, m.sensitivityValue, m.attackMs, m.holdMs, m.writtenMask, m.unknownWrites}),
            QVector<uint32_t>({2, 2, 1, 1, 5, 2000, 0x0051EB84, 0x00040C36, 50, 250, 0x1F, 0}));

        // The live debug block reflects the mixer: id, both routing values, ducker on.
        uint8_t d[8] = {};
        QCOMPARE(read(h, 0x11, d), TSTATUS(0));
        QCOMPARE(QVector<uint8_t>({d[0], d[1], d[2], d[4], d[7]}), QVector<uint8_t>({0x32, 2, 1, 1, 0x5A}));
        api.TUSBAUDIO_CloseDevice(h);
    }

    void requestsOutsideTheProtocolStall()
    {
        TUsbAudioHandle h = openFirst();
        uint8_t data[8] = {0, 0, 4, 0, 3, 0, 0, 0};
        uint32_t n = 99;
        QCOMPARE(api.TUSBAUDIO_ClassVendorRequestOut(h, 0, 0, 0x10, 0, 0, 4, data, &n, 1000),
                 TSTATUS(CALDER_SIM_STATUS_REQUEST_STALLED));
        QCOMPARE(n, 0u);
        QCOMPARE(api.TUSBAUDIO_ClassVendorRequestOut(h, 0, 0, 0x11, 0, 0, 8, data, &n, 1000),
                 TSTATUS(CALDER_SIM_STATUS_REQUEST_STALLED));
        QCOMPARE(read(h, 0x12, data), TSTATUS(CALDER_SIM_STATUS_REQUEST_STALLED));
        QCOMPARE(write(h, block({1, 0, 4, 0, 3, 0, 0, 0})), TSTATUS(0)); // accepted, not understood
        QCOMPARE(ctl->requests(0).size(), 4);
        QCOMPARE(ctl->requestLog(0).size(), 1);
        QCOMPARE(ctl->requestLog(0, true).size(), 3);
        QCOMPARE(ctl->mixerState(0).routingWrites, 0u);
        QCOMPARE(ctl->mixerState(0).unknownWrites, 1u);
        api.TUSBAUDIO_CloseDevice(h);
    }

    void meterAndDebugSignals()
    {
        TUsbAudioHandle h = openFirst();
        ctl->setMeterLevel(0, -5);
        QCOMPARE(meter(h), -5);
        ctl->setMeterLevel(0, 0x01020304);
        uint8_t r[8] = {};
        QCOMPARE(read(h, 0x10, r), TSTATUS(0));
        QCOMPARE(QByteArray(reinterpret_cast<char *>(r), 8), block({4, 3, 2, 1, 0, 0, 0, 0}));

        ctl->setMeterSignal(0, CALDER_SIM_METER_ALTERNATE);
        const int32_t a = meter(h), b = meter(h), c = meter(h);
        QVERIFY(a != b);
        QCOMPARE(a, c);
        QVERIFY(qMax(a, b) == CALDER_SIM_METER_FULL_SCALE && qMin(a, b) == 0);

        ctl->setMeterSignal(0, CALDER_SIM_METER_RAMP, 2000);
        const int32_t early = meter(h);
        QTest::qWait(150);
        const int32_t later = meter(h);
        QVERIFY2(later > early, qPrintable(QStringLiteral("%1 then %2").arg(early).arg(later)));
        QVERIFY(early >= CALDER_SIM_METER_FULL_SCALE / 1001 && later <= CALDER_SIM_METER_FULL_SCALE);

        // Live debug values move over time; a fixed block is returned exactly.
        uint8_t d1[8], d2[8];
        read(h, 0x11, d1);
        QTRY_VERIFY_WITH_TIMEOUT((read(h, 0x11, d2), std::memcmp(d1, d2, 8) != 0), 1000);
        ctl->setDebugStatus(0, block({9, 8, 7, 6, 5, 0x01, 0x02, 3}));
        QCOMPARE(read(h, 0x11, d1), TSTATUS(0));
        QCOMPARE(QByteArray(reinterpret_cast<char *>(d1), 8), block({9, 8, 7, 6, 5, 1, 2, 3}));
        api.TUSBAUDIO_CloseDevice(h);
    }

    void faultsAndCallCounts()
    {
        TUsbAudioHandle h = openFirst();
        ctl->resetCallCounts();
        uint32_t rate = 0;
        QVERIFY(!ctl->setFault(QStringLiteral("GetCurrentSampleRat"), 1));
        QVERIFY(ctl->setFault(QStringLiteral("TUSBAUDIO_GetCurrentSampleRate"), 0xE0000001u, 2));
        QCOMPARE(api.TUSBAUDIO_GetCurrentSampleRate(h, &rate), TSTATUS(0xE0000001u));
        QCOMPARE(api.TUSBAUDIO_GetCurrentSampleRate(h, &rate), TSTATUS(0xE0000001u));
        QCOMPARE(rate, 0u); // a failing call leaves its outputs alone
        QCOMPARE(api.TUSBAUDIO_GetCurrentSampleRate(h, &rate), TSTATUS(0));
        QCOMPARE(ctl->callCount(QStringLiteral("GetCurrentSampleRate")), 3u);

        // A failed vendor request is logged with its status and changes nothing in the mixer.
        ctl->setFault(QStringLiteral("ClassVendorRequestOut"), 0xE0000002u, -1);
        QCOMPARE(write(h, block({0, 0, 4, 0, 3, 0, 0, 0})), TSTATUS(0xE0000002u));
        QCOMPARE(write(h, block({0, 0, 4, 0, 3, 0, 0, 0})), TSTATUS(0xE0000002u));
        QCOMPARE(ctl->requests(0).size(), 2);
        QCOMPARE(ctl->requests(0).at(1).status, 0xE0000002u);
        QCOMPARE(ctl->mixerState(0).routingWrites, 0u);
        ctl->setFault(QStringLiteral("ClassVendorRequestOut"), 0);
        QCOMPARE(write(h, block({0, 0, 4, 0, 3, 0, 0, 0})), TSTATUS(0));

        // "*" hits every entry point; GetDeviceCount then reports none.
        ctl->setFault(QStringLiteral("*"), 0xE0000003u, 1);
        QCOMPARE(api.TUSBAUDIO_GetDeviceCount(), 0u);
        QCOMPARE(api.TUSBAUDIO_GetDeviceCount(), 1u);
        QCOMPARE(ctl->callCount(QStringLiteral("ClassVendorRequestOut")), 3u);
        QCOMPARE(ctl->callCount(), 3u + 3u + 2u);
        api.TUSBAUDIO_CloseDevice(h);
    }

    // A delayed call blocks only its caller, and an unplug ends it early.
    void delayedCallBlocksOnlyItsCallerAndEndsOnUnplug()
    {
        TUsbAudioHandle h = openFirst();
        ctl->setDelay(QStringLiteral("ClassVendorRequestIn"), 5000);
        std::atomic<TSTATUS> status{0};
        std::atomic<qint64> blockedMs{-1};
        std::thread t([&] {
            QElapsedTimer timer;
            timer.start();
            uint8_t r[8];
            status = read(h, 0x10, r);
            blockedMs = timer.elapsed();
        });
        QTest::qWait(300);
        QElapsedTimer other;
        other.start();
        uint32_t rate = 0;
        QCOMPARE(api.TUSBAUDIO_GetCurrentSampleRate(h, &rate), TSTATUS(0));
        QVERIFY(other.elapsed() < 200);
        QVERIFY(ctl->unplug(0));
        t.join();
        QCOMPARE(TSTATUS(status), TSTATUS(CALDER_SIM_STATUS_DEVICE_GONE));
        QVERIFY2(blockedMs >= 290 && blockedMs < 2000, qPrintable(QString::number(blockedMs)));
        QCOMPARE(api.TUSBAUDIO_CloseDevice(h), TSTATUS(0));
    }

    void concurrentMeterReadsWhilePluggingAndUnplugging()
    {
        // Worker threads poll meters as the ducker page does while the devices come and go.
        ctl->reset(QStringLiteral("alto,tenor"));
        ctl->resetCallCounts();
        std::atomic<bool> stop{false};
        std::atomic<uint32_t> attempts{0}, successes{0};
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
                        ++attempts;
                        if (read(h, w == 2 ? 0x11 : 0x10, r) == 0)
                            ++successes;
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
            ctl->setMeterLevel(0, i);
            if (ctl->deviceCount() > 2)
                ctl->unplug(uint32_t(i % ctl->deviceCount()));
            if (i % 50 == 0)
                ctl->state();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        // The workers go on against the devices left until they have read something.
        QTRY_VERIFY_WITH_TIMEOUT(successes > 100, 5000);
        stop = true;
        for (auto &t : workers)
            t.join();
        api.TUSBAUDIO_UnregisterPnpNotification();
        platform::closeEvent(ev);
        QCOMPARE(ctl->callCount(QStringLiteral("ClassVendorRequestIn")), uint32_t(attempts));
        QCOMPARE(ctl->deviceCount(), 2);
        api.TUSBAUDIO_EnumerateDevices();
        QCOMPARE(api.TUSBAUDIO_GetDeviceCount(), 2u);
        QCOMPARE(ctl->openHandleCount(0) + ctl->openHandleCount(1), 0);
    }
};

QTEST_GUILESS_MAIN(SimEventsTest)
#include "tst_sim_events.moc"
