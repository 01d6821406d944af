#pragma once
// What the kernel's USB audio driver tells about a card's streams in its stream files
// (/proc/asound/cardN/streamM), and the card's USB address in its usbbus file. Pure.
//
// A stream file holds a "Playback:" and/or a "Capture:" section. Each starts with the status,
// "Status: Running" (then "Interface = i", "Altset = a" and "Momentary freq = f Hz (...)") or
// "Status: Stop", followed by one block per alternate setting: "Interface i", "Altset a",
// "Format: S24_3LE", "Channels: n", "Rates: 44100, 48000" (or "Rates: min - max (continuous)"),
// "Bits: b" and lines this parser does not need. Unknown lines are skipped.
#include <cstdint>
#include <string>
#include <vector>

namespace usbdrv {

struct AltFormat
{
    uint32_t id = 0; // interface << 8 | alternate setting
    uint32_t channels = 0, bits = 0;
    std::vector<uint32_t> rates; // listed rates, or {min, max} when continuous
    bool continuous = false;
};

struct StreamDirection
{
    bool running = false;
    uint32_t runningId = 0;   // the running alternate setting (interface << 8 | altset)
    uint32_t momentaryHz = 0; // as the kernel measures it while running
    std::vector<AltFormat> formats;
};

struct StreamInfo
{
    StreamDirection playback, capture;
};

// Adds what one stream file says to `info` (a card may have several stream files).
void parseStreamFile(const std::string &text, StreamInfo *info);

// The rate a running direction runs at: the listed rate of its alternate setting nearest to
// the measured one (which drifts with the device's clock); 0 while stopped.
uint32_t nominalRate(const StreamDirection &direction);

// The formats to offer: one per distinct (channels, bits), each with the id of its first
// alternate setting, in the kernel's order.
std::vector<AltFormat> distinctFormats(const StreamDirection &direction);

// The current format among distinctFormats: the running one; when stopped, the only one there
// is. False when stopped with a choice of formats (nothing is current then).
bool currentFormat(const StreamDirection &direction, AltFormat *format);

// "001/005" of a usbbus file: bus and device number; false for anything else.
bool parseUsbBus(const std::string &text, unsigned *bus, unsigned *device);

} // namespace usbdrv
