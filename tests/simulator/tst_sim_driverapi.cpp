// The simulated driver through the panel's loader: device list and handles, and every record
// byte for byte (with a guard zone behind each, so a write past a record fails the test).
#include "SimTestSupport.h"

using namespace simtest;

class SimDriverApiTest : public QObject
{
    Q_OBJECT

    SimulatorControl *ctl = nullptr;
    TUsbAudioApiDll api;

    TUsbAudioHandle open(uint32_t index)
    {
        TUsbAudioHandle h = nullptr;
        return api.TUSBAUDIO_OpenDeviceByIndex(index, &h) == 0 ? h : nullptr;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(!qEnvironmentVariableIsEmpty("CALDER_REGISTRY"), "run through ctest");
        QCOMPARE(api.loadByClsid(classId(), true), TSTATUS(0));
        ctl = new SimulatorControl;
        QVERIFY2(ctl->isValid(), qPrintable(ctl->errorString()));
    }

    void cleanupTestCase()
    {
        api.unload();
        QCOMPARE(api.resolvedCount(), 0);
        delete ctl;
    }

    void init() { QCOMPARE(ctl->reset(QStringLiteral("alto")), 1); }

    void exportsAndVersion()
    {
        QCOMPARE(api.resolvedCount(), 66);
        QCOMPARE(api.apiVersion(), 0x00050002u);
        QVERIFY(api.isVersionAtLeast(5, 2));
        QVERIFY(!api.isVersionAtLeast(5, 3));
        QCOMPARE(api.TUSBAUDIO_CheckApiVersion(5, 2), 1);
        QCOMPARE(api.TUSBAUDIO_CheckApiVersion(5, 3), 0);
        QCOMPARE(api.TUSBAUDIO_CheckApiVersion(6, 0), 0);
        QCOMPARE(api.loadByClsid(classId(), true), tusb::kAlreadyLoaded);
        // The entry points the panel never calls refuse, and are counted like the others.
        using Untyped = TSTATUS (*)();
        QCOMPARE(reinterpret_cast<Untyped>(api.TUSBAUDIO_QueryDeviceStatistics)(),
                 TSTATUS(CALDER_SIM_STATUS_NOT_IMPLEMENTED));
        QCOMPARE(ctl->callCount(QStringLiteral("QueryDeviceStatistics")), 1u);
    }

    void apiVersionFromEnvironmentAndControl()
    {
        qputenv("CALDER_SIM_API_VERSION", "5.1"); // read on reset
        ctl->reset(QStringLiteral("alto"));
        qunsetenv("CALDER_SIM_API_VERSION");
        QCOMPARE(api.TUSBAUDIO_GetApiVersion(), 0x00050001u);
        QCOMPARE(api.TUSBAUDIO_CheckApiVersion(5, 2), 0);
        ctl->setApiVersion(5, 2);
        QCOMPARE(api.TUSBAUDIO_GetApiVersion(), 0x00050002u);
    }

    void enumerationIsASnapshot()
    {
        QCOMPARE(api.TUSBAUDIO_EnumerateDevices(), TSTATUS(0));
        QCOMPARE(ctl->plug(QStringLiteral("alto")), 1);
        QCOMPARE(api.TUSBAUDIO_GetDeviceCount(), 1u); // until the next enumeration
        TUsbAudioHandle h = nullptr;
        QCOMPARE(api.TUSBAUDIO_OpenDeviceByIndex(1, &h), TSTATUS(CALDER_SIM_STATUS_INVALID_INDEX));
        api.TUSBAUDIO_EnumerateDevices();
        QCOMPARE(api.TUSBAUDIO_GetDeviceCount(), 2u);
        QVERIFY(open(1) != nullptr);
        QVERIFY2(ctl->state(1).contains("\"serial\":\"A-124\""), ctl->state(1).constData());
        // A device unplugged after the snapshot cannot be opened at its old index.
        QVERIFY(ctl->unplug(0));
        QCOMPARE(api.TUSBAUDIO_OpenDeviceByIndex(0, &h), TSTATUS(CALDER_SIM_STATUS_DEVICE_GONE));
    }

    void handlesAreRejectedSafelyAfterCloseAndUnplug()
    {
        api.TUSBAUDIO_EnumerateDevices();
        TUsbAudioHandle a = open(0), b = open(0);
        QVERIFY(a && b && a != b);
        QCOMPARE(ctl->openHandleCount(0), 2);
        uint32_t rate = 0;
        QCOMPARE(api.TUSBAUDIO_CloseDevice(a), TSTATUS(0));
        QCOMPARE(api.TUSBAUDIO_GetCurrentSampleRate(a, &rate), TSTATUS(CALDER_SIM_STATUS_INVALID_HANDLE));
        QCOMPARE(api.TUSBAUDIO_CloseDevice(a), TSTATUS(CALDER_SIM_STATUS_INVALID_HANDLE));
        QCOMPARE(api.TUSBAUDIO_GetCurrentSampleRate(nullptr, &rate), TSTATUS(CALDER_SIM_STATUS_INVALID_HANDLE));
        // Unplugged: calls fail, but unregistering and closing still clean up. A new device
        // plugged afterwards is not reachable through the old handle.
        QVERIFY(ctl->unplug(0));
        ctl->plug(QStringLiteral("alto"));
        QCOMPARE(api.TUSBAUDIO_GetCurrentSampleRate(b, &rate), TSTATUS(CALDER_SIM_STATUS_DEVICE_GONE));
        QCOMPARE(api.TUSBAUDIO_RegisterDeviceNotification(b, 0, nullptr, 0), TSTATUS(0));
        QCOMPARE(api.TUSBAUDIO_CloseDevice(b), TSTATUS(0));
        QCOMPARE(ctl->openHandleCount(0), 0);
    }

    void propertiesRecord_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<uint>("vendor");
        QTest::addColumn<uint>("product");
        QTest::addColumn<uint>("mode");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("serial");
        QTest::addColumn<uint>("rate");
        const uint lumen = LumenVendorId;
        QTest::newRow("alto") << "alto" << lumen << 0x30u << 0u << "Alto"
                              << "A-123" << 48000u;
        QTest::newRow("tenor") << "tenor" << lumen << 0x31u << 0u << "Tenor"
                               << "T-123" << 48000u;
        QTest::newRow("basso") << "basso" << lumen << 0x32u << 0u << "Basso"
                               << "B-123" << 48000u;
        QTest::newRow("v21") << "v21" << lumen << 0x21u << 0u << "Lumen Audio Duo"
                             << "D-123" << 44100u;
        QTest::newRow("v22") << "v22" << lumen << 0x22u << 0u << "Lumen Audio Quad"
                             << "Q-123" << 96000u;
        QTest::newRow("unknown") << "unknown" << lumen << 0x40u << 0u << "Lumen Audio Prototype"
                                 << "P-123" << 48000u;
        QTest::newRow("foreign") << "foreign" << 0x5ABu << 0x31u << 0u << "Tenor"
                                 << "H-123" << 48000u;
        QTest::newRow("usbmode1") << "usbmode1" << lumen << 0x30u << 1u << "Alto"
                                  << "U-123" << 48000u;
    }

    void propertiesRecord()
    {
        QFETCH(QString, model);
        QFETCH(uint, vendor);
        QFETCH(uint, product);
        QFETCH(uint, mode);
        QFETCH(QString, name);
        QFETCH(QString, serial);
        QFETCH(uint, rate);
        QCOMPARE(ctl->reset(model), 1);
        TUsbAudioHandle h = open(0);
        QVERIFY(h);
        Guarded p(tusb::kDevicePropertiesSize);
        QCOMPARE(api.TUSBAUDIO_GetDeviceProperties(h, p.data()), TSTATUS(0));
        QVERIFY(p.guardIntact());
        QCOMPARE(p.u32(0), vendor);
        QCOMPARE(p.u32(4), product);
        QVERIFY(p.u32(8) >= 0x100);
        QCOMPARE(p.str(12, 128), serial);
        QVERIFY(!p.str(268, 128).isEmpty());
        QCOMPARE(p.str(524, 128), name);
        uint32_t usbMode = 99, hz = 0;
        QCOMPARE(api.TUSBAUDIO_GetDeviceUsbMode(h, &usbMode), TSTATUS(0));
        QCOMPARE(usbMode, mode);
        QCOMPARE(api.TUSBAUDIO_GetCurrentSampleRate(h, &hz), TSTATUS(0));
        QCOMPARE(hz, rate);
        api.TUSBAUDIO_CloseDevice(h);
    }

    void longStringsFillTheirFieldWithoutTerminator()
    {
        ctl->setDeviceStrings(0, QString(128, 'S'), QStringLiteral("M\u00e4ker"), QString(200, 'P'));
        TUsbAudioHandle h = open(0);
        Guarded p(tusb::kDevicePropertiesSize);
        QCOMPARE(api.TUSBAUDIO_GetDeviceProperties(h, p.data()), TSTATUS(0));
        QVERIFY(p.guardIntact());
        QCOMPARE(p.str(12, 128), QString(128, 'S'));             // no terminator in the field...
        QCOMPARE(p.str(268, 128), QStringLiteral("M\u00e4ker")); // ...and the next field intact
        QCOMPARE(p.str(524, 128), QString(128, 'P'));
        QCOMPARE(p.u32(780), 0u); // the unread tail is zeroed, not left over
        api.TUSBAUDIO_CloseDevice(h);
    }

    void driverAndClientInfo()
    {
        Guarded d(tusb::kDriverInfoSize);
        std::memset(d.data(), 0xAB, tusb::kDriverInfoSize);
        ctl->setDriverInfo(5, 2, 1, 1);
        QCOMPARE(api.TUSBAUDIO_GetDriverInfo(d.data()), TSTATUS(0));
        QVERIFY(d.guardIntact());
        QCOMPARE(QVector<uint32_t>({d.u32(0), d.u32(8), d.u32(12), d.u32(16), d.u32(20)}),
                 QVector<uint32_t>({0, 5, 2, 1, 1}));
        TUsbAudioHandle h = open(0);
        ctl->setClientInfo(0, 2, 3, 4);
        uint32_t st = 0, wdm = 0, asio = 0;
        QCOMPARE(api.TUSBAUDIO_GetClientInfo(h, &st, &wdm, &asio), TSTATUS(0));
        QCOMPARE(QVector<uint32_t>({st, wdm, asio}), QVector<uint32_t>({2, 3, 4}));
        api.TUSBAUDIO_CloseDevice(h);
    }

    void streamFormats()
    {
        TUsbAudioHandle h = open(0);
        QVector<CalderSimFormat> many;
        for (uint32_t i = 0; i < 40; ++i)
            many.append({100 + i, 24, 2 + i % 3});
        QVERIFY(ctl->setStreamFormats(0, tusb::kDirectionInput, many));
        Guarded table(32 * tusb::kStreamFormatSize);
        uint32_t count = 0;
        QCOMPARE(api.TUSBAUDIO_GetSupportedStreamFormats(h, 1, 32, table.data(), &count), tusb::kMoreFormatsThanTable);
        QCOMPARE(count, 32u);
        QVERIFY(table.guardIntact());
        QCOMPARE(table.u32(31 * 332), 131u);
        QCOMPARE(table.u32(31 * 332 + 4), 24u);
        QCOMPARE(table.u32(31 * 332 + 8), 3u);
        QCOMPARE(api.TUSBAUDIO_GetSupportedStreamFormats(h, 2, 32, table.data(), &count),
                 TSTATUS(CALDER_SIM_STATUS_INVALID_PARAMETER));

        // No output formats at all gives an empty, successful list and no current format.
        QVERIFY(ctl->setStreamFormats(0, tusb::kDirectionOutput, {}));
        QCOMPARE(api.TUSBAUDIO_GetSupportedStreamFormats(h, 0, 32, table.data(), &count), TSTATUS(0));
        QCOMPARE(count, 0u);
        Guarded cur(tusb::kStreamFormatSize);
        QVERIFY(api.TUSBAUDIO_GetCurrentStreamFormat(h, 0, cur.data()) != 0);

        QVERIFY(ctl->setStreamFormats(0, 1, {{7, 16, 2}, {9, 24, 2}, {9, 32, 4}}));
        ctl->setCurrentFormat(0, 1, 7);
        QCOMPARE(api.TUSBAUDIO_SetCurrentStreamFormat(h, 1, 9), TSTATUS(0));
        QCOMPARE(api.TUSBAUDIO_GetCurrentStreamFormat(h, 1, cur.data()), TSTATUS(0));
        QVERIFY(cur.guardIntact());
        QCOMPARE(cur.u32(0), 9u);
        QCOMPARE(cur.u32(4), 24u); // the first format with that id
        QCOMPARE(api.TUSBAUDIO_SetCurrentStreamFormat(h, 1, 8), TSTATUS(CALDER_SIM_STATUS_INVALID_PARAMETER));
        QCOMPARE(ctl->currentFormat(0, 1), 9);
        // A current id that no listed format has is still reported, with no bits or channels.
        ctl->setCurrentFormat(0, 1, 55);
        QCOMPARE(api.TUSBAUDIO_GetCurrentStreamFormat(h, 1, cur.data()), TSTATUS(0));
        QCOMPARE(cur.u32(0), 55u);
        QCOMPARE(cur.u32(8), 0u);
        uint32_t mode = 1;
        ctl->setSelectionMode(0, 0);
        QCOMPARE(api.TUSBAUDIO_GetStreamFormatSelectionMode(h, &mode), TSTATUS(0));
        QCOMPARE(mode, 0u);
        api.TUSBAUDIO_CloseDevice(h);
    }

    void asioInstance()
    {
        Guarded rec(tusb::kAsioInstanceSize);
        QCOMPARE(api.TUSBAUDIO_GetASIOInstanceInfo(0, rec.data()), TSTATUS(0));
        QVERIFY(rec.guardIntact());
        const uint32_t word = rec.u32(4);
        QCOMPARE(word, ctl->asioInstanceWord());
        QCOMPARE(rec.u32(28), 256u);
        QCOMPARE(rec.u32(32), 7u);
        QCOMPARE(rec.u32(36 + 4 * 4), 512u);
        QVERIFY(api.TUSBAUDIO_GetASIOInstanceInfo(1, rec.data()) != 0);

        QCOMPARE(api.TUSBAUDIO_SetASIOBufferPreferredSize(0, word + 1, 512, 0),
                 TSTATUS(CALDER_SIM_STATUS_INVALID_PARAMETER));
        QCOMPARE(api.TUSBAUDIO_SetASIOBufferPreferredSize(0, word, 500, 0),
                 TSTATUS(CALDER_SIM_STATUS_INVALID_PARAMETER));
        QCOMPARE(ctl->asioCurrentSize(), 256u);
        QCOMPARE(api.TUSBAUDIO_SetASIOBufferPreferredSize(0, word, 512, 0x10000), TSTATUS(0));
        QCOMPARE(api.TUSBAUDIO_GetASIOInstanceInfo(0, rec.data()), TSTATUS(0));
        QCOMPARE(rec.u32(28), 512u);
        QCOMPARE(rec.u32(16), 0x10000u);

        // More sizes than the record holds: the count is reported as configured, 40 are written.
        QVector<quint32> sizes;
        for (quint32 i = 1; i <= 45; ++i)
            sizes.append(i * 16);
        ctl->setAsio(sizes, 64, 0);
        QCOMPARE(api.TUSBAUDIO_GetASIOInstanceInfo(0, rec.data()), TSTATUS(0));
        QVERIFY(rec.guardIntact());
        QCOMPARE(rec.u32(32), 45u);
        QCOMPARE(rec.u32(36 + 39 * 4), 640u);
        ctl->reset(QString()); // no device attached: no ASIO instance
        QVERIFY(api.TUSBAUDIO_GetASIOInstanceInfo(0, rec.data()) != 0);
    }

    void volumeAndMute()
    {
        ctl->reset(QStringLiteral("v21"));
        api.TUSBAUDIO_EnumerateDevices();
        TUsbAudioHandle h = open(0);
        QCOMPARE(ctl->channelCount(0, 0), 3);
        Guarded table(32 * tusb::kStreamFormatSize);
        uint32_t count = 0;
        api.TUSBAUDIO_GetSupportedStreamFormats(h, 0, 32, table.data(), &count);
        QCOMPARE(table.u32(8), 3u); // formats agree with the channel count

        Guarded info(tusb::kVolumeMuteInfoSize);
        QCOMPARE(api.TUSBAUDIO_GetVolumeMuteInfo(h, 0, 1, info.data()), TSTATUS(0));
        QVERIFY(info.guardIntact());
        QCOMPARE(info.u32(0), 3u);
        QCOMPARE(info.i16(4), int16_t(-60 * 256));
        QCOMPARE(info.i16(6), int16_t(0));
        QCOMPARE(info.i16(8), int16_t(256));
        QCOMPARE(api.TUSBAUDIO_GetVolumeMuteInfo(h, 0, 4, info.data()), TSTATUS(CALDER_SIM_STATUS_INVALID_INDEX));

        int16_t v = 0;
        QCOMPARE(api.TUSBAUDIO_SetVolume(h, 0, 2, -2752), TSTATUS(0));
        QCOMPARE(api.TUSBAUDIO_GetVolume(h, 0, 2, &v), TSTATUS(0));
        QCOMPARE(v, int16_t(-2752));
        QCOMPARE(api.TUSBAUDIO_SetVolume(h, 0, 2, 10 * 256), TSTATUS(0)); // clamped to the maximum
        QCOMPARE(api.TUSBAUDIO_GetVolume(h, 0, 2, &v), TSTATUS(0));
        QCOMPARE(v, int16_t(0));
        uint32_t mute = 7;
        QCOMPARE(api.TUSBAUDIO_SetMute(h, 0, 1, 5), TSTATUS(0));
        QCOMPARE(api.TUSBAUDIO_GetMute(h, 0, 1, &mute), TSTATUS(0));
        QCOMPARE(mute, 1u);
        // The input master of this model has a volume but no mute control.
        QCOMPARE(api.TUSBAUDIO_GetMute(h, 1, 0, &mute), TSTATUS(CALDER_SIM_STATUS_NOT_SUPPORTED));

        // A range set the wrong way round must not trip the device up.
        CalderSimChannel odd{CALDER_SIM_VOLUME_CONTROL, 10 * 256, -10 * 256, 256, 0, 0};
        QVERIFY(ctl->setChannel(0, 0, 3, odd));
        QCOMPARE(api.TUSBAUDIO_SetVolume(h, 0, 3, 0), TSTATUS(0));
        QCOMPARE(api.TUSBAUDIO_SetMute(h, 0, 3, 1), TSTATUS(CALDER_SIM_STATUS_NOT_SUPPORTED));

        Guarded name(tusb::kChannelInfoSize);
        QCOMPARE(api.TUSBAUDIO_GetChannelInfo(h, 0, 3, name.data()), TSTATUS(0));
        QCOMPARE(name.str(4, 160), QStringLiteral("Output 3 (mono)"));
        ctl->setChannelName(0, 0, 1, QString(170, 'n'));
        QCOMPARE(api.TUSBAUDIO_GetChannelInfo(h, 0, 1, name.data()), TSTATUS(0));
        QVERIFY(name.guardIntact());
        QCOMPARE(name.str(4, 160), QString(160, 'n'));
        api.TUSBAUDIO_CloseDevice(h);
    }
};

QTEST_GUILESS_MAIN(SimDriverApiTest)
#include "tst_sim_driverapi.moc"
