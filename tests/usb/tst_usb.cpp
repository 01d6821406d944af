// libcalder-usb.so against emulated mixers on an emulated USB bus (umockdev; runs under
// umockdev-wrapper). First the library alone, loaded through the panel's loader: statuses of
// failed transfers, string descriptors as devices send them, listing, hot-plug and departures.
// Then the real calder-panel on an emulated Alto under Xvfb, driven through xdotool.
#include "UsbTestbed.h"

#include "../e2e/E2eSupport.h"
#include "device/TUsbAudioApiDll.h"
#include "platform/Event.h"

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <QtTest>

#include <atomic>
#include <poll.h>
#include <thread>

using Fault = UsbTestbed::Fault;

namespace {
constexpr TSTATUS kInvalidIndex = 0xEE000006u, kNotSupported = 0xEE000008u, kDeviceGone = 0xEE000010u,
                  kAccessDenied = 0xEE000011u, kStalled = 0xEE000040u, kTimeout = 0xEE000041u,
                  kShort = 0xEE000042u;

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
    int plug(const UsbTestbed::Spec &spec = {})
    {
        const int id = bed.add(spec);
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
        QTest::newRow("write stalled") << 0x40 << 0x10 << int(Fault::Stall) << plain << kStalled << QByteArray() << "A-123";
        QTest::newRow("write unanswered") << 0x40 << 0x10 << int(Fault::NoAnswer) << plain << kTimeout << QByteArray() << "A-123";
        QTest::newRow("meter read") << 0xC0 << 0x10 << -1 << plain << 0u << meter << "A-123";
        QTest::newRow("short meter reply") << 0xC0 << 0x10 << int(Fault::Short) << plain << kShort
                                           << meter.left(4) + untouched.left(4) << "A-123";
        QTest::newRow("debug read") << 0xC0 << 0x11 << -1 << plain << 0u << QByteArray::fromHex("0102030405010207") << "A-123";
        QTest::newRow("unknown request") << 0xC0 << 0x12 << -1 << plain << kStalled << untouched << "A-123";
        // String descriptors as devices get them wrong: each still gives a record, no crash.
        QTest::newRow("no serial string") << 0xC0 << 0x10 << -1 << QByteArray() << 0u << meter << "";
        QTest::newRow("odd length") << 0xC0 << 0x10 << -1 << QByteArray::fromHex("0703410042004300") << 0u << meter << "AB";
        QTest::newRow("bLength beyond the reply") << 0xC0 << 0x10 << -1 << QByteArray::fromHex("14034100") << 0u << meter << "A";
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
        UsbTestbed::Spec spec;
        spec.serial = serial;
        const int id = plug(spec);
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
        QCOMPARE(u32(tusb::kPropVendorId), LumenVendorId);
        QCOMPARE(u32(tusb::kPropProductId), 0x30u);
        QCOMPARE(u32(tusb::kPropRevisionId), 0x0105u);

        QByteArray buffer(8, char(0xAA));
        uint32_t moved = 99;
        const QByteArray sent = QByteArray::fromHex("0000040003000000");
        const TSTATUS got = requestType == 0x40
                                ? api.TUSBAUDIO_ClassVendorRequestOut(h, 0, 0, uint32_t(request), 0, 0, 8,
                                                                      reinterpret_cast<const uint8_t *>(sent.constData()),
                                                                      &moved, 300)
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
        QCOMPARE(int(log[0].requestType), requestType);
        QCOMPARE(int(log[0].request), request);
        QCOMPARE(log[0].value + log[0].index, 0);
        QCOMPARE(int(log[0].length), 8);
        QCOMPARE(bed.intrusiveIoctls(id), 0);
    }

    void listingHotplugAndDepartures()
    {
        // Two mixers with one serial number: listed by port (libusb lists the newest first).
        UsbTestbed::Spec alto, tenor;
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
        QCOMPARE(utf16At(properties(h1, &s), tusb::kPropSerialNumber), QString("A-123"));
        uint32_t mode = 0, rate = 1;
        QCOMPARE(api.TUSBAUDIO_GetDeviceUsbMode(h0, &mode), tusb::kOk);
        QCOMPARE(mode, 2u);
        // The rate is not known yet: 0 Hz, which the panel shows as no rate (a failure would
        // make it drop the device); what has no Linux side yet says so.
        QCOMPARE(api.TUSBAUDIO_GetCurrentSampleRate(h0, &rate), tusb::kOk);
        QCOMPARE(rate, 0u);
        int16_t volume = 0;
        QCOMPARE(api.TUSBAUDIO_GetVolume(h0, 0, 0, &volume), kNotSupported);
        QCOMPARE(api.TUSBAUDIO_GetASIOInstanceInfo(0, nullptr), kNotSupported);

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
        UsbTestbed::Spec spec;
        spec.accessDenied = true;
        QVERIFY(plug(spec) >= 0);
        QCOMPARE(api.TUSBAUDIO_EnumerateDevices(), tusb::kOk);
        QCOMPARE(api.TUSBAUDIO_GetDeviceCount(), 1u);
        TUsbAudioHandle h = nullptr;
        QCOMPARE(open(0, &h), tusb::kOk);
        uint32_t mode = 0, moved = 0;
        QCOMPARE(api.TUSBAUDIO_GetDeviceUsbMode(h, &mode), tusb::kOk);
        TSTATUS s = 0;
        const QByteArray record = properties(h, &s);
        QCOMPARE(s, kAccessDenied);
        QCOMPARE(record.at(4), char(0x30));
        uint8_t block[8] = {};
        QCOMPARE(api.TUSBAUDIO_ClassVendorRequestOut(h, 0, 0, 0x10, 0, 0, 8, block, &moved, 1000), kAccessDenied);
    }

    // ---- The real panel ---------------------------------------------------------------------

    void panelOnEmulatedAlto()
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
        const QString screens = qEnvironmentVariable("CALDER_USB_SCREENS");
        auto screenshot = [&](const char *name) {
            QTest::qWait(400);
            if (!screens.isEmpty())
                panel.grab().save(QDir(screens).filePath(QString::fromLatin1(name) + ".png"));
        };

        // Plugged in: the Alto's tabs, and the stored (default) blocks reach it byte for byte.
        const int id = plug();
        QVERIFY(id >= 0);
        QTRY_COMPARE_WITH_TIMEOUT(readTabs(panel.grab()).centres.size(), 5, 10000);
        QTRY_VERIFY(bed.parameterWrites(id).size() >= 5);
        QCOMPARE(bed.parameterWrites(id).mid(0, 5), QStringList({"0000040000000000", "00000280000007D0", "000002810051EB84",
                                                                 "0000028200040C36", "00000283003200FA"}));
        screenshot("status");

        // A routing pick reaches the mixer and the store.
        openTab(1);
        click(panel.at(35 + 145, 120 + 56));
        QTest::qWait(300);
        click(panel.at(35 + 145, 120 + 92 + 36 * 2)); // "Stereo input 4+5"
        QTRY_COMPARE(bed.parameterWrites(id).last(), QString("0000040002000000"));
        QCOMPARE(bed.kept(id, 0x0400), QByteArray::fromHex("0000040002000000"));
        QTRY_COMPARE(setting("Alto/AudioRouting/Input12").toInt(), 2);
        screenshot("routing");

        // The ducker switch reaches it, and the meter level it answers is drawn.
        bed.setMeter(id, 4000000);
        openTab(2);
        click(panel.at(53, 122));
        QTRY_COMPARE(bed.parameterWrites(id).last(), QString("00000280010007D0"));
        QTRY_VERIFY(bed.vendorReads(id, 0x10) > 5);
        screenshot("ducker");
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
        QVERIFY2(panel.stop(), qPrintable(panel.log()));
    }
};

QTEST_MAIN(TestUsb)
#include "tst_usb.moc"
