#pragma once
#include "viewmodels/ChannelsModelItem.h"

#include <QAbstractListModel>
#include <QHash>
#include <QList>
#include <QSharedPointer>

// The volume page's channel-pair rows. The page fills, clears and updates it; item property
// changes are not forwarded, the page announces link and mute changes itself.
class ChannelsListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Roles {
        LeftChannelValueRole = Qt::UserRole + 1,
        RightChannelValueRole,
        LeftChannelIndexRole,
        RightChannelIndexRole,
        LeftLowerRole,
        LeftUpperRole,
        RightLowerRole,
        RightUpperRole,
        LeftChannelNameRole,
        RightChannelNameRole,
        LinkRole,
        MuteRole,
    };

    explicit ChannelsListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    void clear();
    void insertItems(int position, const QList<QSharedPointer<ChannelsModelItem>> &items);
    // Null for a row outside the list.
    QSharedPointer<ChannelsModelItem> item(int row) const;
    void announceLinkChanged();
    void announceMuteChanged();

private:
    void announceRoleChanged(int role);

    QList<QSharedPointer<ChannelsModelItem>> m_items;
};
