// Volume page against the simulated driver through the real service. The v22 model has 4
// input channels (1-3 muted) and 6 output channels (4 at -18 dB, 6 with another range and
// no mute); channels default to -60..0 dB at -12 dB, the masters to -127..0 at -10.
#include "TestRig.h"
#include "viewmodels/VolumeVM.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
constexpr uint32_t kIn = tusb::kDirectionInput;
constexpr uint32_t kOut = tusb::kDirectionOutput;

QVariant role(const VolumeVM &page, int row, const char *name)
{
    ChannelsListModel *m = page.channels();
    return m->data(m->index(row, 0), m->roleNames().key(name));
}
} // namespace

class TestVolume : public QObject
{
    Q_OBJECT
private slots:
    void rowsFollowChannelCount_data();
    void rowsFollowChannelCount();
    void pairsStartLinkedOnlyWhenRangesAndVolumesMatch();
    void pairMute();
    void masterMute();
    void volumeWrites();
    void selectingShownDirectionReloads();
    void linkAndRowsOutsideList();
    void failingVolumeCalls();
    void namesAndOddRanges();

private:
    QSharedPointer<VolumeVM> activePage()
    {
        auto page = QSharedPointer<VolumeVM>::create(m_rig.service, m_rig.bus);
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
    testrig::Rig m_rig;
};

void TestVolume::rowsFollowChannelCount_data()
{
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("formats");
    QTest::addColumn<int>("rows");
    QTest::newRow("no channel") << 0 << 2 << 0;
    QTest::newRow("one channel") << 1 << 2 << 0;
    QTest::newRow("five channels") << 5 << 2 << 2;
    QTest::newRow("more formats than the table") << 5 << 40 << 2;
}

void TestVolume::rowsFollowChannelCount()
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
    auto page = activePage();
    page->onOutputSelected();
    QVERIFY(page->isMasterVisible());
    QCOMPARE(page->masterValue(), short(-10));
    QCOMPARE(page->minVolumeRange(), short(-127));
    QCOMPARE(page->channels()->rowCount(), rows);
    if (rows == 2)
        QCOMPARE(role(*page, 1, "rightChannelIndex"), QVariant(uint(4)));
}

void TestVolume::pairsStartLinkedOnlyWhenRangesAndVolumesMatch()
{
    QVERIFY(m_rig.startSingle("v22"));
    auto page = activePage();
    page->onOutputSelected();
    QCOMPARE(page->channels()->rowCount(), 3);
    QCOMPARE(role(*page, 0, "link"), QVariant(true));
    QCOMPARE(role(*page, 0, "leftChannelValue"), QVariant(-12));
    QCOMPARE(role(*page, 0, "rightChannelName"), QVariant(QStringLiteral("Output 2")));
    QCOMPARE(role(*page, 1, "link"), QVariant(false)); // same range, different volumes
    QCOMPARE(role(*page, 1, "rightChannelValue"), QVariant(-18));
    QCOMPARE(role(*page, 2, "link"), QVariant(false)); // different ranges
    QCOMPARE(role(*page, 2, "rightUpper"), QVariant(6));
}

void TestVolume::pairMute()
{
    QVERIFY(m_rig.startSingle("v22"));
    auto page = activePage();
    QCOMPARE(role(*page, 0, "mute"), QVariant(true));
    QCOMPARE(role(*page, 1, "mute"), QVariant(false)); // only channel 3 of 3-4 is muted

    QSignalSpy changed(page->channels(), &QAbstractItemModel::dataChanged);
    page->onMute(1);
    QCOMPARE(m_rig.sim.channel(0, kIn, 3).mute, 1u);
    QCOMPARE(m_rig.sim.channel(0, kIn, 4).mute, 1u);
    QCOMPARE(role(*page, 1, "mute"), QVariant(true));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(1).value<QModelIndex>().row(), 1);
    QCOMPARE(changed.at(0).at(2).value<QVector<int>>(), QVector<int>{268});
    page->onMute(0);
    QCOMPARE(m_rig.sim.channel(0, kIn, 2).mute, 0u);
}

void TestVolume::masterMute()
{
    // v21's input master has a volume control but no mute control.
    QVERIFY(m_rig.startSingle("v21"));
    auto page = activePage();
    page->onMasterMute();
    QVERIFY(page->isMasterMuted());
    page->onMasterMute();
    QVERIFY(!page->isMasterMuted());
    QCOMPARE(m_rig.sim.callCount("SetMute"), 0u);

    QVERIFY(m_rig.startSingle("v22"));
    page = activePage();
    page->onMasterMute();
    QVERIFY(page->isMasterMuted());
    QCOMPARE(m_rig.sim.channel(0, kIn, 0).mute, 1u);
}

void TestVolume::volumeWrites()
{
    // The simulator holds writes to the channel's range: open the master's to +127.99 dB.
    QVERIFY(m_rig.startSingle("v22", [this] { setChannel(kIn, 0, 0, -32768, 32767); }));
    auto page = activePage();
    QSignalSpy master(page.data(), &VolumeVM::masterValueChanged);
    page->onMasterUpdate(-20);
    QCOMPARE(m_rig.sim.channel(0, kIn, 0).volume, int16_t(-20 * 256));
    QCOMPARE(master.count(), 0); // the view's slider holds the value
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
}

void TestVolume::selectingShownDirectionReloads()
{
    QVERIFY(m_rig.startSingle("v22"));
    auto page = activePage();
    QCOMPARE(page->channels()->rowCount(), 2);
    m_rig.sim.setChannelCount(0, kIn, 6);
    m_rig.sim.setStreamFormats(0, kIn, {{1, 24, 6}});
    QSignalSpy direction(page.data(), &VolumeVM::isInputChanged);
    page->onInputSelected();
    QCOMPARE(direction.count(), 0);
    QCOMPARE(page->channels()->rowCount(), 3);
}

void TestVolume::linkAndRowsOutsideList()
{
    QVERIFY(m_rig.startSingle("v22"));
    auto page = activePage();
    const uint32_t calls = m_rig.sim.callCount();
    QSignalSpy changed(page->channels(), &QAbstractItemModel::dataChanged);
    page->onLink(1);
    QCOMPARE(role(*page, 1, "link"), QVariant(false));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(2).value<QVector<int>>(), QVector<int>{267});
    // Rows the list does not have address no channel.
    page->onLink(-1);
    page->onMute(2);
    page->onCommonUpdate(2, -6);
    page->onRightChannelUpdate(0x7FFFFFFF, -6);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(m_rig.sim.callCount(), calls);
}

void TestVolume::failingVolumeCalls()
{
    QVERIFY(m_rig.startSingle("v22", [this] {
        for (const char *op : {"GetVolumeMuteInfo", "GetVolume", "SetVolume", "GetMute", "SetMute", "GetChannelInfo"})
            m_rig.sim.setFault(QString::fromLatin1(op), 0xEE000005u);
    }));
    auto page = activePage();
    QVERIFY(page->isMasterVisible());
    QCOMPARE(page->masterValue(), short(0));
    QCOMPARE(page->channels()->rowCount(), 2); // the count comes from the stream formats
    QCOMPARE(role(*page, 0, "leftChannelName"), QVariant(QString()));
    QCOMPARE(role(*page, 0, "link"), QVariant(false));

    // Without capabilities nothing is written, yet the page's own states still toggle.
    const uint32_t calls = m_rig.sim.callCount();
    page->onMasterUpdate(-3);
    page->onCommonUpdate(0, -3);
    page->onMasterMute();
    page->onMute(0);
    QCOMPARE(m_rig.sim.callCount(), calls);
    QVERIFY(page->isMasterMuted());
    QCOMPARE(role(*page, 0, "mute"), QVariant(true));
}

void TestVolume::namesAndOddRanges()
{
    // The formats claim four channels while the device has three: channel 4 cannot be read.
    QVERIFY(m_rig.startSingle("v22", [this] {
        m_rig.sim.setChannelCount(0, kOut, 3);
        m_rig.sim.setStreamFormats(0, kOut, {{1, 24, 4}});
        m_rig.sim.setChannelName(0, kOut, 2, QString(200, QLatin1Char('n')));
        setChannel(kOut, 1, -12 * 256, 0, -60 * 256); // minimum above maximum
    }));
    auto page = activePage();
    page->onOutputSelected();
    QCOMPARE(page->channels()->rowCount(), 2);
    QCOMPARE(role(*page, 0, "rightChannelName"), QVariant(QString(160, QLatin1Char('n'))));
    QCOMPARE(role(*page, 0, "leftLower"), QVariant(0));
    QCOMPARE(role(*page, 0, "leftUpper"), QVariant(-60));
    // Channel 3 has a name, but a pair shows both names or none.
    QCOMPARE(role(*page, 1, "leftChannelName"), QVariant(QString()));
}

QTEST_GUILESS_MAIN(TestVolume)
#include "tst_volume.moc"
