// The 66 TUSBAUDIO_ entry points of the libusb driver library.
#include "AlsaCard.h"
#include "AlsaMixer.h"
#include "UsbDriver.h"
#include "UsbStatus.h"

#include "device/TUsbAudioApi.h"
#include "device/TUsbAudioEntryPoints.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#define CALDER_USB_EXPORT __attribute__((visibility("default")))

using usbdrv::UsbDriver;

namespace {

TSTATUS notSupportedFor(TUsbAudioHandle handle)
{
    // A bad or departed handle says so first; a good one learns the feature is not there.
    const TSTATUS s = UsbDriver::instance().deviceOf(handle);
    return s ? s : usbdrv::kNotSupported;
}

void putU32(uint8_t *p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

const usbdrv::StreamDirection &streamOf(const usbdrv::StreamInfo &info, uint32_t direction)
{
    return direction == tusb::kDirectionInput ? info.capture : info.playback;
}

void putFormat(uint8_t *record, const usbdrv::AltFormat &format)
{
    putU32(record, format.id);
    putU32(record + 4, format.bits);
    putU32(record + 8, format.channels);
}

// Runs a volume or mute call on the mixer of the handle's card; `out` is the caller's pointer.
template <typename F>
TSTATUS withMixer(TUsbAudioHandle handle, const void *out, F call)
{
    int card = -1;
    if (const TSTATUS s = UsbDriver::instance().cardOf(handle, &card))
        return s;
    if (!out)
        return usbdrv::kInvalidParameter;
    usbdrv::AlsaMixer mixer(card);
    return mixer.status() ? mixer.status() : call(mixer);
}

} // namespace

extern "C" {

CALDER_USB_EXPORT uint32_t TUSBAUDIO_GetApiVersion(void) { return (tusb::kRequiredMajor << 16) | tusb::kRequiredMinor; }

CALDER_USB_EXPORT int32_t TUSBAUDIO_CheckApiVersion(uint32_t major, uint32_t minor)
{
    return major == tusb::kRequiredMajor && minor <= tusb::kRequiredMinor ? 1 : 0;
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_RegisterPnpNotification(HANDLE arrivalEvent, HANDLE removalEvent,
                                                            void *windowHandle, uint32_t windowMessage, uint32_t flags)
{
    (void)windowHandle;
    (void)windowMessage;
    (void)flags;
    return UsbDriver::instance().registerPnp(arrivalEvent, removalEvent);
}

CALDER_USB_EXPORT void TUSBAUDIO_UnregisterPnpNotification(void) { UsbDriver::instance().unregisterPnp(); }

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_EnumerateDevices(void) { return UsbDriver::instance().enumerate(); }

CALDER_USB_EXPORT uint32_t TUSBAUDIO_GetDeviceCount(void) { return UsbDriver::instance().deviceCount(); }

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_OpenDeviceByIndex(uint32_t index, TUsbAudioHandle *handle)
{
    return UsbDriver::instance().open(index, handle);
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_CloseDevice(TUsbAudioHandle handle) { return UsbDriver::instance().close(handle); }

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_GetDeviceUsbMode(TUsbAudioHandle handle, uint32_t *mode)
{
    return UsbDriver::instance().usbMode(handle, mode);
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_GetDeviceProperties(TUsbAudioHandle handle, void *properties)
{
    return UsbDriver::instance().properties(handle, static_cast<uint8_t *>(properties));
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_RegisterDeviceNotification(TUsbAudioHandle handle, uint32_t categoryFilter,
                                                               HANDLE event, uint32_t flags)
{
    (void)flags;
    return UsbDriver::instance().registerNotification(handle, categoryFilter, event);
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_ReadDeviceNotification(TUsbAudioHandle handle, uint32_t *eventCode, uint8_t *buffer,
                                                           uint32_t bufferSize, uint32_t *bytesReturned)
{
    return UsbDriver::instance().readNotification(handle, eventCode, buffer, bufferSize, bytesReturned);
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_GetCurrentSampleRate(TUsbAudioHandle handle, uint32_t *sampleRate)
{
    // 0 Hz is "unknown" (no card, or no stream runs): the status page then shows no rate, where
    // a failure would make the panel drop the device.
    std::shared_ptr<usbdrv::UsbDevice> device;
    if (const TSTATUS s = UsbDriver::instance().deviceOf(handle, &device))
        return s;
    if (!sampleRate)
        return usbdrv::kInvalidParameter;
    *sampleRate = UsbDriver::currentRate(*device);
    return tusb::kOk;
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_ClassVendorRequestOut(TUsbAudioHandle handle, uint32_t recipient,
                                                          uint32_t recipientIndex, uint32_t request, uint32_t value,
                                                          uint32_t index, uint32_t dataLength, const uint8_t *data,
                                                          uint32_t *bytesTransferred, uint32_t timeoutMs)
{
    (void)recipientIndex;
    return UsbDriver::instance().vendorRequest(handle, false, recipient, request, value, index, dataLength,
                                               const_cast<uint8_t *>(data), bytesTransferred, timeoutMs);
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_ClassVendorRequestIn(TUsbAudioHandle handle, uint32_t recipient,
                                                         uint32_t recipientIndex, uint32_t request, uint32_t value,
                                                         uint32_t index, uint32_t dataLength, uint8_t *data,
                                                         uint32_t *bytesTransferred, uint32_t timeoutMs)
{
    (void)recipientIndex;
    return UsbDriver::instance().vendorRequest(handle, true, recipient, request, value, index, dataLength, data,
                                               bytesTransferred, timeoutMs);
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_GetDriverInfo(void *driverInfo)
{
    if (!driverInfo)
        return usbdrv::kInvalidParameter;
    auto *p = static_cast<uint8_t *>(driverInfo);
    std::memset(p, 0, tusb::kDriverInfoSize);
    putU32(p + 8, CALDER_USB_VERSION_MAJOR);
    putU32(p + 12, CALDER_USB_VERSION_MINOR);
    putU32(p + 16, CALDER_USB_VERSION_PATCH);
#ifdef NDEBUG
    putU32(p + 20, 0);
#else
    putU32(p + 20, 1);
#endif
    return tusb::kOk;
}

// What the kernel's audio driver owns comes from the device's ALSA card (a device without one
// answers kNotSupported); what has no Linux counterpart (ASIO, choosing a stream format) is
// not supported.
CALDER_USB_EXPORT TSTATUS TUSBAUDIO_GetClientInfo(TUsbAudioHandle handle, uint32_t *streamingState,
                                                  uint32_t *wdmClients, uint32_t *asioClients)
{
    int card = -1;
    if (const TSTATUS s = UsbDriver::instance().cardOf(handle, &card))
        return s;
    if (!streamingState || !wdmClients || !asioClients)
        return usbdrv::kInvalidParameter;
    const usbdrv::StreamInfo streams = usbdrv::readStreams(card);
    *streamingState = streams.playback.running || streams.capture.running ? 1 : 0;
    *wdmClients = usbdrv::openSubstreams(card); // the card's open PCM substreams
    *asioClients = 0;
    return tusb::kOk;
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_GetSupportedStreamFormats(TUsbAudioHandle handle, uint32_t direction,
                                                              uint32_t capacity, void *formats, uint32_t *count)
{
    if (count)
        *count = 0;
    int card = -1;
    if (const TSTATUS s = UsbDriver::instance().cardOf(handle, &card))
        return s;
    if (!count || (capacity && !formats) || direction > tusb::kDirectionInput)
        return usbdrv::kInvalidParameter;
    const auto list = usbdrv::distinctFormats(streamOf(usbdrv::readStreams(card), direction));
    *count = std::min<uint32_t>(capacity, uint32_t(list.size()));
    for (uint32_t i = 0; i < *count; ++i)
        putFormat(static_cast<uint8_t *>(formats) + i * tusb::kStreamFormatSize, list[i]);
    return list.size() > capacity ? tusb::kMoreFormatsThanTable : tusb::kOk;
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_GetCurrentStreamFormat(TUsbAudioHandle handle, uint32_t direction, void *format)
{
    int card = -1;
    if (const TSTATUS s = UsbDriver::instance().cardOf(handle, &card))
        return s;
    if (!format || direction > tusb::kDirectionInput)
        return usbdrv::kInvalidParameter;
    usbdrv::AltFormat current;
    if (!usbdrv::currentFormat(streamOf(usbdrv::readStreams(card), direction), &current))
        return usbdrv::kStreamStopped;
    putFormat(static_cast<uint8_t *>(format), current);
    return tusb::kOk;
}

// The kernel picks the alternate setting that fits what an application opens the stream with.
CALDER_USB_EXPORT TSTATUS TUSBAUDIO_SetCurrentStreamFormat(TUsbAudioHandle handle, uint32_t, uint32_t)
{
    return notSupportedFor(handle);
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_GetStreamFormatSelectionMode(TUsbAudioHandle handle, uint32_t *mode)
{
    int card = -1;
    if (const TSTATUS s = UsbDriver::instance().cardOf(handle, &card))
        return s;
    if (!mode)
        return usbdrv::kInvalidParameter;
    *mode = 0; // formats are shown, not chosen
    return tusb::kOk;
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_GetASIOInstanceInfo(uint32_t, void *) { return usbdrv::kNotSupported; }

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_SetASIOBufferPreferredSize(uint32_t, uint32_t, uint32_t, uint32_t)
{
    return usbdrv::kNotSupported;
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_GetVolumeMuteInfo(TUsbAudioHandle handle, uint32_t direction, uint32_t channel,
                                                      void *info)
{
    usbdrv::VolumeRange range;
    const TSTATUS s =
        withMixer(handle, info, [&](usbdrv::AlsaMixer &m) { return m.range(direction, channel, &range); });
    if (s == tusb::kOk) {
        auto *p = static_cast<uint8_t *>(info);
        putU32(p, (range.volume ? 1u : 0u) | (range.mute ? 2u : 0u));
        for (int i : {0, 1, 2}) {
            const int16_t v = i == 0 ? range.min : i == 1 ? range.max : range.resolution;
            std::memcpy(p + 4 + 2 * i, &v, 2); // little-endian host
        }
    }
    return s;
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_GetVolume(TUsbAudioHandle handle, uint32_t direction, uint32_t channel,
                                              int16_t *volume)
{
    return withMixer(handle, volume, [&](usbdrv::AlsaMixer &m) { return m.volume(direction, channel, volume); });
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_SetVolume(TUsbAudioHandle handle, uint32_t direction, uint32_t channel,
                                              int16_t volume)
{
    return withMixer(handle, &volume, [&](usbdrv::AlsaMixer &m) { return m.setVolume(direction, channel, volume); });
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_GetMute(TUsbAudioHandle handle, uint32_t direction, uint32_t channel,
                                            uint32_t *mute)
{
    bool muted = false;
    const TSTATUS s = withMixer(handle, mute, [&](usbdrv::AlsaMixer &m) { return m.mute(direction, channel, &muted); });
    if (s == tusb::kOk)
        *mute = muted ? 1 : 0;
    return s;
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_SetMute(TUsbAudioHandle handle, uint32_t direction, uint32_t channel, uint32_t mute)
{
    return withMixer(handle, &mute, [&](usbdrv::AlsaMixer &m) { return m.setMute(direction, channel, mute != 0); });
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_GetChannelInfo(TUsbAudioHandle handle, uint32_t, uint32_t, void *)
{
    return notSupportedFor(handle);
}

#define CALDER_USB_UNCALLED(name) \
    CALDER_USB_EXPORT TSTATUS TUSBAUDIO_##name(void) { return usbdrv::kNotImplemented; }
TUSB_UNCALLED_50_ENTRY_POINTS(CALDER_USB_UNCALLED)
TUSB_UNCALLED_51_ENTRY_POINTS(CALDER_USB_UNCALLED)
TUSB_UNCALLED_52_ENTRY_POINTS(CALDER_USB_UNCALLED)
#undef CALDER_USB_UNCALLED

} // extern "C"

// The exports must have exactly the types the panel calls them through.
#define CALDER_USB_CHECK_TYPE(name)                                                       \
    static_assert(std::is_same<decltype(&TUSBAUDIO_##name), TUSBAUDIO_##name##_t>::value, \
                  "TUSBAUDIO_" #name " does not match its prototype");
TUSB_VERSION_ENTRY_POINTS(CALDER_USB_CHECK_TYPE)
TUSB_CALLED_ENTRY_POINTS(CALDER_USB_CHECK_TYPE)
#undef CALDER_USB_CHECK_TYPE
