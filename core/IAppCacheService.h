#pragma once
#include "core/Holder.h"

#include <QSharedPointer>
#include <QString>
#include <QVariant>

class IAppCacheService
{
public:
    virtual ~IAppCacheService() = default;
    virtual bool contains(const QString &key) const = 0;
    virtual void remove(const QString &key) = 0;
    virtual void clear() = 0;
    virtual void setValue(const QString &key, const QVariant &value) = 0;
    virtual void setHolder(const QString &key, QSharedPointer<IHolder> holder) = 0;
    virtual QSharedPointer<IHolder> holder(const QString &key) const = 0;
    virtual QVariant value(const QString &key) const = 0;
};
