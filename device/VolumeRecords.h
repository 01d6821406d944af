#pragma once
// The driver's 16-byte volume/mute information record and 324-byte channel-name record.
#include "device/TUsbAudioApi.h"

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>

using VolumeMuteInfoBuffer = std::array<uint8_t, tusb::kVolumeMuteInfoSize>;
using ChannelNameBuffer = std::array<uint8_t, tusb::kChannelInfoSize>;

struct VolumeMuteInfo
{
    uint32_t flags = 0;
    int16_t minimum = 0;    // 1/256 dB
    int16_t maximum = 0;    // 1/256 dB
    int16_t resolution = 0; // 1/256 dB, only compared

    bool hasVolumeControl() const { return (flags & 0x1u) != 0; }
    bool hasMuteControl() const { return (flags & 0x2u) != 0; }
    bool sameRangeAs(const VolumeMuteInfo &o) const
    {
        return minimum == o.minimum && maximum == o.maximum && resolution == o.resolution;
    }
};

namespace VolumeRecords {

VolumeMuteInfo parseVolumeMuteInfo(const uint8_t *data, size_t size);

// The name at byte 4: UTF-16, ends at the first zero unit, after 160 units, or at the end of
// the buffer, whichever comes first.
QString parseChannelName(const uint8_t *data, size_t size);

} // namespace VolumeRecords
