#include "viewmodels/BufferSettingsVM.h"

#include "core/AssignAndNotify.h"
#include "core/MessageBus.h"
#include "device/LumenCommunicationService.h"
#include "device/StreamFormatRecord.h"
#include "viewmodels/ViewModelTexts.h"
#include "viewmodels/ViewModelsLog.h"

#include <QDebug>

#include <vector>

namespace {

// One listing call into a zeroed 32-record table; the formats are those the table holds.
TSTATUS listStreamFormats(TUsbAudioApiDll &api, TUsbAudioHandle handle, uint32_t direction,
                          std::vector<StreamFormat> &formats)
{
    formats.clear();
    std::vector<uint8_t> table(sizeof(StreamFormatTableBuffer), 0);
    uint32_t count = 0;
    const TSTATUS status = tusb::call(api.TUSBAUDIO_GetSupportedStreamFormats, handle, direction,
                                      tusb::kStreamFormatCapacity, static_cast<void *>(table.data()), &count);
    if (StreamFormatRecord::isListingUsable(status))
        formats = StreamFormatRecord::parseTable(table.data(), table.size(), count);
    return status;
}

} // namespace

BufferSettingsVM::BufferSettingsVM(QSharedPointer<LumenCommunicationService> service, QSharedPointer<MessageBus> bus,
                                   QObject *parent)
    : QObject(parent), m_service(std::move(service)), m_bus(std::move(bus))
{
    if (m_service)
        m_service->setReplyListener(this);
}

BufferSettingsVM::~BufferSettingsVM()
{
    if (m_service)
        m_service->clearReplyListener(this);
}

void BufferSettingsVM::setActiveStreamingMode(const QString &value)
{
    assignAndNotify(this, m_activeStreamingMode, value, &BufferSettingsVM::activeStreamingModeChanged);
}
void BufferSettingsVM::setResetUSBStreamingModeDropDown(bool value)
{
    assignAndNotify(this, m_resetUSBStreamingModeDropDown, value,
                    &BufferSettingsVM::resetUSBStreamingModeDropDownChanged);
}
void BufferSettingsVM::setCurrentAsioBufferSize(const QString &value)
{
    assignAndNotify(this, m_currentAsioBufferSize, value, &BufferSettingsVM::currentAsioBufferSizeChanged);
}
void BufferSettingsVM::setResetAsioBufferSizeDropDown(bool value)
{
    assignAndNotify(this, m_resetAsioBufferSizeDropDown, value, &BufferSettingsVM::resetAsioBufferSizeDropDownChanged);
}
void BufferSettingsVM::setActiveAsioBufferIndex(int value)
{
    assignAndNotify(this, m_activeAsioBufferIndex, value, &BufferSettingsVM::activeAsioBufferIndexChanged);
}
void BufferSettingsVM::setShowWarning(bool value)
{
    assignAndNotify(this, m_showWarning, value, &BufferSettingsVM::showWarningChanged);
}
void BufferSettingsVM::setCurrentInputFormat(const QString &value)
{
    assignAndNotify(this, m_currentInputFormat, value, &BufferSettingsVM::currentInputFormatChanged);
}
void BufferSettingsVM::setResetInputFormatDropDown(bool value)
{
    assignAndNotify(this, m_resetInputFormatDropDown, value, &BufferSettingsVM::resetInputFormatDropDownChanged);
}
void BufferSettingsVM::setCurrentOutputFormat(const QString &value)
{
    assignAndNotify(this, m_currentOutputFormat, value, &BufferSettingsVM::currentOutputFormatChanged);
}
void BufferSettingsVM::setResetOutputFormatDropDown(bool value)
{
    assignAndNotify(this, m_resetOutputFormatDropDown, value, &BufferSettingsVM::resetOutputFormatDropDownChanged);
}
void BufferSettingsVM::setEnableStreamFormatSelection(bool value)
{
    assignAndNotify(this, m_enableStreamFormatSelection, value, &BufferSettingsVM::enableStreamFormatSelectionChanged);
}
void BufferSettingsVM::setSafeMode(bool value)
{
    assignAndNotify(this, m_safeMode, value, &BufferSettingsVM::safeModeChanged);
}
void BufferSettingsVM::setSafeModeEnabled(bool value)
{
    assignAndNotify(this, m_safeModeEnabled, value, &BufferSettingsVM::safeModeEnabledChanged);
}

void BufferSettingsVM::onDeviceStateChanged()
{
    if (m_bus)
        m_bus->publish(QVariant(true), ViewModelTexts::kMsgConnected);
}

void BufferSettingsVM::onConnectionFailed()
{
    if (m_bus)
        m_bus->publish(QVariant(false), ViewModelTexts::kMsgConnected);
}

void BufferSettingsVM::onDeviceNotification() { reload(); }

void BufferSettingsVM::onActivate()
{
    if (m_service)
        m_service->setReplyListener(this);
    reload();
}

bool BufferSettingsVM::onDeactivate() { return true; }

void BufferSettingsVM::reload()
{
    detectStreams();
    displayBothStreams();
    readCurrentBufferSize();
    readBufferSizeList();
    readSampleRate();
}

uint32_t BufferSettingsVM::countFormats(uint32_t direction)
{
    std::vector<StreamFormat> formats;
    const TSTATUS status = listStreamFormats(m_service->api(), m_service->deviceHandle(), direction, formats);
    if (!StreamFormatRecord::isListingUsable(status)) {
        qCDebug(lcViewModels, "TUSBAUDIO_GetSupportedStreamFormats failed.\n");
        return 0;
    }
    return uint32_t(formats.size());
}

void BufferSettingsVM::detectStreams()
{
    // Flags are only ever set: a stream once seen keeps its slot for the page's life.
    int next = 0;
    if (countFormats(tusb::kDirectionInput) != 0) {
        m_streams[0].isInput = true;
        m_streams[0].present = true;
        next = 1;
    }
    if (countFormats(tusb::kDirectionOutput) != 0)
        m_streams[next].present = true;
}

uint32_t BufferSettingsVM::slotDirection(int slot) const
{
    return m_streams[slot].isInput ? tusb::kDirectionInput : tusb::kDirectionOutput;
}

TSTATUS BufferSettingsVM::displayStreamFormats(int slot)
{
    TUsbAudioApiDll &api = m_service->api();
    const TUsbAudioHandle handle = m_service->deviceHandle();
    const uint32_t direction = slotDirection(slot);

    std::vector<StreamFormat> formats;
    const TSTATUS status = listStreamFormats(api, handle, direction, formats);
    if (!StreamFormatRecord::isListingUsable(status)) {
        qCDebug(lcViewModels, ": TUSBAUDIO_GetSupportedStreamFormats failed.\n");
        return status;
    }

    QStringList &list = formatList(direction);
    QMap<uint32_t, uint32_t> &map = formatMap(direction);
    list.clear();
    for (size_t i = 0; i < formats.size(); ++i) {
        map.insert(uint32_t(i), formats[i].formatId);
        list.append(StreamFormatRecord::text(formats[i]));
    }
    if (direction == tusb::kDirectionInput)
        emit inputFormatsChanged();
    else
        emit outputFormatsChanged();

    if (!formats.empty()) {
        StreamFormatBuffer current{};
        const TSTATUS currentStatus =
            tusb::call(api.TUSBAUDIO_GetCurrentStreamFormat, handle, direction, static_cast<void *>(current.data()));
        if (currentStatus != tusb::kOk) {
            qCDebug(lcViewModels, ": TUSBAUDIO_GetCurrentStreamFormat failed.\n");
            list.clear();
        } else {
            // The shown text comes from the driver's current record, not from the list.
            const StreamFormat cur = StreamFormatRecord::parse(current.data(), current.size());
            const QString text = StreamFormatRecord::text(cur);
            for (int p = 0; p < list.size(); ++p) {
                if (map.value(uint32_t(p), 0) != cur.formatId)
                    continue;
                formatInForce(direction) = text;
                if (direction == tusb::kDirectionInput)
                    setCurrentInputFormat(text);
                else
                    setCurrentOutputFormat(text);
            }
        }
    }

    uint32_t mode = 0;
    const TSTATUS modeStatus = tusb::call(api.TUSBAUDIO_GetStreamFormatSelectionMode, handle, &mode);
    if (modeStatus == tusb::kOk) {
        setEnableStreamFormatSelection(mode == 1);
    } else {
        qCDebug(lcViewModels, ": TUSBAUDIO_GetStreamFormatSelectionMode failed.\n");
        setEnableStreamFormatSelection(false);
    }
    return tusb::kOk;
}

void BufferSettingsVM::displayBothStreams()
{
    if (m_streams[0].present && displayStreamFormats(0) != tusb::kOk)
        qCDebug(lcViewModels, ": DisplayStreamFormats for stream failed\n");
    if (m_streams[1].present && displayStreamFormats(1) != tusb::kOk)
        qCDebug(lcViewModels, ": DisplayStreamFormats for stream failed.\n");
}

TSTATUS BufferSettingsVM::saveSelectedFormat(int slot, uint32_t position)
{
    const uint32_t direction = slotDirection(slot);
    const uint32_t formatId = formatMap(direction).value(position, 0);
    const TSTATUS status =
        tusb::call(m_service->api().TUSBAUDIO_SetCurrentStreamFormat, m_service->deviceHandle(), direction, formatId);
    if (status != tusb::kOk)
        qCDebug(lcViewModels, ": TUSBAUDIO_SetCurrentStreamFormat failed.\n");
    return status;
}

void BufferSettingsVM::onFormatSelectionChanged(int slot, int index)
{
    if (saveSelectedFormat(slot, uint32_t(index)) != tusb::kOk)
        qCDebug(lcViewModels, ": SaveSelectedFormat failed.\n");
    // Re-read: the driver may have settled on another format than the one asked for.
    const uint32_t direction = slotDirection(slot);
    if (displayStreamFormats(slot) != tusb::kOk)
        qCDebug(lcViewModels, ": DisplayStreamFormats for %s stream failed.\n",
                direction == tusb::kDirectionInput ? "input" : "output");
    // The view shows the pick before it asks; a refused pick that could not be read back (a
    // stopped stream has no current format) must not stay on show.
    if (direction == tusb::kDirectionInput)
        setCurrentInputFormat(formatInForce(direction));
    else
        setCurrentOutputFormat(formatInForce(direction));
}

void BufferSettingsVM::onInputFormatSelectionChanged(int index, QString inputSelection)
{
    Q_UNUSED(inputSelection)
    onFormatSelectionChanged(0, index);
}

void BufferSettingsVM::onOutputFormatSelectionChanged(int index, QString outputSelection)
{
    Q_UNUSED(outputSelection)
    onFormatSelectionChanged(1, index);
}

TSTATUS BufferSettingsVM::readAsioInstance()
{
    // Read into a fresh record so that a failed call leaves the page's record as it was.
    AsioInstanceBuffer fresh{};
    const TSTATUS status = tusb::call(m_service->api().TUSBAUDIO_GetASIOInstanceInfo, m_asioInstanceNumber,
                                      static_cast<void *>(fresh.data()));
    if (status == tusb::kOk)
        m_asioInstance = fresh;
    return status;
}

void BufferSettingsVM::readCurrentBufferSize()
{
    if (readAsioInstance() != tusb::kOk) {
        qCDebug(lcViewModels, ": TUSBAUDIO_GetASIOInstanceInfo failed\n");
        return;
    }
    const AsioInstanceInfo info = AsioInstanceRecord::parse(m_asioInstance.data(), m_asioInstance.size());
    setCurrentAsioBufferSize(AsioInstanceRecord::bufferSizeText(info.currentBufferSize));
    qCDebug(lcViewModels) << info.currentBufferSize;
}

void BufferSettingsVM::readBufferSizeList()
{
    m_asioBufferSizes.clear();
    readAsioInstance();
    const AsioInstanceInfo info = AsioInstanceRecord::parse(m_asioInstance.data(), m_asioInstance.size());
    for (uint32_t size : info.bufferSizes)
        m_asioBufferSizes.append(AsioInstanceRecord::bufferSizeText(size));
    setSafeModeEnabled(info.bufferSizes.size() > 1);
    setSafeMode(AsioInstanceRecord::isSafeMode(info.flags));
    emit asioBufferSizesChanged();
}

TSTATUS BufferSettingsVM::setPreferredBufferSize(uint32_t size, bool safe)
{
    const AsioInstanceInfo info = AsioInstanceRecord::parse(m_asioInstance.data(), m_asioInstance.size());
    const uint32_t flags = AsioInstanceRecord::withSafeMode(info.flags, safe);
    const TSTATUS status = tusb::call(m_service->api().TUSBAUDIO_SetASIOBufferPreferredSize, m_asioInstanceNumber,
                                      info.instanceWord, size, flags);
    if (status == tusb::kOk)
        qCDebug(lcViewModels, "TUSBAUDIO_SetASIOBufferPreferredSize success\n");
    else
        qCDebug(lcViewModels, "TUSBAUDIO_SetASIOBufferPreferredSize failed\n");
    return status;
}

void BufferSettingsVM::readSampleRate()
{
    uint32_t rate = 0;
    const TSTATUS status =
        tusb::call(m_service->api().TUSBAUDIO_GetCurrentSampleRate, m_service->deviceHandle(), &rate);
    if (status != tusb::kOk)
        qCDebug(lcViewModels, ": TUSBAUDIO_GetCurrentSampleRate failed\n");
}

void BufferSettingsVM::showUSBStreamingModeList()
{
    m_resetUSBStreamingModeDropDown = !m_resetUSBStreamingModeDropDown;
    emit resetUSBStreamingModeDropDownChanged();
}

void BufferSettingsVM::showAsioBufferList()
{
    m_resetAsioBufferSizeDropDown = !m_resetAsioBufferSizeDropDown;
    emit resetAsioBufferSizeDropDownChanged();
}

void BufferSettingsVM::showInputFormatList()
{
    m_resetInputFormatDropDown = !m_resetInputFormatDropDown;
    emit resetInputFormatDropDownChanged();
}

void BufferSettingsVM::showOuputFormatList()
{
    m_resetOutputFormatDropDown = !m_resetOutputFormatDropDown;
    emit resetOutputFormatDropDownChanged();
}

void BufferSettingsVM::onUSBStreamingModeChanged(int index, QString streamingMode)
{
    Q_UNUSED(index)
    setActiveStreamingMode(streamingMode);
    readSampleRate();
}

void BufferSettingsVM::onAsioSelectionChanged(int index, QString asioSelection)
{
    setActiveAsioBufferIndex(index);
    qCDebug(lcViewModels).noquote().nospace() << "Current Sample : " << asioSelection;
    setCurrentAsioBufferSize(asioSelection);
    if (setPreferredBufferSize(AsioInstanceRecord::leadingBufferSize(asioSelection), m_safeMode) == tusb::kOk)
        readSampleRate();
}

void BufferSettingsVM::onSafeModeSelectionChanged()
{
    const bool next = !m_safeMode;
    if (setPreferredBufferSize(AsioInstanceRecord::leadingBufferSize(m_currentAsioBufferSize), next) == tusb::kOk)
        setSafeMode(next);
}
