#include "device/VolumeRecords.h"

#include "device/RecordBytes.h"

#include <algorithm>

namespace {
constexpr size_t kFlagsOffset = 0;
constexpr size_t kMinimumOffset = 4;
constexpr size_t kMaximumOffset = 6;
constexpr size_t kResolutionOffset = 8;
constexpr size_t kNameOffset = 4;
} // namespace

namespace VolumeRecords {

VolumeMuteInfo parseVolumeMuteInfo(const uint8_t *data, size_t size)
{
    VolumeMuteInfo info;
    info.flags = RecordBytes::readU32(data, size, kFlagsOffset);
    info.minimum = RecordBytes::readI16(data, size, kMinimumOffset);
    info.maximum = RecordBytes::readI16(data, size, kMaximumOffset);
    info.resolution = RecordBytes::readI16(data, size, kResolutionOffset);
    return info;
}

QString parseChannelName(const uint8_t *data, size_t size)
{
    if (!data || size <= kNameOffset)
        return QString();
    const size_t units = std::min<size_t>((size - kNameOffset) / 2, tusb::kChannelNameUnits);
    QString name;
    name.reserve(int(units));
    for (size_t i = 0; i < units; ++i) {
        const size_t at = kNameOffset + 2 * i;
        const ushort unit = ushort(data[at] | data[at + 1] << 8);
        if (unit == 0)
            break;
        name.append(QChar(unit));
    }
    return name;
}

} // namespace VolumeRecords
