#include "settings/TenorRegistryService.h"

#include "device/MixerModels.h"
#include "device/TUsbAudioApi.h"

TenorRegistryService::TenorRegistryService() : RegistryServiceBase(MixerModels::forProduct(kProductTenor)) {}
