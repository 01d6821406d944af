#include "viewmodels/ClientInfoVM.h"

#include "core/MessageBus.h"
#include "device/LumenCommunicationService.h"
#include "viewmodels/ViewModelTexts.h"

ClientInfoVM::ClientInfoVM(QSharedPointer<LumenCommunicationService> service, QSharedPointer<MessageBus> bus,
                           QObject *parent)
    : QObject(parent), m_service(std::move(service)), m_bus(std::move(bus))
{
    // Its page calls no activation, so this is the only registration it gets.
    m_service->setReplyListener(this);
}

ClientInfoVM::~ClientInfoVM()
{
    // The service keeps a plain pointer to its reply listener.
    m_service->clearReplyListener(this);
}

void ClientInfoVM::onDeviceStateChanged() { m_bus->publish(QVariant(true), ViewModelTexts::kMsgConnected); }

void ClientInfoVM::onConnectionFailed()
{
    // A failed open is reported as such, like every other page does.
    m_bus->publish(QVariant(false), ViewModelTexts::kMsgConnected);
}

void ClientInfoVM::onDeviceNotification() {}

void ClientInfoVM::onActivate() { m_service->setReplyListener(this); }

bool ClientInfoVM::onDeactivate() { return true; }
