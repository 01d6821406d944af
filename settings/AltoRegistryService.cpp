#include "settings/AltoRegistryService.h"

#include "device/MixerModels.h"
#include "device/TUsbAudioApi.h"

AltoRegistryService::AltoRegistryService() : RegistryServiceBase(MixerModels::forProduct(kProductAlto)) {}
