#include "UsbStatus.h"

#include <libusb.h>

#include <cerrno>

namespace usbdrv {

TSTATUS statusFromLibusb(int result)
{
    if (result >= 0)
        return tusb::kOk;
    switch (result) {
    case LIBUSB_ERROR_NO_DEVICE:
    case LIBUSB_ERROR_NOT_FOUND: return kDeviceGone;
    case LIBUSB_ERROR_ACCESS: return kAccessDenied;
    case LIBUSB_ERROR_BUSY: return kDeviceBusy;
    case LIBUSB_ERROR_PIPE: return kRequestStalled;
    case LIBUSB_ERROR_TIMEOUT: return kRequestTimeout;
    case LIBUSB_ERROR_INVALID_PARAM: return kInvalidParameter;
    case LIBUSB_ERROR_NO_MEM: return kOutOfMemory;
    case LIBUSB_ERROR_NOT_SUPPORTED: return kNotSupported;
    default: // IO, OVERFLOW, INTERRUPTED, OTHER
        return kTransferFailed;
    }
}

TransferResult transferResult(int result, uint32_t asked)
{
    if (result < 0)
        return {statusFromLibusb(result), 0};
    const uint32_t moved = static_cast<uint32_t>(result) < asked ? static_cast<uint32_t>(result) : asked;
    return {moved < asked ? kShortTransfer : tusb::kOk, moved};
}

TSTATUS statusFromAlsa(int error)
{
    if (error >= 0)
        return tusb::kOk;
    return error == -ENODEV || error == -ENOENT ? kCardGone : kAlsaFailed;
}

} // namespace usbdrv
