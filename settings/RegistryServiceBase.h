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
    // A key as the panel reads it: what its field can carry to the mixer and the pages can show.
    // Its default is also what a value that is not a number reads as.
    struct Field
    {
        QString key;
        int fallback = 0;
        int lower = 0;
        int upper = 0;
        enum Kind { Number, Index, TriggerBit } kind = Number;
    };

    ~RegistryServiceBase() override;

    // Every key of the model comes back within its field (a list index of the model, a slider's
    // range, a trigger input's bit, the 16 bits of attack and hold); text that is not a number
    // reads as the key's default. The stored text is not changed.
    QVariant getAudioRoutingValue(const QString &key) override;
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
    QVector<Field> m_routingFields;
    QVector<Field> m_duckerFields;
    QSettings m_settings;
};
