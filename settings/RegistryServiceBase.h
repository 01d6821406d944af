#pragma once
#include "device/IRegistryService.h"

#include <QObject>
#include <QPair>
#include <QSettings>
#include <QVector>

// The code the three model stores share. A store is two settings groups (routing and ducker)
// with their defaults; the models differ only in group names and in which keys they have.
class RegistryServiceBase : public QObject, public IRegistryService
{
    Q_OBJECT
public:
    using Defaults = QVector<QPair<QString, int>>;

    ~RegistryServiceBase() override;

    QVariant getAudioRoutingValue(const QString &key) override;
    // Threshold, duck range and release time come back as whole numbers within the ranges the
    // ducker page's sliders offer (the stored text is not changed).
    QVariant getDuckerValue(const QString &key) override;
    void setAudioRoutingValue(const QString &key, const QVariant &value) override;
    void setDuckerValue(const QString &key, const QVariant &value) override;
    void initAudioRoutingDefaults() override;
    void initDuckerDefaults() override;

    QString audioRoutingGroup() const { return m_routingGroup; }
    QString duckerGroup() const { return m_duckerGroup; }

protected:
    // Opens the application's settings (organisation and name of the application object, in the
    // panel's settings format) and writes the defaults into whichever group is still empty.
    RegistryServiceBase(const QString &routingGroup, const QString &duckerGroup, Defaults routingDefaults,
                        Defaults duckerDefaults);

    // Ducker defaults common to every model; trigger keys for inputs beyond 1 and 2 are inserted
    // after "Input 2".
    static Defaults duckerDefaults(const QStringList &extraTriggerKeys);

private:
    QVariant value(const QString &path) const;
    void writeDefaultsIfEmpty(const QString &group, const Defaults &defaults);

    QString m_routingGroup;
    QString m_duckerGroup;
    Defaults m_routingDefaults;
    Defaults m_duckerDefaults;
    QSettings m_settings;
};
