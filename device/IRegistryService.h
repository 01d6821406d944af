#pragma once
#include <QString>
#include <QVariant>

// Per-model store of the routing and ducker settings, keyed by device/StoreKeys.h. The stores
// themselves are in settings/; the service is handed a factory of them.
class IRegistryService
{
public:
    virtual ~IRegistryService() = default;
    virtual QVariant getAudioRoutingValue(const QString &key) = 0;
    virtual QVariant getDuckerValue(const QString &key) = 0;
    virtual void setAudioRoutingValue(const QString &key, const QVariant &value) = 0;
    virtual void setDuckerValue(const QString &key, const QVariant &value) = 0;
    virtual void initAudioRoutingDefaults() = 0;
    virtual void initDuckerDefaults() = 0;
};
