#include "settings/TenorRegistryService.h"

#include "device/StoreKeys.h"
#include "settings/SettingsKeys.h"

TenorRegistryService::TenorRegistryService()
    : RegistryServiceBase(SettingsKeys::kTenorAudioRouting, SettingsKeys::kTenorDucker,
                          {{StoreKeys::kInput12, 0}}, duckerDefaults({}))
{
}
