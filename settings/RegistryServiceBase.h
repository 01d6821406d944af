#pragma once
#include "device/IRegistryService.h"

#include <QObject>
#include <QPair>
#include <QSettings>
#include <QVector>

struct MixerModel;

// The code the three model stores share. A store is two settings groups (routing and ducker)
// with their defaults; the models differ only in what their row of the model table says: the
// group names and which keys they have.
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

protected:
    // Opens the application's settings (organisation and name of the application object, in the
    // panel's settings format) and writes the defaults into whichever group is still empty.
    explicit RegistryServiceBase(const MixerModel &model);

private:
    QVariant value(const QString &path) const;
    void writeDefaultsIfEmpty(const QString &group, const Defaults &defaults);

    QString m_routingGroup;
    QString m_duckerGroup;
    Defaults m_routingDefaults;
    Defaults m_duckerDefaults;
    QSettings m_settings;
};
