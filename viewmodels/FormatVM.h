#pragma once
#include "core/IActivityAware.h"
#include "device/ICommunicationReplyListener.h"

#include <QObject>
#include <QSharedPointer>

class LumenCommunicationService;
class MessageBus;

// Format page: an empty frame of the buffer settings page's boxes. It only takes part in the
// reply-listener protocol and reports the connection on the bus.
class FormatVM : public QObject, public ICommunicationReplyListener, public IActivityAware
{
    Q_OBJECT
public:
    FormatVM(QSharedPointer<LumenCommunicationService> service, QSharedPointer<MessageBus> bus,
             QObject *parent = nullptr);
    ~FormatVM() override;

    void onDeviceStateChanged() override;
    void onConnectionFailed() override;
    void onDeviceNotification() override;

    void onActivate() override;
    bool onDeactivate() override;

private:
    QSharedPointer<LumenCommunicationService> m_service;
    QSharedPointer<MessageBus> m_bus;
};
