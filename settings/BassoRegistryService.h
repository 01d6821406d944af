#pragma once
#include "settings/RegistryServiceBase.h"

// Settings of the Basso (product id 0x0032): groups "Basso/AudioRouting" and "Basso/Ducker".
class BassoRegistryService : public RegistryServiceBase
{
    Q_OBJECT
public:
    BassoRegistryService();
};
