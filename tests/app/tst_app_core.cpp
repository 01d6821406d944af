// Service container, value cache and message bus.
#include "app/AppCacheService.h"
#include "app/MessageBus.h"
#include "app/ServiceContainer.h"
#include "app/ShellVM.h"

#include <QSignalSpy>
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
    void containerInstancesAreSharedFactoriesAreNot()
    {
        ServiceContainer container;
        container.registerInstance(new ShellVM());
        container.registerFactory<QObject>([] { return new QObject(); });
        QCOMPARE(container.resolve<ShellVM>(), container.resolve<ShellVM>());

        const QSharedPointer<QObject> a = container.resolve<QObject>();
        QSharedPointer<QObject> b = container.resolve<QObject>();
        QVERIFY(a && b && a != b);
        QPointer<QObject> watch(b.data());
        b.reset(); // the container keeps no reference to what a factory made
        QVERIFY(watch.isNull());

        QVERIFY_EXCEPTION_THROWN(container.resolve<QTimer>(), std::bad_function_call);
    }

    void containerReplacesInstancesAndReleasesThemOnClear()
    {
        ServiceContainer container;
        auto *first = new ShellVM();
        QPointer<ShellVM> watchFirst(first);
        container.registerInstance(first);
        const QSharedPointer<ShellVM> kept = container.resolve<ShellVM>();
        container.registerInstance(new ShellVM());
        QVERIFY(container.resolve<ShellVM>() != kept);
        QVERIFY(!watchFirst.isNull()); // still referenced by `kept`

        QPointer<ShellVM> second = container.resolve<ShellVM>().data();
        container.clearInstances();
        QVERIFY(second.isNull());
        QVERIFY_EXCEPTION_THROWN(container.resolve<ShellVM>(), std::bad_function_call);
    }

    void processWideContainerPointerDoesNotOutliveTheContainer()
    {
        {
            ServiceContainer container;
            ServiceContainer::setInstance(&container);
            QCOMPARE(ServiceContainer::instance(), &container);
        }
        QCOMPARE(ServiceContainer::instance(), nullptr);
    }

    void cacheValuesAndHolders()
    {
        AppCacheService cache;
        cache.setValue("k", 1);
        QCOMPARE(cache.value("k"), QVariant(1));
        cache.setValue("k", 2);
        QCOMPARE(cache.value("k"), QVariant(2));
        cache.remove("k");
        QVERIFY(!cache.contains("k"));
        QVERIFY(!cache.value("k").isValid());
        QVERIFY(cache.holder("k").isNull());

        // A holder of another type is kept but is no value.
        cache.setHolder("obj", QSharedPointer<IHolder>(new Holder<QObject>(QSharedPointer<QObject>::create())));
        QVERIFY(cache.contains("obj"));
        QVERIFY(!cache.value("obj").isValid());
        QVERIFY(cache.holder("obj").dynamicCast<Holder<QObject>>());

        cache.setValue("v", QStringLiteral("x"));
        cache.clear();
        QVERIFY(!cache.contains("obj") && !cache.contains("v"));
    }

    void busPublishToNobodyCreatesNothing()
    {
        MessageBus bus;
        bus.publish(true, "Nobody");
        QCOMPARE(MessageBus::lookup("Nobody"), nullptr);
        Receiver r;
        bus.unsubscribe(&r, &Receiver::onMessage, "Nobody");
        QCOMPARE(MessageBus::lookup("Nobody"), nullptr);
    }

    void busDuplicateSubscriptionIsOneConnectionCountedTwice()
    {
        MessageBus bus;
        MessageBus other; // every bus object shares the one table
        Receiver r;
        bus.subscribe(&r, &Receiver::onMessage, "Dup");
        bus.subscribe(&r, &Receiver::onMessage, "Dup");
        HelperSignalObject *object = MessageBus::lookup("Dup");
        QVERIFY(object);
        QCOMPARE(object->subscriberCount(), 2);

        other.publish(true, "Dup");
        QCOMPARE(r.received, QVariantList{true});

        QPointer<HelperSignalObject> watch(object);
        bus.unsubscribe(&r, &Receiver::onMessage, "Dup");
        QCOMPARE(MessageBus::lookup("Dup"), object);
        bus.publish(false, "Dup");
        QCOMPARE(r.received.size(), 1); // the connection went with the first unsubscribe

        bus.unsubscribe(&r, &Receiver::onMessage, "Dup");
        QVERIFY(watch.isNull());
        QCOMPARE(MessageBus::lookup("Dup"), nullptr);
        bus.publish(true, "Dup");
        QCOMPARE(r.received.size(), 1);

        bus.subscribe(&r, &Receiver::onMessage, "Dup");
        QVERIFY(MessageBus::lookup("Dup") && MessageBus::lookup("Dup")->subscriberCount() == 1);
        bus.unsubscribe(&r, &Receiver::onMessage, "Dup");
    }

    void busDeliversInConnectionOrderAndForgetsDestroyedReceivers()
    {
        MessageBus bus;
        QStringList order;
        Receiver a, b;
        auto *gone = new Receiver();
        bus.subscribe(&a, &Receiver::onMessage, "Order");
        bus.subscribe(gone, &Receiver::onMessage, "Order");
        bus.subscribe(&b, &Receiver::onMessage, "Order");
        connect(MessageBus::lookup("Order"), &HelperSignalObject::valueSignal, this, [&] {
            order << (a.received.size() == 1 && b.received.size() == 1 ? "after" : "before");
        });
        delete gone; // a destroyed subscriber that never unsubscribed is simply not called
        bus.publish(QStringLiteral("p"), "Order");
        QCOMPARE(a.received, QVariantList{QStringLiteral("p")});
        QCOMPARE(b.received, QVariantList{QStringLiteral("p")});
        QCOMPARE(order, QStringList{"after"});
        QCOMPARE(MessageBus::lookup("Order")->subscriberCount(), 3);
    }
};

QTEST_MAIN(TestAppCore)
#include "tst_app_core.moc"
