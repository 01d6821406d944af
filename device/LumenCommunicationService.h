#pragma once
#include "device/ICommunicationService.h"
#include "device/TUsbAudioApiDll.h"
#include "device/WorkerCallTracker.h"

#include <QObject>
#include <QSharedPointer>
#include <QStringList>
#include <QVector>

#include <functional>

class ICommunicationReplyListener;
class IPnPEventListener;
class IRegistryService;
class EventNotifier;
struct MixerModel;
class QTimer;

// The one object that talks to the driver library: loads it, lists the mixers, opens and
// closes the selected one, follows plug/unplug and device notifications, and re-applies the
// stored settings on every (re)connection. The settings stores come from the factory it is
// given: they are kept above this layer.
class LumenCommunicationService : public QObject, public ICommunicationService
{
    Q_OBJECT
public:
    // A new settings store of a mixer model.
    using StoreFactory = std::function<QSharedPointer<IRegistryService>(const MixerModel &)>;
    // How long closing a device, and exit, wait for a driver call of a worker thread: more than
    // the driver's own 1000 ms request timeout, but bounded for a driver that ignores it.
    static constexpr int kWorkerCallWaitMs = 1500;
    // What listedDeviceIndex gives for a row outside the list: never opened.
    static constexpr uint32_t kNoDevice = 0xFFFFFFFFu;

    // Construction already opens a single attached mixer and applies its stored settings: the
    // store factory is needed from the start.
    explicit LumenCommunicationService(StoreFactory storeFactory, QObject *parent = nullptr);
    ~LumenCommunicationService() override;

    // ICommunicationService
    void openDevice() override;
    void closeDevice() override;
    void setReplyListener(ICommunicationReplyListener *listener) override;
    void setPnPEventListener(IPnPEventListener *listener) override;

    // Listeners call these from their destructors: the slot is cleared only when it still
    // holds that listener, so no callback ever reaches a destroyed object.
    void clearReplyListener(ICommunicationReplyListener *listener);
    void clearPnPEventListener(IPnPEventListener *listener);
    ICommunicationReplyListener *replyListener() const { return m_replyListener; }
    IPnPEventListener *pnpEventListener() const { return m_pnpListener; }

    uint32_t deviceCount() const { return m_deviceCount; }
    uint32_t sampleRate() const { return m_sampleRate; }
    uint32_t productId() const { return m_productId; }
    uint32_t vendorId() const { return m_vendorId; }
    TUsbAudioHandle deviceHandle() const { return m_deviceHandle; }
    QStringList deviceNames() const { return m_deviceNames; }
    // The driver index of the listed device in `row` of deviceNames() (devices left out of the
    // list shift the rows), or kNoDevice.
    uint32_t listedDeviceIndex(int row) const;
    QString deviceName() const { return m_deviceName; }
    bool isDeviceListRefreshed() const { return m_deviceListRefreshed; }
    TSTATUS lastStatus() const { return m_lastStatus; }
    const QTimer *singleDeviceTimer() const { return m_singleDeviceTimer; }
    TUsbAudioApiDll &api() { return m_api; }
    QSharedPointer<IRegistryService> registryService() const { return m_registryService; }
    // A new store of the model (the routing and ducker pages make theirs here); null without a
    // factory.
    QSharedPointer<IRegistryService> createStore(const MixerModel &model) const;

    void setDeviceIndex(uint32_t index);
    void setDeviceName(const QString &name);

    void refreshDeviceList();
    void readSampleRate();
    void applyStoredSettings();
    // Mixer parameter writes (see device/MixerProtocol.h for the encodings).
    TSTATUS selInputOnDevice(uint8_t lowIdByte, uint32_t value);
    TSTATUS setDuckerOnDevice(uint16_t parameterId, uint32_t value);
    int duckerInputMask() const;

    // Taken on the GUI thread right before a worker thread calls the driver with
    // deviceHandle(); closing that handle and unloading the library wait until the token goes.
    WorkerCallTracker::Token beginWorkerCall() { return m_workerCalls->begin(); }

public slots:
    void checkConnectionStatus();
    void eventSignaled(HANDLE h);
    void notified(HANDLE h);
    void onConnectionRequest();

private:
    bool isListed(uint32_t index) const { return m_deviceIndexes.contains(index); }
    // Counts the device as failed to connect: the pages show it as not connected.
    void reportConnectionFailed();
    void closeOpenDevice(int workerWaitMs);
    void closeParkedHandles();

    ICommunicationReplyListener *m_replyListener = nullptr;
    IPnPEventListener *m_pnpListener = nullptr;
    uint32_t m_deviceIndex = 0;
    uint32_t m_deviceCount = 0;
    uint32_t m_sampleRate = 0;
    uint32_t m_productId = 0;
    uint32_t m_vendorId = 0;
    TUsbAudioApiDll m_api;
    TSTATUS m_lastStatus = 0;
    TUsbAudioHandle m_deviceHandle = nullptr;
    QStringList m_deviceNames;
    QVector<uint32_t> m_deviceIndexes; // driver index of each listed name
    QString m_deviceName;
    HANDLE m_arrivalEvent = nullptr;
    HANDLE m_removalEvent = nullptr;
    HANDLE m_notificationEvent = nullptr;
    EventNotifier *m_arrivalNotifier = nullptr;
    EventNotifier *m_removalNotifier = nullptr;
    EventNotifier *m_notificationNotifier = nullptr;
    bool m_deviceListRefreshed = false;
    QTimer *m_singleDeviceTimer = nullptr;
    StoreFactory m_storeFactory;
    QSharedPointer<IRegistryService> m_registryService;
    QSharedPointer<WorkerCallTracker> m_workerCalls{new WorkerCallTracker};
    // Handles whose close found a worker call still in the driver after the wait: closed as
    // soon as no worker call runs.
    QVector<TUsbAudioHandle> m_parkedHandles;
};
