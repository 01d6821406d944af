#include "device/MixerProtocol.h"

#include "device/TUsbAudioApiDll.h"

#include <cmath>
#include <limits>

namespace MixerProtocol {

namespace {

void putBigEndian(Block &b, uint32_t value)
{
    b[4] = uint8_t(value >> 24);
    b[5] = uint8_t(value >> 16);
    b[6] = uint8_t(value >> 8);
    b[7] = uint8_t(value);
}

// Truncates towards zero like the firmware's reference conversion, but saturates instead of
// overflowing: hand-edited settings (a range of -100 dB, a threshold of +200 dB, ...) would
// otherwise make the float-to-integer conversion undefined. Every in-range input lies well
// inside [0, INT32_MAX], so the clamp never changes a valid encoding.
uint32_t truncSaturated(double v)
{
    v = std::trunc(v);
    if (!(v > 0.0))
        return 0;
    if (v >= double(std::numeric_limits<int32_t>::max()))
        return uint32_t(std::numeric_limits<int32_t>::max());
    return uint32_t(v);
}

TSTATUS vendorRequestIn(TUsbAudioApiDll &api, TUsbAudioHandle handle, uint32_t request, Block &reply)
{
    reply.fill(0); // a short reply must not leave the previous reading behind
    uint32_t count = 0;
    return tusb::call(api.TUSBAUDIO_ClassVendorRequestIn, handle, 0u, 0u, request, 0u, 0u, tusb::kVendorBlockSize,
                      reply.data(), &count, tusb::kVendorTimeoutMs);
}

} // namespace

Block parameterBlock(uint16_t parameterId, uint32_t value)
{
    Block b{};
    b[2] = uint8_t(parameterId >> 8);
    b[3] = uint8_t(parameterId);
    putBigEndian(b, value);
    return b;
}

Block routingBlock(uint8_t lowIdByte, uint32_t value)
{
    Block b{};
    b[2] = uint8_t(kParamRouting >> 8);
    b[3] = lowIdByte;
    b[4] = uint8_t(value);
    b[5] = uint8_t(value >> 8);
    b[6] = uint8_t(value >> 16);
    b[7] = uint8_t(value >> 24);
    return b;
}

uint32_t duckerSwitchValue(int on, int triggerMask, int releaseMs)
{
    return ((uint32_t(on) & 0x1u) << 24) | ((uint32_t(triggerMask) & 0x0Fu) << 16) | (uint32_t(releaseMs) & 0xFFFFu);
}

uint32_t duckRangeValue(int rangeDb)
{
    // The precision of each step matters: the mixer's tables were made with exactly this mix.
    const float exponent = float(-double(rangeDb) / 20.0);
    const float f = float(std::pow(10.0, double(exponent)));
    const float product = f * 536870912.0f;
    return truncSaturated(double(product) - 1.0);
}

uint32_t sensitivityValue(int sensitivityDb)
{
    const float exponent = float(sensitivityDb) / 20.0f;
    const float g = float(std::pow(10.0, double(exponent)));
    const float value = g * 8388608.0f - 1.0f;
    return truncSaturated(double(value));
}

uint32_t attackHoldValue(int attackMs, int holdMs) { return (uint32_t(attackMs) << 16) | (uint32_t(holdMs) & 0xFFFFu); }

int32_t meterLevel(const Block &reply)
{
    const uint32_t u = uint32_t(reply[0]) | (uint32_t(reply[1]) << 8) | (uint32_t(reply[2]) << 16) |
                       (uint32_t(reply[3]) << 24);
    return int32_t(u);
}

DebugStatus parseDebugStatus(const Block &reply)
{
    DebugStatus s;
    s.id = reply[0];
    s.mux0 = reply[1];
    s.mux1 = reply[2];
    s.adc = reply[3];
    s.fx = reply[4];
    s.tempo = uint16_t((uint16_t(reply[5]) << 8) | reply[6]);
    s.constant = reply[7];
    return s;
}

TSTATUS writeParameterBlock(TUsbAudioApiDll &api, TUsbAudioHandle handle, const Block &block)
{
    uint32_t count = 0;
    return tusb::call(api.TUSBAUDIO_ClassVendorRequestOut, handle, 0u, 0u, tusb::kRequestParameterOrMeter, 0u, 0u,
                      tusb::kVendorBlockSize, block.data(), &count, tusb::kVendorTimeoutMs);
}

TSTATUS readMeterBlock(TUsbAudioApiDll &api, TUsbAudioHandle handle, Block &reply)
{
    return vendorRequestIn(api, handle, tusb::kRequestParameterOrMeter, reply);
}

TSTATUS readDebugBlock(TUsbAudioApiDll &api, TUsbAudioHandle handle, Block &reply)
{
    return vendorRequestIn(api, handle, tusb::kRequestDebugStatus, reply);
}

} // namespace MixerProtocol
