#include "device/DevicePropertiesRecord.h"

namespace {

uint32_t readU32(const DevicePropertiesRecord::Bytes &r, uint32_t offset)
{
    return uint32_t(r[offset]) | (uint32_t(r[offset + 1]) << 8) | (uint32_t(r[offset + 2]) << 16) |
           (uint32_t(r[offset + 3]) << 24);
}

QString readUtf16(const DevicePropertiesRecord::Bytes &r, uint32_t offset)
{
    static_assert(tusb::kPropProduct + 2 * tusb::kPropertyStringUnits <= tusb::kDevicePropertiesSize,
                  "strings lie inside the record");
    QString s;
    s.reserve(int(tusb::kPropertyStringUnits));
    for (uint32_t i = 0; i < tusb::kPropertyStringUnits; ++i) {
        const uint16_t unit = uint16_t(r[offset + 2 * i] | (r[offset + 2 * i + 1] << 8));
        if (unit == 0)
            break;
        s.append(QChar(unit));
    }
    return s;
}

} // namespace

DevicePropertiesRecord DevicePropertiesRecord::parse(const Bytes &record)
{
    DevicePropertiesRecord p;
    p.vendorId = readU32(record, tusb::kPropVendorId);
    p.productId = readU32(record, tusb::kPropProductId);
    p.revisionId = readU32(record, tusb::kPropRevisionId);
    p.serialNumber = readUtf16(record, tusb::kPropSerialNumber);
    p.manufacturer = readUtf16(record, tusb::kPropManufacturer);
    p.product = readUtf16(record, tusb::kPropProduct);
    return p;
}
