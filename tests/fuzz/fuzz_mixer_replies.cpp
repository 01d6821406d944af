// The mixer's 8-byte replies as meter readings through the peak hold and as debug status.
#include "FuzzTarget.h"
#include "device/MixerProtocol.h"
#include "viewmodels/MeterArithmetic.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    PeakHoldMeter meter;
    for (size_t at = 0; at + 8 <= size; at += 8) {
        MixerProtocol::Block reply;
        std::memcpy(reply.data(), data + at, 8);
        const int32_t level = MixerProtocol::meterLevel(reply);
        int reading = -12345;
        if (meter.update(double(level), &reading)) {
            // The held level lies within 0.75 .. 2^31 (-2.5 dB .. 186.6 dB).
            FUZZ_CHECK(reading >= -48 && reading <= 140);
        }
        FUZZ_CHECK(meter.heldPeak() >= 0.0);

        const MixerProtocol::DebugStatus d = MixerProtocol::parseDebugStatus(reply);
        FUZZ_CHECK(d.id == reply[0] && d.constant == reply[7]);
        FUZZ_CHECK(d.tempo == uint16_t(reply[5] << 8 | reply[6]));
    }
    return 0;
}
