#include "settings/BassoRegistryService.h"

#include "app/AppConstants.h"

// The Basso has the second routing pair ("Inputs 3+4") and trigger inputs 3 and 4.
BassoRegistryService::BassoRegistryService()
    : RegistryServiceBase(AppConstants::kBassoAudioRouting, AppConstants::kBassoDucker,
                          {{AppConstants::kInput12, 0}, {AppConstants::kInput32, 0}},
                          duckerDefaults({AppConstants::kInput3, AppConstants::kInput4}))
{
}
