// The message bus: one table for every bus object, counted subscriptions.
#include "core/MessageBus.h"

#include <QtTest>

namespace {
class Receiver : public QObject
{
public:
    QVariantList received;
    void onMessage(QVariant value) { received << value; }
};
} // namespace

class TestAppCore : public QObject
{
    Q_OBJECT
private slots:
    // Pages subscribe on every visit: a leftover signal object would keep a dead page's connections.
    void busSubscriptionsAreCounted()
    {
        MessageBus bus, other;
        Receiver r;
        bus.publish(true, "Dup"); // nobody subscribes: dropped, nothing created
        QCOMPARE(MessageBus::lookup("Dup"), nullptr);
        bus.subscribe(&r, &Receiver::onMessage, "Dup");
        bus.subscribe(&r, &Receiver::onMessage, "Dup");
        QPointer<HelperSignalObject> object = MessageBus::lookup("Dup");
        QVERIFY(object);
        other.publish(true, "Dup");
        QCOMPARE(r.received, QVariantList{true}); // one connection
        bus.unsubscribe(&r, &Receiver::onMessage, "Dup");
        QCOMPARE(MessageBus::lookup("Dup"), object.data());
        bus.unsubscribe(&r, &Receiver::onMessage, "Dup");
        QVERIFY(object.isNull());
        QCOMPARE(MessageBus::lookup("Dup"), nullptr);
    }
};

QTEST_GUILESS_MAIN(TestAppCore)
#include "tst_core.moc"
