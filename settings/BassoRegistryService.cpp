#include "settings/BassoRegistryService.h"

#include "device/StoreKeys.h"
#include "settings/SettingsKeys.h"

// The Basso has the second routing pair ("Inputs 3+4") and trigger inputs 3 and 4.
BassoRegistryService::BassoRegistryService()
    : RegistryServiceBase(SettingsKeys::kBassoAudioRouting, SettingsKeys::kBassoDucker,
                          {{StoreKeys::kInput12, 0}, {StoreKeys::kInput32, 0}},
                          duckerDefaults({StoreKeys::kInput3, StoreKeys::kInput4}))
{
}
