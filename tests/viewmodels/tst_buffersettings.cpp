// Buffer settings and format pages against the simulated driver through the real service.
// The v22 model lists formats 1-3 (16, 24, 32 bits; current 2) of 4 input and 6 output
// channels; the ASIO instance offers 32..2048 samples at 256.
#include "TestRig.h"
#include "viewmodels/BufferSettingsVM.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
// What the page hands to TUSBAUDIO_SetASIOBufferPreferredSize, recorded before forwarding.
struct AsioSet
{
    uint32_t instance, word, size, flags;
};
TUSBAUDIO_SetASIOBufferPreferredSize_t g_realSetAsio = nullptr;
QList<AsioSet> g_asioSets;
TSTATUS TUSB_CALLCONV recordingSetAsio(uint32_t instance, uint32_t word, uint32_t size, uint32_t flags)
{
    g_asioSets.append({instance, word, size, flags});
    return g_realSetAsio(instance, word, size, flags);
}
constexpr uint32_t kIn = tusb::kDirectionInput;
constexpr uint32_t kOut = tusb::kDirectionOutput;
} // namespace

class TestBufferSettings : public QObject
{
    Q_OBJECT
private slots:
    void listsAndChoosesFormats();
    void outputOnlyDevice();
    void moreFormatsThanTableAndOddIds();
    void bufferSizeCounts();
    void bufferSizeAndSafeModeWrites();
    void missingEntryPoints();

private:
    QSharedPointer<BufferSettingsVM> activePage()
    {
        auto page = QSharedPointer<BufferSettingsVM>::create(m_rig.service, m_rig.bus);
        g_realSetAsio = m_rig.service->api().TUSBAUDIO_SetASIOBufferPreferredSize;
        m_rig.service->api().TUSBAUDIO_SetASIOBufferPreferredSize = &recordingSetAsio;
        g_asioSets.clear();
        page->onActivate();
        return page;
    }
    testrig::Rig m_rig;
};

void TestBufferSettings::listsAndChoosesFormats()
{
    QVERIFY(m_rig.startSingle("v22", [this] {
        m_rig.sim.setStreamFormats(0, kIn, {{10, 24, 2}, {11, 16, 2}});
        m_rig.sim.setCurrentFormat(0, kIn, 10);
    }));
    auto page = activePage();
    QCOMPARE(page->inputFormats(), (QStringList{"2 channels, 24 bits", "2 channels, 16 bits"}));
    QCOMPARE(page->currentInputFormat(), QStringLiteral("2 channels, 24 bits"));
    QCOMPARE(page->outputFormats().size(), 3);
    QCOMPARE(page->currentOutputFormat(), QStringLiteral("6 channels, 24 bits"));
    QVERIFY(page->enableStreamFormatSelection());
    QCOMPARE(page->asioBufferSizes().first(), QStringLiteral("32 samples"));
    QCOMPARE(page->currentAsioBufferSize(), QStringLiteral("256 samples"));
    QVERIFY(page->safeModeEnabled());
    QVERIFY(!page->safeMode());

    // A choice goes to the driver by format id and the current format is read back.
    page->onInputFormatSelectionChanged(1, QStringLiteral("not used"));
    QCOMPARE(m_rig.sim.currentFormat(0, kIn), 11);
    QCOMPARE(page->currentInputFormat(), QStringLiteral("2 channels, 16 bits"));
    page->onOutputFormatSelectionChanged(2, QString());
    QCOMPARE(m_rig.sim.currentFormat(0, kOut), 3);
    QCOMPARE(page->currentOutputFormat(), QStringLiteral("6 channels, 32 bits"));
}

void TestBufferSettings::outputOnlyDevice()
{
    QVERIFY(m_rig.startSingle("v22", [this] {
        m_rig.sim.setStreamFormats(0, kIn, {});
        m_rig.sim.setSelectionMode(0, 0);
    }));
    auto page = activePage();
    QVERIFY(page->inputFormats().isEmpty());
    QCOMPARE(page->outputFormats().size(), 3);
    QVERIFY(!page->enableStreamFormatSelection());
    // The output handler's slot 1 was never set and counts as output; the input handler's
    // slot 0 holds the output stream.
    page->onOutputFormatSelectionChanged(0, QString());
    QCOMPARE(m_rig.sim.currentFormat(0, kOut), 1);
    page->onInputFormatSelectionChanged(2, QString());
    QCOMPARE(m_rig.sim.currentFormat(0, kOut), 3);
    QCOMPARE(page->currentOutputFormat(), QStringLiteral("6 channels, 32 bits"));
    QVERIFY(page->currentInputFormat().isEmpty());
}

void TestBufferSettings::moreFormatsThanTableAndOddIds()
{
    // 40 formats per direction: the driver fills the 32-record table and says so, which
    // counts as a listing for the stream detection too. The current id is beyond the table.
    QVERIFY(m_rig.startSingle("v22", [this] {
        QVector<CalderSimFormat> f;
        for (uint32_t i = 1; i <= 40; ++i)
            f.append({i, 16 + 8 * (i % 3), 2});
        m_rig.sim.setStreamFormats(0, kIn, f);
        m_rig.sim.setStreamFormats(0, kOut, f);
        m_rig.sim.setCurrentFormat(0, kIn, 40);
    }));
    auto page = activePage();
    QCOMPARE(page->inputFormats().size(), 32);
    QCOMPARE(page->outputFormats().size(), 32);
    QVERIFY(page->currentInputFormat().isEmpty());

    // Two listed formats with the current id: the text is the driver's current record, set once.
    m_rig.sim.setStreamFormats(0, kIn, {{7, 16, 2}, {7, 24, 2}, {8, 32, 2}});
    m_rig.sim.setCurrentFormat(0, kIn, 7);
    QSignalSpy current(page.data(), &BufferSettingsVM::currentInputFormatChanged);
    page->onDeviceNotification();
    QCOMPARE(page->inputFormats().size(), 3);
    QCOMPARE(page->currentInputFormat(), QStringLiteral("2 channels, 16 bits"));
    QCOMPARE(current.count(), 1);
}

void TestBufferSettings::bufferSizeCounts()
{
    QVector<quint32> sizes;
    for (quint32 i = 1; i <= 40; ++i)
        sizes << 16 * i;
    QVERIFY(m_rig.startSingle("v22", [&] { m_rig.sim.setAsio(sizes, 64, 0, 1000); }));
    auto page = activePage();
    QCOMPARE(page->asioBufferSizes().size(), 40);
    QCOMPARE(page->asioBufferSizes().last(), QStringLiteral("640 samples"));

    QSignalSpy enabled(page.data(), &BufferSettingsVM::safeModeEnabledChanged);
    QSignalSpy safe(page.data(), &BufferSettingsVM::safeModeChanged);
    m_rig.sim.setAsio({256}, 256, 0x00010000u);
    page->onDeviceNotification();
    QCOMPARE(page->asioBufferSizes(), QStringList{"256 samples"});
    QCOMPARE(enabled.count(), 1);
    QCOMPARE(enabled.at(0).at(0), QVariant(false));
    QCOMPARE(safe.count(), 1);
    QCOMPARE(safe.at(0).at(0), QVariant(true));
}

void TestBufferSettings::bufferSizeAndSafeModeWrites()
{
    QVERIFY(m_rig.startSingle("v22", [this] { m_rig.sim.setAsio({128, 256, 512}, 256, 0x5); }));
    auto page = activePage();
    page->onAsioSelectionChanged(2, QStringLiteral("512 samples"));
    QCOMPARE(g_asioSets.size(), 1);
    QCOMPARE(g_asioSets[0].instance, 0u);
    QCOMPARE(g_asioSets[0].word, m_rig.sim.asioInstanceWord());
    QCOMPARE(g_asioSets[0].size, 512u);
    QCOMPARE(g_asioSets[0].flags, 0x5u);
    QCOMPARE(m_rig.sim.asioCurrentSize(), 512u);
    QCOMPARE(page->activeAsioBufferIndex(), 2);

    QSignalSpy safe(page.data(), &BufferSettingsVM::safeModeChanged);
    page->onSafeModeSelectionChanged();
    QCOMPARE(g_asioSets.size(), 2);
    QCOMPARE(g_asioSets[1].size, 512u);
    QCOMPARE(g_asioSets[1].flags, 0x10005u);
    QCOMPARE(m_rig.sim.asioFlags(), 0x10005u);
    QVERIFY(page->safeMode());
    QCOMPARE(safe.count(), 1);
    QCOMPARE(safe.at(0).at(0), QVariant(true));

    // A failing set leaves safe mode as it was.
    m_rig.sim.setFault("SetASIOBufferPreferredSize", 0xEE000005u);
    page->onSafeModeSelectionChanged();
    QCOMPARE(g_asioSets.size(), 3);
    QCOMPARE(g_asioSets[2].flags, 0x5u);
    QVERIFY(page->safeMode());
    QCOMPARE(safe.count(), 1);
    m_rig.sim.clearFaults();

    // A choice keeps the safe-mode bit; a text without a leading number sends size 0.
    page->onAsioSelectionChanged(0, QStringLiteral("samples"));
    QCOMPARE(g_asioSets.last().size, 0u);
    QCOMPARE(g_asioSets.last().flags, 0x10005u);
    QCOMPARE(page->currentAsioBufferSize(), QStringLiteral("samples"));
}

void TestBufferSettings::missingEntryPoints()
{
    QVERIFY(m_rig.startSingle("v22"));
    TUsbAudioApiDll &api = m_rig.service->api();
    api.TUSBAUDIO_GetSupportedStreamFormats = nullptr;
    api.TUSBAUDIO_SetCurrentStreamFormat = nullptr;
    api.TUSBAUDIO_GetASIOInstanceInfo = nullptr;
    api.TUSBAUDIO_SetASIOBufferPreferredSize = nullptr;
    api.TUSBAUDIO_GetCurrentSampleRate = nullptr;
    BufferSettingsVM page(m_rig.service, m_rig.bus);
    page.onActivate();
    page.onInputFormatSelectionChanged(0, QString());
    page.onAsioSelectionChanged(0, QStringLiteral("64 samples"));
    page.onSafeModeSelectionChanged();
    QVERIFY(page.inputFormats().isEmpty());
    QVERIFY(page.asioBufferSizes().isEmpty());
    QVERIFY(!page.safeMode());
    QCOMPARE(m_rig.sim.callCount(), 0u);
}

QTEST_GUILESS_MAIN(TestBufferSettings)
#include "tst_buffersettings.moc"
