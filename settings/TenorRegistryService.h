#pragma once
#include "settings/RegistryServiceBase.h"

// Settings of the Tenor (product id 0x0031): groups "Tenor/AudioRouting" and "Tenor/Ducker".
class TenorRegistryService : public RegistryServiceBase
{
    Q_OBJECT
public:
    TenorRegistryService();
};
