#pragma once
// The driver exchanges volumes as signed 16-bit values in 1/256 dB; the pages work in whole dB.
#include <cstdint>

namespace VolumeConversion {

// Truncated toward zero: -2752 (-10.75 dB) gives -10, -128 gives 0.
inline short toWholeDb(int16_t deviceValue) { return short(deviceValue / 256); }

// Whole dB outside what 16 bits of 1/256 dB can carry (-128..127) is held at the nearest end
// instead of wrapping round to a value of the opposite sign.
inline int16_t toDeviceValue(int wholeDb)
{
    if (wholeDb < -128)
        wholeDb = -128;
    else if (wholeDb > 127)
        wholeDb = 127;
    return int16_t(wholeDb * 256);
}

} // namespace VolumeConversion
