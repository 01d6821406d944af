#include "viewmodels/ChannelsListModel.h"

ChannelsListModel::ChannelsListModel(QObject *parent) : QAbstractListModel(parent) {}

int ChannelsListModel::rowCount(const QModelIndex &) const { return m_items.size(); }

QVariant ChannelsListModel::data(const QModelIndex &index, int role) const
{
    if (index.row() < 0 || index.row() >= m_items.size())
        return QVariant();
    const ChannelsModelItem &it = *m_items.at(index.row());
    switch (role) {
    case LeftChannelValueRole: return int(it.leftChannelValue());
    case RightChannelValueRole: return int(it.rightChannelValue());
    case LeftChannelIndexRole: return it.leftChannelIndex();
    case RightChannelIndexRole: return it.rightChannelIndex();
    case LeftLowerRole: return int(it.leftLowerLimit());
    case LeftUpperRole: return int(it.leftUpperLimit());
    case RightLowerRole: return int(it.rightLowerLimit());
    case RightUpperRole: return int(it.rightUpperLimit());
    case LeftChannelNameRole: return it.leftChannelName();
    case RightChannelNameRole: return it.rightChannelName();
    case LinkRole: return it.isLinked();
    case MuteRole: return it.isMuted();
    default: return QVariant();
    }
}

QHash<int, QByteArray> ChannelsListModel::roleNames() const
{
    return {
        {LeftChannelValueRole, "leftChannelValue"},
        {RightChannelValueRole, "rightChannelValue"},
        {LeftChannelIndexRole, "leftChannelIndex"},
        {RightChannelIndexRole, "rightChannelIndex"},
        {LeftLowerRole, "leftLower"},
        {LeftUpperRole, "leftUpper"},
        {RightLowerRole, "rightLower"},
        {RightUpperRole, "rightUpper"},
        {LeftChannelNameRole, "leftChannelName"},
        {RightChannelNameRole, "rightChannelName"},
        {LinkRole, "link"},
        {MuteRole, "mute"},
    };
}

void ChannelsListModel::clear()
{
    if (m_items.isEmpty())
        return;
    beginRemoveRows(QModelIndex(), 0, m_items.size() - 1);
    m_items.clear();
    endRemoveRows();
}

void ChannelsListModel::insertItems(int position, const QList<QSharedPointer<ChannelsModelItem>> &items)
{
    if (items.isEmpty())
        return;
    position = qBound(0, position, m_items.size());
    beginInsertRows(QModelIndex(), position, position + items.size() - 1);
    for (int i = 0; i < items.size(); ++i)
        m_items.insert(position + i, items.at(i));
    endInsertRows();
}

QSharedPointer<ChannelsModelItem> ChannelsListModel::item(int row) const
{
    if (row < 0 || row >= m_items.size())
        return QSharedPointer<ChannelsModelItem>();
    return m_items.at(row);
}

void ChannelsListModel::announceLinkChanged() { announceRoleChanged(LinkRole); }

void ChannelsListModel::announceMuteChanged() { announceRoleChanged(MuteRole); }

void ChannelsListModel::announceRoleChanged(int role)
{
    // An empty list has no index range to announce.
    if (m_items.isEmpty())
        return;
    emit dataChanged(index(0, 0), index(m_items.size() - 1, 0), QVector<int>{role});
}
