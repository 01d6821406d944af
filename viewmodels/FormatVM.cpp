#include "viewmodels/FormatVM.h"

#include "viewmodels/ViewModelTexts.h"
#include "core/MessageBus.h"
#include "device/LumenCommunicationService.h"

FormatVM::FormatVM(QSharedPointer<LumenCommunicationService> communicationService,
                   QSharedPointer<MessageBus> messageBus, QObject *parent)
    : QObject(parent)
    , m_communicationService(std::move(communicationService))
    , m_messageBus(std::move(messageBus))
{
    if (m_communicationService)
        m_communicationService->setReplyListener(this);
}

FormatVM::~FormatVM()
{
    if (m_communicationService)
        m_communicationService->clearReplyListener(this);
}

void FormatVM::onDeviceStateChanged()
{
    if (m_messageBus)
        m_messageBus->publish(QVariant(true), ViewModelTexts::kMsgConnected);
}

void FormatVM::onConnectionFailed()
{
    if (m_messageBus)
        m_messageBus->publish(QVariant(false), ViewModelTexts::kMsgConnected);
}

void FormatVM::onDeviceNotification() {}

void FormatVM::onActivate()
{
    if (m_communicationService)
        m_communicationService->setReplyListener(this);
}

bool FormatVM::onDeactivate()
{
    return true;
}
