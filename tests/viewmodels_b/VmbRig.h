#pragma once
// Shared rig of the buffer settings and volume page tests: a fresh simulated device list and
// the real communication service on it, plus a recorder of "Connected" messages.
#include "SimulatorControl.h"
#include "app/AppConstants.h"
#include "app/MessageBus.h"
#include "device/LumenCommunicationService.h"

#include <QList>
#include <QObject>
#include <QSharedPointer>
#include <QVariant>

namespace vmb {

struct Rig
{
    SimulatorControl sim;
    QSharedPointer<LumenCommunicationService> service;
    QSharedPointer<MessageBus> bus{new MessageBus};

    // One device, opened by the service's constructor; `configure` runs before that.
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
    bool start(const QString &device)
    {
        return start(device, [] {});
    }
};

class ConnectedRecorder : public QObject
{
public:
    explicit ConnectedRecorder(MessageBus &bus) : m_bus(bus)
    {
        m_bus.subscribe(this, &ConnectedRecorder::onConnected, AppConstants::kMsgConnected);
    }
    ~ConnectedRecorder() override
    {
        m_bus.unsubscribe(this, &ConnectedRecorder::onConnected, AppConstants::kMsgConnected);
    }
    QList<bool> values;

private:
    void onConnected(QVariant value) { values << value.toBool(); }
    MessageBus &m_bus;
};

} // namespace vmb
