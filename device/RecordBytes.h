#pragma once
// Bounds-checked little-endian reads from driver records. A field that does not fit in the
// buffer reads as 0, so a short or truncated record can never be read past its end.
#include <cstddef>
#include <cstdint>

namespace RecordBytes {

inline uint32_t readU32(const uint8_t *data, size_t size, size_t offset)
{
    if (!data || offset > size || size - offset < 4)
        return 0;
    return uint32_t(data[offset]) | uint32_t(data[offset + 1]) << 8 | uint32_t(data[offset + 2]) << 16 |
           uint32_t(data[offset + 3]) << 24;
}

inline int16_t readI16(const uint8_t *data, size_t size, size_t offset)
{
    if (!data || offset > size || size - offset < 2)
        return 0;
    return int16_t(uint16_t(data[offset] | data[offset + 1] << 8));
}

} // namespace RecordBytes
