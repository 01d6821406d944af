// libcalder-usb.so against emulated mixers on an emulated USB bus (umockdev; runs under
// umockdev-wrapper) with stand-in ALSA cards. First the library alone, loaded through the
// panel's loader: statuses of failed transfers, string descriptors as devices send them,
// listing, hot-plug and departures, the stream files and the card's controls. Then the real
// calder-panel on an emulated Alto and on a volume device under Xvfb, driven through xdotool.
#include "AlsaStream.h"
#include "UsbTestbed.h"

#include "../e2e/E2eSupport.h"
#include "device/TUsbAudioApiDll.h"
#include "platform/Event.h"

#include <QFile>
#include <QtEndian>
#include <QtTest>

#include <atomic>
#include <poll.h>
#include <thread>

using Fault = UsbTestbed::Fault;

namespace {
constexpr TSTATUS kInvalidIndex = 0xEE000006u, kNotSupported = 0xEE000008u, kDeviceGone = 0xEE000010u,
                  kAccessDenied = 0xEE000011u, kStalled = 0xEE000040u, kTimeout = 0xEE000041u, kShort = 0xEE000042u,
                  kCardGone = 0xEE000046u, kBadControl = 0xEE000047u;

// Stream files as the kernel's USB audio driver writes them: a direction's status, then a block
// per alternate setting.
QByteArray running(int interface, int altset, int hz)
{
    return QString::asprintf(
               "  Status: Running\n    Interface = %d\n    Altset = %d\n    Packet Size = 288\n"
               "    Momentary freq = %d Hz (0x6.0000)\n",
               interface, altset, hz)
        .toLatin1();
}
QByteArray alt(int interface, int altset, const char *format, const char *rates, const char *bits = "24",
               int channels = 2)
{
    return QString::asprintf(
               "  Interface %d\n    Altset %d\n    Format: %s\n    Channels: %d\n    Endpoint: 0x01 (1 "
               "OUT) (ASYNC)\n    Rates: %s\n    Data packet interval: 125 us\n%s    Channel map: FL FR\n",
               interface, altset, format, channels, rates, bits ? qPrintable(QString("    Bits: %1\n").arg(bits)) : "")
        .toLatin1();
}
const QByteArray kStopped = "  Status: Stop\n", kHead = "V21 at usb-0000:00:14.0-1, high speed : USB Audio\n";
QByteArray volumeDeviceStream(int captureHz)
{
    return kHead + "\nPlayback:\n" + kStopped + alt(1, 1, "S24_3LE", "44100, 48000") + "\nCapture:\n" +
           running(2, 1, captureHz) + alt(2, 1, "S24_3LE", "44100, 48000");
}
// The volume device's card controls (tests/usb/ctl_calder_test.cpp): capture with dB ranges,
// -60..0 dB in 1 dB steps, and a master; playback linear, with a master mute only.
const QByteArray kVolumeControls =
    "Mic Capture Volume|0|int|0|60|-6000|0|30 30\nMic Capture Volume|1|int|0|60|-6000|0|50\n"
    "Mic Capture Switch|0|bool|0|1|0|0|1 1\nPCM Playback Volume|0|int|0|255|0|0|255 128\n"
    "PCM Playback Switch|1|bool|0|1|0|0|1\n";

bool waitFor(HANDLE event, int ms)
{
    pollfd p{int(reinterpret_cast<intptr_t>(event)), POLLIN, 0};
    const bool signalled = ::poll(&p, 1, ms) == 1;
    platform::consumeEvent(event);
    return signalled;
}

QString utf16At(const QByteArray &record, int offset)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(record.constData() + offset));
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

    // Plug and unplug wait for this process's hot-plug events while it has the library loaded;
    // the panel tests unload it first (see unloadLibrary).
    int plug(const UsbTestbed::Mixer &mixer = {})
    {
        const int id = bed.add(mixer);
        plugged << id;
        return !api.isLoaded() || waitFor(arrival, 5000) ? id : -1;
    }
    void unplug(int id, bool announce = true)
    {
        plugged.removeAll(id);
        bed.remove(id, announce);
        if (announce && api.isLoaded())
            QVERIFY(waitFor(removal, 5000));
    }
    // umockdev's preload names a process's uevent socket after its descriptor number, so two
    // processes under one testbed that listen with the same number take each other's socket
    // and one of them hears no plug again. While the panel runs, it is the only listener.
    void unloadLibrary()
    {
        if (!api.isLoaded())
            return;
        api.TUSBAUDIO_UnregisterPnpNotification();
        api.unload();
    }
    TSTATUS open(uint32_t index, TUsbAudioHandle *h)
    {
        const TSTATUS s = api.TUSBAUDIO_OpenDeviceByIndex(index, h);
        handles << *h;
        return s;
    }
    QByteArray properties(TUsbAudioHandle h, TSTATUS *status)
    {
        QByteArray record(int(tusb::kDevicePropertiesSize), '\0');
        return (*status = api.TUSBAUDIO_GetDeviceProperties(h, record.data())), record;
    }

private slots:
    void initTestCase()
    {
        // All 66 names resolve and the version check passes.
        QCOMPARE(api.loadFromPath(qEnvironmentVariable("CALDER_USB_LIBRARY").toStdString(), true), tusb::kOk);
        QCOMPARE(api.resolvedCount(), 66);
        QCOMPARE(api.TUSBAUDIO_RegisterPnpNotification(arrival, removal, nullptr, tusb::kPnpWindowMessage, 0),
                 tusb::kOk);
    }

    void cleanup()
    {
        for (TUsbAudioHandle h : handles)
            if (api.isLoaded())
                api.TUSBAUDIO_CloseDevice(h);
        handles.clear();
        while (!plugged.isEmpty())
            unplug(plugged.first());
    }

    void cleanupTestCase() { unloadLibrary(); }

    // The values a control of the device's card holds ("30 30").
    QString controlValues(int id, const QString &control)
    {
        for (const QString &line : QString::fromLatin1(bed.cardFile(id, "controls")).split('\n'))
            if (line.startsWith(control + '|'))
                return line.section('|', 7).trimmed();
        return QString();
    }
    void addVolumeCard(int id)
    {
        bed.setCardFile(id, "stream0", volumeDeviceStream(47999));
        bed.setCardFile(id, "pcm0c/sub0/status", "state: RUNNING\n");
        bed.setCardFile(id, "pcm0p/sub0/status", "closed\n");
        bed.setCardFile(id, "controls", kVolumeControls);
    }

    // ---- The library alone --------------------------------------------------------------------

    void requestsAndStrings_data()
    {
        QTest::addColumn<int>("requestType");
        QTest::addColumn<int>("request");
        QTest::addColumn<int>("fault"); // -1 none, else UsbTestbed::Fault
        QTest::addColumn<QByteArray>("serial");
        QTest::addColumn<uint>("status");
        QTest::addColumn<QByteArray>("data"); // written or read; what the mixer keeps after a write
        QTest::addColumn<QString>("serialText");
        const QByteArray block = QByteArray::fromHex("0000040003000000"), untouched(8, char(0xAA));
        const QByteArray meter = QByteArray::fromHex("00093D0000000000"); // 4000000
        const QByteArray plain = UsbTestbed::text(u"A-123");
        QTest::newRow("write kept") << 0x40 << 0x10 << -1 << plain << 0u << block << "A-123";
        QTest::newRow("write stalled") << 0x40 << 0x10 << int(Fault::Stall) << plain << kStalled << QByteArray()
                                       << "A-123";
        QTest::newRow("write unanswered")
            << 0x40 << 0x10 << int(Fault::NoAnswer) << plain << kTimeout << QByteArray() << "A-123";
        QTest::newRow("meter read") << 0xC0 << 0x10 << -1 << plain << 0u << meter << "A-123";
        QTest::newRow("short meter reply")
            << 0xC0 << 0x10 << int(Fault::Short) << plain << kShort << meter.left(4) + untouched.left(4) << "A-123";
        QTest::newRow("debug read") << 0xC0 << 0x11 << -1 << plain << 0u << QByteArray::fromHex("0102030405010207")
                                    << "A-123";
        QTest::newRow("unknown request") << 0xC0 << 0x12 << -1 << plain << kStalled << untouched << "A-123";
        // String descriptors as devices get them wrong: each still gives a record, no crash.
        QTest::newRow("no serial string") << 0xC0 << 0x10 << -1 << QByteArray() << 0u << meter << "";
        QTest::newRow("odd length") << 0xC0 << 0x10 << -1 << QByteArray::fromHex("0703410042004300") << 0u << meter
                                    << "AB";
        QTest::newRow("bLength beyond the reply")
            << 0xC0 << 0x10 << -1 << QByteArray::fromHex("14034100") << 0u << meter << "A";
        QTest::newRow("not a string") << 0xC0 << 0x10 << -1 << QByteArray::fromHex("04024100") << 0u << meter << "";
        QTest::newRow("bLength 1") << 0xC0 << 0x10 << -1 << QByteArray::fromHex("0103") << 0u << meter << "";
    }

    void requestsAndStrings()
    {
        QFETCH(int, requestType);
        QFETCH(int, request);
        QFETCH(int, fault);
        QFETCH(QByteArray, serial);
        QFETCH(uint, status);
        QFETCH(QByteArray, data);
        QFETCH(QString, serialText);
        UsbTestbed::Mixer mixer;
        mixer.serial = serial;
        const int id = plug(mixer);
        QVERIFY(id >= 0);
        bed.setMeter(id, 4000000);
        if (fault >= 0)
            bed.setFault(id, uint8_t(requestType), uint8_t(request), Fault(fault), -1, 4);
        QCOMPARE(api.TUSBAUDIO_EnumerateDevices(), tusb::kOk);
        QCOMPARE(api.TUSBAUDIO_GetDeviceCount(), 1u);
        TUsbAudioHandle h = nullptr;
        QCOMPARE(open(0, &h), tusb::kOk);
        TSTATUS s = 0;
        const QByteArray record = properties(h, &s);
        QCOMPARE(s, tusb::kOk);
        QCOMPARE(utf16At(record, tusb::kPropSerialNumber), serialText);
        QCOMPARE(utf16At(record, tusb::kPropProduct), QString("Alto"));
        const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(record.constData() + at); };
        QCOMPARE(QList<quint32>({u32(tusb::kPropVendorId), u32(tusb::kPropProductId), u32(tusb::kPropRevisionId)}),
                 QList<quint32>({LumenVendorId, 0x30, 0x0105}));

        QByteArray buffer(8, char(0xAA));
        uint32_t moved = 99;
        const QByteArray sent = QByteArray::fromHex("0000040003000000");
        const TSTATUS got =
            requestType == 0x40
                ? api.TUSBAUDIO_ClassVendorRequestOut(h, 0, 0, uint32_t(request), 0, 0, 8,
                                                      reinterpret_cast<const uint8_t *>(sent.constData()), &moved, 300)
                : api.TUSBAUDIO_ClassVendorRequestIn(h, 0, 0, uint32_t(request), 0, 0, 8,
                                                     reinterpret_cast<uint8_t *>(buffer.data()), &moved, 300);
        QCOMPARE(got, TSTATUS(status));
        if (requestType == 0x40) {
            QCOMPARE(moved, status ? 0u : 8u);
            QCOMPARE(bed.kept(id, 0x0400), data); // nothing kept that did not go through
        } else {
            QCOMPARE(buffer, data); // only the bytes that arrived are written
            QCOMPARE(moved, uint32_t(status == kShort ? 4 : status ? 0 : 8));
        }
        // Endpoint 0, vendor type, device recipient; nothing claimed, no driver detached.
        const auto log = bed.vendorRequests(id);
        QCOMPARE(int(log.size()), 1);
        QCOMPARE(QList<int>({log[0].requestType, log[0].request, log[0].value + log[0].index, log[0].length}),
                 QList<int>({requestType, request, 0, 8}));
        QCOMPARE(bed.intrusiveIoctls(id), 0);
    }

    void listingHotplugAndDepartures()
    {
        // Two mixers with one serial number: listed by port (libusb lists the newest first).
        UsbTestbed::Mixer alto, tenor;
        alto.port = 1;
        tenor.productId = 0x31;
        tenor.port = 2;
        const int first = plug(alto), second = plug(tenor);
        QVERIFY(first >= 0 && second >= 0);
        QCOMPARE(api.TUSBAUDIO_EnumerateDevices(), tusb::kOk);
        QCOMPARE(api.TUSBAUDIO_GetDeviceCount(), 2u);
        TSTATUS s = 0;
        TUsbAudioHandle h0 = nullptr, h1 = nullptr;
        QCOMPARE(open(0, &h0) | open(1, &h1), tusb::kOk);
        QCOMPARE(properties(h0, &s).at(4), char(0x30));
        QCOMPARE(properties(h1, &s).at(4), char(0x31));
        uint32_t mode = 0;
        QCOMPARE(api.TUSBAUDIO_GetDeviceUsbMode(h0, &mode), tusb::kOk);
        QCOMPARE(mode, 2u);

        // A meter read in flight on a pool thread while the mixer is pulled: it ends with the
        // departure's status, as do later calls on its handle; closing still works.
        bed.setFault(first, 0xC0, 0x10, Fault::NoAnswer);
        std::atomic<TSTATUS> inFlight{0};
        std::thread reader([&] {
            uint8_t block[8];
            uint32_t moved = 0;
            inFlight = api.TUSBAUDIO_ClassVendorRequestIn(h0, 0, 0, 0x10, 0, 0, 8, block, &moved, 5000);
        });
        QTRY_COMPARE(bed.held(first), 1);
        QElapsedTimer clock;
        clock.start();
        unplug(first);
        reader.join();
        QCOMPARE(inFlight.load(), kDeviceGone);
        QVERIFY(clock.elapsed() < 3000);
        QCOMPARE(api.TUSBAUDIO_GetDeviceUsbMode(h0, &mode), kDeviceGone);
        QCOMPARE(api.TUSBAUDIO_CloseDevice(h0), tusb::kOk);
        handles.removeAll(h0);

        // Gone after the listing, before its uevent was seen: the open fails cleanly.
        QCOMPARE(api.TUSBAUDIO_EnumerateDevices(), tusb::kOk);
        QCOMPARE(api.TUSBAUDIO_GetDeviceCount(), 1u);
        unplug(second, false);
        TUsbAudioHandle h = nullptr;
        QCOMPARE(open(0, &h), kDeviceGone);
        QCOMPARE(open(1, &h), kInvalidIndex);
        uint8_t block[8];
        QCOMPARE(api.TUSBAUDIO_ClassVendorRequestIn(h1, 0, 0, 0x10, 0, 0, 8, block, nullptr, 1000), kDeviceGone);
    }

    void permissionDenied()
    {
        // Listed and opened; what needs no I/O works, what needs the node says why.
        UsbTestbed::Mixer mixer;
        mixer.accessDenied = true;
        QVERIFY(plug(mixer) >= 0);
        QCOMPARE(api.TUSBAUDIO_EnumerateDevices(), tusb::kOk);
        QCOMPARE(api.TUSBAUDIO_GetDeviceCount(), 1u);
        TUsbAudioHandle h = nullptr;
        QCOMPARE(open(0, &h), tusb::kOk);
        uint32_t mode = 0, moved = 0;
        QCOMPARE(api.TUSBAUDIO_GetDeviceUsbMode(h, &mode), tusb::kOk);
        TSTATUS s = 0;
        const QByteArray record = properties(h, &s);
        // Listed by the name the kernel publishes for everyone, so the panel can offer it.
        QCOMPARE(s, tusb::kOk);
        QCOMPARE(record.at(4), char(0x30));
        QCOMPARE(utf16At(record, tusb::kPropProduct), QString("Alto"));
        uint8_t block[8] = {};
        QCOMPARE(api.TUSBAUDIO_ClassVendorRequestOut(h, 0, 0, 0x10, 0, 0, 8, block, &moved, 1000), kAccessDenied);
    }

    void streamFiles_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("playback"); // distinct formats, the current one (its id), the rate
        QTest::addColumn<QString>("capture");
        QTest::newRow("a choice, stopped")
            << "\nPlayback:\n" + kStopped + alt(1, 1, "S16_LE", "48000", nullptr) + alt(1, 2, "S24_3LE", "48000", "0")
            << "2x16 2x24 @0"
            << "@0";
        QTest::newRow("playback only, running")
            << kHead + "\nPlayback:\n" + running(1, 3, 44101) + alt(1, 1, "S16_LE", "44100, 48000", "16") +
                   alt(1, 2, "S24_3LE", "48000") + alt(1, 3, "S24_3LE", "44100, 48000")
            << "2x16 2x24 now 2x24 (102) @44100"
            << "@0";
        QTest::newRow("odd spacing") << QByteArray(
                                            "Playback:\r\n\tStatus:Running\r\n  Interface=1\n Altset =3\n"
                                            "Momentary freq=96000 Hz\n Interface 1\nAltset  3\n  Format:S32_LE\n"
                                            " Channels :8\nRates:96000\nBits:32\n")
                                     << "8x32 now 8x32 (103) @96000"
                                     << "@0";
        QTest::newRow("unknown lines") << "Surround:\n  Interface 9\n    Channels: 6\n\nCapture:\n" + kStopped +
                                              "  Interface\n    Altset\n  Future key: 12\nno separator here\n" +
                                              alt(2, 1, "S16_LE", "48000", "16", 1) + "    Feedback Format = 16.16\n"
                                       << "@0"
                                       << "1x16 now 1x16 (201) @0";
        QTest::newRow("continuous rates")
            << "\nCapture:\n" + running(2, 1, 88200) + alt(2, 1, "S24_LE", "8000 - 192000 (continuous)") << "@0"
            << "2x24 now 2x24 (201) @88200";
    }

    // The stream files' parser alone.
    void streamFiles()
    {
        QFETCH(QByteArray, text);
        usbdrv::StreamInfo info;
        usbdrv::parseStreamFile(text.toStdString(), &info);
        const auto summary = [](const usbdrv::StreamDirection &d) {
            QStringList parts;
            for (const usbdrv::AltFormat &f : usbdrv::distinctFormats(d))
                parts << QString("%1x%2").arg(f.channels).arg(f.bits);
            usbdrv::AltFormat now;
            if (usbdrv::currentFormat(d, &now))
                parts << QString("now %1x%2 (%3)").arg(now.channels).arg(now.bits).arg(now.id, 0, 16);
            return (parts << QString("@%1").arg(usbdrv::nominalRate(d))).join(' ');
        };
        QTEST(summary(info.playback), "playback");
        QTEST(summary(info.capture), "capture");
    }

    // The device's ALSA card through the library: rate, formats and clients from its files,
    // volumes in 1/256 dB through the controls' own dB ranges or linearly, unusable controls
    // refused and left alone, the rate watch, and a card that goes.
    void alsaCard()
    {
        UsbTestbed::Mixer mixer;
        mixer.productId = 0x21;
        const int id = plug(mixer);
        QVERIFY(id >= 0);
        QCOMPARE(api.TUSBAUDIO_EnumerateDevices(), tusb::kOk);
        TUsbAudioHandle h = nullptr;
        QCOMPARE(open(0, &h), tusb::kOk);
        uint32_t u = 1, clients = 0, asio = 1;
        const auto level = [&](uint32_t direction, uint32_t channel) {
            int16_t v = 0;
            const TSTATUS s = api.TUSBAUDIO_GetVolume(h, direction, channel, &v);
            return s ? QString::number(s, 16) : QString::number(v);
        };
        // Before the audio driver is bound: no card, as a device without those features.
        QCOMPARE(api.TUSBAUDIO_GetCurrentSampleRate(h, &u), tusb::kOk);
        QCOMPARE(u, 0u);
        QCOMPARE(level(1, 1), QString("ee000008"));

        addVolumeCard(id);
        const QByteArray usbbus = bed.cardFile(id, "usbbus");                              // "001/<device number>"
        for (const QByteArray &other : {"002" + usbbus.mid(3), QByteArray("001/999\n")}) { // another device's card
            bed.setCardFile(id, "usbbus", other);
            QCOMPARE(level(1, 1), QString("ee000008"));
        }
        bed.setCardFile(id, "usbbus", usbbus);
        const HANDLE news = platform::createAutoResetEvent();
        QCOMPARE(api.TUSBAUDIO_RegisterDeviceNotification(h, 0xFFFFFFFF, news, 0), tusb::kOk);
        QCOMPARE(api.TUSBAUDIO_GetCurrentSampleRate(h, &u), tusb::kOk);
        QCOMPARE(u, 48000u);
        QByteArray format(int(tusb::kStreamFormatSize), 0);
        QCOMPARE(api.TUSBAUDIO_GetSupportedStreamFormats(h, 1, 1, format.data(), &u), tusb::kOk);
        QCOMPARE(format.left(12), QByteArray::fromHex("010200001800000002000000"));
        QCOMPARE(api.TUSBAUDIO_GetSupportedStreamFormats(h, 0, 0, nullptr, &u), tusb::kMoreFormatsThanTable);
        QCOMPARE(api.TUSBAUDIO_GetClientInfo(h, &u, &clients, &asio), tusb::kOk);
        QCOMPARE(QList<uint32_t>({u, clients, asio}), QList<uint32_t>({1, 1, 0}));

        const auto info = [&](uint32_t direction, uint32_t channel) {
            QByteArray record(int(tusb::kVolumeMuteInfoSize), 0);
            const TSTATUS s = api.TUSBAUDIO_GetVolumeMuteInfo(h, direction, channel, record.data());
            const auto i16 = [&](int at) { return qFromLittleEndian<qint16>(record.constData() + at); };
            return QString("%1: %2 %3..%4/%5").arg(s, 0, 16).arg(record.at(0) & 3).arg(i16(4)).arg(i16(6)).arg(i16(8));
        };
        QCOMPARE(info(1, 0), QString("0: 1 -15360..0/256")); // volume, no mute
        QCOMPARE(info(1, 2), QString("0: 3 -15360..0/256"));
        QCOMPARE(info(1, 3), QString("0: 0 0..0/0"));                       // no such channel
        QCOMPARE(info(0, 0), QString("0: 2 0..0/0"));                       // a mute only
        QCOMPARE(info(0, 1), QString("0: 1 -32768..0/128"));                // no dB range: linear
        QCOMPARE(level(1, 0) + ' ' + level(0, 2), QString("-2560 -16320")); // -10 dB; 128 of 0..255, linear
        QCOMPARE(api.TUSBAUDIO_SetVolume(h, 1, 2, -12 * 256), tusb::kOk);
        QCOMPARE(api.TUSBAUDIO_SetVolume(h, 1, 0, -2900), tusb::kOk); // -11.33 dB: the nearer step, -11 dB
        QCOMPARE(api.TUSBAUDIO_SetVolume(h, 0, 1, -8192), tusb::kOk); // a quarter down the linear range
        QCOMPARE(api.TUSBAUDIO_SetMute(h, 1, 2, 1), tusb::kOk);
        QCOMPARE(api.TUSBAUDIO_SetMute(h, 0, 0, 1), tusb::kOk);
        QCOMPARE(api.TUSBAUDIO_GetMute(h, 1, 2, &u), tusb::kOk);
        QCOMPARE(u, 1u);
        QCOMPARE(api.TUSBAUDIO_GetMute(h, 0, 1, &u), kNotSupported);
        QStringList values;
        for (const char *c : {"Mic Capture Volume|0", "Mic Capture Volume|1", "Mic Capture Switch|0",
                              "PCM Playback Volume|0", "PCM Playback Switch|1"})
            values << controlValues(id, c);
        QCOMPARE(values, QStringList({"30 48", "49", "1 0", "191 128", "0"}));

        // Inverted and empty ranges: refused, and the control keeps its value.
        for (const char *range : {"60|0|-6000|0", "30|30|-6000|0", "0|60|0|-6000"}) {
            bed.setCardFile(id, "controls",
                            QByteArray(kVolumeControls).replace("1|int|0|60|-6000|0", QByteArray("1|int|") + range));
            QCOMPARE(info(1, 0), QString("ee000047: 0 0..0/0"));
            QCOMPARE(api.TUSBAUDIO_SetVolume(h, 1, 0, 0), kBadControl);
            QCOMPARE(controlValues(id, "Mic Capture Volume|1"), QString("50"));
        }

        // The rate changes: a notification with the new rate.
        bed.setCardFile(id, "stream0", volumeDeviceStream(44100));
        QVERIFY(waitFor(news, 5000));
        uint8_t data[64];
        QCOMPARE(api.TUSBAUDIO_ReadDeviceNotification(h, &u, data, sizeof data, &clients), tusb::kOk);
        QCOMPARE(qFromLittleEndian<quint32>(data), 44100u);
        QCOMPARE(api.TUSBAUDIO_GetCurrentSampleRate(h, &u), tusb::kOk);
        QCOMPARE(u, 44100u);

        // The card goes: while listed, then altogether (a notification for the rate gone).
        bed.removeCardFile(id, "controls");
        QCOMPARE(level(1, 1), QString("ee000046"));
        QCOMPARE(api.TUSBAUDIO_SetMute(h, 1, 1, 1), kCardGone);
        bed.removeCardFile(id, QString());
        QCOMPARE(level(1, 1), QString("ee000008"));
        QVERIFY(waitFor(news, 5000));
        QCOMPARE(api.TUSBAUDIO_RegisterDeviceNotification(h, 0, nullptr, 0), tusb::kOk);
        platform::closeEvent(news);
    }

    // ---- The real panel ---------------------------------------------------------------------

    void panelOnEmulatedMixers()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs the X display of the end-to-end run");
        using namespace e2e;
        unloadLibrary();
        QFile::remove(settingsFile());
        Panel panel(QString(), {"CALDER_REGISTRY=" + qEnvironmentVariable("CALDER_USB_REGISTRY")});
        QVERIFY2(panel.waitUntilShown(), qPrintable(panel.log()));
        QTRY_COMPARE_WITH_TIMEOUT(readTabs(panel.grab()).centres.size(), 1, 10000);
        auto openTab = [&](int index) {
            click(panel.at(readTabs(panel.grab()).centres.value(index), 68));
            QTRY_COMPARE_WITH_TIMEOUT(readTabs(panel.grab()).current, index, 5000);
        };

        // Plugged in: the Alto's tabs, and the stored (default) blocks reach it byte for byte.
        const int id = plug();
        QVERIFY(id >= 0);
        QTRY_COMPARE_WITH_TIMEOUT(readTabs(panel.grab()).centres.size(), 5, 10000);
        QTRY_VERIFY(bed.parameterWrites(id).size() >= 5);
        QCOMPARE(bed.parameterWrites(id).mid(0, 5),
                 QStringList({"0000040000000000", "00000280000007D0", "000002810051EB84", "0000028200040C36",
                              "00000283003200FA"}));

        // A routing pick reaches the mixer and the store.
        openTab(1);
        click(panel.at(35 + 145, 120 + 56));
        QTest::qWait(300);
        click(panel.at(35 + 145, 120 + 92 + 36 * 2)); // "Stereo input 4+5"
        QTRY_COMPARE(bed.parameterWrites(id).last(), QString("0000040002000000"));
        QCOMPARE(bed.kept(id, 0x0400), QByteArray::fromHex("0000040002000000"));
        QTRY_COMPARE(setting("Alto/AudioRouting/Input12").toInt(), 2);

        // The ducker switch reaches it, and the meter level it answers is drawn.
        bed.setMeter(id, 4000000);
        openTab(2);
        click(panel.at(53, 122));
        QTRY_COMPARE(bed.parameterWrites(id).last(), QString("00000280010007D0"));
        QTRY_VERIFY(bed.vendorReads(id, 0x10) > 5);
        const QRect meterReading(180, 179, 44, 16);
        const QImage loud = panel.grab();
        bed.setMeter(id, 40000);
        QTRY_VERIFY(changedPixels(panel.grab(), loud, meterReading) > 20);
        QCOMPARE(bed.intrusiveIoctls(id), 0);

        // Pulled while a meter read waits for its answer: the tabs go, the panel stays.
        bed.setFault(id, 0xC0, 0x10, Fault::NoAnswer);
        QTRY_COMPARE(bed.held(id), 1);
        unplug(id);
        QTRY_COMPARE_WITH_TIMEOUT(readTabs(panel.grab()).centres.size(), 1, 10000);
        QTRY_VERIFY(panel.log().contains(":read device failed."));
        // And comes back: connected again, the stored pick sent first.
        const int again = plug();
        QTRY_COMPARE_WITH_TIMEOUT(readTabs(panel.grab()).centres.size(), 5, 10000);
        QTRY_VERIFY(!bed.parameterWrites(again).isEmpty());
        QCOMPARE(bed.parameterWrites(again).first(), QString("0000040002000000"));
        unplug(again);

        // A volume device, its card made by the audio driver after the device came: the rate
        // arrives by notification.
        UsbTestbed::Mixer mixer;
        mixer.productId = 0x21;
        mixer.product = UsbTestbed::text(u"V21");
        const int v21 = plug(mixer);
        QTRY_COMPARE_WITH_TIMEOUT(readTabs(panel.grab()).centres.size(), 4, 10000);
        const QRect rateText(393, 160, 240, 28);
        const QImage noRate = panel.grab();
        addVolumeCard(v21);
        QTRY_VERIFY_WITH_TIMEOUT(changedPixels(panel.grab(), noRate, rateText) > 20, 5000);
        // The Volume page shows the controls' levels, read again when the direction is picked.
        openTab(1);
        const QRect masterText(40, 172, 84, 22);
        QImage at10dB;
        QTRY_VERIFY((at10dB = panel.grab(), inkPixels(at10dB, masterText, at10dB.pixel(masterText.topLeft())) > 20));
        for (const QByteArray &controls : {QByteArray(kVolumeControls).replace("|50", "|20"), kVolumeControls}) {
            const QImage before = panel.grab();
            bed.setCardFile(v21, "controls", controls);
            click(panel.at(141, 143)); // Output
            click(panel.at(59, 143));  // Input
            QTRY_VERIFY(changedPixels(panel.grab(), before, masterText) > 20);
        }
        QCOMPARE(changedPixels(panel.grab(), at10dB, masterText), 0);
        // One slider of a linked pair moves both channels; the pair's mute mutes both.
        drag(panel.at(162, 252), panel.at(162, 320));
        QTRY_VERIFY(controlValues(v21, "Mic Capture Volume|0").section(' ', 0, 0).toInt() < 30);
        QCOMPARE(controlValues(v21, "Mic Capture Volume|0").section(' ', 1, 1),
                 controlValues(v21, "Mic Capture Volume|0").section(' ', 0, 0));
        click(panel.at(189, 471));
        QTRY_COMPARE(controlValues(v21, "Mic Capture Switch|0"), QString("0 0"));
        // Formats shown (their current one read), no buffer sizes.
        openTab(2);
        QTRY_VERIFY(panel.log().contains(": TUSBAUDIO_GetASIOInstanceInfo failed"));
        QVERIFY(!panel.log().contains("StreamFormat failed"));
        QVERIFY(!panel.log().contains("StreamFormats failed"));
        QVERIFY2(panel.stop(), qPrintable(panel.log()));
    }
};

QTEST_MAIN(TestUsb)
#include "tst_usb.moc"
