#pragma once
// Rig of the page tests: one simulated device and the real service on it.
#include "SimulatorControl.h"
#include "core/MessageBus.h"
#include "device/LumenCommunicationService.h"
#include "settings/ModelStores.h"

#include <QSharedPointer>

namespace vmb {

struct Rig
{
    SimulatorControl sim;
    QSharedPointer<LumenCommunicationService> service;
    QSharedPointer<MessageBus> bus{new MessageBus};

    // `configure` runs on the fresh device before the service opens it.
    template<typename Configure>
    bool start(const QString &device, Configure configure)
    {
        service.reset();
        if (!sim.isValid() || sim.reset(device) != 1)
            return false;
        configure();
        service.reset(new LumenCommunicationService(&ModelStores::create));
        sim.resetCallCounts();
        return service->deviceHandle() != nullptr;
    }
    bool start(const QString &device) { return start(device, [] {}); }
};

} // namespace vmb
