#include "device/LumenCommunicationService.h"

#include "device/DeviceConstants.h"
#include "device/DeviceLog.h"
#include "device/DevicePropertiesRecord.h"
#include "device/ICommunicationReplyListener.h"
#include "device/IPnPEventListener.h"
#include "device/IRegistryService.h"
#include "device/MixerModels.h"
#include "device/MixerProtocol.h"
#include "device/StoreKeys.h"
#include "platform/Event.h"
#include "platform/EventNotifier.h"

#include <QCoreApplication>
#include <QDebug>
#include <QTimer>

namespace {
constexpr int kSingleDeviceReconnectMs = 2000;
constexpr uint32_t kUsbModeNotListed = 1;
} // namespace

// Listener callbacks may re-enter the service, replace the listener or destroy it (a page
// reacting to onDeviceStateChanged can make the top bar swap pages). So every callback reads
// the slot afresh right before the call and nothing touches a listener pointer after a call.

LumenCommunicationService::LumenCommunicationService(StoreFactory storeFactory, QObject *parent)
    : QObject(parent), m_storeFactory(std::move(storeFactory))
{
    const TSTATUS loadStatus = m_api.loadByClsid(DeviceConstants::kDriverClassId.toStdString(), true);
    if (loadStatus != tusb::kOk) {
        if (loadStatus == tusb::kVersionRejected)
            qCDebug(lcDevice, "The driver API DLL version is not compatible with this version of %s.\n",
                    qUtf8Printable(QCoreApplication::applicationName()));
        else
            qCDebug(lcDevice, "Unable to load the driver API DLL, err=0x%08X\n", loadStatus);
    } else {
        qCDebug(lcDevice, "Successfully loaded the driver API DLL\n");
        m_lastStatus = tusb::call(m_api.TUSBAUDIO_EnumerateDevices);

        m_arrivalEvent = platform::createAutoResetEvent();
        m_removalEvent = platform::createAutoResetEvent();
        m_notificationEvent = platform::createAutoResetEvent();

        if (!m_arrivalEvent && !m_removalEvent) {
            qCDebug(lcDevice) << "Error creating pnp event handles.";
        } else {
            m_lastStatus = tusb::call(m_api.TUSBAUDIO_RegisterPnpNotification, m_arrivalEvent, m_removalEvent, nullptr,
                                      tusb::kPnpWindowMessage, 0u);
            if (m_lastStatus == tusb::kOk)
                qCDebug(lcDevice, "Register PnP status,0x%08X\n", m_lastStatus);
            // A notifier on a null handle would watch nothing (or an unrelated descriptor).
            if (m_arrivalEvent) {
                m_arrivalNotifier = new EventNotifier(m_arrivalEvent, this);
                m_arrivalNotifier->setEnabled(true);
                connect(m_arrivalNotifier, &EventNotifier::activated, this, &LumenCommunicationService::eventSignaled);
            }
            if (m_removalEvent) {
                m_removalNotifier = new EventNotifier(m_removalEvent, this);
                m_removalNotifier->setEnabled(true);
                connect(m_removalNotifier, &EventNotifier::activated, this, &LumenCommunicationService::eventSignaled);
            }
        }

        if (!m_notificationEvent) {
            qCDebug(lcDevice) << "Error creating device notification event handle.";
        } else {
            m_notificationNotifier = new EventNotifier(m_notificationEvent, this);
            m_notificationNotifier->setEnabled(true);
            connect(m_notificationNotifier, &EventNotifier::activated, this, &LumenCommunicationService::notified);
        }
    }

    refreshDeviceList();
    m_deviceListRefreshed = true;

    m_singleDeviceTimer = new QTimer(this);
    m_singleDeviceTimer->setInterval(kSingleDeviceReconnectMs);
    m_singleDeviceTimer->setSingleShot(true);
    connect(m_singleDeviceTimer, &QTimer::timeout, this, &LumenCommunicationService::checkConnectionStatus);
    if (m_deviceCount == 1 && isListed(0)) {
        m_deviceIndex = 0;
        openDevice();
        // The driver may not have finished setting the mixer up at start; open it once more
        // (unless the list changes first: every refresh stops the timer).
        m_singleDeviceTimer->start();
    }
}

LumenCommunicationService::~LumenCommunicationService()
{
    delete m_singleDeviceTimer;
    m_singleDeviceTimer = nullptr;
    qCDebug(lcDevice) << "Deleted single device timer";

    tusb::call(m_api.TUSBAUDIO_UnregisterPnpNotification);

    delete m_arrivalNotifier;
    delete m_removalNotifier;
    delete m_notificationNotifier;
    m_arrivalNotifier = m_removalNotifier = m_notificationNotifier = nullptr;

    // Meter reads run on the global pool with our handle and entry points: let them finish
    // before the device and the library go, but do not hang exit on a driver that ignores
    // its own request timeout.
    const bool idle = m_workerCalls->waitUntilIdle(kWorkerCallWaitMs);
    closeOpenDevice(0);
    closeParkedHandles();
    qCDebug(lcDevice) << "Closed the handle and unregistered notification";

    m_registryService.reset();
    if (idle) {
        m_api.unload();
    } else {
        qCDebug(lcDevice, ": A driver call is still running; the driver API DLL stays loaded.\n");
        m_api.forgetWithoutUnloading();
    }

    // Only now can no one signal the events any more.
    for (HANDLE *event : {&m_arrivalEvent, &m_removalEvent, &m_notificationEvent}) {
        if (*event)
            platform::closeEvent(*event);
        *event = nullptr;
    }
}

void LumenCommunicationService::setReplyListener(ICommunicationReplyListener *listener) { m_replyListener = listener; }

void LumenCommunicationService::setPnPEventListener(IPnPEventListener *listener) { m_pnpListener = listener; }

void LumenCommunicationService::clearReplyListener(ICommunicationReplyListener *listener)
{
    if (m_replyListener == listener)
        m_replyListener = nullptr;
}

void LumenCommunicationService::clearPnPEventListener(IPnPEventListener *listener)
{
    if (m_pnpListener == listener)
        m_pnpListener = nullptr;
}

void LumenCommunicationService::setDeviceIndex(uint32_t index)
{
    if (m_deviceIndex != index)
        m_deviceIndex = index;
}

void LumenCommunicationService::setDeviceName(const QString &name)
{
    if (m_deviceName != name)
        m_deviceName = name;
}

uint32_t LumenCommunicationService::listedDeviceIndex(int row) const
{
    return row >= 0 && row < m_deviceIndexes.size() ? m_deviceIndexes.at(row) : kNoDevice;
}

void LumenCommunicationService::refreshDeviceList()
{
    // The reopen is for the one device listed at start; after a change the user picks.
    if (m_singleDeviceTimer)
        m_singleDeviceTimer->stop();
    if (m_deviceHandle)
        closeDevice();
    closeParkedHandles();

    m_lastStatus = tusb::call(m_api.TUSBAUDIO_EnumerateDevices);
    m_deviceNames.clear();
    m_deviceIndexes.clear();
    m_deviceCount = tusb::callOr(0u, m_api.TUSBAUDIO_GetDeviceCount);

    auto closeProbe = [this](TUsbAudioHandle h) { tusb::call(m_api.TUSBAUDIO_CloseDevice, h); };

    // The count stays the library's even where devices are skipped below.
    for (uint32_t index = 0; index < m_deviceCount; ++index) {
        TUsbAudioHandle h = nullptr;
        if (tusb::call(m_api.TUSBAUDIO_OpenDeviceByIndex, index, &h) != tusb::kOk) {
            qCDebug(lcDevice) << "Error Opening";
            continue;
        }
        uint32_t mode = 0;
        if (tusb::call(m_api.TUSBAUDIO_GetDeviceUsbMode, h, &mode) != tusb::kOk) {
            closeProbe(h);
            continue;
        }
        if (mode == kUsbModeNotListed) {
            closeProbe(h);
            continue;
        }
        DevicePropertiesRecord::Bytes record{};
        if (tusb::call(m_api.TUSBAUDIO_GetDeviceProperties, h, record.data()) != tusb::kOk) {
            closeProbe(h);
            continue;
        }
        closeProbe(h);
        m_deviceNames.append(DevicePropertiesRecord::parse(record).displayName());
        m_deviceIndexes.append(index);
    }
}

void LumenCommunicationService::openDevice()
{
    qCDebug(lcDevice) << "Connect";
    qCDebug(lcDevice) << "Device Index : " << m_deviceIndex;
    if (m_deviceHandle)
        return;
    closeParkedHandles();

    // Only a listed device is opened: one left out of the list (USB mode 1, failed probe) is
    // not ours to write to, and a list row is not a driver index.
    TUsbAudioHandle h = nullptr;
    TSTATUS st = tusb::kEntryPointMissing;
    if (isListed(m_deviceIndex))
        st = tusb::call(m_api.TUSBAUDIO_OpenDeviceByIndex, m_deviceIndex, &h);
    if (st != tusb::kOk) {
        qCDebug(lcDevice) << "Error Opening";
        reportConnectionFailed();
        return;
    }
    m_deviceHandle = h;
    qCDebug(lcDevice) << "Successfully opened the device";

    if (m_notificationEvent && tusb::call(m_api.TUSBAUDIO_RegisterDeviceNotification, m_deviceHandle,
                                          tusb::kAllNotificationCategories, m_notificationEvent, 0u) == tusb::kOk) {
        qCDebug(lcDevice) << "Successfully registered for device notification";
        applyStoredSettings();
        readSampleRate();
    } else {
        closeDevice();
        reportConnectionFailed();
    }
}

void LumenCommunicationService::reportConnectionFailed()
{
    if (ICommunicationReplyListener *l = m_replyListener)
        l->onConnectionFailed();
}

void LumenCommunicationService::closeDevice() { closeOpenDevice(kWorkerCallWaitMs); }

void LumenCommunicationService::closeOpenDevice(int workerWaitMs)
{
    if (!m_deviceHandle) {
        qCDebug(lcDevice, ": No open device.\n");
        return;
    }
    qCDebug(lcDevice, ": Closing device.\n");
    if (tusb::call(m_api.TUSBAUDIO_RegisterDeviceNotification, m_deviceHandle, 0u, nullptr, 0u) != tusb::kOk)
        qCDebug(lcDevice, ": TUSBAUDIO_RegisterDeviceNotification failed\n");
    // A meter read may be inside the driver with this handle (up to its 1000 ms timeout).
    if (m_workerCalls->waitUntilIdle(workerWaitMs)) {
        tusb::call(m_api.TUSBAUDIO_CloseDevice, m_deviceHandle);
    } else {
        qCDebug(lcDevice, ": A driver call is still running; the device is closed later.\n");
        m_parkedHandles.append(m_deviceHandle);
    }
    m_deviceHandle = nullptr;
    m_sampleRate = 0; // the rate is that of the open device
}

void LumenCommunicationService::closeParkedHandles()
{
    if (m_parkedHandles.isEmpty() || !m_workerCalls->waitUntilIdle(0))
        return;
    for (TUsbAudioHandle h : qAsConst(m_parkedHandles))
        tusb::call(m_api.TUSBAUDIO_CloseDevice, h);
    m_parkedHandles.clear();
}

void LumenCommunicationService::readSampleRate()
{
    m_lastStatus = tusb::call(m_api.TUSBAUDIO_GetCurrentSampleRate, m_deviceHandle, &m_sampleRate);
    if (m_lastStatus != tusb::kOk) {
        closeDevice();
        reportConnectionFailed();
        return;
    }
    if (ICommunicationReplyListener *l = m_replyListener)
        l->onDeviceStateChanged();
}

void LumenCommunicationService::checkConnectionStatus()
{
    // Only while the list still holds that one device.
    if (m_deviceCount != 1 || !isListed(0))
        return;
    if (m_deviceHandle)
        closeDevice();
    openDevice();
}

void LumenCommunicationService::onConnectionRequest()
{
    m_deviceListRefreshed = false;
    if (m_deviceHandle)
        closeDevice();
    openDevice();
}

void LumenCommunicationService::eventSignaled(HANDLE h)
{
    qCDebug(lcDevice) << "Notified";
    if (!m_pnpListener)
        return;

    refreshDeviceList();
    m_deviceListRefreshed = true;
    if (m_deviceCount == 1) {
        m_deviceIndex = 0;
        openDevice();
    } else if (m_deviceCount > 1) {
        if (ICommunicationReplyListener *l = m_replyListener)
            l->onDeviceStateChanged();
    }

    // Re-read: the callbacks above may have replaced or destroyed the top bar.
    if (IPnPEventListener *l = m_pnpListener) {
        if (h == m_arrivalEvent)
            l->onDeviceArrived();
        else
            l->onDeviceRemoved();
    }
}

void LumenCommunicationService::notified(HANDLE)
{
    // Nothing to read, re-read or apply without an open device (a late signal after a close).
    // A page need not be listening: hidden in the tray the window has none, and the mixer's
    // news must still be read and the settings still go back to it.
    if (!m_deviceHandle)
        return;

    uint32_t eventCode = 0;
    uint8_t buffer[tusb::kNotificationBufferSize] = {};
    uint32_t bytesReturned = 0;
    const TSTATUS st = tusb::call(m_api.TUSBAUDIO_ReadDeviceNotification, m_deviceHandle, &eventCode, buffer,
                                  uint32_t(sizeof buffer), &bytesReturned);
    if (st == tusb::kNoMoreItems)
        qCDebug(lcDevice, ": TUSBAUDIO_ReadDeviceNotification returned with TSTATUS_NO_MORE_ITEMS.\n");
    else if (st != tusb::kOk)
        qCDebug(lcDevice, ": TUSBAUDIO_ReadDeviceNotification failed.\n");

    // The content is the driver's business; any news means: re-read and re-apply. A failed
    // rate read has closed the device and reported it: nothing is applied then.
    readSampleRate();
    if (!m_deviceHandle)
        return;
    applyStoredSettings();
    qCDebug(lcDevice) << "Device Notification";
    if (ICommunicationReplyListener *l = m_replyListener)
        l->onDeviceNotification();
}

void LumenCommunicationService::applyStoredSettings()
{
    using namespace StoreKeys;
    if (!m_deviceHandle)
        return;

    DevicePropertiesRecord::Bytes record{};
    tusb::call(m_api.TUSBAUDIO_GetDeviceProperties, m_deviceHandle, record.data());
    const DevicePropertiesRecord props = DevicePropertiesRecord::parse(record);
    m_vendorId = props.vendorId;
    m_productId = props.productId;

    // A device of another vendor with a mixer's product id keeps whatever store was current,
    // and receives none of this family's vendor requests.
    const MixerModel &model = MixerModels::forDevice(m_vendorId, m_productId);
    if (!model.isMixer())
        return;
    m_registryService = createStore(model);
    const QSharedPointer<IRegistryService> store = m_registryService;
    if (!store)
        return;

    selInputOnDevice(0, uint32_t(store->getAudioRoutingValue(kInput12).toInt()));
    if (!model.inputs32.isEmpty())
        selInputOnDevice(0, uint32_t(store->getAudioRoutingValue(kInput32).toInt()));

    const int on = store->getDuckerValue(kOn).toInt();
    const int mask = duckerInputMask();
    const int range = store->getDuckerValue(kDuckerRange).toInt();
    const int sensitivity = store->getDuckerValue(kSensitivity).toInt();
    const int attack = store->getDuckerValue(kAttackTime).toInt();
    const int hold = store->getDuckerValue(kHoldTime).toInt();
    const int release = store->getDuckerValue(kReleaseTime).toInt();

    setDuckerOnDevice(MixerProtocol::kParamDuckerSwitch, MixerProtocol::duckerSwitchValue(on, mask, release));
    setDuckerOnDevice(MixerProtocol::kParamDuckRange, MixerProtocol::duckRangeValue(range));
    setDuckerOnDevice(MixerProtocol::kParamSensitivity, MixerProtocol::sensitivityValue(sensitivity));
    setDuckerOnDevice(MixerProtocol::kParamAttackHold, MixerProtocol::attackHoldValue(attack, hold));
}

QSharedPointer<IRegistryService> LumenCommunicationService::createStore(const MixerModel &model) const
{
    return m_storeFactory ? m_storeFactory(model) : QSharedPointer<IRegistryService>();
}

TSTATUS LumenCommunicationService::selInputOnDevice(uint8_t lowIdByte, uint32_t value)
{
    const TSTATUS st =
        MixerProtocol::writeParameterBlock(m_api, m_deviceHandle, MixerProtocol::routingBlock(lowIdByte, value));
    if (st != tusb::kOk)
        qCDebug(lcDevice, ":selInputOnDevice Write device failed.\n");
    return st;
}

TSTATUS LumenCommunicationService::setDuckerOnDevice(uint16_t parameterId, uint32_t value)
{
    const TSTATUS st =
        MixerProtocol::writeParameterBlock(m_api, m_deviceHandle, MixerProtocol::parameterBlock(parameterId, value));
    if (st != tusb::kOk)
        qCDebug(lcDevice, ":setDuckerOnDevice Write device failed.\n");
    return st;
}

int LumenCommunicationService::duckerInputMask() const
{
    using namespace StoreKeys;
    if (!m_registryService)
        return 0;
    // Summed unsigned: hand-edited values may be anything, and a signed overflow is undefined.
    QStringList keys{kInput1, kInput2};
    if (MixerModels::forProduct(m_productId).triggerInputs > 2)
        keys << kInput3 << kInput4;
    uint32_t mask = 0;
    for (const QString &key : keys)
        mask += uint32_t(m_registryService->getDuckerValue(key).toInt());
    return int(mask);
}
