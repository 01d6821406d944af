#pragma once
#include "core/IActivityAware.h"
#include "device/ICommunicationReplyListener.h"

#include <QObject>
#include <QSharedPointer>
#include <QString>

class LumenCommunicationService;
class MessageBus;

// The info page: product, driver and USB streaming information, read fresh from the driver on
// activation and after every device notification.
class InfoVM : public QObject, public ICommunicationReplyListener, public IActivityAware
{
    Q_OBJECT
    Q_PROPERTY(QString manufacturer READ manufacturer WRITE setManufacturer NOTIFY manufacturerChanged)
    Q_PROPERTY(QString product READ product WRITE setProduct NOTIFY productChanged)
    Q_PROPERTY(QString pid READ pid WRITE setPid NOTIFY pidChanged)
    Q_PROPERTY(QString vid READ vid WRITE setVid NOTIFY vidChanged)
    Q_PROPERTY(QString revisionId READ revisionId WRITE setRevisionId NOTIFY revisionIdChanged)
    Q_PROPERTY(QString serialNumber READ serialNumber WRITE setSerialNumber NOTIFY serialNumberChanged)
    Q_PROPERTY(QString apiVersion READ apiVersion WRITE setApiVersion NOTIFY apiVersionChanged)
    Q_PROPERTY(QString buildType READ buildType WRITE setBuildType NOTIFY buildTypeChanged)
    Q_PROPERTY(QString streamingState READ streamingState WRITE setStreamingState NOTIFY streamingStateChanged)
    Q_PROPERTY(QString activeKsClients READ activeKsClients WRITE setActiveKsClients NOTIFY activeKsClientsChanged)
    Q_PROPERTY(
        QString activeAsioClients READ activeAsioClients WRITE setActiveAsioClients NOTIFY activeAsioClientsChanged)

public:
    InfoVM(QSharedPointer<LumenCommunicationService> service, QSharedPointer<MessageBus> bus,
           QObject *parent = nullptr);
    ~InfoVM() override;

    QString manufacturer() const { return m_manufacturer; }
    QString product() const { return m_product; }
    QString pid() const { return m_pid; }
    QString vid() const { return m_vid; }
    QString revisionId() const { return m_revisionId; }
    QString serialNumber() const { return m_serialNumber; }
    QString apiVersion() const { return m_apiVersion; }
    QString buildType() const { return m_buildType; }
    QString streamingState() const { return m_streamingState; }
    QString activeKsClients() const { return m_activeKsClients; }
    QString activeAsioClients() const { return m_activeAsioClients; }

    void setManufacturer(const QString &value);
    void setProduct(const QString &value);
    void setPid(const QString &value);
    void setVid(const QString &value);
    void setRevisionId(const QString &value);
    void setSerialNumber(const QString &value);
    void setApiVersion(const QString &value);
    void setBuildType(const QString &value);
    void setStreamingState(const QString &value);
    void setActiveKsClients(const QString &value);
    void setActiveAsioClients(const QString &value);

    // ICommunicationReplyListener
    void onDeviceStateChanged() override;
    void onConnectionFailed() override;
    void onDeviceNotification() override;

    // IActivityAware
    Q_INVOKABLE void onActivate() override;
    Q_INVOKABLE bool onDeactivate() override;

signals:
    void manufacturerChanged();
    void productChanged();
    void pidChanged();
    void vidChanged();
    void revisionIdChanged();
    void serialNumberChanged();
    void apiVersionChanged();
    void streamingStateChanged();
    void activeKsClientsChanged();
    void activeAsioClientsChanged();
    void buildTypeChanged();

private:
    void refreshAll();
    void refreshClientInfo();
    void refreshDeviceInfo();
    void refreshDriverInfo();

    QSharedPointer<LumenCommunicationService> m_service;
    QSharedPointer<MessageBus> m_bus;
    QString m_manufacturer;
    QString m_product;
    QString m_pid;
    QString m_vid;
    QString m_revisionId;
    QString m_serialNumber;
    QString m_apiVersion;
    QString m_buildType;
    QString m_streamingState;
    QString m_activeKsClients;
    QString m_activeAsioClients;
};
