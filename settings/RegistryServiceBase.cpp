#include "settings/RegistryServiceBase.h"

#include "device/MixerModels.h"
#include "device/StoreKeys.h"
#include "settings/SettingsFormat.h"
#include "settings/SettingsKeys.h"

#include <QCoreApplication>
#include <QStringList>

#include <cmath>

namespace {
// A stored threshold, duck range or release time outside the range its slider offers (an
// edited file, another version) is read as the nearest end of that range, and as a whole
// number. The file is left as it is; but the mixer (sent these values on every connection)
// and the page (which shows them) then agree, whatever the size of the stored value, and the
// mixer never receives a value the page could not have chosen (a release beyond 65535 ms
// would not even fit its field).
QVariant withinSliderRange(const QString &key, const QVariant &stored)
{
    using namespace StoreKeys;
    int lower = 0;
    int upper = 0;
    if (key == kSensitivity) {
        lower = -60;
    } else if (key == kDuckerRange) {
        upper = 90;
    } else if (key == kReleaseTime) {
        upper = 5000;
    } else {
        return stored;
    }
    if (!stored.isValid())
        return stored;
    const double value = stored.toDouble(); // not a number reads as 0, as toInt() did
    return QVariant(int(std::lround(std::isnan(value) ? 0.0 : qBound(double(lower), value, double(upper)))));
}

// "Input32" only where the model has the second pair.
RegistryServiceBase::Defaults routingDefaults(const MixerModel &model)
{
    RegistryServiceBase::Defaults d{{StoreKeys::kInput12, 0}};
    if (!model.inputs32.isEmpty())
        d.append({StoreKeys::kInput32, 0});
    return d;
}

// Trigger keys for inputs beyond 1 and 2 stand after "Input 2".
RegistryServiceBase::Defaults duckerDefaults(const MixerModel &model)
{
    using namespace StoreKeys;
    RegistryServiceBase::Defaults d{{kOn, 0}, {kInput1, 0}, {kInput2, 0}};
    if (model.triggerInputs > 2) {
        d.append({kInput3, 0});
        d.append({kInput4, 0});
    }
    d.append({kSensitivity, -30});
    d.append({kDuckerRange, 40});
    d.append({kReleaseTime, 2000});
    d.append({kAttackTime, 50});
    d.append({kHoldTime, 250});
    return d;
}
} // namespace

RegistryServiceBase::RegistryServiceBase(const MixerModel &model)
    : QObject(nullptr)
    , m_routingGroup(model.name + QLatin1Char('/') + SettingsKeys::kAudioRoutingGroup)
    , m_duckerGroup(model.name + QLatin1Char('/') + SettingsKeys::kDuckerGroup)
    , m_routingDefaults(routingDefaults(model))
    , m_duckerDefaults(duckerDefaults(model))
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
    return value(m_routingGroup + QLatin1Char('/') + key);
}

QVariant RegistryServiceBase::getDuckerValue(const QString &key)
{
    return withinSliderRange(key, value(m_duckerGroup + QLatin1Char('/') + key));
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

void RegistryServiceBase::initAudioRoutingDefaults() { writeDefaultsIfEmpty(m_routingGroup, m_routingDefaults); }

void RegistryServiceBase::initDuckerDefaults() { writeDefaultsIfEmpty(m_duckerGroup, m_duckerDefaults); }

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
