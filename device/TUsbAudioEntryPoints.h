#pragma once
// The 66 exported names of the driver API library, in one place. X(name) is expanded by the
// loader (fields and resolution) and by the simulated driver (exports).

// Resolved first, before the version check.
#define TUSB_VERSION_ENTRY_POINTS(X) \
    X(GetApiVersion)                 \
    X(CheckApiVersion)

// Called by the panel; typed (see TUsbAudioApi.h). Version group 5.0.
#define TUSB_CALLED_ENTRY_POINTS(X) \
    X(RegisterPnpNotification)      \
    X(UnregisterPnpNotification)    \
    X(EnumerateDevices)             \
    X(GetDeviceCount)               \
    X(OpenDeviceByIndex)            \
    X(CloseDevice)                  \
    X(GetDeviceUsbMode)             \
    X(GetDeviceProperties)          \
    X(RegisterDeviceNotification)   \
    X(ReadDeviceNotification)       \
    X(GetCurrentSampleRate)         \
    X(ClassVendorRequestOut)        \
    X(ClassVendorRequestIn)         \
    X(GetDriverInfo)                \
    X(GetClientInfo)                \
    X(GetSupportedStreamFormats)    \
    X(GetCurrentStreamFormat)       \
    X(SetCurrentStreamFormat)       \
    X(GetStreamFormatSelectionMode) \
    X(GetASIOInstanceInfo)          \
    X(SetASIOBufferPreferredSize)   \
    X(GetVolumeMuteInfo)            \
    X(GetVolume)                    \
    X(SetVolume)                    \
    X(GetMute)                      \
    X(SetMute)                      \
    X(GetChannelInfo)

// Resolved but never called. Version group 5.0.
#define TUSB_UNCALLED_50_ENTRY_POINTS(X) \
    X(OpenDeviceByChannelIdString)       \
    X(GetDeviceInstanceIdString)         \
    X(GetDeviceContainerIdString)        \
    X(GetChannelIndexForChannelIdString) \
    X(GetChannelIdString)                \
    X(GetSupportedSampleRates)           \
    X(SetSampleRate)                     \
    X(GetSupportedClockSources)          \
    X(GetClockSourceStatus)              \
    X(GetCurrentClockSource)             \
    X(SetCurrentClockSource)             \
    X(GetChannelProperties)              \
    X(GetUsbConfigDescriptor)            \
    X(GetUsbStringDescriptorString)      \
    X(AudioControlRequestSet)            \
    X(AudioControlRequestGet)            \
    X(GetDeviceStreamingMode)            \
    X(SetDeviceStreamingMode)            \
    X(LoadFirmwareImageFromBuffer)       \
    X(LoadFirmwareImageFromFile)         \
    X(GetFirmwareImageSize)              \
    X(UnloadFirmwareImage)               \
    X(GetFirmwareImage)                  \
    X(StartDfuDownload)                  \
    X(StartDfuUpload)                    \
    X(StartDfuRevertToFactoryImage)      \
    X(GetDfuStatus)                      \
    X(EndDfuProc)                        \
    X(GetDspProperty)                    \
    X(SetDspProperty)                    \
    X(QueryDriverStatistics)             \
    X(ResetDriverStatistics)             \
    X(StatusCodeStringW)                 \
    X(StatusCodeStringA)

// Version group 5.1.
#define TUSB_UNCALLED_51_ENTRY_POINTS(X) \
    X(SetPreferredASIODevice)            \
    X(ClearPreferredASIODevice)

// Version group 5.2.
#define TUSB_UNCALLED_52_ENTRY_POINTS(X) X(QueryDeviceStatistics)
