#pragma once
// Rig of the page tests: one simulated device, the real service on it, and a recorder of
// the "Connected" messages.
#include "SimulatorControl.h"
#include "app/AppConstants.h"
#include "app/MessageBus.h"
#include "device/LumenCommunicationService.h"

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
        service.reset(new LumenCommunicationService);
        sim.resetCallCounts();
        return service->deviceHandle() != nullptr;
    }
    bool start(const QString &device) { return start(device, [] {}); }
};

class ConnectedRecorder : public QObject
{
public:
    explicit ConnectedRecorder(MessageBus &bus) : m_bus(bus)
    {
        m_bus.subscribe(this, &ConnectedRecorder::onConnected, AppConstants::kMsgConnected);
    }
    ~ConnectedRecorder() override { m_bus.unsubscribe(this, &ConnectedRecorder::onConnected, AppConstants::kMsgConnected); }
    QList<bool> values;

private:
    void onConnected(QVariant value) { values << value.toBool(); }
    MessageBus &m_bus;
};

} // namespace vmb
