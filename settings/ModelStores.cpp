#include "settings/ModelStores.h"

#include "device/MixerModels.h"
#include "device/TUsbAudioApi.h"
#include "settings/AltoRegistryService.h"
#include "settings/BassoRegistryService.h"
#include "settings/TenorRegistryService.h"

namespace ModelStores {

QSharedPointer<IRegistryService> create(const MixerModel &model)
{
    switch (model.productId) {
    case kProductAlto: return QSharedPointer<IRegistryService>(new AltoRegistryService);
    case kProductTenor: return QSharedPointer<IRegistryService>(new TenorRegistryService);
    case kProductBasso: return QSharedPointer<IRegistryService>(new BassoRegistryService);
    default: return {};
    }
}

} // namespace ModelStores
