#pragma once
#include <QObject>
#include <QString>

// One row of the volume page's channel list: a left/right pair of driver channels, values
// and limits in whole dB.
class ChannelsModelItem : public QObject
{
    Q_OBJECT
    Q_PROPERTY(short leftChannelValue READ leftChannelValue WRITE setLeftChannelValue NOTIFY leftChannelValueChanged)
    Q_PROPERTY(
        short rightChannelValue READ rightChannelValue WRITE setRightChannelValue NOTIFY rightChannelValueChanged)
    Q_PROPERTY(uint leftChannelIndex READ leftChannelIndex WRITE setLeftChannelIndex NOTIFY leftChannelIndexChanged)
    Q_PROPERTY(uint rightChannelIndex READ rightChannelIndex WRITE setRightChannelIndex NOTIFY rightChannelIndexChanged)
    Q_PROPERTY(short leftLowerLimit READ leftLowerLimit WRITE setLeftLowerLimit NOTIFY leftLowerLimitChanged)
    Q_PROPERTY(short leftUpperLimit READ leftUpperLimit WRITE setLeftUpperLimit NOTIFY leftUpperLimitChanged)
    Q_PROPERTY(short rightLowerLimit READ rightLowerLimit WRITE setRightLowerLimit NOTIFY rightLowerLimitChanged)
    Q_PROPERTY(short rightUpperLimit READ rightUpperLimit WRITE setRightUpperLimit NOTIFY rightUpperLimitChanged)
    Q_PROPERTY(QString leftChannelName READ leftChannelName WRITE setLeftChannelName NOTIFY leftChannelNameChanged)
    Q_PROPERTY(QString rightChannelName READ rightChannelName WRITE setRightChannelName NOTIFY rightChannelNameChanged)
    Q_PROPERTY(bool isLinked READ isLinked WRITE setIsLinked NOTIFY isLinkedChanged)
    Q_PROPERTY(bool isMuted READ isMuted WRITE setIsMuted NOTIFY isMutedChanged)

public:
    ChannelsModelItem(short leftChannelValue, short rightChannelValue, uint leftChannelIndex, uint rightChannelIndex,
                      short leftLowerLimit, short leftUpperLimit, short rightLowerLimit, short rightUpperLimit,
                      const QString &leftChannelName, const QString &rightChannelName, bool isLinked, bool isMuted);

    short leftChannelValue() const { return m_leftChannelValue; }
    short rightChannelValue() const { return m_rightChannelValue; }
    uint leftChannelIndex() const { return m_leftChannelIndex; }
    uint rightChannelIndex() const { return m_rightChannelIndex; }
    short leftLowerLimit() const { return m_leftLowerLimit; }
    short leftUpperLimit() const { return m_leftUpperLimit; }
    short rightLowerLimit() const { return m_rightLowerLimit; }
    short rightUpperLimit() const { return m_rightUpperLimit; }
    QString leftChannelName() const { return m_leftChannelName; }
    QString rightChannelName() const { return m_rightChannelName; }
    bool isLinked() const { return m_isLinked; }
    bool isMuted() const { return m_isMuted; }

    void setLeftChannelValue(short value);
    void setRightChannelValue(short value);
    void setLeftChannelIndex(uint value);
    void setRightChannelIndex(uint value);
    void setLeftLowerLimit(short value);
    void setLeftUpperLimit(short value);
    void setRightLowerLimit(short value);
    void setRightUpperLimit(short value);
    void setLeftChannelName(const QString &value);
    void setRightChannelName(const QString &value);
    void setIsLinked(bool value);
    void setIsMuted(bool value);

signals:
    void leftChannelValueChanged();
    void rightChannelValueChanged();
    void leftChannelIndexChanged();
    void rightChannelIndexChanged();
    void leftLowerLimitChanged();
    void leftUpperLimitChanged();
    void rightLowerLimitChanged();
    void rightUpperLimitChanged();
    void leftChannelNameChanged();
    void rightChannelNameChanged();
    void isLinkedChanged();
    void isMutedChanged();

private:
    short m_leftChannelValue;
    short m_rightChannelValue;
    uint m_leftChannelIndex;
    uint m_rightChannelIndex;
    short m_leftLowerLimit;
    short m_leftUpperLimit;
    short m_rightLowerLimit;
    short m_rightUpperLimit;
    QString m_leftChannelName;
    QString m_rightChannelName;
    bool m_isLinked;
    bool m_isMuted;
};
