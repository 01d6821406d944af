#include "core/MessageBus.h"

#include <QMap>
#include <QMetaType>

namespace {
// Allocated once and never freed: it lives to process exit, and signal objects still in it
// then stay reachable rather than being reported as leaks.
QMap<QString, HelperSignalObject *> &table()
{
    static auto *t = new QMap<QString, HelperSignalObject *>();
    return *t;
}
} // namespace

HelperSignalObject *MessageBus::lookup(const QString &name) { return table().value(name, nullptr); }

HelperSignalObject *MessageBus::acquire(const QString &name)
{
    qRegisterMetaType<QVariant>("QVariant");
    HelperSignalObject *object = lookup(name);
    if (!object) {
        object = new HelperSignalObject();
        table().insert(name, object);
    }
    return object;
}

void MessageBus::release(const QString &name, HelperSignalObject *object)
{
    if (object->removeSubscriber() == 0) {
        table().remove(name);
        delete object;
    }
}

void MessageBus::publish(const QVariant &payload, const QString &name)
{
    if (HelperSignalObject *object = lookup(name))
        emit object->valueSignal(payload);
}
