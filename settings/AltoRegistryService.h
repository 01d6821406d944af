#pragma once
#include "settings/RegistryServiceBase.h"

// Settings of the Alto (product id 0x0030): groups "Alto/AudioRouting" and "Alto/Ducker".
class AltoRegistryService : public RegistryServiceBase
{
    Q_OBJECT
public:
    AltoRegistryService();
};
