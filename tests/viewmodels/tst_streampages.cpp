// Volume and buffer settings pages over the simulator. Its v22 has 4 input channels (1-3 muted)
// and 6 output channels (4 at -18 dB, 6 with another range and no mute), channels at -12 of
// -60..0 dB, masters at -10 of -127..0; formats 1-3 (16, 24, 32 bits; current 2); ASIO 32..2048 at 256.
#include "TestRig.h"

namespace {
constexpr uint32_t kIn = tusb::kDirectionInput;
constexpr uint32_t kOut = tusb::kDirectionOutput;

QVariant role(const VolumeVM &page, int row, const char *name)
{
    ChannelsListModel *m = page.channels();
    return m->data(m->index(row, 0), m->roleNames().key(name));
}
} // namespace

class TestStreamPages : public QObject
{
    Q_OBJECT
    testrig::Rig m_rig;

    template <typename Page>
    QSharedPointer<Page> activePage()
    {
        auto page = QSharedPointer<Page>::create(m_rig.service, m_rig.bus);
        page->onActivate();
        return page;
    }
    void setChannel(uint32_t direction, uint32_t channel, int16_t volume, int16_t minimum, int16_t maximum)
    {
        CalderSimChannel c = m_rig.sim.channel(0, direction, channel);
        c.volume = volume;
        c.minimum = minimum;
        c.maximum = maximum;
        m_rig.sim.setChannel(0, direction, channel, c);
    }

private slots:
    void rowsFollowChannelCount_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("formats");
        QTest::addColumn<int>("rows");
        QTest::newRow("one channel") << 1 << 2 << 0;
        QTest::newRow("five channels") << 5 << 2 << 2;
        QTest::newRow("more formats than the table") << 5 << 40 << 2;
    }

    void rowsFollowChannelCount()
    {
        QFETCH(int, channels);
        QFETCH(int, formats);
        QFETCH(int, rows);
        QVERIFY(m_rig.startSingle("v22", [&] {
            QVector<CalderSimFormat> f;
            for (int i = 1; i <= formats; ++i)
                f.append({uint32_t(i), 24, uint32_t(channels)});
            m_rig.sim.setChannelCount(0, kOut, uint32_t(channels));
            m_rig.sim.setStreamFormats(0, kOut, f);
        }));
        auto page = activePage<VolumeVM>();
        page->onOutputSelected();
        QVERIFY(page->isMasterVisible());
        QCOMPARE(page->masterValue(), short(-10));
        QCOMPARE(page->minVolumeRange(), short(-127));
        QCOMPARE(page->channels()->rowCount(), rows);
        if (rows == 2)
            QCOMPARE(role(*page, 1, "rightChannelIndex"), QVariant(uint(4)));
        QCOMPARE(activePage<BufferSettingsVM>()->outputFormats().size(), qMin(formats, 32)); // a 32-record table
    }

    void pairsLinkAndMute()
    {
        QVERIFY(m_rig.startSingle("v22"));
        auto page = activePage<VolumeVM>();
        QCOMPARE(role(*page, 0, "mute"), QVariant(true));
        QCOMPARE(role(*page, 1, "mute"), QVariant(false)); // only channel 3 of 3-4 is muted
        QSignalSpy changed(page->channels(), &QAbstractItemModel::dataChanged);
        page->onMute(1);
        QCOMPARE(m_rig.sim.channel(0, kIn, 3).mute + m_rig.sim.channel(0, kIn, 4).mute, 2u);
        QCOMPARE(role(*page, 1, "mute"), QVariant(true));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(1).value<QModelIndex>().row(), 1);
        QCOMPARE(changed.at(0).at(2).value<QVector<int>>(), QVector<int>{268});
        page->onLink(1);
        QCOMPARE(role(*page, 1, "link"), QVariant(false));
        QCOMPARE(changed.at(1).at(2).value<QVector<int>>(), QVector<int>{267});
        // Rows the list does not have address no channel.
        const uint32_t calls = m_rig.sim.callCount();
        page->onLink(-1);
        page->onMute(2);
        page->onCommonUpdate(2, -6);
        page->onRightChannelUpdate(0x7FFFFFFF, -6);
        QCOMPARE(changed.count(), 2);
        QCOMPARE(m_rig.sim.callCount(), calls);

        // Linked only when ranges and volumes match.
        page->onOutputSelected();
        QCOMPARE(page->channels()->rowCount(), 3);
        QCOMPARE(role(*page, 0, "link"), QVariant(true));
        QCOMPARE(role(*page, 0, "rightChannelName"), QVariant(QStringLiteral("Output 2")));
        QCOMPARE(role(*page, 1, "link"), QVariant(false)); // same range, different volumes
        QCOMPARE(role(*page, 1, "rightChannelValue"), QVariant(-18));
        QCOMPARE(role(*page, 2, "link"), QVariant(false)); // different ranges
        QCOMPARE(role(*page, 2, "rightUpper"), QVariant(6));
    }

    void masterMuteAndVolumeWrites()
    {
        // The simulator holds writes to the channel's range: open the master's to +127.99 dB.
        QVERIFY(m_rig.startSingle("v22", [this] { setChannel(kIn, 0, 0, -32768, 32767); }));
        auto page = activePage<VolumeVM>();
        page->onMasterUpdate(-20);
        QCOMPARE(m_rig.sim.channel(0, kIn, 0).volume, int16_t(-20 * 256));
        QCOMPARE(page->masterValue(), -20); // as the slider shows it: another read must move the slider
        page->onMasterUpdate(200);   // held at +127 dB, not wrapped to a negative value
        QCOMPARE(m_rig.sim.channel(0, kIn, 0).volume, int16_t(127 * 256));
        page->onCommonUpdate(0, -30);
        QCOMPARE(m_rig.sim.channel(0, kIn, 1).volume, int16_t(-30 * 256));
        QCOMPARE(m_rig.sim.channel(0, kIn, 2).volume, int16_t(-30 * 256));
        page->onLeftChannelUpdate(1, -5);
        page->onRightChannelUpdate(1, -7);
        QCOMPARE(m_rig.sim.channel(0, kIn, 3).volume, int16_t(-5 * 256));
        QCOMPARE(m_rig.sim.channel(0, kIn, 4).volume, int16_t(-7 * 256));
        QCOMPARE(role(*page, 1, "leftChannelValue"), QVariant(-12)); // rows keep what was read

        // Selecting the shown direction reloads it.
        m_rig.sim.setChannelCount(0, kIn, 6);
        m_rig.sim.setStreamFormats(0, kIn, {{1, 24, 6}});
        page->onInputSelected();
        QCOMPARE(page->channels()->rowCount(), 3);
    }

    void namesAndOddRanges()
    {
        // The formats claim four channels while the device has three: channel 4 cannot be read.
        QVERIFY(m_rig.startSingle("v22", [this] {
            m_rig.sim.setChannelCount(0, kOut, 3);
            m_rig.sim.setStreamFormats(0, kOut, {{1, 24, 4}});
            m_rig.sim.setChannelName(0, kOut, 2, QString(200, QLatin1Char('n')));
            setChannel(kOut, 1, -12 * 256, 0, -60 * 256); // minimum above maximum
        }));
        auto page = activePage<VolumeVM>();
        page->onOutputSelected();
        QCOMPARE(page->channels()->rowCount(), 2);
        QCOMPARE(role(*page, 0, "rightChannelName"), QVariant(QString(160, QLatin1Char('n'))));
        QCOMPARE(role(*page, 0, "leftLower"), QVariant(0));
        QCOMPARE(role(*page, 0, "leftUpper"), QVariant(-60));
        // Channel 3 has a name, but a pair shows both names or none.
        QCOMPARE(role(*page, 1, "leftChannelName"), QVariant(QString()));
    }

    void listsAndChoosesFormats()
    {
        QVERIFY(m_rig.startSingle("v22", [this] {
            m_rig.sim.setStreamFormats(0, kIn, {{10, 24, 2}, {11, 16, 2}});
            m_rig.sim.setCurrentFormat(0, kIn, 10);
        }));
        auto page = activePage<BufferSettingsVM>();
        QCOMPARE(page->inputFormats(), (QStringList{"2 channels, 24 bits", "2 channels, 16 bits"}));
        QCOMPARE(page->currentInputFormat(), QStringLiteral("2 channels, 24 bits"));
        QVERIFY(page->enableStreamFormatSelection());
        QCOMPARE(page->currentAsioBufferSize(), QStringLiteral("256 samples"));
        QVERIFY(page->safeModeEnabled() && !page->safeMode());
        // A choice goes to the driver by format id and the current format is read back.
        page->onInputFormatSelectionChanged(1, QStringLiteral("not used"));
        QCOMPARE(m_rig.sim.currentFormat(0, kIn), 11);
        QCOMPARE(page->currentInputFormat(), QStringLiteral("2 channels, 16 bits"));
        // Refused and not read back (a stopped stream): the view's pick gives way to the format in force.
        m_rig.sim.setFault("SetCurrentStreamFormat", 0xEE000005u);
        m_rig.sim.setFault("GetCurrentStreamFormat", 0xEE000005u);
        page->setCurrentInputFormat(QStringLiteral("2 channels, 24 bits"));
        page->onInputFormatSelectionChanged(0, QString());
        QCOMPARE(page->currentInputFormat(), QStringLiteral("2 channels, 16 bits"));

        // Output only: the input handler's slot 0 holds the output stream, slot 1 counts as output.
        QVERIFY(m_rig.startSingle("v22", [this] {
            m_rig.sim.setStreamFormats(0, kIn, {});
            m_rig.sim.setSelectionMode(0, 0);
        }));
        page = activePage<BufferSettingsVM>();
        QVERIFY(page->inputFormats().isEmpty());
        QVERIFY(!page->enableStreamFormatSelection());
        page->onOutputFormatSelectionChanged(0, QString());
        QCOMPARE(m_rig.sim.currentFormat(0, kOut), 1);
        page->onInputFormatSelectionChanged(2, QString());
        QCOMPARE(m_rig.sim.currentFormat(0, kOut), 3);
        QCOMPARE(page->currentOutputFormat(), QStringLiteral("6 channels, 32 bits"));
        QVERIFY(page->currentInputFormat().isEmpty());
    }

    void bufferSizesAndSafeMode()
    {
        QVector<quint32> sizes;
        for (quint32 i = 1; i <= 40; ++i)
            sizes << 16 * i;
        QVERIFY(m_rig.startSingle("v22", [&] { m_rig.sim.setAsio(sizes, 64, 0, 1000); }));
        auto page = activePage<BufferSettingsVM>();
        QCOMPARE(page->asioBufferSizes().size(), 40);
        QCOMPARE(page->asioBufferSizes().last(), QStringLiteral("640 samples"));
        m_rig.sim.setAsio({256}, 256, 0x00010000u);
        page->onDeviceNotification();
        QCOMPARE(page->asioBufferSizes(), QStringList{"256 samples"});
        QVERIFY(!page->safeModeEnabled() && page->safeMode()); // one size: nothing to make safe

        // The simulator takes a size only with the instance's word, and only one it offers.
        QVERIFY(m_rig.startSingle("v22", [this] { m_rig.sim.setAsio({128, 256, 512}, 256, 0x5); }));
        page = activePage<BufferSettingsVM>();
        page->onAsioSelectionChanged(2, QStringLiteral("512 samples"));
        QCOMPARE(m_rig.sim.asioCurrentSize(), 512u);
        QCOMPARE(page->activeAsioBufferIndex(), 2);
        page->onSafeModeSelectionChanged();
        QCOMPARE(m_rig.sim.asioCurrentSize(), 512u);
        QCOMPARE(m_rig.sim.asioFlags(), 0x10005u);
        QVERIFY(page->safeMode());
        // A failing set leaves safe mode as it was; a choice keeps the safe-mode bit.
        m_rig.sim.setFault("SetASIOBufferPreferredSize", 0xEE000005u);
        page->onSafeModeSelectionChanged();
        QVERIFY(page->safeMode());
        m_rig.sim.clearFaults();
        page->onAsioSelectionChanged(0, QStringLiteral("128 samples"));
        QCOMPARE(m_rig.sim.asioCurrentSize(), 128u);
        QCOMPARE(m_rig.sim.asioFlags(), 0x10005u);
    }
};

QTEST_GUILESS_MAIN(TestStreamPages)
#include "tst_streampages.moc"
