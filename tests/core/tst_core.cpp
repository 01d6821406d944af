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
    void containerInstancesAndFactories()
    {
        ServiceContainer container;
        container.registerInstance(new ShellVM());
        container.registerFactory<QObject>([] { return new QObject(); });
        const QSharedPointer<ShellVM> shell = container.resolve<ShellVM>();
        QCOMPARE(container.resolve<ShellVM>(), shell);

        const QSharedPointer<QObject> a = container.resolve<QObject>();
        QSharedPointer<QObject> b = container.resolve<QObject>();
        QVERIFY(a && b && a != b);
        QPointer<QObject> watch(b.data());
        b.reset(); // the container keeps nothing a factory made
        QVERIFY(watch.isNull());
        QVERIFY_EXCEPTION_THROWN(container.resolve<QTimer>(), std::bad_function_call);

        // A second registration replaces the first; its object lives while referenced elsewhere.
        container.registerInstance(new ShellVM());
        QPointer<ShellVM> second = container.resolve<ShellVM>().data();
        QVERIFY(second && second != shell.data());
        container.clearInstances();
        QVERIFY(second.isNull());
        QVERIFY(!shell.isNull());
    }

    void cacheValuesAndHolders()
    {
        AppCacheService cache;
        cache.setValue("k", 1);
        cache.setValue("k", 2); // replaces
        QCOMPARE(cache.value("k"), QVariant(2));
        cache.remove("k");
        QVERIFY(!cache.contains("k") && !cache.value("k").isValid() && cache.holder("k").isNull());

        // A holder of another type is kept but is no value.
        cache.setHolder("obj", QSharedPointer<IHolder>(new Holder<QObject>(QSharedPointer<QObject>::create())));
        QVERIFY(cache.contains("obj"));
        QVERIFY(!cache.value("obj").isValid());
        cache.setValue("v", QStringLiteral("x"));
        cache.clear();
        QVERIFY(!cache.contains("obj") && !cache.contains("v"));
    }

    void busSubscriptionsAreCounted()
    {
        MessageBus bus, other; // every bus object works on the one table
        Receiver r;
        bus.publish(true, "Dup"); // nobody subscribes: dropped, nothing created
        QCOMPARE(MessageBus::lookup("Dup"), nullptr);

        bus.subscribe(&r, &Receiver::onMessage, "Dup");
        bus.subscribe(&r, &Receiver::onMessage, "Dup");
        HelperSignalObject *object = MessageBus::lookup("Dup");
        QVERIFY(object);
        QCOMPARE(object->subscriberCount(), 2);
        other.publish(true, "Dup");
        QCOMPARE(r.received, QVariantList{true}); // one connection

        QPointer<HelperSignalObject> watch(object);
        bus.unsubscribe(&r, &Receiver::onMessage, "Dup");
        QCOMPARE(MessageBus::lookup("Dup"), object);
        bus.publish(false, "Dup");
        QCOMPARE(r.received.size(), 1);
        bus.unsubscribe(&r, &Receiver::onMessage, "Dup");
        QVERIFY(watch.isNull());
        QCOMPARE(MessageBus::lookup("Dup"), nullptr);

        bus.subscribe(&r, &Receiver::onMessage, "Dup");
        QCOMPARE(MessageBus::lookup("Dup")->subscriberCount(), 1);
        bus.unsubscribe(&r, &Receiver::onMessage, "Dup");
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
