#pragma once
// Shared rig of the page view model tests: a fresh simulator device list, the real
// communication service on it, and a recorder of "Connected" messages.
#include "SimulatorControl.h"
#include "app/AppConstants.h"
#include "viewmodels/ViewModelTexts.h"
#include "core/MessageBus.h"
#include "device/LumenCommunicationService.h"
#include "settings/ModelStores.h"

#include <QCoreApplication>
#include <QList>
#include <QObject>
#include <QSettings>
#include <QSharedPointer>
#include <QVariant>
#include <QtTest>

#include <functional>

namespace vma {

inline void initApplicationIdentity()
{
    QCoreApplication::setOrganizationName(AppConstants::kOrganizationName);
    QCoreApplication::setApplicationName(AppConstants::kApplicationName);
}

// Uppercase hex with spaces, e.g. "00 00 02 80 01 01 07 D0".
inline QByteArray hex(const QByteArray &block)
{
    return block.toHex(' ').toUpper();
}

// The last OUT block of one parameter id, as uppercase hex; empty when there was none.
inline QString lastBlockOf(const SimulatorControl &sim, int device, uint16_t parameterId)
{
    const QList<QByteArray> log = sim.requestLog(device);
    for (auto b = log.crbegin(); b != log.crend(); ++b) {
        if (uint8_t((*b)[2]) == (parameterId >> 8) && uint8_t((*b)[3]) == (parameterId & 0xFF))
            return QString::fromLatin1(hex(*b));
    }
    return QString();
}

inline int storedInt(const QString &path)
{
    return QSettings().value(path).toInt();
}

class ConnectedRecorder : public QObject
{
public:
    explicit ConnectedRecorder(MessageBus &bus) : m_bus(bus)
    {
        m_bus.subscribe(this, &ConnectedRecorder::onConnected, ViewModelTexts::kMsgConnected);
    }
    ~ConnectedRecorder() override { m_bus.unsubscribe(this, &ConnectedRecorder::onConnected, ViewModelTexts::kMsgConnected); }

    QList<bool> values;

private:
    void onConnected(QVariant value) { values << value.toBool(); }

    MessageBus &m_bus;
};

// A device list and a service on it. With `open` >= 0 the service opens that device as the
// status page's pick does; starting with two or more devices keeps the service's 2 s
// single-device reconnect out of the way of the tests.
struct Rig
{
    SimulatorControl sim;
    QSharedPointer<LumenCommunicationService> service;
    QSharedPointer<MessageBus> bus{new MessageBus};

    bool start(const QString &devices, int open = -1)
    {
        if (!sim.isValid() || sim.reset(devices) < 0)
            return false;
        configure();
        service.reset(new LumenCommunicationService(&ModelStores::create));
        if (open >= 0) {
            service->setDeviceIndex(uint32_t(open));
            service->onConnectionRequest();
            if (!service->deviceHandle())
                return false;
        }
        sim.clearRequests(0);
        sim.resetCallCounts();
        return true;
    }

    // Runs between the reset and the service's construction (device ids, strings, faults).
    std::function<void()> configure = [] {};
};

} // namespace vma
