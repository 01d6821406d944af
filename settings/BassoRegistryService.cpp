#include "settings/BassoRegistryService.h"

#include "device/MixerModels.h"
#include "device/TUsbAudioApi.h"

BassoRegistryService::BassoRegistryService() : RegistryServiceBase(MixerModels::forProduct(kProductBasso)) {}
