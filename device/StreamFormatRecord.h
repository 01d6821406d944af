#pragma once
// The driver's 332-byte stream-format record and the 32-record listing table.
#include "device/TUsbAudioApi.h"

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

struct StreamFormat
{
    uint32_t formatId = 0;
    uint32_t sampleBits = 0;
    uint32_t channelCount = 0;
};

// Zeroed storage for one record and for a listing call.
using StreamFormatBuffer = std::array<uint8_t, tusb::kStreamFormatSize>;
using StreamFormatTableBuffer = std::array<uint8_t, tusb::kStreamFormatSize * tusb::kStreamFormatCapacity>;

namespace StreamFormatRecord {

StreamFormat parse(const uint8_t *data, size_t size);

// The records a listing filled. The driver's count is trusted only up to the table capacity
// and to the whole records the buffer holds.
std::vector<StreamFormat> parseTable(const uint8_t *data, size_t size, uint32_t reportedCount);

// A listing is usable on success and when the driver had more formats than the table holds
// (the table is then full).
inline bool isListingUsable(TSTATUS status) { return status == tusb::kOk || status == tusb::kMoreFormatsThanTable; }

// "2 channels, 24 bits", in the user's language.
QString text(const StreamFormat &format);

// Largest channel count among the formats, 0 for none.
uint32_t maxChannelCount(const std::vector<StreamFormat> &formats);

} // namespace StreamFormatRecord
