// libcalder-usb.so through the panel's loader, on emulated mixers (umockdev) with stand-in ALSA cards.
#include "UsbTestbed.h"

#include "device/TUsbAudioApiDll.h"
#include "platform/Event.h"

#include <QtEndian>
#include <QtTest>

#include <atomic>
#include <poll.h>
#include <thread>

using Fault = UsbTestbed::Fault;

namespace {
constexpr TSTATUS kInvalidParameter = 0xEE000005u, kNotSupported = 0xEE000008u, kDeviceGone = 0xEE000010u,
                  kAccessDenied = 0xEE000011u, kStalled = 0xEE000040u, kTimeout = 0xEE000041u, kShort = 0xEE000042u,
                  kCardGone = 0xEE000046u, kBadControl = 0xEE000047u, kStreamStopped = 0xEE000049u;

// A stream file as the kernel's USB audio driver writes it, with odd spacing and unknown lines.
QByteArray streamFile(int captureHz, const char *rates = "44100, 48000")
{
    return "Surround:\n  Interface 9\n    Channels: 6\n\nPlayback:\n  Status: Stop\n  Interface 1\n    Altset 1\n"
           "    Format: S16_LE\n    Channels: 2\n  Interface 1\n    Altset 2\n    Format: S24_3LE\n    Channels: 2\n"
           "    Bits: 0\n  Interface 1\n    Altset 3\n    Format: S24_3LE\n    Channels: 2\n    Bits: 24\n"
           "Capture:\r\n\tStatus:Running\r\n  Interface=2\n Altset =1\nMomentary freq=" +
           QByteArray::number(captureHz) + " Hz\n  Interface\n  Future key: 12\nno separator here\n Interface 2\n" +
           "Altset  1\n  Format:S24_3LE\n Channels :2\nRates:" + rates + "\nBits:24\n";
}
// As the kernel names a feature unit's controls (channels at index 0, the master at 1; alone, one value
// is the master). Capture: -60..0 dB in 1 dB steps, and a master whose lowest step means mute;
// playback linear, mono beside its master, with a master mute.
const QByteArray kVolumeControls =
    "Mic Capture Volume|0|int|0|60|-6000|0|30 30\nMic Capture Volume|1|mute|0|60|-6000|0|50\n"
    "Mic Capture Switch|0|bool|0|1|0|0|1 1\nPCM Playback Volume|0|int|0|255|0|0|255\n"
    "PCM Playback Volume|1|int|0|255|0|0|128\nPCM Playback Switch|0|bool|0|1|0|0|1\n";

bool waitFor(HANDLE event, int ms)
{
    pollfd p{int(reinterpret_cast<intptr_t>(event)), POLLIN, 0};
    const bool signalled = ::poll(&p, 1, ms) == 1;
    platform::consumeEvent(event);
    return signalled;
}
} // namespace

class TestUsb : public QObject
{
    Q_OBJECT

    UsbTestbed bed;
    TUsbAudioApiDll api;
    HANDLE arrival = platform::createAutoResetEvent(), removal = platform::createAutoResetEvent();
    QList<TUsbAudioHandle> handles;
    QList<int> plugged;

    // Plug and unplug wait for this process's hot-plug events.
    int plug(const UsbTestbed::Mixer &mixer = {})
    {
        const int id = bed.add(mixer);
        plugged << id;
        return waitFor(arrival, 5000) ? id : -1;
    }
    void unplug(int id)
    {
        plugged.removeAll(id);
        bed.remove(id);
        QVERIFY(waitFor(removal, 5000));
    }
    TUsbAudioHandle openFirst(uint32_t count = 1)
    {
        TUsbAudioHandle h = nullptr;
        if (api.TUSBAUDIO_EnumerateDevices() || api.TUSBAUDIO_GetDeviceCount() != count ||
            api.TUSBAUDIO_OpenDeviceByIndex(0, &h))
            return nullptr;
        handles << h;
        return h;
    }
    QByteArray properties(TUsbAudioHandle h)
    {
        QByteArray record(int(tusb::kDevicePropertiesSize), '\0');
        return api.TUSBAUDIO_GetDeviceProperties(h, record.data()) ? QByteArray(record.size(), '\0') : record;
    }
    QString utf16At(const QByteArray &record, int offset)
    {
        return QString::fromUtf16(reinterpret_cast<const char16_t *>(record.constData() + offset));
    }

private slots:
    void initTestCase()
    {
        QCOMPARE(api.loadFromPath(qEnvironmentVariable("CALDER_USB_LIBRARY").toStdString(), true), tusb::kOk);
        QCOMPARE(api.resolvedCount(), 66);
        QCOMPARE(api.TUSBAUDIO_RegisterPnpNotification(arrival, removal, nullptr, tusb::kPnpWindowMessage, 0),
                 tusb::kOk);
    }
    void cleanup()
    {
        for (TUsbAudioHandle h : handles)
            api.TUSBAUDIO_CloseDevice(h);
        handles.clear();
        while (!plugged.isEmpty())
            unplug(plugged.first());
    }

    void requestsAndStrings_data()
    {
        QTest::addColumn<int>("requestType");
        QTest::addColumn<int>("fault"); // -1 none, else UsbTestbed::Fault
        QTest::addColumn<QByteArray>("serial");
        QTest::addColumn<uint>("status");
        QTest::addColumn<QByteArray>("data"); // read, or sent
        QTest::addColumn<QString>("serialText");
        const QByteArray block = QByteArray::fromHex("0000040003000000"), untouched(8, char(0xAA));
        const QByteArray meter = QByteArray::fromHex("00093D0000000000"); // 4000000
        const QByteArray plain = UsbTestbed::text(u"A-123");
        QTest::newRow("write") << 0x40 << -1 << plain << 0u << block << "A-123";
        QTest::newRow("write stalled") << 0x40 << int(Fault::Stall) << plain << kStalled << block << "A-123";
        QTest::newRow("write unanswered") << 0x40 << int(Fault::NoAnswer) << plain << kTimeout << block << "A-123";
        QTest::newRow("meter read") << 0xC0 << -1 << plain << 0u << meter << "A-123";
        QTest::newRow("short meter reply")
            << 0xC0 << int(Fault::Short) << plain << kShort << meter.left(4) + untouched.left(4) << "A-123";
        // String descriptors as devices get them wrong: each still gives a record, no crash.
        QTest::newRow("no serial string") << 0xC0 << -1 << QByteArray() << 0u << meter << "";
        QTest::newRow("odd length") << 0xC0 << -1 << QByteArray::fromHex("0703410042004300") << 0u << meter << "AB";
        QTest::newRow("bLength beyond the reply")
            << 0xC0 << -1 << QByteArray::fromHex("14034100") << 0u << meter << "A";
        QTest::newRow("not a string") << 0xC0 << -1 << QByteArray::fromHex("04024100") << 0u << meter << "";
        QTest::newRow("bLength 1") << 0xC0 << -1 << QByteArray::fromHex("0103") << 0u << meter << "";
    }
    void requestsAndStrings()
    {
        QFETCH(int, requestType);
        QFETCH(int, fault);
        QFETCH(QByteArray, data);
        QFETCH(uint, status);
        UsbTestbed::Mixer mixer;
        QFETCH(QByteArray, serial);
        mixer.serial = serial;
        mixer.meter = 4000000;
        const int id = plug(mixer);
        QVERIFY(id >= 0);
        if (fault >= 0)
            bed.setFault(id, uint8_t(requestType), 0x10, Fault(fault), -1, 4);
        TUsbAudioHandle h = openFirst();
        QVERIFY(h);
        const QByteArray record = properties(h);
        QTEST(utf16At(record, tusb::kPropSerialNumber), "serialText");
        QCOMPARE(utf16At(record, tusb::kPropProduct), QString("Alto"));
        const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(record.constData() + at); };
        QCOMPARE(QList<quint32>({u32(tusb::kPropVendorId), u32(tusb::kPropProductId), u32(tusb::kPropRevisionId)}),
                 QList<quint32>({LumenVendorId, 0x30, 0x0105}));

        QByteArray buffer = requestType == 0x40 ? data : QByteArray(8, char(0xAA));
        uint32_t moved = 99;
        uint8_t *bytes = reinterpret_cast<uint8_t *>(buffer.data());
        QCOMPARE(requestType == 0x40
                     ? api.TUSBAUDIO_ClassVendorRequestOut(h, 0, 0, 0x10, 0x102, 0x304, 8, bytes, &moved, 300)
                     : api.TUSBAUDIO_ClassVendorRequestIn(h, 0, 0, 0x10, 0x102, 0x304, 8, bytes, &moved, 300),
                 TSTATUS(status));
        QCOMPARE(buffer, data); // a read writes only the bytes that arrived
        QCOMPARE(moved, uint32_t(status == kShort ? 4 : status ? 0 : 8));
        // Endpoint 0, vendor type, device recipient; nothing claimed, no driver detached.
        const auto log = bed.vendorRequests(id);
        QCOMPARE(int(log.size()), 1);
        QCOMPARE(QList<int>({log[0].requestType, log[0].request, log[0].value, log[0].index, log[0].length}),
                 QList<int>({requestType, 0x10, 0x102, 0x304, 8}));
        if (requestType == 0x40)
            QCOMPARE(log[0].data, data);
        QCOMPARE(bed.intrusiveIoctls(id), 0);
    }

    void listingHotplugAndDepartures()
    {
        // Listed by port (libusb lists the newest first); another vendor's device is neither
        // counted nor announced.
        UsbTestbed::Mixer tenor, locked, foreign;
        tenor.productId = 0x31;
        locked.accessDenied = true;
        foreign.vendorId = 0x1234;
        const int first = plug(), second = plug(tenor), third = plug(locked), other = bed.add(foreign);
        QVERIFY(first >= 0 && second >= 0 && third >= 0 && !waitFor(arrival, 500));
        TUsbAudioHandle h0 = openFirst(3), h1 = nullptr, h2 = &h1;
        QCOMPARE(api.TUSBAUDIO_OpenDeviceByIndex(1, &h1), tusb::kOk);
        handles << h1;
        // No access to the node: the open fails, saying why.
        QCOMPARE(api.TUSBAUDIO_OpenDeviceByIndex(2, &h2), kAccessDenied);
        QVERIFY(!h2);
        bed.remove(other);
        QVERIFY(!waitFor(removal, 500));
        QCOMPARE(properties(h0).at(4), char(0x30));
        QCOMPARE(properties(h1).at(4), char(0x31));
        uint32_t mode = 0, moved = 0;
        // Refused before any transfer: an interface recipient (it would need claiming), a wide value.
        uint8_t block[8] = {};
        QCOMPARE(api.TUSBAUDIO_ClassVendorRequestIn(h0, 1, 0, 0x10, 0, 0, 8, block, &moved, 1000), kNotSupported);
        QCOMPARE(api.TUSBAUDIO_ClassVendorRequestIn(h0, 0, 0, 0x10, 0x10000, 0, 8, block, &moved, 1000),
                 kInvalidParameter);
        QVERIFY(bed.vendorRequests(first).empty());

        // Pulled while a read is in flight: it ends at once, as do later calls (cleanup() closes it).
        bed.setFault(first, 0xC0, 0x10, Fault::NoAnswer);
        std::atomic<TSTATUS> inFlight{0};
        std::thread reader(
            [&] { inFlight = api.TUSBAUDIO_ClassVendorRequestIn(h0, 0, 0, 0x10, 0, 0, 8, block, &moved, 5000); });
        QTRY_COMPARE(bed.held(first), 1);
        QElapsedTimer clock;
        clock.start();
        unplug(first);
        reader.join();
        QCOMPARE(inFlight.load(), kDeviceGone);
        QVERIFY(clock.elapsed() < 3000);

        // Plugged in again at the same port, unannounced after unregistering: a new handle works,
        // the old one stays gone.
        api.TUSBAUDIO_UnregisterPnpNotification();
        plugged << bed.add({}, first);
        QVERIFY(!waitFor(arrival, 500));
        QCOMPARE(api.TUSBAUDIO_RegisterPnpNotification(arrival, removal, nullptr, tusb::kPnpWindowMessage, 0),
                 tusb::kOk);
        TUsbAudioHandle again = openFirst(3);
        QCOMPARE(api.TUSBAUDIO_ClassVendorRequestOut(again, 0, 0, 0x10, 0, 0, 8, block, &moved, 1000), tusb::kOk);
        QCOMPARE(api.TUSBAUDIO_GetDeviceUsbMode(h0, &mode), kDeviceGone);
    }

    // A cancelled transfer that the kernel never ends, a timeout near 2^32 ms (still waiting when
    // the device goes), and 0 (1000 ms).
    void transferTimeouts()
    {
        const int id = plug();
        TUsbAudioHandle h = openFirst();
        bed.setFault(id, 0x40, 0x10, Fault::Stuck);
        bed.setFault(id, 0xC0, 0x10, Fault::NoAnswer);
        bed.setFault(id, 0xC0, 0x11, Fault::NoAnswer);
        const auto request = [&](bool in, uint32_t code, uint32_t timeoutMs) {
            uint8_t block[8] = {};
            uint32_t moved = 0;
            return in ? api.TUSBAUDIO_ClassVendorRequestIn(h, 0, 0, code, 0, 0, 8, block, &moved, timeoutMs)
                      : api.TUSBAUDIO_ClassVendorRequestOut(h, 0, 0, code, 0, 0, 8, block, &moved, timeoutMs);
        };
        std::atomic<TSTATUS> endless{1}, stuck{1};
        std::atomic<qint64> stuckMs{-1};
        QElapsedTimer clock;
        clock.start();
        std::thread a([&] { endless = request(true, 0x10, 0xFFFFFFFF); });
        std::thread b([&] {
            stuck = request(false, 0x10, 100);
            stuckMs = clock.elapsed();
        });
        const TSTATUS zero = request(true, 0x11, 0);
        const qint64 zeroMs = clock.elapsed();
        while (stuckMs < 0 && clock.elapsed() < 15000)
            QTest::qSleep(20);
        const TSTATUS endlessThen = endless;
        unplug(id);
        a.join();
        b.join();
        QCOMPARE(QList<TSTATUS>({zero, stuck, endlessThen, endless}),
                 QList<TSTATUS>({kTimeout, kTimeout, 1, kDeviceGone}));
        QVERIFY2(zeroMs >= 900 && zeroMs < 3000 && stuckMs >= 5000 && stuckMs < 10000,
                 qPrintable(QString("%1 ms, %2 ms").arg(zeroMs).arg(stuckMs)));
    }

    // calder-usb-check's exit status, and the lines that say why.
    void checkCommand()
    {
        qputenv("CALDER_REGISTRY", qgetenv("CALDER_USB_REGISTRY"));
        QString out;
        const auto check = [&] {
            QProcess p;
            p.start(qEnvironmentVariable("CALDER_USB_CHECK"), QStringList());
            p.waitForFinished(20000);
            out = QString::fromUtf8(p.readAllStandardOutput());
            return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        };
        QCOMPARE(check(), 2); // no mixer
        const int id = plug();
        bed.setCardFile(id, "stream0", streamFile(47999));
        bed.setCardFile(id, "controls",
                        "Mic Capture Volume|0|bad|0|60|-6000|0|30\nPCM Playback Volume|0|mute|0|60|-6000|0|60 60\n");
        QCOMPARE(check(), 0);
        QVERIFY2(out.contains("may open it") && out.contains("a dB range alsa-lib cannot convert") &&
                     out.contains("-59.00 dB..0.00 dB, the lowest step mutes"),
                 qPrintable(out));
        UsbTestbed::Mixer locked; // no strings in sysfs either
        locked.accessDenied = true;
        locked.product = locked.serial = QByteArray();
        QVERIFY(plug(locked) >= 0);
        bed.setCardFile(id, "controls", "");
        QCOMPARE(check(), 1);
        QVERIFY2(out.contains("controls: none") && out.contains("may NOT open") && out.contains("has no ALSA card") &&
                     out.contains("Device 1: Alto, made by") && out.contains("names: none in"),
                 qPrintable(out));
    }

    // The device's ALSA card: rate, formats, clients, volumes (1/256 dB), the rate watch, the card gone.
    void alsaCard()
    {
        UsbTestbed::Mixer mixer;
        mixer.productId = 0x21;
        const int id = plug(mixer);
        QVERIFY(id >= 0);
        TUsbAudioHandle h = openFirst();
        QVERIFY(h);
        uint32_t u = 1, clients = 0, asio = 1;
        const auto level = [&](uint32_t direction, uint32_t channel) {
            int16_t v = 0;
            const TSTATUS s = api.TUSBAUDIO_GetVolume(h, direction, channel, &v);
            return s ? QString::number(s, 16) : QString::number(v);
        };
        bed.setCardFile(id, "stream0", streamFile(47999));
        bed.setCardFile(id, "pcm0c/sub0/status", "state: RUNNING\n");
        bed.setCardFile(id, "pcm0p/sub0/status", "closed\n");
        bed.setCardFile(id, "controls", kVolumeControls);
        const QByteArray usbbus = bed.cardFile(id, "usbbus");                              // "001/<device number>"
        for (const QByteArray &other : {"002" + usbbus.mid(3), QByteArray("001/999\n")}) { // another device's card
            bed.setCardFile(id, "usbbus", other);
            QCOMPARE(level(1, 1), QString("ee00004a"));
        }
        bed.setCardFile(id, "usbbus", usbbus);
        const HANDLE news = platform::createAutoResetEvent();
        QCOMPARE(api.TUSBAUDIO_RegisterDeviceNotification(h, 0xFFFFFFFF, news, 0), tusb::kOk);
        QCOMPARE(api.TUSBAUDIO_GetCurrentSampleRate(h, &u), tusb::kOk);
        QCOMPARE(u, 48000u);
        QByteArray format(2 * int(tusb::kStreamFormatSize), 0);
        QCOMPARE(api.TUSBAUDIO_GetCurrentStreamFormat(h, 0, format.data()), kStreamStopped); // two, none running
        QCOMPARE(api.TUSBAUDIO_GetCurrentStreamFormat(h, 1, format.data()), tusb::kOk);
        QCOMPARE(format.left(12), QByteArray::fromHex("010200001800000002000000"));
        QCOMPARE(api.TUSBAUDIO_GetSupportedStreamFormats(h, 0, 1, format.data(), &u), tusb::kMoreFormatsThanTable);
        QCOMPARE(api.TUSBAUDIO_GetSupportedStreamFormats(h, 0, 2, format.data(), &u), tusb::kOk); // "Bits: 0" unset
        QCOMPARE(format.left(12) + format.mid(int(tusb::kStreamFormatSize), 12),
                 QByteArray::fromHex("010100001000000002000000020100001800000002000000"));
        QCOMPARE(api.TUSBAUDIO_GetClientInfo(h, &u, &clients, &asio), tusb::kOk);
        QCOMPARE(QList<uint32_t>({u, clients, asio}), QList<uint32_t>({1, 1, 0}));

        const auto info = [&](uint32_t direction, uint32_t channel) {
            QByteArray record(int(tusb::kVolumeMuteInfoSize), 0);
            const TSTATUS s = api.TUSBAUDIO_GetVolumeMuteInfo(h, direction, channel, record.data());
            const auto i16 = [&](int at) { return qFromLittleEndian<qint16>(record.constData() + at); };
            return QString("%1: %2 %3..%4/%5").arg(s, 0, 16).arg(record.at(0) & 3).arg(i16(4)).arg(i16(6)).arg(i16(8));
        };
        QCOMPARE(info(1, 0), QString("0: 1 -32768..0/256")); // volume, no mute; the lowest step mute
        QCOMPARE(info(1, 2), QString("0: 3 -15360..0/256"));
        QCOMPARE(info(1, 3), QString("0: 0 0..0/0"));        // no such channel
        QCOMPARE(info(0, 0), QString("0: 3 -32768..0/128")); // no dB range: linear
        QCOMPARE(info(0, 1) + ' ' + info(0, 2), QString("0: 1 -32768..0/128 0: 0 0..0/0"));
        QCOMPARE(level(1, 0) + ' ' + level(0, 0), QString("-2560 -16320")); // -10 dB; 128 of 0..255, linear
        QCOMPARE(api.TUSBAUDIO_SetVolume(h, 1, 2, -12 * 256), tusb::kOk);
        QCOMPARE(api.TUSBAUDIO_SetVolume(h, 1, 0, -2900), tusb::kOk); // -11.33 dB: the nearer step, -11 dB
        QCOMPARE(api.TUSBAUDIO_SetVolume(h, 0, 1, -8192), tusb::kOk); // a quarter down the linear range
        QCOMPARE(api.TUSBAUDIO_SetMute(h, 1, 2, 1), tusb::kOk);
        QCOMPARE(api.TUSBAUDIO_SetMute(h, 0, 0, 1), tusb::kOk);
        QCOMPARE(api.TUSBAUDIO_GetMute(h, 1, 2, &u), tusb::kOk);
        QCOMPARE(u, 1u);
        QCOMPARE(api.TUSBAUDIO_GetMute(h, 0, 1, &u), kNotSupported);
        QCOMPARE(bed.cardFile(id, "controls"),
                 "Mic Capture Volume|0|int|0|60|-6000|0|30 48 \nMic Capture Volume|1|mute|0|60|-6000|0|49 \n"
                 "Mic Capture Switch|0|bool|0|1|0|0|1 0 \nPCM Playback Volume|0|int|0|255|0|0|191 \n"
                 "PCM Playback Volume|1|int|0|255|0|0|128 \nPCM Playback Switch|0|bool|0|1|0|0|0 \n");

        // Inverted and empty ranges, and a card gone between reading the dB range and converting
        // with it: refused, and the control keeps its value.
        for (const char *range :
             {"mute|60|0|-6000|0", "mute|30|30|-6000|0", "mute|0|60|0|-6000", "once|0|60|-6000|0"}) {
            const QByteArray controls =
                QByteArray(kVolumeControls).replace("1|mute|0|60|-6000|0", QByteArray("1|") + range);
            bed.setCardFile(id, "controls", controls);
            const bool once = range[0] == 'o';
            QCOMPARE(info(1, 0), once ? QString("ee000046: 0 0..0/0") : QString("ee000047: 0 0..0/0"));
            QCOMPARE(api.TUSBAUDIO_SetVolume(h, 1, 0, -2560), once ? kCardGone : kBadControl);
            QCOMPARE(bed.cardFile(id, "controls"), controls); // not written
        }

        bed.setCardFile(id, "stream0", streamFile(44101, "8000 - 192000 (continuous)")); // the measured rate
        QVERIFY(waitFor(news, 5000));
        uint8_t data[64];
        QCOMPARE(api.TUSBAUDIO_ReadDeviceNotification(h, &u, data, sizeof data, &clients), tusb::kOk);
        QCOMPARE(qFromLittleEndian<quint32>(data), 44101u);

        // The card goes: while listed, then altogether (a notification for the rate gone).
        bed.removeCardFile(id, "controls");
        QCOMPARE(level(1, 1), QString("ee000046"));
        bed.removeCardFile(id, QString()); // no card: said so, no value made up
        QCOMPARE(level(1, 1), QString("ee00004a"));
        QCOMPARE(api.TUSBAUDIO_GetCurrentSampleRate(h, &u), tusb::kOk);
        QCOMPARE(u, 0u);
        QVERIFY(waitFor(news, 5000));
        QCOMPARE(api.TUSBAUDIO_RegisterDeviceNotification(h, 0, nullptr, 0), tusb::kOk);
        platform::closeEvent(news);
    }
};

QTEST_MAIN(TestUsb)
#include "tst_usb.moc"
