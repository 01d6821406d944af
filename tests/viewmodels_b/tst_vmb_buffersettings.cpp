// Buffer settings and format pages against the simulated driver through the real service.
#include "VmbRig.h"
#include "viewmodels/BufferSettingsVM.h"
#include "viewmodels/FormatVM.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
// Records what the page hands to TUSBAUDIO_SetASIOBufferPreferredSize, then forwards it.
struct AsioSetCall
{
    uint32_t instance, word, size, flags;
    TSTATUS status;
};
TUSBAUDIO_SetASIOBufferPreferredSize_t g_realSetAsio = nullptr;
QList<AsioSetCall> g_asioSets;
TSTATUS TUSB_CALLCONV recordingSetAsio(uint32_t instance, uint32_t word, uint32_t size, uint32_t flags)
{
    const TSTATUS status = g_realSetAsio(instance, word, size, flags);
    g_asioSets.append({instance, word, size, flags, status});
    return status;
}

QVector<CalderSimFormat> numberedFormats(uint32_t n, uint32_t channels)
{
    QVector<CalderSimFormat> f;
    for (uint32_t i = 1; i <= n; ++i)
        f.append({i, 16 + 8 * (i % 3), channels});
    return f;
}
} // namespace

class TestBufferSettings : public QObject
{
    Q_OBJECT
private slots:
    void listsFormatsAndBufferSizes();
    void formatChoiceSetsDriverFormatAndRereads();
    void outputOnlyDeviceUsesSlotZero();
    void moreFormatsThanTableAndUnknownCurrentId();
    void duplicateFormatIds();
    void selectionMode();
    void bufferSizeCounts();
    void bufferSizeAndSafeModeWrites();
    void failingSetKeepsSafeMode();
    void missingEntryPoints();
    void listenerRegistrationAndConnectedMessages();

private:
    QSharedPointer<BufferSettingsVM> makePage()
    {
        auto page = QSharedPointer<BufferSettingsVM>::create(m_rig.service, m_rig.bus);
        g_realSetAsio = m_rig.service->api().TUSBAUDIO_SetASIOBufferPreferredSize;
        m_rig.service->api().TUSBAUDIO_SetASIOBufferPreferredSize = &recordingSetAsio;
        g_asioSets.clear();
        return page;
    }

    vmb::Rig m_rig;
};

void TestBufferSettings::listsFormatsAndBufferSizes()
{
    QVERIFY(m_rig.start("v22", [this] {
        m_rig.sim.setStreamFormats(0, tusb::kDirectionInput, {{10, 24, 2}, {11, 16, 2}});
        m_rig.sim.setCurrentFormat(0, tusb::kDirectionInput, 10);
    }));
    auto page = makePage();
    QSignalSpy enabled(page.data(), &BufferSettingsVM::safeModeEnabledChanged);
    page->onActivate();

    QCOMPARE(page->inputFormats(), (QStringList{"2 channels, 24 bits", "2 channels, 16 bits"}));
    QCOMPARE(page->currentInputFormat(), QStringLiteral("2 channels, 24 bits"));
    QCOMPARE(page->outputFormats(),
             (QStringList{"6 channels, 16 bits", "6 channels, 24 bits", "6 channels, 32 bits"}));
    QCOMPARE(page->currentOutputFormat(), QStringLiteral("6 channels, 24 bits"));
    QVERIFY(page->enableStreamFormatSelection());
    QCOMPARE(page->asioBufferSizes(), (QStringList{"32 samples", "64 samples", "128 samples", "256 samples",
                                                   "512 samples", "1024 samples", "2048 samples"}));
    QCOMPARE(page->currentAsioBufferSize(), QStringLiteral("256 samples"));
    QCOMPARE(enabled.count(), 1);
    QCOMPARE(enabled.at(0).at(0).toBool(), true);
    QVERIFY(!page->safeMode());
    QCOMPARE(page->activeAsioBufferIndex(), -1);
    QVERIFY(!page->showWarning());
}

void TestBufferSettings::formatChoiceSetsDriverFormatAndRereads()
{
    QVERIFY(m_rig.start("v22"));
    auto page = makePage();
    page->onActivate();
    page->onInputFormatSelectionChanged(2, QStringLiteral("not used"));
    QCOMPARE(m_rig.sim.currentFormat(0, tusb::kDirectionInput), 3);
    QCOMPARE(page->currentInputFormat(), QStringLiteral("4 channels, 32 bits"));
    page->onOutputFormatSelectionChanged(0, QString());
    QCOMPARE(m_rig.sim.currentFormat(0, tusb::kDirectionOutput), 1);
    QCOMPARE(page->currentOutputFormat(), QStringLiteral("6 channels, 16 bits"));
    QCOMPARE(m_rig.sim.currentFormat(0, tusb::kDirectionInput), 3);
}

void TestBufferSettings::outputOnlyDeviceUsesSlotZero()
{
    QVERIFY(m_rig.start("v22", [this] { m_rig.sim.setStreamFormats(0, tusb::kDirectionInput, {}); }));
    auto page = makePage();
    page->onActivate();
    QVERIFY(page->inputFormats().isEmpty());
    QCOMPARE(page->outputFormats().size(), 3);

    // The output handler addresses the output stream from slot 1, which was never set...
    page->onOutputFormatSelectionChanged(0, QString());
    QCOMPARE(m_rig.sim.currentFormat(0, tusb::kDirectionOutput), 1);
    // ...and the input handler works on slot 0, which holds the output stream here.
    page->onInputFormatSelectionChanged(2, QString());
    QCOMPARE(m_rig.sim.currentFormat(0, tusb::kDirectionOutput), 3);
    QCOMPARE(page->currentOutputFormat(), QStringLiteral("6 channels, 32 bits"));
    QVERIFY(page->currentInputFormat().isEmpty());
}

void TestBufferSettings::moreFormatsThanTableAndUnknownCurrentId()
{
    // 40 formats per direction: the driver fills the 32-record table and says so.
    QVERIFY(m_rig.start("v22", [this] {
        m_rig.sim.setStreamFormats(0, tusb::kDirectionInput, numberedFormats(40, 2));
        m_rig.sim.setStreamFormats(0, tusb::kDirectionOutput, numberedFormats(40, 8));
        m_rig.sim.setCurrentFormat(0, tusb::kDirectionInput, 40); // beyond the table
    }));
    auto page = makePage();
    page->onActivate();
    QCOMPARE(page->inputFormats().size(), 32);
    QCOMPARE(page->outputFormats().size(), 32);
    QVERIFY(page->currentInputFormat().isEmpty());

    QVERIFY(m_rig.sim.setCurrentFormat(0, tusb::kDirectionInput, 5));
    page->onDeviceNotification();
    QCOMPARE(page->currentInputFormat(), QStringLiteral("2 channels, 32 bits"));
}

void TestBufferSettings::duplicateFormatIds()
{
    QVERIFY(m_rig.start("v22", [this] {
        m_rig.sim.setStreamFormats(0, tusb::kDirectionInput, {{7, 16, 2}, {7, 24, 2}, {8, 32, 2}});
        m_rig.sim.setCurrentFormat(0, tusb::kDirectionInput, 7);
    }));
    auto page = makePage();
    QSignalSpy current(page.data(), &BufferSettingsVM::currentInputFormatChanged);
    page->onActivate();
    // Both positions match; the text is the driver's current record, set once.
    QCOMPARE(page->currentInputFormat(), QStringLiteral("2 channels, 16 bits"));
    QCOMPARE(current.count(), 1);
}

void TestBufferSettings::selectionMode()
{
    QVERIFY(m_rig.start("v22", [this] { m_rig.sim.setSelectionMode(0, 0); }));
    auto page = makePage();
    page->onActivate();
    QVERIFY(!page->enableStreamFormatSelection());
    m_rig.sim.setSelectionMode(0, 1);
    page->onDeviceNotification();
    QVERIFY(page->enableStreamFormatSelection());
    m_rig.sim.setFault("GetStreamFormatSelectionMode", 0xEE000005u);
    page->onDeviceNotification();
    QVERIFY(!page->enableStreamFormatSelection());
}

void TestBufferSettings::bufferSizeCounts()
{
    QVector<quint32> sizes;
    for (quint32 i = 1; i <= 40; ++i)
        sizes << 16 * i;
    QVERIFY(m_rig.start("v22", [&] { m_rig.sim.setAsio(sizes, 64, 0, 1000); }));
    auto page = makePage();
    page->onActivate();
    QCOMPARE(page->asioBufferSizes().size(), 40);
    QCOMPARE(page->asioBufferSizes().last(), QStringLiteral("640 samples"));
    QVERIFY(page->safeModeEnabled());

    QSignalSpy enabled(page.data(), &BufferSettingsVM::safeModeEnabledChanged);
    QSignalSpy safe(page.data(), &BufferSettingsVM::safeModeChanged);
    QSignalSpy list(page.data(), &BufferSettingsVM::asioBufferSizesChanged);
    m_rig.sim.setAsio({256}, 256, 0x00010000u);
    page->onDeviceNotification();
    QCOMPARE(page->asioBufferSizes(), QStringList{"256 samples"});
    QCOMPARE(enabled.count(), 1);
    QCOMPARE(enabled.at(0).at(0).toBool(), false);
    QCOMPARE(safe.count(), 1);
    QCOMPARE(safe.at(0).at(0).toBool(), true);
    QCOMPARE(list.count(), 1);
}

void TestBufferSettings::bufferSizeAndSafeModeWrites()
{
    QVERIFY(m_rig.start("v22", [this] { m_rig.sim.setAsio({128, 256, 512}, 256, 0x5); }));
    auto page = makePage();
    page->onActivate();
    const uint32_t word = m_rig.sim.asioInstanceWord();

    page->onAsioSelectionChanged(2, QStringLiteral("512 samples"));
    QCOMPARE(g_asioSets.size(), 1);
    QCOMPARE(g_asioSets[0].instance, 0u);
    QCOMPARE(g_asioSets[0].word, word);
    QCOMPARE(g_asioSets[0].size, 512u);
    QCOMPARE(g_asioSets[0].flags, 0x5u);
    QCOMPARE(m_rig.sim.asioCurrentSize(), 512u);
    QCOMPARE(page->activeAsioBufferIndex(), 2);
    QCOMPARE(page->currentAsioBufferSize(), QStringLiteral("512 samples"));

    QSignalSpy safe(page.data(), &BufferSettingsVM::safeModeChanged);
    page->onSafeModeSelectionChanged();
    QCOMPARE(g_asioSets.size(), 2);
    QCOMPARE(g_asioSets[1].size, 512u);
    QCOMPARE(g_asioSets[1].flags, 0x10005u);
    QCOMPARE(m_rig.sim.asioFlags(), 0x10005u);
    QVERIFY(page->safeMode());
    QCOMPARE(safe.count(), 1);
    QCOMPARE(safe.at(0).at(0).toBool(), true);

    // A choice keeps the safe-mode bit; a text without a leading number sends size 0.
    page->onAsioSelectionChanged(0, QStringLiteral("samples"));
    QCOMPARE(g_asioSets.size(), 3);
    QCOMPARE(g_asioSets[2].size, 0u);
    QCOMPARE(g_asioSets[2].flags, 0x10005u);
    QCOMPARE(page->currentAsioBufferSize(), QStringLiteral("samples"));

    page->onSafeModeSelectionChanged(); // clears the bit again
    QCOMPARE(g_asioSets.size(), 4);
    QCOMPARE(g_asioSets[3].flags, 0x5u);
}

void TestBufferSettings::failingSetKeepsSafeMode()
{
    QVERIFY(m_rig.start("v22"));
    auto page = makePage();
    page->onActivate();
    QSignalSpy safe(page.data(), &BufferSettingsVM::safeModeChanged);
    m_rig.sim.setFault("SetASIOBufferPreferredSize", 0xEE000005u);
    page->onSafeModeSelectionChanged();
    QCOMPARE(g_asioSets.size(), 1);
    QVERIFY(!page->safeMode());
    QCOMPARE(safe.count(), 0);
    QCOMPARE(m_rig.sim.asioFlags(), 0u);
}

void TestBufferSettings::missingEntryPoints()
{
    QVERIFY(m_rig.start("v22"));
    auto page = makePage();
    TUsbAudioApiDll &api = m_rig.service->api();
    api.TUSBAUDIO_GetSupportedStreamFormats = nullptr;
    api.TUSBAUDIO_GetCurrentStreamFormat = nullptr;
    api.TUSBAUDIO_SetCurrentStreamFormat = nullptr;
    api.TUSBAUDIO_GetStreamFormatSelectionMode = nullptr;
    api.TUSBAUDIO_GetASIOInstanceInfo = nullptr;
    api.TUSBAUDIO_SetASIOBufferPreferredSize = nullptr;
    api.TUSBAUDIO_GetCurrentSampleRate = nullptr;
    page->onActivate();
    page->onInputFormatSelectionChanged(0, QString());
    page->onOutputFormatSelectionChanged(1, QString());
    page->onAsioSelectionChanged(0, QStringLiteral("64 samples"));
    page->onSafeModeSelectionChanged();
    page->onUSBStreamingModeChanged(0, QStringLiteral("Safe"));
    QVERIFY(page->inputFormats().isEmpty());
    QVERIFY(page->asioBufferSizes().isEmpty());
    QVERIFY(!page->safeMode());
    QVERIFY(!page->safeModeEnabled());
    QCOMPARE(page->activeStreamingMode(), QStringLiteral("Safe"));
    QCOMPARE(m_rig.sim.callCount(), 0u);
}

void TestBufferSettings::listenerRegistrationAndConnectedMessages()
{
    QVERIFY(m_rig.start("v22"));
    vmb::ConnectedRecorder connected(*m_rig.bus);
    auto first = QSharedPointer<BufferSettingsVM>::create(m_rig.service, m_rig.bus);
    QCOMPARE(m_rig.service->replyListener(), static_cast<ICommunicationReplyListener *>(first.data()));
    auto format = QSharedPointer<FormatVM>::create(m_rig.service, m_rig.bus);
    QCOMPARE(m_rig.service->replyListener(), static_cast<ICommunicationReplyListener *>(format.data()));

    format->onDeviceStateChanged();
    format->onConnectionFailed();
    first->onDeviceStateChanged();
    first->onConnectionFailed();
    QCOMPARE(connected.values, (QList<bool>{true, false, true, false}));

    // Activation takes the slot back; a destroyed page never stays in it.
    first->onActivate();
    QCOMPARE(m_rig.service->replyListener(), static_cast<ICommunicationReplyListener *>(first.data()));
    format.reset();
    QCOMPARE(m_rig.service->replyListener(), static_cast<ICommunicationReplyListener *>(first.data()));
    first.reset();
    QVERIFY(!m_rig.service->replyListener());
}

QTEST_GUILESS_MAIN(TestBufferSettings)
#include "tst_vmb_buffersettings.moc"
