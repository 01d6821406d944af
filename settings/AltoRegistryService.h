#pragma once
#include "settings/RegistryServiceBase.h"

// Settings of the Alto (product id 0x0030), as its row of the model table describes them.
class AltoRegistryService : public RegistryServiceBase
{
    Q_OBJECT
public:
    AltoRegistryService();
};
