#pragma once
// Status codes of the libusb driver library and how libusb's results map onto them. Pure.
#include "device/TUsbAudioApi.h"

#include <cstdint>

namespace usbdrv {

constexpr TSTATUS kNotImplemented = 0xEE000001u;   // the entry points the panel never calls
constexpr TSTATUS kInvalidHandle = 0xEE000003u;    // null, closed or never issued handle
constexpr TSTATUS kInvalidParameter = 0xEE000005u; // null pointer, out-of-range argument
constexpr TSTATUS kInvalidIndex = 0xEE000006u;     // no device at that index of the snapshot
constexpr TSTATUS kNotSupported = 0xEE000008u;     // no Linux counterpart, or a device without that feature
constexpr TSTATUS kDeviceGone = 0xEE000010u;       // unplugged (before or during the call)
constexpr TSTATUS kAccessDenied = 0xEE000011u;     // the device node may not be opened by this user
constexpr TSTATUS kDeviceBusy = 0xEE000012u;       // the kernel refused the device for now
constexpr TSTATUS kRequestStalled = 0xEE000040u;   // the device refused the request (STALL)
constexpr TSTATUS kRequestTimeout = 0xEE000041u;   // no answer within the timeout
constexpr TSTATUS kShortTransfer = 0xEE000042u;    // fewer bytes moved than asked
constexpr TSTATUS kTransferFailed = 0xEE000043u;   // any other transfer error (I/O, overflow)
constexpr TSTATUS kUsbUnavailable = 0xEE000044u;   // libusb could not be initialised
constexpr TSTATUS kOutOfMemory = 0xEE000045u;
constexpr TSTATUS kCardGone = 0xEE000046u;      // the device's ALSA card went (unplugged, driver unbound)
constexpr TSTATUS kBadControl = 0xEE000047u;    // a mixer control whose range is inverted or empty
constexpr TSTATUS kAlsaFailed = 0xEE000048u;    // any other ALSA error
constexpr TSTATUS kStreamStopped = 0xEE000049u; // no current format: stopped, with several to choose from
constexpr TSTATUS kNoCard = 0xEE00004Au;        // the device has no ALSA card: its audio driver is not bound

// A negative libusb_error as a status; 0 and positive values (byte counts) are success.
TSTATUS statusFromLibusb(int result);

// Result of a control transfer that asked for `asked` bytes: the status and how many moved.
struct TransferResult
{
    TSTATUS status;
    uint32_t moved;
};
TransferResult transferResult(int result, uint32_t asked);

// A negative errno from alsa-lib as a status.
TSTATUS statusFromAlsa(int error);

} // namespace usbdrv
