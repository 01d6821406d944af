#pragma once
#include "settings/RegistryServiceBase.h"

// Settings of the Basso (product id 0x0032), as its row of the model table describes them.
class BassoRegistryService : public RegistryServiceBase
{
    Q_OBJECT
public:
    BassoRegistryService();
};
