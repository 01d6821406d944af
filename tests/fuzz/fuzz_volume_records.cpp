// The volume/mute record (first 16 bytes), a channel-name record (the rest), the dB conversions.
#include "FuzzTarget.h"
#include "device/VolumeRecords.h"
#include "viewmodels/VolumeConversion.h"

#include <algorithm>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const size_t infoSize = std::min<size_t>(size, tusb::kVolumeMuteInfoSize);
    const std::vector<uint8_t> info(data, data + infoSize);
    const VolumeMuteInfo v = VolumeRecords::parseVolumeMuteInfo(info.data(), info.size());
    for (int16_t raw : {v.minimum, v.maximum, v.resolution}) {
        const short db = VolumeConversion::toWholeDb(raw);
        FUZZ_CHECK(db >= -128 && db <= 127);
        FUZZ_CHECK(VolumeConversion::toWholeDb(VolumeConversion::toDeviceValue(db)) == db);
    }

    const std::vector<uint8_t> name(data + infoSize, data + size);
    const QString text = VolumeRecords::parseChannelName(name.data(), name.size());
    FUZZ_CHECK(text.size() <= int(tusb::kChannelNameUnits));
    FUZZ_CHECK(size_t(text.size()) * 2 + 4 <= std::max<size_t>(name.size(), 4));
    FUZZ_CHECK(!text.contains(QChar(0)));
    return 0;
}
