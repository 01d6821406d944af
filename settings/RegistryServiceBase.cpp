#include "settings/RegistryServiceBase.h"

#include "device/MixerModels.h"
#include "device/StoreKeys.h"
#include "settings/SettingsFormat.h"
#include "settings/SettingsKeys.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {
using Field = RegistryServiceBase::Field;

QVector<Field> routingFields(const MixerModel &model)
{
    QVector<Field> f{{StoreKeys::kInput12, 0, 0, int(model.inputs12.size()) - 1, Field::Index}};
    if (!model.inputs32.isEmpty()) // only where the model has the second pair
        f.append({StoreKeys::kInput32, 0, 0, int(model.inputs32.size()) - 1, Field::Index});
    return f;
}

// In the order the defaults are written; trigger keys beyond inputs 1 and 2 stand after "Input 2".
QVector<Field> duckerFields(const MixerModel &model)
{
    using namespace StoreKeys;
    QVector<Field> f{{kOn, 0, 0, 1}};
    const QString triggers[] = {kInput1, kInput2, kInput3, kInput4};
    for (int i = 0; i < model.triggerInputs && i < 4; ++i)
        f.append({triggers[i], 0, 1 << i, 1 << i, Field::TriggerBit});
    f.append({kSensitivity, -30, -60, 0});
    f.append({kDuckerRange, 40, 0, 90});
    f.append({kReleaseTime, 2000, 0, 5000});
    f.append({kAttackTime, 50, 0, 0xFFFF});
    f.append({kHoldTime, 250, 0, 0xFFFF});
    return f;
}

RegistryServiceBase::Defaults defaultsOf(const QVector<Field> &fields)
{
    RegistryServiceBase::Defaults d;
    for (const Field &f : fields)
        d.append({f.key, f.fallback});
    return d;
}

// Whatever the file says (an edited file, another version), the value read is one the mixer and
// the pages can take; the file itself is left as it is.
QVariant withinField(const QVector<Field> &fields, const QString &key, const QVariant &stored)
{
    const auto field = std::find_if(fields.cbegin(), fields.cend(), [&key](const Field &f) { return f.key == key; });
    // An absent key reads as 0, as it always did; a key the model does not have is not ours.
    if (field == fields.cend() || !stored.isValid())
        return stored;
    bool ok = false;
    const double value = stored.toDouble(&ok);
    if (!ok || std::isnan(value))
        return field->fallback;
    switch (field->kind) {
    case Field::Index: // a list entry, or the model's default entry
        return value == std::floor(value) && value >= field->lower && value <= field->upper ? int(value)
                                                                                            : field->fallback;
    case Field::TriggerBit: // the input's own bit, never another's
        return std::fabs(value) >= 0.5 ? field->upper : 0;
    case Field::Number:
        break;
    }
    return int(std::lround(qBound(double(field->lower), value, double(field->upper))));
}
} // namespace

RegistryServiceBase::RegistryServiceBase(const MixerModel &model)
    : QObject(nullptr)
    , m_routingGroup(model.name + QLatin1Char('/') + SettingsKeys::kAudioRoutingGroup)
    , m_duckerGroup(model.name + QLatin1Char('/') + SettingsKeys::kDuckerGroup)
    , m_routingFields(routingFields(model))
    , m_duckerFields(duckerFields(model))
    , m_settings(SettingsFormat::format(), QSettings::UserScope, QCoreApplication::organizationName(),
                 QCoreApplication::applicationName())
{
    // Non-virtual on purpose: called from the constructor.
    RegistryServiceBase::initAudioRoutingDefaults();
    RegistryServiceBase::initDuckerDefaults();
}

RegistryServiceBase::~RegistryServiceBase() = default;

QVariant RegistryServiceBase::getAudioRoutingValue(const QString &key)
{
    return withinField(m_routingFields, key, value(m_routingGroup + QLatin1Char('/') + key));
}

QVariant RegistryServiceBase::getDuckerValue(const QString &key)
{
    return withinField(m_duckerFields, key, value(m_duckerGroup + QLatin1Char('/') + key));
}

QVariant RegistryServiceBase::value(const QString &path) const
{
    // A value the settings format refused (not a plain number or string) reads as absent.
    const QVariant v = m_settings.value(path);
    return SettingsFormat::isRefused(v) ? QVariant() : v;
}

void RegistryServiceBase::setAudioRoutingValue(const QString &key, const QVariant &value)
{
    m_settings.beginGroup(m_routingGroup);
    m_settings.setValue(key, value);
    m_settings.endGroup();
}

void RegistryServiceBase::setDuckerValue(const QString &key, const QVariant &value)
{
    m_settings.beginGroup(m_duckerGroup);
    m_settings.setValue(key, value);
    m_settings.endGroup();
}

void RegistryServiceBase::initAudioRoutingDefaults()
{
    writeDefaultsIfEmpty(m_routingGroup, defaultsOf(m_routingFields));
}

void RegistryServiceBase::initDuckerDefaults() { writeDefaultsIfEmpty(m_duckerGroup, defaultsOf(m_duckerFields)); }

void RegistryServiceBase::writeDefaultsIfEmpty(const QString &group, const Defaults &defaults)
{
    // Only a group with no key at all is filled: a user's partial edit is never completed.
    m_settings.beginGroup(group);
    if (m_settings.childKeys().isEmpty()) {
        for (const auto &kv : defaults)
            m_settings.setValue(kv.first, QVariant(kv.second));
    }
    m_settings.endGroup();
}
