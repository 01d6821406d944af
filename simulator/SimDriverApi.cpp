// The 66 TUSBAUDIO_ entry points of the simulated driver library.
#include "SimCore.h"
#include "SimExport.h"

#include "platform/Event.h"

#include <cstring>
#include <type_traits>

using namespace sim;

namespace {

constexpr uint32_t kFormatRecord = tusb::kStreamFormatSize;

uint64_t handleId(TUsbAudioHandle h) { return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(h)); }

bool badDirection(uint32_t direction) { return direction > 1; }

Channel *channelOf(Device &d, uint32_t direction, uint32_t channel, TSTATUS *status)
{
    if (badDirection(direction)) {
        *status = CALDER_SIM_STATUS_INVALID_PARAMETER;
        return nullptr;
    }
    auto &chs = d.dirs[direction].channels;
    if (channel >= chs.size()) {
        *status = CALDER_SIM_STATUS_INVALID_INDEX;
        return nullptr;
    }
    return &chs[channel];
}

void writeFormat(uint8_t *p, const CalderSimFormat &f)
{
    std::memset(p, 0, kFormatRecord);
    putU32(p, f.id);
    putU32(p + 4, f.bits);
    putU32(p + 8, f.channels);
}

TSTATUS vendorRequest(uint32_t direction, TUsbAudioHandle h, uint32_t recipient, uint32_t recipientIndex,
                      uint32_t request, uint32_t value, uint32_t index, uint32_t dataLength, const uint8_t *out,
                      uint8_t *in, uint32_t *bytesTransferred, uint32_t timeoutMs)
{
    Call c(instance(), direction ? Op::ClassVendorRequestIn : Op::ClassVendorRequestOut, h, true);
    Device *d = c.devicePtr();
    if (!d)
        return c.status(); // no device to attribute the request to
    CalderSimRequest rec{};
    rec.direction = direction;
    rec.recipient = recipient;
    rec.recipientIndex = recipientIndex;
    rec.request = request;
    rec.value = value;
    rec.index = index;
    rec.length = dataLength;
    rec.timeoutMs = timeoutMs;
    TSTATUS status = c.status();
    const uint8_t *data = direction ? in : out;
    if (status == 0 && dataLength > 0 && !data)
        status = CALDER_SIM_STATUS_INVALID_PARAMETER;
    if (status == 0 && direction == 0 && data)
        std::memcpy(rec.data, data, dataLength < 8 ? dataLength : 8);
    // The mixer takes exactly the 8-byte blocks of its protocol; anything else stalls.
    if (status == 0 && dataLength != tusb::kVendorBlockSize)
        status = CALDER_SIM_STATUS_REQUEST_STALLED;
    if (status == 0) {
        if (direction == 0) {
            if (request == tusb::kRequestParameterOrMeter)
                applyParameterWrite(*d, out);
            else
                status = CALDER_SIM_STATUS_REQUEST_STALLED;
        } else {
            std::array<uint8_t, 8> reply{};
            if (request == tusb::kRequestParameterOrMeter)
                reply = meterReply(*d, Clock::now());
            else if (request == tusb::kRequestDebugStatus)
                reply = debugReply(*d, Clock::now());
            else
                status = CALDER_SIM_STATUS_REQUEST_STALLED;
            if (status == 0) {
                std::memcpy(in, reply.data(), 8);
                std::memcpy(rec.data, reply.data(), 8);
            }
        }
    }
    if (bytesTransferred)
        *bytesTransferred = status == 0 ? tusb::kVendorBlockSize : 0;
    rec.status = status;
    d->requests.push_back(rec);
    if (d->requests.size() > kMaxRequests) {
        d->requests.pop_front();
        ++d->droppedRequests;
    }
    return status;
}

} // namespace

extern "C" {

CALDER_SIM_EXPORT uint32_t TUSB_CALLCONV TUSBAUDIO_GetApiVersion(void)
{
    Call c(instance(), Op::GetApiVersion);
    return (c.sim().apiMajor << 16) | (c.sim().apiMinor & 0xFFFF);
}

CALDER_SIM_EXPORT int32_t TUSB_CALLCONV TUSBAUDIO_CheckApiVersion(uint32_t major, uint32_t minor)
{
    Call c(instance(), Op::CheckApiVersion);
    if (c.failed())
        return 0;
    // Usable when the caller needs this major version and no newer minor than ours.
    return (major == c.sim().apiMajor && minor <= c.sim().apiMinor) ? 1 : 0;
}

CALDER_SIM_EXPORT TSTATUS TUSB_CALLCONV TUSBAUDIO_RegisterPnpNotification(HANDLE arrivalEvent, HANDLE removalEvent,
                                                                          void *windowHandle, uint32_t windowMessage,
                                                                          uint32_t flags)
{
    (void)windowHandle;
    (void)windowMessage;
    (void)flags;
    Call c(instance(), Op::RegisterPnpNotification);
    if (c.failed())
        return c.status();
    c.sim().arrivalEvent = arrivalEvent;
    c.sim().removalEvent = removalEvent;
    return 0;
}

CALDER_SIM_EXPORT void TUSB_CALLCONV TUSBAUDIO_UnregisterPnpNotification(void)
{
    Call c(instance(), Op::UnregisterPnpNotification);
    c.sim().arrivalEvent = nullptr;
    c.sim().removalEvent = nullptr;
}

CALDER_SIM_EXPORT TSTATUS TUSB_CALLCONV TUSBAUDIO_EnumerateDevices(void)
{
    Call c(instance(), Op::EnumerateDevices);
    if (c.failed())
        return c.status();
    auto &s = c.sim();
    s.enumerated.clear();
    for (const auto &d : s.devices)
        s.enumerated.push_back(d.uid);
    return 0;
}

CALDER_SIM_EXPORT uint32_t TUSB_CALLCONV TUSBAUDIO_GetDeviceCount(void)
{
    Call c(instance(), Op::GetDeviceCount);
    if (c.failed())
        return 0;
    return static_cast<uint32_t>(c.sim().enumerated.size());
}

CALDER_SIM_EXPORT TSTATUS TUSB_CALLCONV TUSBAUDIO_OpenDeviceByIndex(uint32_t index, TUsbAudioHandle *handle)
{
    Call c(instance(), Op::OpenDeviceByIndex);
    if (c.failed())
        return c.status();
    if (!handle)
        return CALDER_SIM_STATUS_INVALID_PARAMETER;
    auto &s = c.sim();
    if (index >= s.enumerated.size())
        return CALDER_SIM_STATUS_INVALID_INDEX;
    const uint64_t uid = s.enumerated[index];
    if (!s.deviceByUid(uid))
        return CALDER_SIM_STATUS_DEVICE_GONE;
    const uint64_t id = s.nextHandleId++;
    OpenHandle h;
    h.deviceUid = uid;
    s.handles.emplace(id, std::move(h));
    *handle = reinterpret_cast<TUsbAudioHandle>(static_cast<uintptr_t>(id));
    return 0;
}

CALDER_SIM_EXPORT TSTATUS TUSB_CALLCONV TUSBAUDIO_CloseDevice(TUsbAudioHandle handle)
{
    Call c(instance(), Op::CloseDevice, handle, true);
    // A handle of an unplugged device still closes: the caller must be able to clean up.
    if (!c.handlePtr())
        return c.status();
    if (c.failed() && c.status() != CALDER_SIM_STATUS_DEVICE_GONE)
        return c.status();
    c.sim().handles.erase(handleId(handle));
    return 0;
}

CALDER_SIM_EXPORT TSTATUS TUSB_CALLCONV TUSBAUDIO_GetDeviceUsbMode(TUsbAudioHandle handle, uint32_t *mode)
{
    Call c(instance(), Op::GetDeviceUsbMode, handle, true);
    if (c.failed())
        return c.status();
    if (!mode)
        return CALDER_SIM_STATUS_INVALID_PARAMETER;
    *mode = c.device().usbMode;
    return 0;
}

CALDER_SIM_EXPORT TSTATUS TUSB_CALLCONV TUSBAUDIO_GetDeviceProperties(TUsbAudioHandle handle, void *properties)
{
    Call c(instance(), Op::GetDeviceProperties, handle, true);
    if (c.failed())
        return c.status();
    if (!properties)
        return CALDER_SIM_STATUS_INVALID_PARAMETER;
    const Device &d = c.device();
    auto *p = static_cast<uint8_t *>(properties);
    std::memset(p, 0, tusb::kDevicePropertiesSize);
    putU32(p + tusb::kPropVendorId, d.vendorId);
    putU32(p + tusb::kPropProductId, d.productId);
    putU32(p + tusb::kPropRevisionId, d.revision);
    putUtf16(p + tusb::kPropSerialNumber, d.serial, tusb::kPropertyStringUnits);
    putUtf16(p + tusb::kPropManufacturer, d.manufacturer, tusb::kPropertyStringUnits);
    putUtf16(p + tusb::kPropProduct, d.product, tusb::kPropertyStringUnits);
    return 0;
}

CALDER_SIM_EXPORT TSTATUS TUSB_CALLCONV TUSBAUDIO_RegisterDeviceNotification(TUsbAudioHandle handle,
                                                                             uint32_t categoryFilter, HANDLE event,
                                                                             uint32_t flags)
{
    (void)flags;
    Call c(instance(), Op::RegisterDeviceNotification, handle, true);
    const bool unregister = categoryFilter == 0 || event == nullptr;
    // Unregistering works on an unplugged device's handle, like closing it.
    if (unregister && c.handlePtr() && c.status() == CALDER_SIM_STATUS_DEVICE_GONE) {
        c.handle().event = nullptr;
        c.handle().queue.clear();
        return 0;
    }
    if (c.failed())
        return c.status();
    if (unregister) {
        c.handle().event = nullptr;
        c.handle().queue.clear();
    } else {
        c.handle().event = event;
    }
    return 0;
}

CALDER_SIM_EXPORT TSTATUS TUSB_CALLCONV TUSBAUDIO_ReadDeviceNotification(TUsbAudioHandle handle, uint32_t *eventCode,
                                                                         uint8_t *buffer, uint32_t bufferSize,
                                                                         uint32_t *bytesReturned)
{
    Call c(instance(), Op::ReadDeviceNotification, handle, true);
    if (c.failed())
        return c.status();
    if (!eventCode || (bufferSize > 0 && !buffer))
        return CALDER_SIM_STATUS_INVALID_PARAMETER;
    auto &q = c.handle().queue;
    if (q.empty())
        return tusb::kNoMoreItems;
    const Notification n = q.front();
    q.pop_front();
    *eventCode = n.code;
    const uint32_t len = bufferSize < n.data.size() ? bufferSize : static_cast<uint32_t>(n.data.size());
    if (len)
        std::memcpy(buffer, n.data.data(), len);
    if (bytesReturned)
        *bytesReturned = len;
    return 0;
}

CALDER_SIM_EXPORT TSTATUS TUSB_CALLCONV TUSBAUDIO_GetCurrentSampleRate(TUsbAudioHandle handle, uint32_t *sampleRate)
{
    Call c(instance(), Op::GetCurrentSampleRate, handle, true);
    if (c.failed())
        return c.status();
    if (!sampleRate)
        return CALDER_SIM_STATUS_INVALID_PARAMETER;
    *sampleRate = c.device().sampleRate;
    return 0;
}

CALDER_SIM_EXPORT TSTATUS TUSB_CALLCONV TUSBAUDIO_ClassVendorRequestOut(TUsbAudioHandle handle, uint32_t recipient,
                                                                        uint32_t recipientIndex, uint32_t request,
                                                                        uint32_t value, uint32_t index,
                                                                        uint32_t dataLength, const uint8_t *data,
                                                                        uint32_t *bytesTransferred, uint32_t timeoutMs)
{
    return vendorRequest(0, handle, recipient, recipientIndex, request, value, index, dataLength, data, nullptr,
                         bytesTransferred, timeoutMs);
}

CALDER_SIM_EXPORT TSTATUS TUSB_CALLCONV TUSBAUDIO_ClassVendorRequestIn(TUsbAudioHandle handle, uint32_t recipient,
                                                                       uint32_t recipientIndex, uint32_t request,
                                                                       uint32_t value, uint32_t index,
                                                                       uint32_t dataLength, uint8_t *data,
                                                                       uint32_t *bytesTransferred, uint32_t timeoutMs)
{
    return vendorRequest(1, handle, recipient, recipientIndex, request, value, index, dataLength, nullptr, data,
                         bytesTransferred, timeoutMs);
}

CALDER_SIM_EXPORT TSTATUS TUSB_CALLCONV TUSBAUDIO_GetDriverInfo(void *driverInfo)
{
    Call c(instance(), Op::GetDriverInfo);
    if (c.failed())
        return c.status();
    if (!driverInfo)
        return CALDER_SIM_STATUS_INVALID_PARAMETER;
    auto *p = static_cast<uint8_t *>(driverInfo);
    const DriverInfo &i = c.sim().driverInfo;
    std::memset(p, 0, tusb::kDriverInfoSize);
    putU32(p + 8, i.major);
    putU32(p + 12, i.minor);
    putU32(p + 16, i.sub);
    putU32(p + 20, i.flags);
    return 0;
}

CALDER_SIM_EXPORT TSTATUS TUSB_CALLCONV TUSBAUDIO_GetClientInfo(TUsbAudioHandle handle, uint32_t *streamingState,
                                                                uint32_t *wdmClients, uint32_t *asioClients)
{
    Call c(instance(), Op::GetClientInfo, handle, true);
    if (c.failed())
        return c.status();
    if (!streamingState || !wdmClients || !asioClients)
        return CALDER_SIM_STATUS_INVALID_PARAMETER;
    *streamingState = c.device().streamingState;
    *wdmClients = c.device().wdmClients;
    *asioClients = c.device().asioClients;
    return 0;
}

CALDER_SIM_EXPORT TSTATUS TUSB_CALLCONV TUSBAUDIO_GetSupportedStreamFormats(TUsbAudioHandle handle, uint32_t direction,
                                                                            uint32_t capacity, void *formats,
                                                                            uint32_t *count)
{
    Call c(instance(), Op::GetSupportedStreamFormats, handle, true);
    if (c.failed())
        return c.status();
    if (badDirection(direction) || !count || (capacity > 0 && !formats))
        return CALDER_SIM_STATUS_INVALID_PARAMETER;
    const auto &list = c.device().dirs[direction].formats;
    const size_t n = list.size() < capacity ? list.size() : capacity;
    auto *p = static_cast<uint8_t *>(formats);
    for (size_t i = 0; i < n; ++i)
        writeFormat(p + i * kFormatRecord, list[i]);
    *count = static_cast<uint32_t>(n);
    return list.size() > capacity ? tusb::kMoreFormatsThanTable : 0;
}

CALDER_SIM_EXPORT TSTATUS TUSB_CALLCONV TUSBAUDIO_GetCurrentStreamFormat(TUsbAudioHandle handle, uint32_t direction,
                                                                         void *format)
{
    Call c(instance(), Op::GetCurrentStreamFormat, handle, true);
    if (c.failed())
        return c.status();
    if (badDirection(direction) || !format)
        return CALDER_SIM_STATUS_INVALID_PARAMETER;
    const Direction &dir = c.device().dirs[direction];
    if (dir.formats.empty())
        return CALDER_SIM_STATUS_NOT_SUPPORTED;
    CalderSimFormat current{dir.currentFormat, 0, 0};
    for (const auto &f : dir.formats) {
        if (f.id == dir.currentFormat) {
            current = f;
            break;
        }
    }
    writeFormat(static_cast<uint8_t *>(format), current);
    return 0;
}

CALDER_SIM_EXPORT TSTATUS TUSB_CALLCONV TUSBAUDIO_SetCurrentStreamFormat(TUsbAudioHandle handle, uint32_t direction,
                                                                         uint32_t formatId)
{
    Call c(instance(), Op::SetCurrentStreamFormat, handle, true);
    if (c.failed())
        return c.status();
    if (badDirection(direction))
        return CALDER_SIM_STATUS_INVALID_PARAMETER;
    Direction &dir = c.device().dirs[direction];
    if (dir.formats.empty())
        return CALDER_SIM_STATUS_NOT_SUPPORTED;
    for (const auto &f : dir.formats) {
        if (f.id == formatId) {
            dir.currentFormat = formatId;
            return 0;
        }
    }
    return CALDER_SIM_STATUS_INVALID_PARAMETER;
}

CALDER_SIM_EXPORT TSTATUS TUSB_CALLCONV TUSBAUDIO_GetStreamFormatSelectionMode(TUsbAudioHandle handle, uint32_t *mode)
{
    Call c(instance(), Op::GetStreamFormatSelectionMode, handle, true);
    if (c.failed())
        return c.status();
    if (!mode)
        return CALDER_SIM_STATUS_INVALID_PARAMETER;
    *mode = c.device().selectionMode;
    return 0;
}

CALDER_SIM_EXPORT TSTATUS TUSB_CALLCONV TUSBAUDIO_GetASIOInstanceInfo(uint32_t instance, void *info)
{
    Call c(::sim::instance(), Op::GetASIOInstanceInfo);
    if (c.failed())
        return c.status();
    // The driver has one ASIO instance while any of its devices is attached.
    if (instance != 0 || c.sim().devices.empty())
        return CALDER_SIM_STATUS_INVALID_INDEX;
    if (!info)
        return CALDER_SIM_STATUS_INVALID_PARAMETER;
    const Asio &a = c.sim().asio;
    auto *p = static_cast<uint8_t *>(info);
    std::memset(p, 0, tusb::kAsioInstanceSize);
    putU32(p, instance);
    putU32(p + 4, a.instanceWord);
    putU32(p + 16, a.flags);
    putU32(p + 28, a.currentSize);
    putU32(p + 32, a.reportedCount);
    for (size_t i = 0; i < a.sizes.size() && i < tusb::kAsioMaxSizes; ++i)
        putU32(p + 36 + 4 * i, a.sizes[i]);
    return 0;
}

CALDER_SIM_EXPORT TSTATUS TUSB_CALLCONV TUSBAUDIO_SetASIOBufferPreferredSize(uint32_t instance, uint32_t instanceWord,
                                                                             uint32_t bufferSize, uint32_t flags)
{
    Call c(::sim::instance(), Op::SetASIOBufferPreferredSize);
    if (c.failed())
        return c.status();
    Asio &a = c.sim().asio;
    if (instance != 0 || c.sim().devices.empty())
        return CALDER_SIM_STATUS_INVALID_INDEX;
    if (instanceWord != a.instanceWord)
        return CALDER_SIM_STATUS_INVALID_PARAMETER;
    bool offered = false;
    for (size_t i = 0; i < a.sizes.size() && i < tusb::kAsioMaxSizes; ++i)
        offered = offered || a.sizes[i] == bufferSize;
    if (!offered)
        return CALDER_SIM_STATUS_INVALID_PARAMETER;
    a.currentSize = bufferSize;
    a.flags = flags;
    return 0;
}

CALDER_SIM_EXPORT TSTATUS TUSB_CALLCONV TUSBAUDIO_GetVolumeMuteInfo(TUsbAudioHandle handle, uint32_t direction,
                                                                    uint32_t channel, void *info)
{
    Call c(instance(), Op::GetVolumeMuteInfo, handle, true);
    if (c.failed())
        return c.status();
    TSTATUS status = 0;
    const Channel *ch = channelOf(c.device(), direction, channel, &status);
    if (!ch)
        return status;
    if (!info)
        return CALDER_SIM_STATUS_INVALID_PARAMETER;
    auto *p = static_cast<uint8_t *>(info);
    std::memset(p, 0, tusb::kVolumeMuteInfoSize);
    putU32(p, ch->flags);
    putI16(p + 4, ch->minimum);
    putI16(p + 6, ch->maximum);
    putI16(p + 8, ch->resolution);
    return 0;
}

CALDER_SIM_EXPORT TSTATUS TUSB_CALLCONV TUSBAUDIO_GetVolume(TUsbAudioHandle handle, uint32_t direction,
                                                            uint32_t channel, int16_t *volume)
{
    Call c(instance(), Op::GetVolume, handle, true);
    if (c.failed())
        return c.status();
    TSTATUS status = 0;
    const Channel *ch = channelOf(c.device(), direction, channel, &status);
    if (!ch)
        return status;
    if (!volume)
        return CALDER_SIM_STATUS_INVALID_PARAMETER;
    if (!(ch->flags & CALDER_SIM_VOLUME_CONTROL))
        return CALDER_SIM_STATUS_NOT_SUPPORTED;
    *volume = ch->volume;
    return 0;
}

CALDER_SIM_EXPORT TSTATUS TUSB_CALLCONV TUSBAUDIO_SetVolume(TUsbAudioHandle handle, uint32_t direction,
                                                            uint32_t channel, int16_t volume)
{
    Call c(instance(), Op::SetVolume, handle, true);
    if (c.failed())
        return c.status();
    TSTATUS status = 0;
    Channel *ch = channelOf(c.device(), direction, channel, &status);
    if (!ch)
        return status;
    if (!(ch->flags & CALDER_SIM_VOLUME_CONTROL))
        return CALDER_SIM_STATUS_NOT_SUPPORTED;
    // The device clamps to its range (a range set the wrong way round clamps to the maximum).
    int16_t v = volume;
    if (v < ch->minimum)
        v = ch->minimum;
    if (v > ch->maximum)
        v = ch->maximum;
    ch->volume = v;
    return 0;
}

CALDER_SIM_EXPORT TSTATUS TUSB_CALLCONV TUSBAUDIO_GetMute(TUsbAudioHandle handle, uint32_t direction, uint32_t channel,
                                                          uint32_t *mute)
{
    Call c(instance(), Op::GetMute, handle, true);
    if (c.failed())
        return c.status();
    TSTATUS status = 0;
    const Channel *ch = channelOf(c.device(), direction, channel, &status);
    if (!ch)
        return status;
    if (!mute)
        return CALDER_SIM_STATUS_INVALID_PARAMETER;
    if (!(ch->flags & CALDER_SIM_MUTE_CONTROL))
        return CALDER_SIM_STATUS_NOT_SUPPORTED;
    *mute = ch->mute;
    return 0;
}

CALDER_SIM_EXPORT TSTATUS TUSB_CALLCONV TUSBAUDIO_SetMute(TUsbAudioHandle handle, uint32_t direction, uint32_t channel,
                                                          uint32_t mute)
{
    Call c(instance(), Op::SetMute, handle, true);
    if (c.failed())
        return c.status();
    TSTATUS status = 0;
    Channel *ch = channelOf(c.device(), direction, channel, &status);
    if (!ch)
        return status;
    if (!(ch->flags & CALDER_SIM_MUTE_CONTROL))
        return CALDER_SIM_STATUS_NOT_SUPPORTED;
    ch->mute = mute ? 1 : 0;
    return 0;
}

CALDER_SIM_EXPORT TSTATUS TUSB_CALLCONV TUSBAUDIO_GetChannelInfo(TUsbAudioHandle handle, uint32_t direction,
                                                                 uint32_t channel, void *info)
{
    Call c(instance(), Op::GetChannelInfo, handle, true);
    if (c.failed())
        return c.status();
    TSTATUS status = 0;
    const Channel *ch = channelOf(c.device(), direction, channel, &status);
    if (!ch)
        return status;
    if (!info)
        return CALDER_SIM_STATUS_INVALID_PARAMETER;
    auto *p = static_cast<uint8_t *>(info);
    std::memset(p, 0, tusb::kChannelInfoSize);
    putU32(p, channel);
    putUtf16(p + 4, ch->name, tusb::kChannelNameUnits);
    return 0;
}

// The entry points the panel resolves but never calls.
#define CALDER_SIM_UNCALLED(name)                                           \
    CALDER_SIM_EXPORT TSTATUS TUSB_CALLCONV TUSBAUDIO_##name(void)          \
    {                                                                       \
        Call c(instance(), Op::name);                                       \
        return c.failed() ? c.status() : CALDER_SIM_STATUS_NOT_IMPLEMENTED; \
    }
TUSB_UNCALLED_50_ENTRY_POINTS(CALDER_SIM_UNCALLED)
TUSB_UNCALLED_51_ENTRY_POINTS(CALDER_SIM_UNCALLED)
TUSB_UNCALLED_52_ENTRY_POINTS(CALDER_SIM_UNCALLED)
#undef CALDER_SIM_UNCALLED

} // extern "C"

// The exports must have exactly the types the panel calls them through.
#define CALDER_SIM_CHECK_TYPE(name)                                                       \
    static_assert(std::is_same<decltype(&TUSBAUDIO_##name), TUSBAUDIO_##name##_t>::value, \
                  "TUSBAUDIO_" #name " does not match its prototype");
TUSB_VERSION_ENTRY_POINTS(CALDER_SIM_CHECK_TYPE)
TUSB_CALLED_ENTRY_POINTS(CALDER_SIM_CHECK_TYPE)
#undef CALDER_SIM_CHECK_TYPE
