#pragma once
// The C interface of the driver API library: status codes, record sizes and the typed
// entry points the panel calls. Qt-free.
#include "platform/PlatformTypes.h"

#include <cstdint>

typedef uint32_t TSTATUS;
typedef void *TUsbAudioHandle;

namespace tusb {
constexpr TSTATUS kOk = 0;
constexpr TSTATUS kNoMoreItems = 0xEE000022u;          // library: no notification queued
constexpr TSTATUS kEntryPointMissing = 0xEE000030u;    // panel: the entry point is null
constexpr TSTATUS kMoreFormatsThanTable = 0xEE000034u; // library: table filled, take as success
constexpr TSTATUS kVersionRejected = 0xEE000060u;      // panel: CheckApiVersion refused
// Loader codes, as Windows reports them.
constexpr TSTATUS kAlreadyLoaded = 1;
constexpr TSTATUS kFileNotFound = 2;
constexpr TSTATUS kPathNotFound = 3;
constexpr TSTATUS kWrongValueType = 11;
constexpr TSTATUS kValueTooLong = 111;
constexpr TSTATUS kCannotLoad = 126;
constexpr TSTATUS kProcNotFound = 127;
constexpr TSTATUS kMoreData = 234;

constexpr uint32_t kDirectionOutput = 0;
constexpr uint32_t kDirectionInput = 1;

constexpr uint32_t kRequiredMajor = 5;
constexpr uint32_t kRequiredMinor = 2;

// Record sizes in bytes.
constexpr uint32_t kDevicePropertiesSize = 1040;
constexpr uint32_t kDriverInfoSize = 64;
constexpr uint32_t kStreamFormatSize = 332;
constexpr uint32_t kStreamFormatCapacity = 32;
constexpr uint32_t kAsioInstanceSize = 196;
constexpr uint32_t kAsioMaxSizes = 40;
constexpr uint32_t kVolumeMuteInfoSize = 16;
constexpr uint32_t kChannelInfoSize = 324;
constexpr uint32_t kNotificationBufferSize = 64;
constexpr uint32_t kPropertyStringUnits = 128;
constexpr uint32_t kChannelNameUnits = 160;

// Device properties record offsets.
constexpr uint32_t kPropVendorId = 0;
constexpr uint32_t kPropProductId = 4;
constexpr uint32_t kPropRevisionId = 8;
constexpr uint32_t kPropSerialNumber = 12;
constexpr uint32_t kPropManufacturer = 268;
constexpr uint32_t kPropProduct = 524;

// Vendor request codes and the fixed arguments of every request.
constexpr uint32_t kRequestParameterOrMeter = 0x10;
constexpr uint32_t kRequestDebugStatus = 0x11;
constexpr uint32_t kVendorBlockSize = 8;
constexpr uint32_t kVendorTimeoutMs = 1000;

constexpr uint32_t kPnpWindowMessage = 0x8002;
constexpr uint32_t kAllNotificationCategories = 0xFFFFFFFFu;
} // namespace tusb

#ifndef CALDER_LUMEN_VENDOR_ID
#define CALDER_LUMEN_VENDOR_ID 0x4C55
#endif
// USB vendor id of the supported mixer family (a build-time constant shared with the simulator).
constexpr uint32_t LumenVendorId = CALDER_LUMEN_VENDOR_ID;

constexpr uint32_t kProductAlto = 0x30;
constexpr uint32_t kProductTenor = 0x31;
constexpr uint32_t kProductBasso = 0x32;
constexpr uint32_t kProductVolume21 = 0x21;
constexpr uint32_t kProductVolume22 = 0x22;

extern "C" {
typedef uint32_t(TUSB_CALLCONV *TUSBAUDIO_GetApiVersion_t)(void);
typedef int32_t(TUSB_CALLCONV *TUSBAUDIO_CheckApiVersion_t)(uint32_t major, uint32_t minor);
typedef TSTATUS(TUSB_CALLCONV *TUSBAUDIO_RegisterPnpNotification_t)(HANDLE arrivalEvent, HANDLE removalEvent,
                                                                    void *windowHandle, uint32_t windowMessage,
                                                                    uint32_t flags);
typedef void(TUSB_CALLCONV *TUSBAUDIO_UnregisterPnpNotification_t)(void);
typedef TSTATUS(TUSB_CALLCONV *TUSBAUDIO_EnumerateDevices_t)(void);
typedef uint32_t(TUSB_CALLCONV *TUSBAUDIO_GetDeviceCount_t)(void);
typedef TSTATUS(TUSB_CALLCONV *TUSBAUDIO_OpenDeviceByIndex_t)(uint32_t index, TUsbAudioHandle *handle);
typedef TSTATUS(TUSB_CALLCONV *TUSBAUDIO_CloseDevice_t)(TUsbAudioHandle handle);
typedef TSTATUS(TUSB_CALLCONV *TUSBAUDIO_GetDeviceUsbMode_t)(TUsbAudioHandle handle, uint32_t *mode);
typedef TSTATUS(TUSB_CALLCONV *TUSBAUDIO_GetDeviceProperties_t)(TUsbAudioHandle handle, void *properties);
typedef TSTATUS(TUSB_CALLCONV *TUSBAUDIO_RegisterDeviceNotification_t)(TUsbAudioHandle handle, uint32_t categoryFilter,
                                                                       HANDLE event, uint32_t flags);
typedef TSTATUS(TUSB_CALLCONV *TUSBAUDIO_ReadDeviceNotification_t)(TUsbAudioHandle handle, uint32_t *eventCode,
                                                                   uint8_t *buffer, uint32_t bufferSize,
                                                                   uint32_t *bytesReturned);
typedef TSTATUS(TUSB_CALLCONV *TUSBAUDIO_GetCurrentSampleRate_t)(TUsbAudioHandle handle, uint32_t *sampleRate);
typedef TSTATUS(TUSB_CALLCONV *TUSBAUDIO_ClassVendorRequestOut_t)(TUsbAudioHandle handle, uint32_t recipient,
                                                                  uint32_t recipientIndex, uint32_t request,
                                                                  uint32_t value, uint32_t index, uint32_t dataLength,
                                                                  const uint8_t *data, uint32_t *bytesTransferred,
                                                                  uint32_t timeoutMs);
typedef TSTATUS(TUSB_CALLCONV *TUSBAUDIO_ClassVendorRequestIn_t)(TUsbAudioHandle handle, uint32_t recipient,
                                                                 uint32_t recipientIndex, uint32_t request,
                                                                 uint32_t value, uint32_t index, uint32_t dataLength,
                                                                 uint8_t *data, uint32_t *bytesTransferred,
                                                                 uint32_t timeoutMs);
typedef TSTATUS(TUSB_CALLCONV *TUSBAUDIO_GetDriverInfo_t)(void *driverInfo);
typedef TSTATUS(TUSB_CALLCONV *TUSBAUDIO_GetClientInfo_t)(TUsbAudioHandle handle, uint32_t *streamingState,
                                                          uint32_t *wdmClients, uint32_t *asioClients);
typedef TSTATUS(TUSB_CALLCONV *TUSBAUDIO_GetSupportedStreamFormats_t)(TUsbAudioHandle handle, uint32_t direction,
                                                                      uint32_t capacity, void *formats,
                                                                      uint32_t *count);
typedef TSTATUS(TUSB_CALLCONV *TUSBAUDIO_GetCurrentStreamFormat_t)(TUsbAudioHandle handle, uint32_t direction,
                                                                   void *format);
typedef TSTATUS(TUSB_CALLCONV *TUSBAUDIO_SetCurrentStreamFormat_t)(TUsbAudioHandle handle, uint32_t direction,
                                                                   uint32_t formatId);
typedef TSTATUS(TUSB_CALLCONV *TUSBAUDIO_GetStreamFormatSelectionMode_t)(TUsbAudioHandle handle, uint32_t *mode);
typedef TSTATUS(TUSB_CALLCONV *TUSBAUDIO_GetASIOInstanceInfo_t)(uint32_t instance, void *info);
typedef TSTATUS(TUSB_CALLCONV *TUSBAUDIO_SetASIOBufferPreferredSize_t)(uint32_t instance, uint32_t instanceWord,
                                                                       uint32_t bufferSize, uint32_t flags);
typedef TSTATUS(TUSB_CALLCONV *TUSBAUDIO_GetVolumeMuteInfo_t)(TUsbAudioHandle handle, uint32_t direction,
                                                              uint32_t channel, void *info);
typedef TSTATUS(TUSB_CALLCONV *TUSBAUDIO_GetVolume_t)(TUsbAudioHandle handle, uint32_t direction, uint32_t channel,
                                                      int16_t *volume);
typedef TSTATUS(TUSB_CALLCONV *TUSBAUDIO_SetVolume_t)(TUsbAudioHandle handle, uint32_t direction, uint32_t channel,
                                                      int16_t volume);
typedef TSTATUS(TUSB_CALLCONV *TUSBAUDIO_GetMute_t)(TUsbAudioHandle handle, uint32_t direction, uint32_t channel,
                                                    uint32_t *mute);
typedef TSTATUS(TUSB_CALLCONV *TUSBAUDIO_SetMute_t)(TUsbAudioHandle handle, uint32_t direction, uint32_t channel,
                                                    uint32_t mute);
typedef TSTATUS(TUSB_CALLCONV *TUSBAUDIO_GetChannelInfo_t)(TUsbAudioHandle handle, uint32_t direction, uint32_t channel,
                                                           void *info);
// Entry points the panel resolves but never calls.
typedef void(TUSB_CALLCONV *TUSBAUDIO_Untyped_t)(void);
}
