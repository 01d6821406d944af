#pragma once
#include "core/HelperSignalObject.h"

#include <QObject>
#include <QString>
#include <QVariant>

#include <type_traits>

// Named publish/subscribe between view models that do not know each other. The bus has no
// state of its own: every instance works on one process-wide table of signal objects, one per
// message name, created on the first subscription and deleted when the last one goes.
// GUI thread only; delivery is synchronous, in connection order.
//
// Use from a view model:
//     m_bus->subscribe(this, &StatusVM::onResetDropDown, QStringLiteral("ResetDropDown"));
//     m_bus->publish(true, QStringLiteral("Connected"));
class MessageBus
{
public:
    // Connects receiver's slot (taking one QVariant) to the name. A receiver and slot that are
    // already connected stay connected once, but the subscription is counted again, so it
    // takes as many unsubscribes to drop the name.
    template <typename Receiver, typename SlotOwner, typename Arg>
    void subscribe(Receiver *receiver, void (SlotOwner::*slot)(Arg), const QString &name)
    {
        checkSlot<Receiver, SlotOwner, Arg>();
        HelperSignalObject *object = acquire(name);
        object->addSubscriber();
        QObject::connect(object, &HelperSignalObject::valueSignal, static_cast<SlotOwner *>(receiver), slot,
                         Qt::UniqueConnection);
    }

    template <typename Receiver, typename SlotOwner, typename Arg>
    void unsubscribe(Receiver *receiver, void (SlotOwner::*slot)(Arg), const QString &name)
    {
        checkSlot<Receiver, SlotOwner, Arg>();
        HelperSignalObject *object = lookup(name);
        if (!object)
            return;
        QObject::disconnect(object, &HelperSignalObject::valueSignal, static_cast<SlotOwner *>(receiver), slot);
        release(name, object);
    }

    // Dropped silently when nobody subscribes to the name.
    void publish(const QVariant &payload, const QString &name);

    // The signal object of the name, or null when nobody subscribes to it.
    static HelperSignalObject *lookup(const QString &name);

private:
    template <typename Receiver, typename SlotOwner, typename Arg>
    static constexpr void checkSlot()
    {
        static_assert(std::is_base_of<QObject, Receiver>::value, "the receiver must be a QObject");
        static_assert(std::is_base_of<SlotOwner, Receiver>::value, "the slot must belong to the receiver");
        static_assert(std::is_same<typename std::decay<Arg>::type, QVariant>::value, "the slot must take one QVariant");
    }

    static HelperSignalObject *acquire(const QString &name);
    static void release(const QString &name, HelperSignalObject *object);
};
