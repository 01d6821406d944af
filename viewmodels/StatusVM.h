#pragma once
#include "core/IActivityAware.h"
#include "device/ICommunicationReplyListener.h"
#include "device/MixerProtocol.h"

#include <QObject>
#include <QSharedPointer>
#include <QStringList>
#include <QVariant>

class LumenCommunicationService;
class MessageBus;
class QTimer;

// The status page: attached mixers, the picked one's connection state and sample rate, and
// the hidden debug readout (Ctrl+B) that polls the mixer's debug status every 20 ms.
class StatusVM : public QObject, public ICommunicationReplyListener, public IActivityAware
{
    Q_OBJECT
    Q_PROPERTY(QStringList deviceNames READ deviceNames NOTIFY deviceNamesChanged)
    Q_PROPERTY(int sampleRate READ sampleRate WRITE setSampleRate NOTIFY sampleRateChanged)
    Q_PROPERTY(QString activeDevice READ activeDevice WRITE setActiveDevice NOTIFY activeDeviceChanged)
    Q_PROPERTY(bool disableDropDown READ disableDropDown WRITE setDisableDropDown NOTIFY disableDropDownChanged)
    Q_PROPERTY(bool connected READ connected WRITE setConnected NOTIFY connectedChanged)
    Q_PROPERTY(bool resetDropDown READ resetDropDown WRITE setResetDropDown NOTIFY resetDropDownChanged)
    Q_PROPERTY(bool debugActivated READ debugActivated WRITE setDebugActivated NOTIFY debugActivatedChanged)
    Q_PROPERTY(QString id READ id WRITE setId NOTIFY idChanged)
    Q_PROPERTY(QString mux0 READ mux0 WRITE setMux0 NOTIFY mux0Changed)
    Q_PROPERTY(QString mux1 READ mux1 WRITE setMux1 NOTIFY mux1Changed)
    Q_PROPERTY(QString adc READ adc WRITE setAdc NOTIFY adcChanged)
    Q_PROPERTY(QString fx READ fx WRITE setFx NOTIFY fxChanged)
    Q_PROPERTY(QString tempo READ tempo WRITE setTempo NOTIFY tempoChanged)
    Q_PROPERTY(QString constant READ constant WRITE setConstant NOTIFY constantChanged)

public:
    StatusVM(QSharedPointer<LumenCommunicationService> service, QSharedPointer<MessageBus> bus,
             QObject *parent = nullptr);
    ~StatusVM() override;

    QStringList deviceNames() const { return m_deviceNames; }
    int sampleRate() const { return m_sampleRate; }
    QString activeDevice() const { return m_activeDevice; }
    bool disableDropDown() const { return m_disableDropDown; }
    bool connected() const { return m_connected; }
    bool resetDropDown() const { return m_resetDropDown; }
    bool debugActivated() const { return m_debugActivated; }
    QString id() const { return m_id; }
    QString mux0() const { return m_mux0; }
    QString mux1() const { return m_mux1; }
    QString adc() const { return m_adc; }
    QString fx() const { return m_fx; }
    QString tempo() const { return m_tempo; }
    QString constant() const { return m_constant; }

    void setSampleRate(int sampleRate);
    void setActiveDevice(const QString &activeDevice);
    void setDisableDropDown(bool disable);
    void setConnected(bool connected);
    void setResetDropDown(bool reset);
    // Guarded: refused while "Not Connected" is shown; with "Please select a device" shown it
    // may only be switched off.
    void setDebugActivated(bool activated);
    void setId(const QString &value);
    void setMux0(const QString &value);
    void setMux1(const QString &value);
    void setAdc(const QString &value);
    void setFx(const QString &value);
    void setTempo(const QString &value);
    void setConstant(const QString &value);

    // ICommunicationReplyListener
    void onDeviceStateChanged() override;
    void onConnectionFailed() override;
    void onDeviceNotification() override;

    // IActivityAware
    Q_INVOKABLE void onActivate() override;
    Q_INVOKABLE bool onDeactivate() override;
    Q_INVOKABLE void onDebugActivated();
    Q_INVOKABLE void setDeviceIndex(int index, QString devicename);
    Q_INVOKABLE void showList();

signals:
    void deviceNamesChanged();
    void sampleRateChanged();
    void activeDeviceChanged();
    void disableDropDownChanged();
    void connectedChanged();
    void resetDropDownChanged();
    void connectDevice();
    void debugActivatedChanged();
    void idChanged();
    void mux0Changed();
    void mux1Changed();
    void adcChanged();
    void fxChanged();
    void tempoChanged();
    void constantChanged();

public slots:
    void updateDebugStatus();

private:
    void onResetState(QVariant value);
    void onResetDropDown(QVariant value);
    // No device attached: nothing named, no rate, nothing to pick.
    void showNoDevice();
    // Nothing open: "Not Connected", and the listed devices to pick from.
    void showNotConnected();
    void stopDebugTimer();
    void publishConnected(bool connected);

    QSharedPointer<LumenCommunicationService> m_service;
    QSharedPointer<MessageBus> m_bus;
    QStringList m_deviceNames;
    int m_sampleRate = 0;
    QString m_activeDevice;
    bool m_disableDropDown = false;
    bool m_connected = false;
    bool m_resetDropDown = false;
    bool m_debugActivated = false;
    QTimer *m_debugTimer = nullptr;
    MixerProtocol::Block m_previousDebugReply{};
    QString m_id;
    QString m_mux0;
    QString m_mux1;
    QString m_adc;
    QString m_fx;
    QString m_tempo;
    QString m_constant;
};
