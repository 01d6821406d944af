#pragma once
#include "core/IAppCacheService.h"

#include <QHash>

// String-keyed store of values wrapped in holders; registered beside the other services.
class AppCacheService : public IAppCacheService
{
public:
    bool contains(const QString &key) const override;
    void remove(const QString &key) override;
    void clear() override;
    void setValue(const QString &key, const QVariant &value) override;
    void setHolder(const QString &key, QSharedPointer<IHolder> holder) override;
    QSharedPointer<IHolder> holder(const QString &key) const override;
    // Invalid when the key is absent or its holder does not hold a QVariant.
    QVariant value(const QString &key) const override;

private:
    QHash<QString, QSharedPointer<IHolder>> m_entries;
};
