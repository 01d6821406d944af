#pragma once
#include "settings/RegistryServiceBase.h"

// Settings of the Tenor (product id 0x0031), as its row of the model table describes them.
class TenorRegistryService : public RegistryServiceBase
{
    Q_OBJECT
public:
    TenorRegistryService();
};
