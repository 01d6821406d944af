// The channel list's roles as QML receives them, and its row announcements.
#include "viewmodels/ChannelsListModel.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
QSharedPointer<ChannelsModelItem> makeItem(short left, uint leftChannel)
{
    return QSharedPointer<ChannelsModelItem>::create(left, short(-7), leftChannel, leftChannel + 1, short(-60),
                                                     short(0), short(-40), short(6), QStringLiteral("L"),
                                                     QStringLiteral("R"), true, false);
}
} // namespace

class TestChannelsModel : public QObject
{
    Q_OBJECT
private slots:
    void rolesAndValues();
    void rowAnnouncements();
};

void TestChannelsModel::rolesAndValues()
{
    ChannelsListModel model;
    const QList<QByteArray> names{
        "leftChannelValue", "rightChannelValue", "leftChannelIndex", "rightChannelIndex", "leftLower", "leftUpper",
        "rightLower",       "rightUpper",        "leftChannelName",  "rightChannelName",  "link",      "mute"};
    QCOMPARE(model.roleNames().size(), names.size());
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(model.roleNames().value(257 + i), names[i]);

    model.insertItems(0, {makeItem(-5, 3)});
    const QModelIndex i = model.index(0, 0);
    QCOMPARE(model.data(i, 257), QVariant(int(-5))); // sign kept, as int
    QCOMPARE(model.data(i, 259), QVariant(uint(3)));
    QCOMPARE(model.data(i, 260), QVariant(uint(4)));
    QCOMPARE(model.data(i, 263), QVariant(int(-40)));
    QCOMPARE(model.data(i, 266), QVariant(QStringLiteral("R")));
    QCOMPARE(model.data(i, 267), QVariant(true));
    model.item(0)->setIsMuted(true); // read from the item at call time
    QCOMPARE(model.data(i, 268), QVariant(true));

    QVERIFY(!model.data(model.index(-1, 0), 257).isValid());
    QVERIFY(!model.data(model.index(1, 0), 257).isValid());
    QVERIFY(!model.data(i, Qt::DisplayRole).isValid());
    QVERIFY(!model.data(i, 269).isValid());
    QVERIFY(model.item(1).isNull());
}

void TestChannelsModel::rowAnnouncements()
{
    ChannelsListModel model;
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.clear();
    model.insertItems(0, {});
    model.announceMuteChanged();
    QCOMPARE(removed.count() + inserted.count() + changed.count(), 0);

    model.insertItems(0, {makeItem(1, 1), makeItem(2, 3), makeItem(3, 5)});
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.at(0).at(2).toInt(), 2);
    QCOMPARE(model.item(2)->leftChannelIndex(), 5u);
    model.clear();
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.at(0).at(2).toInt(), 2);
    QCOMPARE(model.rowCount(), 0);
}

QTEST_GUILESS_MAIN(TestChannelsModel)
#include "tst_channelsmodel.moc"
