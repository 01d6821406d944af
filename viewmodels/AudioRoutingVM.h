#pragma once
#include "core/IActivityAware.h"
#include "device/ICommunicationReplyListener.h"
#include "device/TUsbAudioApi.h"

#include <QObject>
#include <QSharedPointer>
#include <QStringList>

class IRegistryService;
class LumenCommunicationService;
class MessageBus;

// The audio routing page: which mixer source feeds the "Inputs 1+2" pair (and the Basso's
// "Inputs 3+4" pair). Shows the stored choice; a pick goes to the mixer and to the store.
class AudioRoutingVM : public QObject, public ICommunicationReplyListener, public IActivityAware
{
    Q_OBJECT
    Q_PROPERTY(QStringList inputs12 READ inputs12 NOTIFY inputs12Changed)
    Q_PROPERTY(QString activeInput12 READ activeInput12 WRITE setActiveInput12 NOTIFY activeInput12Changed)
    Q_PROPERTY(bool resetInputs12DropDown READ resetInputs12DropDown WRITE setResetInputs12DropDown NOTIFY
                   resetInputs12DropDownChanged)
    Q_PROPERTY(QStringList inputs32 READ inputs32 NOTIFY inputs32Changed)
    Q_PROPERTY(QString activeInput32 READ activeInput32 WRITE setActiveInput32 NOTIFY activeInput32Changed)
    Q_PROPERTY(bool resetInputs32DropDown READ resetInputs32DropDown WRITE setResetInputs32DropDown NOTIFY
                   resetInputs32DropDownChanged)
    Q_PROPERTY(bool input32Visibility READ input32Visibility WRITE setInput32Visibility NOTIFY input32VisibilityChanged)

public:
    AudioRoutingVM(QSharedPointer<LumenCommunicationService> service, QSharedPointer<MessageBus> bus,
                   QObject *parent = nullptr);
    ~AudioRoutingVM() override;

    QStringList inputs12() const { return m_inputs12; }
    QString activeInput12() const { return m_activeInput12; }
    bool resetInputs12DropDown() const { return m_resetInputs12DropDown; }
    QStringList inputs32() const { return m_inputs32; }
    QString activeInput32() const { return m_activeInput32; }
    bool resetInputs32DropDown() const { return m_resetInputs32DropDown; }
    bool input32Visibility() const { return m_input32Visibility; }

    void setActiveInput12(const QString &value);
    void setResetInputs12DropDown(bool value);
    void setActiveInput32(const QString &value);
    void setResetInputs32DropDown(bool value);
    void setInput32Visibility(bool value);

    // ICommunicationReplyListener
    void onDeviceStateChanged() override;
    void onConnectionFailed() override;
    void onDeviceNotification() override;

    // IActivityAware
    Q_INVOKABLE void onActivate() override;
    Q_INVOKABLE bool onDeactivate() override;
    Q_INVOKABLE void showInputs12List();
    Q_INVOKABLE void showInputs32List();
    Q_INVOKABLE void onInputs12Changed(int index, QString input12);
    Q_INVOKABLE void onInputs32Changed(int index, QString input32);

signals:
    void inputs12Changed();
    void activeInput12Changed();
    void resetInputs12DropDownChanged();
    void inputs32Changed();
    void activeInput32Changed();
    void resetInputs32DropDownChanged();
    void input32VisibilityChanged();

private:
    void refreshFromStore();
    // Routing parameter write (0x04 <selector>), value low byte first. Logs and returns the status.
    TSTATUS writeInputSelection(uint8_t selector, int value);

    QSharedPointer<LumenCommunicationService> m_service;
    QSharedPointer<MessageBus> m_bus;
    QSharedPointer<IRegistryService> m_store;
    QStringList m_inputs12;
    QString m_activeInput12;
    bool m_resetInputs12DropDown = false;
    QStringList m_inputs32;
    QString m_activeInput32;
    bool m_resetInputs32DropDown = false;
    bool m_input32Visibility = false;
};
