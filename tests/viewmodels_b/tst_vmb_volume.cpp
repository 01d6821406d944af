// Volume page against the simulated driver through the real service. The v22 model has 4
// input channels (1-3 muted) and 6 output channels (4 at -18 dB, 6 with another range and
// no mute); every channel defaults to -60..0 dB at -12 dB, the masters to -127..0 at -10.
#include "VmbRig.h"
#include "viewmodels/VolumeVM.h"

#include <QJSEngine>
#include <QQmlEngine>
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
    void wholeDbTruncation();
    void volumeWrites();
    void selectingShownDirectionReloads();
    void linkTogglesWithoutDriverCall();
    void rowsOutsideListAreIgnored();
    void failingVolumeCalls();
    void namesAndOddRanges();
    void qmlReadsAndCallsShortValues();

private:
    QSharedPointer<VolumeVM> activePage()
    {
        auto page = QSharedPointer<VolumeVM>::create(m_rig.service, m_rig.bus);
        page->onActivate();
        return page;
    }
    uint32_t callsSoFar() const { return m_rig.sim.callCount(); }

    vmb::Rig m_rig;
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
    QVERIFY(m_rig.start("v22", [&] {
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
    QCOMPARE(page->maxVolumeRange(), short(0));
    QCOMPARE(page->channels()->rowCount(), rows);
    if (rows == 2) {
        QCOMPARE(role(*page, 1, "leftChannelIndex").toUInt(), 3u);
        QCOMPARE(role(*page, 1, "rightChannelIndex").toUInt(), 4u);
    }
}

void TestVolume::pairsStartLinkedOnlyWhenRangesAndVolumesMatch()
{
    QVERIFY(m_rig.start("v22"));
    auto page = activePage();
    page->onOutputSelected();
    QCOMPARE(page->channels()->rowCount(), 3);
    QCOMPARE(role(*page, 0, "link").toBool(), true);
    QCOMPARE(role(*page, 0, "leftChannelValue").toInt(), -12);
    QCOMPARE(role(*page, 0, "leftChannelName").toString(), QStringLiteral("Output 1"));
    QCOMPARE(role(*page, 0, "rightChannelName").toString(), QStringLiteral("Output 2"));
    // Same range, different volumes.
    QCOMPARE(role(*page, 1, "link").toBool(), false);
    QCOMPARE(role(*page, 1, "rightChannelValue").toInt(), -18);
    // Different ranges.
    QCOMPARE(role(*page, 2, "link").toBool(), false);
    QCOMPARE(role(*page, 2, "rightLower").toInt(), -40);
    QCOMPARE(role(*page, 2, "rightUpper").toInt(), 6);
}

void TestVolume::pairMute()
{
    QVERIFY(m_rig.start("v22"));
    auto page = activePage();
    QCOMPARE(role(*page, 0, "mute").toBool(), true);
    QCOMPARE(role(*page, 1, "mute").toBool(), false); // only channel 3 of 3-4 is muted

    QSignalSpy changed(page->channels(), &QAbstractItemModel::dataChanged);
    page->onMute(1);
    QCOMPARE(m_rig.sim.channel(0, kIn, 3).mute, 1u);
    QCOMPARE(m_rig.sim.channel(0, kIn, 4).mute, 1u);
    QCOMPARE(role(*page, 1, "mute").toBool(), true);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(1).value<QModelIndex>().row(), 1);
    QCOMPARE(changed.at(0).at(2).value<QVector<int>>(), QVector<int>{268});

    page->onMute(0);
    QCOMPARE(m_rig.sim.channel(0, kIn, 1).mute, 0u);
    QCOMPARE(m_rig.sim.channel(0, kIn, 2).mute, 0u);
}

void TestVolume::masterMute()
{
    // v21's input master has a volume control but no mute control.
    QVERIFY(m_rig.start("v21"));
    auto page = activePage();
    QVERIFY(!page->isMasterMuted());
    page->onMasterMute();
    QVERIFY(page->isMasterMuted());
    page->onMasterMute();
    QVERIFY(!page->isMasterMuted());
    QCOMPARE(m_rig.sim.callCount("SetMute"), 0u);

    QVERIFY(m_rig.start("v22"));
    page = activePage();
    page->onMasterMute();
    QVERIFY(page->isMasterMuted());
    QCOMPARE(m_rig.sim.channel(0, kIn, 0).mute, 1u);
}

void TestVolume::wholeDbTruncation()
{
    QVERIFY(m_rig.start("v22", [this] {
        CalderSimChannel master = m_rig.sim.channel(0, kIn, 0);
        master.volume = -128; // -0.5 dB
        m_rig.sim.setChannel(0, kIn, 0, master);
        CalderSimChannel left = m_rig.sim.channel(0, kIn, 1);
        left.volume = -2752; // -10.75 dB
        m_rig.sim.setChannel(0, kIn, 1, left);
    }));
    auto page = activePage();
    QCOMPARE(page->masterValue(), short(0));
    QCOMPARE(role(*page, 0, "leftChannelValue").toInt(), -10);

    CalderSimChannel master = m_rig.sim.channel(0, kIn, 0);
    master.volume = -32767; // -127.99 dB
    m_rig.sim.setChannel(0, kIn, 0, master);
    page->onInputSelected();
    QCOMPARE(page->masterValue(), short(-127));
}

void TestVolume::volumeWrites()
{
    QVERIFY(m_rig.start("v22", [this] {
        CalderSimChannel master = m_rig.sim.channel(0, kIn, 0);
        master.maximum = 32767; // the simulator holds writes to the range
        m_rig.sim.setChannel(0, kIn, 0, master);
    }));
    auto page = activePage();
    QSignalSpy master(page.data(), &VolumeVM::masterValueChanged);
    page->onMasterUpdate(-20);
    QCOMPARE(m_rig.sim.channel(0, kIn, 0).volume, int16_t(-20 * 256));
    QCOMPARE(page->masterValue(), short(-10)); // the view's slider holds the value
    QCOMPARE(master.count(), 0);
    // Beyond what 16 bits carry: held at +127 dB, not wrapped to a negative value.
    page->onMasterUpdate(200);
    QCOMPARE(m_rig.sim.channel(0, kIn, 0).volume, int16_t(127 * 256));

    page->onCommonUpdate(0, -30);
    QCOMPARE(m_rig.sim.channel(0, kIn, 1).volume, int16_t(-30 * 256));
    QCOMPARE(m_rig.sim.channel(0, kIn, 2).volume, int16_t(-30 * 256));
    page->onLeftChannelUpdate(1, -5);
    page->onRightChannelUpdate(1, -7);
    QCOMPARE(m_rig.sim.channel(0, kIn, 3).volume, int16_t(-5 * 256));
    QCOMPARE(m_rig.sim.channel(0, kIn, 4).volume, int16_t(-7 * 256));
    QCOMPARE(role(*page, 1, "leftChannelValue").toInt(), -12); // rows keep what was read

    page->onOutputSelected();
    page->onRightChannelUpdate(2, -33);
    QCOMPARE(m_rig.sim.channel(0, kOut, 6).volume, int16_t(-33 * 256));
}

void TestVolume::selectingShownDirectionReloads()
{
    QVERIFY(m_rig.start("v22"));
    auto page = activePage();
    QCOMPARE(page->channels()->rowCount(), 2);
    m_rig.sim.setChannelCount(0, kIn, 6);
    m_rig.sim.setStreamFormats(0, kIn, {{1, 24, 6}});
    QSignalSpy direction(page.data(), &VolumeVM::isInputChanged);
    QSignalSpy removed(page->channels(), &QAbstractItemModel::rowsRemoved);
    page->onInputSelected();
    QCOMPARE(direction.count(), 0);
    QCOMPARE(removed.count(), 1);
    QCOMPARE(page->channels()->rowCount(), 3);
}

void TestVolume::linkTogglesWithoutDriverCall()
{
    QVERIFY(m_rig.start("v22"));
    auto page = activePage();
    page->onOutputSelected();
    const uint32_t calls = callsSoFar();
    QSignalSpy changed(page->channels(), &QAbstractItemModel::dataChanged);
    page->onLink(1);
    QCOMPARE(role(*page, 1, "link").toBool(), true);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).value<QModelIndex>().row(), 0);
    QCOMPARE(changed.at(0).at(1).value<QModelIndex>().row(), 2);
    QCOMPARE(changed.at(0).at(2).value<QVector<int>>(), QVector<int>{267});
    QCOMPARE(callsSoFar(), calls);
}

void TestVolume::rowsOutsideListAreIgnored()
{
    QVERIFY(m_rig.start("v22"));
    auto page = activePage();
    const uint32_t calls = callsSoFar();
    QSignalSpy changed(page->channels(), &QAbstractItemModel::dataChanged);
    page->onLink(-1);
    page->onMute(2);
    page->onCommonUpdate(2, -6);
    page->onLeftChannelUpdate(-1, -6);
    page->onRightChannelUpdate(0x7FFFFFFF, -6);
    QCOMPARE(callsSoFar(), calls);
    QCOMPARE(changed.count(), 0);
}

void TestVolume::failingVolumeCalls()
{
    QVERIFY(m_rig.start("v22", [this] {
        for (const char *op : {"GetVolumeMuteInfo", "GetVolume", "SetVolume", "GetMute", "SetMute", "GetChannelInfo"})
            m_rig.sim.setFault(QString::fromLatin1(op), 0xEE000005u);
    }));
    auto page = activePage();
    QVERIFY(page->isMasterVisible());
    QCOMPARE(page->masterValue(), short(0));
    QCOMPARE(page->minVolumeRange(), short(0));
    QCOMPARE(page->channels()->rowCount(), 2); // the count comes from the stream formats
    QCOMPARE(role(*page, 0, "leftChannelName").toString(), QString());
    QCOMPARE(role(*page, 0, "link").toBool(), false);
    QCOMPARE(role(*page, 0, "mute").toBool(), false);

    // Without capabilities nothing is written, yet the pages' own states still toggle.
    const uint32_t calls = callsSoFar();
    page->onMasterUpdate(-3);
    page->onCommonUpdate(0, -3);
    page->onMasterMute();
    page->onMute(0);
    QCOMPARE(callsSoFar(), calls);
    QVERIFY(page->isMasterMuted());
    QCOMPARE(role(*page, 0, "mute").toBool(), true);
}

void TestVolume::namesAndOddRanges()
{
    // The formats claim four channels while the device has three: channel 4 cannot be read.
    QVERIFY(m_rig.start("v22", [this] {
        m_rig.sim.setChannelCount(0, kOut, 3);
        m_rig.sim.setStreamFormats(0, kOut, {{1, 24, 4}});
        m_rig.sim.setChannelName(0, kOut, 2, QString(200, QLatin1Char('n')));
        CalderSimChannel c = m_rig.sim.channel(0, kOut, 1);
        c.minimum = 0;
        c.maximum = -60 * 256;
        m_rig.sim.setChannel(0, kOut, 1, c);
    }));
    auto page = activePage();
    page->onOutputSelected();
    QCOMPARE(page->channels()->rowCount(), 2);
    QCOMPARE(role(*page, 0, "rightChannelName").toString(), QString(160, QLatin1Char('n')));
    QCOMPARE(role(*page, 0, "leftLower").toInt(), 0);
    QCOMPARE(role(*page, 0, "leftUpper").toInt(), -60);
    QCOMPARE(role(*page, 0, "link").toBool(), false);
    // Channel 3 has a name, but a pair shows both names or none.
    QCOMPARE(role(*page, 1, "leftChannelName").toString(), QString());
    QCOMPARE(role(*page, 1, "rightChannelName").toString(), QString());
}

void TestVolume::qmlReadsAndCallsShortValues()
{
    QVERIFY(m_rig.start("v22"));
    auto page = activePage();
    vmb::ConnectedRecorder connected(*m_rig.bus);
    QQmlEngine engine;
    QQmlEngine::setObjectOwnership(page.data(), QQmlEngine::CppOwnership);
    engine.globalObject().setProperty("vm", engine.newQObject(page.data()));
    const QJSValue r = engine.evaluate(
        "vm.onMasterUpdate(-21); vm.onCommonUpdate(1, -9);"
        "[vm.masterValue, vm.minVolumeRange, vm.channels.rowCount()]");
    QVERIFY2(!r.isError(), qPrintable(r.toString()));
    QCOMPARE(r.property(0).toInt(), -10);
    QCOMPARE(r.property(1).toInt(), -127);
    QCOMPARE(m_rig.sim.channel(0, kIn, 0).volume, int16_t(-21 * 256));
    QCOMPARE(m_rig.sim.channel(0, kIn, 3).volume, int16_t(-9 * 256));

    page->onDeviceStateChanged();
    page->onConnectionFailed();
    QCOMPARE(connected.values, (QList<bool>{true, false}));
    page.reset();
    QVERIFY(!m_rig.service->replyListener());
}

QTEST_MAIN(TestVolume)
#include "tst_vmb_volume.moc"
