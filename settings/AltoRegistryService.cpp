#include "settings/AltoRegistryService.h"

#include "device/StoreKeys.h"
#include "settings/SettingsKeys.h"

AltoRegistryService::AltoRegistryService()
    : RegistryServiceBase(SettingsKeys::kAltoAudioRouting, SettingsKeys::kAltoDucker,
                          {{StoreKeys::kInput12, 0}}, duckerDefaults({}))
{
}
