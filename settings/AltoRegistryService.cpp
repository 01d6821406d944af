#include "settings/AltoRegistryService.h"

#include "app/AppConstants.h"

AltoRegistryService::AltoRegistryService()
    : RegistryServiceBase(AppConstants::kAltoAudioRouting, AppConstants::kAltoDucker,
                          {{AppConstants::kInput12, 0}}, duckerDefaults({}))
{
}
