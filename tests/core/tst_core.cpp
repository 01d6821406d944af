// Service container, value cache and message bus.
#include "core/AppCacheService.h"
#include "core/MessageBus.h"
#include "core/ServiceContainer.h"
#include "viewmodels/ShellVM.h"

#include <QtTest>

#include <functional>

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
    void containerAndCache()
    {
        ServiceContainer container;
        container.registerInstance(new ShellVM());
        container.registerFactory<QObject>([] { return new QObject(); });
        const QSharedPointer<ShellVM> shell = container.resolve<ShellVM>();
        QCOMPARE(container.resolve<ShellVM>(), shell);
        QSharedPointer<QObject> made = container.resolve<QObject>();
        QVERIFY(made && made != container.resolve<QObject>());
        QPointer<QObject> watch(made.data());
        made.reset(); // the container keeps nothing a factory made
        QVERIFY(watch.isNull());
        QVERIFY_EXCEPTION_THROWN(container.resolve<QTimer>(), std::bad_function_call);
        container.clearInstances(); // an instance lives on while referenced elsewhere
        QVERIFY(!shell.isNull());

        AppCacheService cache;
        cache.setValue("k", 1);
        cache.setValue("k", 2);
        QCOMPARE(cache.value("k"), QVariant(2));
        cache.setHolder("obj", QSharedPointer<IHolder>(new Holder<QObject>(QSharedPointer<QObject>::create())));
        QVERIFY(cache.contains("obj") && !cache.value("obj").isValid()); // a holder of another type is no value
        cache.remove("k");
        QVERIFY(!cache.contains("k") && !cache.value("k").isValid());
    }

    // Every bus object works on the one table; a name's signal object lives while subscribed.
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

    void busDeliversInOrderAndSkipsDestroyedReceivers()
    {
        MessageBus bus;
        QList<Receiver *> order;
        Receiver a, b;
        auto *gone = new Receiver();
        bus.subscribe(&a, &Receiver::onMessage, "Order");
        bus.subscribe(gone, &Receiver::onMessage, "Order");
        bus.subscribe(&b, &Receiver::onMessage, "Order");
        connect(MessageBus::lookup("Order"), &HelperSignalObject::valueSignal, this,
                [&] { order << (a.received.isEmpty() ? nullptr : &a) << (b.received.isEmpty() ? nullptr : &b); });
        delete gone; // never unsubscribed: Qt dropped its connection, the count stays
        bus.publish(QStringLiteral("p"), "Order");
        QCOMPARE(a.received, QVariantList{QStringLiteral("p")});
        QCOMPARE(order, (QList<Receiver *>{&a, &b})); // both ran, synchronously, before the later connection
        QCOMPARE(MessageBus::lookup("Order")->subscriberCount(), 3);
    }
};

QTEST_MAIN(TestAppCore)
#include "tst_core.moc"
