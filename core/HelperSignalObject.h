#pragma once
#include <QObject>
#include <QSharedPointer>
#include <QVariant>

// The signal object of one message name: its valueSignal carries the payload to every
// subscriber's slot. Owned by the message bus's table.
class HelperSignalObject : public QObject
{
    Q_OBJECT
public:
    explicit HelperSignalObject(QObject *parent = nullptr);

    int subscriberCount() const { return m_subscriberCount; }
    void addSubscriber() { ++m_subscriberCount; }
    // Returns the count left.
    int removeSubscriber() { return --m_subscriberCount; }

signals:
    void objectSignal(QSharedPointer<QObject> object);
    void valueSignal(QVariant value);

private:
    int m_subscriberCount = 0;
};
