// The device properties record as the driver may fill it, and the texts built from it.
#include "FuzzTarget.h"
#include "device/DevicePropertiesRecord.h"
#include "viewmodels/InfoFormatting.h"

#include <algorithm>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    DevicePropertiesRecord::Bytes record{};
    std::memcpy(record.data(), data, std::min(size, record.size()));
    const DevicePropertiesRecord p = DevicePropertiesRecord::parse(record);
    FUZZ_CHECK(p.serialNumber.size() <= int(tusb::kPropertyStringUnits));
    FUZZ_CHECK(p.manufacturer.size() <= int(tusb::kPropertyStringUnits));
    FUZZ_CHECK(p.product.size() <= int(tusb::kPropertyStringUnits));
    FUZZ_CHECK(!p.serialNumber.contains(QChar(0)) && !p.product.contains(QChar(0)));

    const QString name = p.displayName();
    FUZZ_CHECK(name.size() == p.product.size() + 1 + p.serialNumber.size());
    InfoFormatting::mixerSerialText(name, p.serialNumber);
    InfoFormatting::otherProductText(name, p.manufacturer);
    InfoFormatting::vendorIdText(p.vendorId);
    InfoFormatting::productIdText(p.productId);
    InfoFormatting::revisionText(p.revisionId);
    return 0;
}
