#include "viewmodels/FormatVM.h"

#include "core/MessageBus.h"
#include "device/LumenCommunicationService.h"
#include "viewmodels/ViewModelTexts.h"

FormatVM::FormatVM(QSharedPointer<LumenCommunicationService> service, QSharedPointer<MessageBus> bus, QObject *parent)
    : QObject(parent), m_service(std::move(service)), m_bus(std::move(bus))
{
    if (m_service)
        m_service->setReplyListener(this);
}

FormatVM::~FormatVM()
{
    if (m_service)
        m_service->clearReplyListener(this);
}

void FormatVM::onDeviceStateChanged()
{
    if (m_bus)
        m_bus->publish(QVariant(true), ViewModelTexts::kMsgConnected);
}

void FormatVM::onConnectionFailed()
{
    if (m_bus)
        m_bus->publish(QVariant(false), ViewModelTexts::kMsgConnected);
}

void FormatVM::onDeviceNotification() {}

void FormatVM::onActivate()
{
    if (m_service)
        m_service->setReplyListener(this);
}

bool FormatVM::onDeactivate() { return true; }
