#include "AlsaStream.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace usbdrv {

namespace {

std::string trimmed(const std::string &s)
{
    const auto first = s.find_first_not_of(" \t\r");
    return first == std::string::npos ? std::string() : s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// Every number in the text ("44100, 48000", "8000 - 96000 (continuous)").
std::vector<uint32_t> numbers(const std::string &text)
{
    std::vector<uint32_t> found;
    for (const char *p = text.c_str(); *p;) {
        char *end = nullptr;
        const unsigned long n = (*p >= '0' && *p <= '9') ? std::strtoul(p, &end, 10) : 0;
        if (end && end != p) {
            found.push_back(static_cast<uint32_t>(n));
            p = end;
        } else {
            ++p;
        }
    }
    return found;
}

uint32_t firstNumber(const std::string &text)
{
    const auto n = numbers(text);
    return n.empty() ? 0 : n.front();
}

} // namespace

void parseStreamFile(const std::string &text, StreamInfo *info)
{
    StreamDirection *direction = nullptr;
    uint32_t statusInterface = 0;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        const auto separator = line.find_first_of(":=");
        const std::string key = trimmed(line.substr(0, separator));
        const std::string value = separator == std::string::npos ? std::string() : trimmed(line.substr(separator + 1));
        if (key == "Playback" || key == "Capture") {
            direction = key == "Playback" ? &info->playback : &info->capture;
            continue;
        }
        if (!direction)
            continue;
        AltFormat *alt = direction->formats.empty() ? nullptr : &direction->formats.back();
        if (separator == std::string::npos) { // "Interface 1", "Altset 2": a block per setting
            const bool interface = key.compare(0, 9, "Interface") == 0, altset = key.compare(0, 6, "Altset") == 0;
            if (interface && !numbers(key).empty())
                direction->formats.push_back({firstNumber(key) << 8, 0, 0, {}, false});
            else if (altset && alt && !numbers(key).empty())
                alt->id |= firstNumber(key) & 0xFF;
        } else if (key == "Status") {
            direction->running = direction->running || value == "Running";
        } else if (key == "Interface" && line[separator] == '=') { // of the running setting
            statusInterface = firstNumber(value);
        } else if (key == "Altset" && line[separator] == '=') {
            direction->runningId = statusInterface << 8 | (firstNumber(value) & 0xFF);
        } else if (key == "Momentary freq") {
            direction->momentaryHz = firstNumber(value);
        } else if (!alt) {
            continue;
        } else if (key == "Channels") {
            alt->channels = firstNumber(value);
        } else if (key == "Format" && alt->bits == 0) { // "S24_3LE": until a "Bits:" line says
            alt->bits = firstNumber(value);
        } else if (key == "Bits" && firstNumber(value) > 0) {
            alt->bits = firstNumber(value);
        } else if (key == "Rates") {
            alt->rates = numbers(value);
            alt->continuous = value.find("continuous") != std::string::npos;
        }
    }
}

uint32_t nominalRate(const StreamDirection &direction)
{
    if (!direction.running)
        return 0;
    const uint32_t measured = direction.momentaryHz;
    for (const AltFormat &alt : direction.formats) {
        if (alt.id != direction.runningId || alt.rates.empty() || alt.continuous)
            continue;
        if (measured == 0)
            return alt.rates.size() == 1 ? alt.rates.front() : 0;
        uint32_t best = alt.rates.front();
        for (uint32_t rate : alt.rates)
            if (std::labs(long(rate) - long(measured)) < std::labs(long(best) - long(measured)))
                best = rate;
        return best;
    }
    return measured;
}

std::vector<AltFormat> distinctFormats(const StreamDirection &direction)
{
    std::vector<AltFormat> distinct;
    for (const AltFormat &alt : direction.formats) {
        bool known = false;
        for (const AltFormat &d : distinct)
            known = known || (d.channels == alt.channels && d.bits == alt.bits);
        if (!known)
            distinct.push_back(alt);
    }
    return distinct;
}

bool currentFormat(const StreamDirection &direction, AltFormat *format)
{
    const std::vector<AltFormat> distinct = distinctFormats(direction);
    if (!direction.running) {
        if (distinct.size() != 1)
            return false;
        *format = distinct.front();
        return true;
    }
    for (const AltFormat &alt : direction.formats) {
        if (alt.id != direction.runningId)
            continue;
        for (const AltFormat &d : distinct) {
            if (d.channels == alt.channels && d.bits == alt.bits) {
                *format = d;
                return true;
            }
        }
    }
    return false;
}

bool parseUsbBus(const std::string &text, unsigned *bus, unsigned *device)
{
    char rest = 0;
    return std::sscanf(text.c_str(), "%u/%u%c", bus, device, &rest) >= 2 && (rest == 0 || rest == '\n');
}

} // namespace usbdrv
