#pragma once
// The mixer's vendor protocol: 8-byte parameter write blocks, the meter and debug replies, and
// the value encodings. Every sender in the panel builds its blocks here so that the byte orders
// (routing value low byte first, ducker values high byte first) exist in one place only.
#include "device/TUsbAudioApi.h"

#include <array>
#include <cstdint>

class TUsbAudioApiDll;

namespace MixerProtocol {

using Block = std::array<uint8_t, 8>;

// Parameter ids of the parameter write (request 0x10, out).
constexpr uint16_t kParamRouting = 0x0400;
constexpr uint16_t kParamDuckerSwitch = 0x0280; // on, trigger mask, release
constexpr uint16_t kParamDuckRange = 0x0281;
constexpr uint16_t kParamSensitivity = 0x0282;
constexpr uint16_t kParamAttackHold = 0x0283;

// Trigger-input bits of the ducker mask (also the values stored under "Input 1".."Input 4").
constexpr int kTriggerInput1 = 0x1;
constexpr int kTriggerInput2 = 0x2;
constexpr int kTriggerInput3 = 0x4;
constexpr int kTriggerInput4 = 0x8;

// 00 00 <id hi> <id lo> <value, high byte first>: the ducker parameters.
Block parameterBlock(uint16_t parameterId, uint32_t value);
// 00 00 04 <lowIdByte> <value, low byte first>: the routing selection.
Block routingBlock(uint8_t lowIdByte, uint32_t value);

// Value of 0x0280: byte 4 = on & 1, byte 5 = mask & 0x0F, bytes 6-7 = release ms & 0xFFFF.
uint32_t duckerSwitchValue(int on, int triggerMask, int releaseMs);
// Value of 0x0281: duck range (attenuation) in dB as a 2.29 fixed-point gain minus one LSB.
uint32_t duckRangeValue(int rangeDb);
// Value of 0x0282: threshold in dB as a 9.23 fixed-point gain minus one LSB.
uint32_t sensitivityValue(int sensitivityDb);
// Value of 0x0283: attack ms in the high half, hold ms in the low half.
uint32_t attackHoldValue(int attackMs, int holdMs);

// Meter reply: bytes 0-3, signed, low byte first.
int32_t meterLevel(const Block &reply);

struct DebugStatus
{
    uint8_t id = 0;
    uint8_t mux0 = 0;
    uint8_t mux1 = 0;
    uint8_t adc = 0;
    uint8_t fx = 0;
    uint16_t tempo = 0; // bytes 5-6, high byte first
    uint8_t constant = 0;
};
DebugStatus parseDebugStatus(const Block &reply);

// Thin senders with the fixed arguments every request uses (handle, 0, 0, request, 0, 0, 8,
// block, count, 1000). A missing entry point gives tusb::kEntryPointMissing.
TSTATUS writeParameterBlock(TUsbAudioApiDll &api, TUsbAudioHandle handle, const Block &block);
TSTATUS readMeterBlock(TUsbAudioApiDll &api, TUsbAudioHandle handle, Block &reply);
TSTATUS readDebugBlock(TUsbAudioApiDll &api, TUsbAudioHandle handle, Block &reply);

} // namespace MixerProtocol
