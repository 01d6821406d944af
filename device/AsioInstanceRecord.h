#pragma once
// The driver's 196-byte ASIO instance record and the buffer-size texts built from it.
#include "device/TUsbAudioApi.h"

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

using AsioInstanceBuffer = std::array<uint8_t, tusb::kAsioInstanceSize>;

struct AsioInstanceInfo
{
    uint32_t instanceWord = 0; // passed back unchanged when setting the buffer size
    uint32_t flags = 0;
    uint32_t currentBufferSize = 0;
    uint32_t reportedSizeCount = 0;    // as the driver wrote it, possibly beyond the table
    std::vector<uint32_t> bufferSizes; // at most 40, in the driver's order
};

namespace AsioInstanceRecord {

constexpr uint32_t kSafeModeFlag = 0x00010000u;

AsioInstanceInfo parse(const uint8_t *data, size_t size);

inline bool isSafeMode(uint32_t flags) { return (flags & kSafeModeFlag) != 0; }
inline uint32_t withSafeMode(uint32_t flags, bool on)
{
    return on ? (flags | kSafeModeFlag) : (flags & ~kSafeModeFlag);
}

// "256 samples", in the user's language.
QString bufferSizeText(uint32_t size);

// The leading number of a buffer-size text ("512 samples" -> 512, after any words a translation
// puts before it); 0 when the text does not start with an unsigned decimal number.
uint32_t leadingBufferSize(const QString &text);

} // namespace AsioInstanceRecord
