// What the other tests, all on the simulated driver, rely on but would not notice if it broke.
#include "SimulatorControl.h"
#include "device/TUsbAudioApiDll.h"
#include "platform/Event.h"

#include <QtTest>

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
    TSTATUS read(TUsbAudioHandle h, uint32_t request, uint8_t *reply)
    {
        uint32_t n = 0;
        return api.TUSBAUDIO_ClassVendorRequestIn(h, 0, 0, request, 0, 0, 8, reply, &n, 1000);
    }
private slots:
    void initTestCase()
    {
        QCOMPARE(api.loadByClsid("{6B1E4C2A-93D5-4f0e-B7A1-2C8D9E3F5A61}", true), TSTATUS(0));
        ctl = new SimulatorControl;
        QVERIFY2(ctl->isValid(), qPrintable(ctl->errorString()));
    }
    void cleanupTestCase()
    {
        api.unload();
        delete ctl;
    }
    void init() { QCOMPARE(ctl->reset(QStringLiteral("alto")), 1); }

    // A name filling its field, the record's last, has no terminator: nothing is written past it.
    void fullStringField()
    {
        QVERIFY(ctl->setChannelCount(0, 1, 1) && ctl->setChannelName(0, 1, 0, QString(160, 'N')));
        TUsbAudioHandle h = openFirst();
        QByteArray c(int(tusb::kChannelInfoSize) + 2, char(0xCC));
        QCOMPARE(api.TUSBAUDIO_GetChannelInfo(h, 1, 0, reinterpret_cast<uint8_t *>(c.data())), TSTATUS(0));
        QCOMPARE(QString::fromUtf16(reinterpret_cast<const char16_t *>(c.constData() + 4), 161),
                 QString(160, 'N') + QChar(0xCCCC));
        api.TUSBAUDIO_CloseDevice(h);
    }

    // Hot-plug and device events each go to their own handle.
    void eventsAndHandles()
    {
        HANDLE arrival = platform::createAutoResetEvent(), removal = platform::createAutoResetEvent();
        QCOMPARE(api.TUSBAUDIO_RegisterPnpNotification(arrival, removal, nullptr, 0x8002, 0), TSTATUS(0));
        QCOMPARE(ctl->plug(QStringLiteral("tenor")), 1);
        QVERIFY(platform::consumeEvent(arrival) && !platform::consumeEvent(removal));
        QVERIFY(ctl->unplug(1));
        QVERIFY(platform::consumeEvent(removal) && !platform::consumeEvent(arrival));
        api.TUSBAUDIO_UnregisterPnpNotification();

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
        QCOMPARE(api.TUSBAUDIO_CloseDevice(a) | api.TUSBAUDIO_CloseDevice(b), TSTATUS(0));
        for (HANDLE e : {arrival, removal, ev})
            platform::closeEvent(e);
    }

    // The blocks as sent, the mixer state they imply, the meter little-endian, a stall for the rest.
    void vendorProtocol()
    {
        ctl->reset(QStringLiteral("basso"));
        TUsbAudioHandle h = openFirst();
        for (const char *hex : {"0000040002000000", "0000040001000000", "00000280010507D0", "000002810051EB84",
                                "0000028200040C36", "00000283003200FA"}) {
            const QByteArray b = QByteArray::fromHex(hex);
            uint32_t n = 0;
            QCOMPARE(api.TUSBAUDIO_ClassVendorRequestOut(h, 0, 0, 0x10, 0, 0, 8,
                                                         reinterpret_cast<const uint8_t *>(b.constData()), &n, 1000),
                     TSTATUS(0));
        }
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
};

QTEST_GUILESS_MAIN(SimTest)
#include "tst_sim_events.moc"
