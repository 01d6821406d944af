// The volume page's channel list: role numbers and names, values as QML receives them, and
// the change announcements the views depend on.
#include "viewmodels/ChannelsListModel.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
using Item = QSharedPointer<ChannelsModelItem>;
Item makeItem(short left, short right, uint leftChannel, bool linked = false)
{
    return Item::create(left, right, leftChannel, leftChannel + 1, short(-60), short(0), short(-40), short(6),
                        QStringLiteral("L%1").arg(leftChannel), QStringLiteral("R%1").arg(leftChannel + 1), linked,
                        false);
}
} // namespace

class TestChannelsModel : public QObject
{
    Q_OBJECT
private slots:
    void roleNames();
    void dataValues();
    void dataOutsideRowsAndRoles();
    void clearAndInsertAnnouncements();
    void linkAndMuteAnnouncedForWholeList();
};

void TestChannelsModel::roleNames()
{
    ChannelsListModel model;
    const QHash<int, QByteArray> expected{
        {257, "leftChannelValue"}, {258, "rightChannelValue"}, {259, "leftChannelIndex"},
        {260, "rightChannelIndex"}, {261, "leftLower"}, {262, "leftUpper"},
        {263, "rightLower"}, {264, "rightUpper"}, {265, "leftChannelName"},
        {266, "rightChannelName"}, {267, "link"}, {268, "mute"},
    };
    QCOMPARE(model.roleNames(), expected);
}

void TestChannelsModel::dataValues()
{
    ChannelsListModel model;
    model.insertItems(0, {makeItem(-5, -32768, 3, true)});
    const QModelIndex i = model.index(0, 0);
    const QVariant left = model.data(i, 257);
    QCOMPARE(left.userType(), int(QMetaType::Int));
    QCOMPARE(left.toInt(), -5);
    QCOMPARE(model.data(i, 258).toInt(), -32768);
    QCOMPARE(model.data(i, 259).userType(), int(QMetaType::UInt));
    QCOMPARE(model.data(i, 260).toUInt(), 4u);
    QCOMPARE(model.data(i, 261).toInt(), -60);
    QCOMPARE(model.data(i, 262).toInt(), 0);
    QCOMPARE(model.data(i, 263).toInt(), -40);
    QCOMPARE(model.data(i, 264).toInt(), 6);
    QCOMPARE(model.data(i, 265).toString(), QStringLiteral("L3"));
    QCOMPARE(model.data(i, 266).toString(), QStringLiteral("R4"));
    QCOMPARE(model.data(i, 267), QVariant(true));
    QCOMPARE(model.data(i, 268), QVariant(false));
    // Read from the item at call time.
    model.item(0)->setIsMuted(true);
    QCOMPARE(model.data(i, 268), QVariant(true));
}

void TestChannelsModel::dataOutsideRowsAndRoles()
{
    ChannelsListModel model;
    model.insertItems(0, {makeItem(1, 2, 1), makeItem(3, 4, 3)});
    QVERIFY(!model.data(model.index(-1, 0), 257).isValid());
    QVERIFY(!model.data(model.index(2, 0), 257).isValid());
    QVERIFY(!model.data(model.index(0, 0), Qt::DisplayRole).isValid());
    QVERIFY(!model.data(model.index(0, 0), 269).isValid());
    QVERIFY(model.item(-1).isNull());
    QVERIFY(model.item(2).isNull());
}

void TestChannelsModel::clearAndInsertAnnouncements()
{
    ChannelsListModel model;
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    model.clear();
    model.insertItems(0, {});
    QCOMPARE(removed.count() + inserted.count(), 0);

    model.insertItems(0, {makeItem(1, 1, 1), makeItem(2, 2, 3), makeItem(3, 3, 5)});
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt(), 0);
    QCOMPARE(inserted.at(0).at(2).toInt(), 2);
    QCOMPARE(model.item(2)->leftChannelIndex(), 5u);

    model.clear();
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.at(0).at(2).toInt(), 2);
    QCOMPARE(model.rowCount(), 0);
}

void TestChannelsModel::linkAndMuteAnnouncedForWholeList()
{
    ChannelsListModel model;
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.announceLinkChanged();
    QCOMPARE(changed.count(), 0); // nothing to announce in an empty list

    model.insertItems(0, {makeItem(1, 1, 1), makeItem(2, 2, 3), makeItem(3, 3, 5)});
    model.announceLinkChanged();
    model.announceMuteChanged();
    QCOMPARE(changed.count(), 2);
    for (int n = 0; n < 2; ++n) {
        QCOMPARE(changed.at(n).at(0).value<QModelIndex>().row(), 0);
        QCOMPARE(changed.at(n).at(1).value<QModelIndex>().row(), 2);
        QCOMPARE(changed.at(n).at(2).value<QVector<int>>(), QVector<int>{n == 0 ? 267 : 268});
    }
}

QTEST_GUILESS_MAIN(TestChannelsModel)
#include "tst_vmb_channelsmodel.moc"
