#include "viewmodels/InfoVM.h"

#include "core/AssignAndNotify.h"
#include "core/MessageBus.h"
#include "device/DevicePropertiesRecord.h"
#include "device/LumenCommunicationService.h"
#include "device/MixerModels.h"
#include "device/RecordBytes.h"
#include "viewmodels/InfoFormatting.h"
#include "viewmodels/ViewModelTexts.h"
#include "viewmodels/ViewModelsLog.h"

#include <QDebug>

#include <array>

namespace {
// Driver-information record: API version words and the build flags.
constexpr size_t kDriverMajorOffset = 8;
constexpr size_t kDriverMinorOffset = 12;
constexpr size_t kDriverSubVersionOffset = 16;
constexpr size_t kDriverFlagsOffset = 20;
} // namespace

InfoVM::InfoVM(QSharedPointer<LumenCommunicationService> service, QSharedPointer<MessageBus> bus, QObject *parent)
    : QObject(parent), m_service(std::move(service)), m_bus(std::move(bus))
{
    m_service->setReplyListener(this);
}

InfoVM::~InfoVM()
{
    // The service keeps a plain pointer to its reply listener.
    m_service->clearReplyListener(this);
}

void InfoVM::setManufacturer(const QString &value)
{
    assignAndNotify(this, m_manufacturer, value, &InfoVM::manufacturerChanged);
}
void InfoVM::setProduct(const QString &value) { assignAndNotify(this, m_product, value, &InfoVM::productChanged); }
void InfoVM::setPid(const QString &value) { assignAndNotify(this, m_pid, value, &InfoVM::pidChanged); }
void InfoVM::setVid(const QString &value) { assignAndNotify(this, m_vid, value, &InfoVM::vidChanged); }
void InfoVM::setRevisionId(const QString &value)
{
    assignAndNotify(this, m_revisionId, value, &InfoVM::revisionIdChanged);
}
void InfoVM::setSerialNumber(const QString &value)
{
    assignAndNotify(this, m_serialNumber, value, &InfoVM::serialNumberChanged);
}
void InfoVM::setApiVersion(const QString &value)
{
    assignAndNotify(this, m_apiVersion, value, &InfoVM::apiVersionChanged);
}
void InfoVM::setBuildType(const QString &value)
{
    assignAndNotify(this, m_buildType, value, &InfoVM::buildTypeChanged);
}
void InfoVM::setStreamingState(const QString &value)
{
    assignAndNotify(this, m_streamingState, value, &InfoVM::streamingStateChanged);
}
void InfoVM::setActiveKsClients(const QString &value)
{
    assignAndNotify(this, m_activeKsClients, value, &InfoVM::activeKsClientsChanged);
}
void InfoVM::setActiveAsioClients(const QString &value)
{
    assignAndNotify(this, m_activeAsioClients, value, &InfoVM::activeAsioClientsChanged);
}

void InfoVM::onDeviceStateChanged() { m_bus->publish(QVariant(true), ViewModelTexts::kMsgConnected); }

void InfoVM::onConnectionFailed() { m_bus->publish(QVariant(false), ViewModelTexts::kMsgConnected); }

void InfoVM::onDeviceNotification() { refreshAll(); }

void InfoVM::onActivate()
{
    m_service->setReplyListener(this);
    refreshAll();
}

bool InfoVM::onDeactivate() { return true; }

void InfoVM::refreshAll()
{
    refreshClientInfo();
    refreshDeviceInfo();
    refreshDriverInfo();
}

void InfoVM::refreshClientInfo()
{
    TUsbAudioApiDll &api = m_service->api();
    uint32_t streamingState = 0;
    uint32_t wdmClients = 0;
    uint32_t asioClients = 0;
    if (tusb::call(api.TUSBAUDIO_GetClientInfo, m_service->deviceHandle(), &streamingState, &wdmClients,
                   &asioClients) != tusb::kOk)
        return;
    qCDebug(lcViewModels) << "Client Info success";
    const QString state = InfoFormatting::streamingStateText(streamingState);
    if (!state.isEmpty())
        setStreamingState(state); // any other state keeps the previous text
    setActiveKsClients(QString::number(wdmClients));
    setActiveAsioClients(QString::number(asioClients));
}

void InfoVM::refreshDeviceInfo()
{
    TUsbAudioApiDll &api = m_service->api();
    DevicePropertiesRecord::Bytes bytes{};
    tusb::call(api.TUSBAUDIO_GetDeviceProperties, m_service->deviceHandle(), bytes.data()); // failure leaves zeros
    const DevicePropertiesRecord record = DevicePropertiesRecord::parse(bytes);

    const QString name = record.displayName();
    QString product;
    QString serial;
    if (MixerModels::forProduct(m_service->productId()).isMixer()) {
        product = name;
        serial = InfoFormatting::mixerSerialText(name, record.serialNumber);
    } else {
        product = InfoFormatting::otherProductText(name, record.manufacturer);
        serial = record.serialNumber;
    }

    setManufacturer(record.manufacturer);
    setProduct(product);
    setVid(InfoFormatting::vendorIdText(record.vendorId));
    setPid(InfoFormatting::productIdText(record.productId));
    setRevisionId(InfoFormatting::revisionText(record.revisionId));
    setSerialNumber(serial);
}

void InfoVM::refreshDriverInfo()
{
    TUsbAudioApiDll &api = m_service->api();
    std::array<uint8_t, tusb::kDriverInfoSize> record{};
    const TSTATUS status = tusb::call(api.TUSBAUDIO_GetDriverInfo, record.data());
    if (status != tusb::kOk) {
        // An unfilled record would show a made-up "0.0.0" release build; keep what is shown.
        qCDebug(lcViewModels) << "Error Driver Info";
        return;
    }
    const uint8_t *data = record.data();
    setApiVersion(InfoFormatting::apiVersionText(RecordBytes::readU32(data, record.size(), kDriverMajorOffset),
                                                 RecordBytes::readU32(data, record.size(), kDriverMinorOffset),
                                                 RecordBytes::readU32(data, record.size(), kDriverSubVersionOffset)));
    setBuildType(InfoFormatting::buildTypeText(RecordBytes::readU32(data, record.size(), kDriverFlagsOffset)));
}
