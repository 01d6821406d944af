#include "core/AppCacheService.h"

bool AppCacheService::contains(const QString &key) const { return m_entries.contains(key); }

void AppCacheService::remove(const QString &key) { m_entries.remove(key); }

void AppCacheService::clear() { m_entries.clear(); }

void AppCacheService::setValue(const QString &key, const QVariant &value)
{
    setHolder(key, QSharedPointer<IHolder>(new Holder<QVariant>(QSharedPointer<QVariant>::create(value))));
}

void AppCacheService::setHolder(const QString &key, QSharedPointer<IHolder> holder)
{
    m_entries.remove(key);
    m_entries.insert(key, holder);
}

QSharedPointer<IHolder> AppCacheService::holder(const QString &key) const { return m_entries.value(key); }

QVariant AppCacheService::value(const QString &key) const
{
    const auto held = m_entries.value(key).dynamicCast<Holder<QVariant>>();
    if (!held || !held->object())
        return QVariant();
    return *held->object();
}
