#pragma once
// Reading of the driver's 1040-byte device properties record. The record comes from the
// library, so nothing here trusts it: strings stop at their 128 units even without a terminator.
#include "device/TUsbAudioApi.h"

#include <QString>

#include <array>
#include <cstdint>

struct DevicePropertiesRecord
{
    using Bytes = std::array<uint8_t, tusb::kDevicePropertiesSize>;

    uint32_t vendorId = 0;
    uint32_t productId = 0;
    uint32_t revisionId = 0;
    QString serialNumber;
    QString manufacturer;
    QString product;

    static DevicePropertiesRecord parse(const Bytes &record);

    // The name the device list shows: product, one space, serial number.
    QString displayName() const { return product + QLatin1Char(' ') + serialNumber; }
};
