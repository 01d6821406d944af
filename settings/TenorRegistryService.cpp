#include "settings/TenorRegistryService.h"

#include "app/AppConstants.h"

TenorRegistryService::TenorRegistryService()
    : RegistryServiceBase(AppConstants::kTenorAudioRouting, AppConstants::kTenorDucker,
                          {{AppConstants::kInput12, 0}}, duckerDefaults({}))
{
}
