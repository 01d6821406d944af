#include "viewmodels/ChannelsModelItem.h"

#include "core/AssignAndNotify.h"
ChannelsModelItem::ChannelsModelItem(short leftChannelValue, short rightChannelValue, uint leftChannelIndex,
                                     uint rightChannelIndex, short leftLowerLimit, short leftUpperLimit,
                                     short rightLowerLimit, short rightUpperLimit, const QString &leftChannelName,
                                     const QString &rightChannelName, bool isLinked, bool isMuted)
    : QObject(nullptr)
    , m_leftChannelValue(leftChannelValue)
    , m_rightChannelValue(rightChannelValue)
    , m_leftChannelIndex(leftChannelIndex)
    , m_rightChannelIndex(rightChannelIndex)
    , m_leftLowerLimit(leftLowerLimit)
    , m_leftUpperLimit(leftUpperLimit)
    , m_rightLowerLimit(rightLowerLimit)
    , m_rightUpperLimit(rightUpperLimit)
    , m_leftChannelName(leftChannelName)
    , m_rightChannelName(rightChannelName)
    , m_isLinked(isLinked)
    , m_isMuted(isMuted)
{}

void ChannelsModelItem::setLeftChannelValue(short value)
{
    assignAndNotify(this, m_leftChannelValue, value, &ChannelsModelItem::leftChannelValueChanged);
}
void ChannelsModelItem::setRightChannelValue(short value)
{
    assignAndNotify(this, m_rightChannelValue, value, &ChannelsModelItem::rightChannelValueChanged);
}
void ChannelsModelItem::setLeftChannelIndex(uint value)
{
    assignAndNotify(this, m_leftChannelIndex, value, &ChannelsModelItem::leftChannelIndexChanged);
}
void ChannelsModelItem::setRightChannelIndex(uint value)
{
    assignAndNotify(this, m_rightChannelIndex, value, &ChannelsModelItem::rightChannelIndexChanged);
}
void ChannelsModelItem::setLeftLowerLimit(short value)
{
    assignAndNotify(this, m_leftLowerLimit, value, &ChannelsModelItem::leftLowerLimitChanged);
}
void ChannelsModelItem::setLeftUpperLimit(short value)
{
    assignAndNotify(this, m_leftUpperLimit, value, &ChannelsModelItem::leftUpperLimitChanged);
}
void ChannelsModelItem::setRightLowerLimit(short value)
{
    assignAndNotify(this, m_rightLowerLimit, value, &ChannelsModelItem::rightLowerLimitChanged);
}
void ChannelsModelItem::setRightUpperLimit(short value)
{
    assignAndNotify(this, m_rightUpperLimit, value, &ChannelsModelItem::rightUpperLimitChanged);
}
void ChannelsModelItem::setLeftChannelName(const QString &value)
{
    assignAndNotify(this, m_leftChannelName, value, &ChannelsModelItem::leftChannelNameChanged);
}
void ChannelsModelItem::setRightChannelName(const QString &value)
{
    assignAndNotify(this, m_rightChannelName, value, &ChannelsModelItem::rightChannelNameChanged);
}
void ChannelsModelItem::setIsLinked(bool value)
{
    assignAndNotify(this, m_isLinked, value, &ChannelsModelItem::isLinkedChanged);
}
void ChannelsModelItem::setIsMuted(bool value)
{
    assignAndNotify(this, m_isMuted, value, &ChannelsModelItem::isMutedChanged);
}
