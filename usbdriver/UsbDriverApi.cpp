// The 66 TUSBAUDIO_ entry points of the libusb driver library.
#include "UsbDriver.h"
#include "UsbStatus.h"

#include "device/TUsbAudioApi.h"
#include "device/TUsbAudioEntryPoints.h"

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

} // namespace

extern "C" {

CALDER_USB_EXPORT uint32_t TUSBAUDIO_GetApiVersion(void) { return (tusb::kRequiredMajor << 16) | tusb::kRequiredMinor; }

CALDER_USB_EXPORT int32_t TUSBAUDIO_CheckApiVersion(uint32_t major, uint32_t minor)
{
    return major == tusb::kRequiredMajor && minor <= tusb::kRequiredMinor ? 1 : 0;
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_RegisterPnpNotification(HANDLE arrivalEvent, HANDLE removalEvent,
                                                            void *windowHandle, uint32_t windowMessage,
                                                            uint32_t flags)
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

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_ReadDeviceNotification(TUsbAudioHandle handle, uint32_t *eventCode,
                                                           uint8_t *buffer, uint32_t bufferSize,
                                                           uint32_t *bytesReturned)
{
    return UsbDriver::instance().readNotification(handle, eventCode, buffer, bufferSize, bytesReturned);
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_GetCurrentSampleRate(TUsbAudioHandle handle, uint32_t *sampleRate)
{
    // The rate belongs to the kernel's audio driver and is not read yet. 0 Hz is "unknown": the
    // status page then shows no rate, where a failure would make the panel drop the device.
    if (const TSTATUS s = UsbDriver::instance().deviceOf(handle))
        return s;
    if (!sampleRate)
        return usbdrv::kInvalidParameter;
    *sampleRate = 0;
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

// What the kernel's audio driver owns (clients, formats, volumes) and what has no Linux
// counterpart (ASIO) is not provided yet.
CALDER_USB_EXPORT TSTATUS TUSBAUDIO_GetClientInfo(TUsbAudioHandle handle, uint32_t *, uint32_t *, uint32_t *)
{
    return notSupportedFor(handle);
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_GetSupportedStreamFormats(TUsbAudioHandle handle, uint32_t, uint32_t, void *,
                                                              uint32_t *count)
{
    if (count)
        *count = 0;
    return notSupportedFor(handle);
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_GetCurrentStreamFormat(TUsbAudioHandle handle, uint32_t, void *)
{
    return notSupportedFor(handle);
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_SetCurrentStreamFormat(TUsbAudioHandle handle, uint32_t, uint32_t)
{
    return notSupportedFor(handle);
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_GetStreamFormatSelectionMode(TUsbAudioHandle handle, uint32_t *)
{
    return notSupportedFor(handle);
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_GetASIOInstanceInfo(uint32_t, void *) { return usbdrv::kNotSupported; }

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_SetASIOBufferPreferredSize(uint32_t, uint32_t, uint32_t, uint32_t)
{
    return usbdrv::kNotSupported;
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_GetVolumeMuteInfo(TUsbAudioHandle handle, uint32_t, uint32_t, void *)
{
    return notSupportedFor(handle);
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_GetVolume(TUsbAudioHandle handle, uint32_t, uint32_t, int16_t *)
{
    return notSupportedFor(handle);
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_SetVolume(TUsbAudioHandle handle, uint32_t, uint32_t, int16_t)
{
    return notSupportedFor(handle);
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_GetMute(TUsbAudioHandle handle, uint32_t, uint32_t, uint32_t *)
{
    return notSupportedFor(handle);
}

CALDER_USB_EXPORT TSTATUS TUSBAUDIO_SetMute(TUsbAudioHandle handle, uint32_t, uint32_t, uint32_t)
{
    return notSupportedFor(handle);
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
#define CALDER_USB_CHECK_TYPE(name)                                                               \
    static_assert(std::is_same<decltype(&TUSBAUDIO_##name), TUSBAUDIO_##name##_t>::value,         \
                  "TUSBAUDIO_" #name " does not match its prototype");
TUSB_VERSION_ENTRY_POINTS(CALDER_USB_CHECK_TYPE)
TUSB_CALLED_ENTRY_POINTS(CALDER_USB_CHECK_TYPE)
#undef CALDER_USB_CHECK_TYPE
