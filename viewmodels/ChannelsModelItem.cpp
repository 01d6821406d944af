#include "viewmodels/ChannelsModelItem.h"

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
{
}

#define CALDER_ITEM_SETTER(Setter, Type, member, signal) \
    void ChannelsModelItem::Setter(Type value)           \
    {                                                    \
        if (member == value)                             \
            return;                                      \
        member = value;                                  \
        emit signal();                                   \
    }

CALDER_ITEM_SETTER(setLeftChannelValue, short, m_leftChannelValue, leftChannelValueChanged)
CALDER_ITEM_SETTER(setRightChannelValue, short, m_rightChannelValue, rightChannelValueChanged)
CALDER_ITEM_SETTER(setLeftChannelIndex, uint, m_leftChannelIndex, leftChannelIndexChanged)
CALDER_ITEM_SETTER(setRightChannelIndex, uint, m_rightChannelIndex, rightChannelIndexChanged)
CALDER_ITEM_SETTER(setLeftLowerLimit, short, m_leftLowerLimit, leftLowerLimitChanged)
CALDER_ITEM_SETTER(setLeftUpperLimit, short, m_leftUpperLimit, leftUpperLimitChanged)
CALDER_ITEM_SETTER(setRightLowerLimit, short, m_rightLowerLimit, rightLowerLimitChanged)
CALDER_ITEM_SETTER(setRightUpperLimit, short, m_rightUpperLimit, rightUpperLimitChanged)
CALDER_ITEM_SETTER(setLeftChannelName, const QString &, m_leftChannelName, leftChannelNameChanged)
CALDER_ITEM_SETTER(setRightChannelName, const QString &, m_rightChannelName, rightChannelNameChanged)
CALDER_ITEM_SETTER(setIsLinked, bool, m_isLinked, isLinkedChanged)
CALDER_ITEM_SETTER(setIsMuted, bool, m_isMuted, isMutedChanged)

#undef CALDER_ITEM_SETTER
