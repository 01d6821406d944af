#pragma once
#include "core/IActivityAware.h"
#include "device/ICommunicationReplyListener.h"

#include <QObject>
#include <QSharedPointer>

class LumenCommunicationService;
class MessageBus;

// View model of the client-info page, which shows fixed texts; it only reports the
// connection state to the top bar while it is the service's reply listener.
class ClientInfoVM : public QObject, public ICommunicationReplyListener, public IActivityAware
{
    Q_OBJECT
public:
    ClientInfoVM(QSharedPointer<LumenCommunicationService> service, QSharedPointer<MessageBus> bus,
                 QObject *parent = nullptr);
    ~ClientInfoVM() override;

    // ICommunicationReplyListener
    void onDeviceStateChanged() override;
    void onConnectionFailed() override;
    void onDeviceNotification() override;

    // IActivityAware
    void onActivate() override;
    bool onDeactivate() override;

private:
    QSharedPointer<LumenCommunicationService> m_service;
    QSharedPointer<MessageBus> m_bus;
};
