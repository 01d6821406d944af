// Text commands of the calder-sim tool and the JSON state dump. Commands go through the
// CalderSim_ functions, so the tool can do nothing a test cannot.
#include "SimCore.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace sim {

namespace {

const char kHelp[] =
    "Commands (INDEX: position in `list`; DIR: in or out):\n"
    "  list                          devices plugged in now\n"
    "  state [INDEX]                 JSON dump of one device or of everything\n"
    "  reset [MODEL,MODEL...]        replace all devices (no argument: none)\n"
    "  plug MODEL                    alto tenor basso v21 v22 unknown foreign usbmode1\n"
    "  unplug INDEX\n"
    "  notify INDEX                  queue a device notification\n"
    "  rate INDEX HZ                 set the sample rate and notify\n"
    "  ids INDEX VID PID REVISION\n"
    "  strings INDEX SERIAL MANUFACTURER PRODUCT\n"
    "  usbmode INDEX MODE\n"
    "  meter INDEX LEVEL|sine|ramp|alternate [PERIOD_MS]\n"
    "  debug INDEX live|B0 B1 B2 B3 B4 B5 B6 B7\n"
    "  requests INDEX                vendor requests as hex, oldest first\n"
    "  clear-requests INDEX\n"
    "  mixer INDEX                   mixer state implied by the parameter writes\n"
    "  clients INDEX STREAMING WDM ASIO\n"
    "  formats INDEX DIR [ID:BITS:CHANNELS ...]   show or replace the format list\n"
    "  format INDEX DIR ID           set the current format\n"
    "  selection INDEX MODE          stream format selection mode (1: user may choose)\n"
    "  asio [SIZE,SIZE,... CURRENT [safe|nosafe]]  show or set the ASIO instance\n"
    "  driver MAJOR MINOR SUB [debug|release]\n"
    "  api MAJOR.MINOR\n"
    "  channels INDEX DIR [COUNT]    show or set the channel count\n"
    "  volume INDEX DIR CHANNEL DB   (channel 0: master)\n"
    "  mute INDEX DIR CHANNEL on|off\n"
    "  range INDEX DIR CHANNEL MIN_DB MAX_DB [RESOLUTION_DB]\n"
    "  controls INDEX DIR CHANNEL none|volume|mute|both\n"
    "  name INDEX DIR CHANNEL TEXT\n"
    "  fault OP STATUS [COUNT]       OP: entry point name or *; STATUS 0 removes\n"
    "  delay OP MS [COUNT] [stubborn]  block calls for MS; 0 removes; stubborn: an unplug\n"
    "                                does not end it\n"
    "  clear-faults\n"
    "  calls [OP]                    call counts (all non-zero ones, or one)\n"
    "  reset-calls\n";

bool parseNumber(const std::string &s, long long *out)
{
    if (s.empty())
        return false;
    char *end = nullptr;
    const long long v = std::strtoll(s.c_str(), &end, 0);
    if (!end || *end != '\0')
        return false;
    *out = v;
    return true;
}

bool parseU32(const std::string &s, uint32_t *out)
{
    long long v = 0;
    if (!parseNumber(s, &v) || v < -2147483648LL || v > 0xFFFFFFFFLL)
        return false;
    *out = static_cast<uint32_t>(v);
    return true;
}

bool parseDb(const std::string &s, int16_t *out)
{
    char *end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (s.empty() || !end || *end != '\0' || !(v >= -128.0 && v < 128.0))
        return false;
    *out = static_cast<int16_t>(std::lround(v * 256.0));
    return true;
}

bool parseDirection(const std::string &s, uint32_t *out)
{
    if (s == "in" || s == "input" || s == "1") {
        *out = tusb::kDirectionInput;
        return true;
    }
    if (s == "out" || s == "output" || s == "0") {
        *out = tusb::kDirectionOutput;
        return true;
    }
    return false;
}

std::string hex8(const uint8_t *b)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02X %02X %02X %02X %02X %02X %02X %02X", b[0], b[1], b[2], b[3], b[4], b[5], b[6],
                  b[7]);
    return buf;
}

std::string hex32(uint32_t v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", v);
    return buf;
}

std::string jsonString(const std::string &s)
{
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04X", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string deviceJson(const Device &d, uint32_t index, const Simulator &s)
{
    std::ostringstream o;
    int openHandles = 0;
    for (const auto &h : s.handles)
        openHandles += h.second.deviceUid == d.uid ? 1 : 0;
    o << "{\"index\":" << index << ",\"model\":" << jsonString(d.model) << ",\"vendorId\":" << d.vendorId
      << ",\"productId\":" << d.productId << ",\"revision\":" << d.revision
      << ",\"serial\":" << jsonString(toUtf8(d.serial)) << ",\"manufacturer\":" << jsonString(toUtf8(d.manufacturer))
      << ",\"product\":" << jsonString(toUtf8(d.product)) << ",\"usbMode\":" << d.usbMode
      << ",\"sampleRate\":" << d.sampleRate << ",\"openHandles\":" << openHandles
      << ",\"streamingState\":" << d.streamingState << ",\"wdmClients\":" << d.wdmClients
      << ",\"asioClients\":" << d.asioClients << ",\"selectionMode\":" << d.selectionMode;
    const Mixer &m = d.mixer;
    o << ",\"mixer\":{\"routing\":[";
    for (size_t i = 0; i < m.routing.size(); ++i)
        o << (i ? "," : "") << m.routing[i];
    o << "],\"duckerOn\":" << m.duckerOn << ",\"triggerMask\":" << m.triggerMask << ",\"releaseMs\":" << m.releaseMs
      << ",\"rangeValue\":" << m.rangeValue << ",\"sensitivityValue\":" << m.sensitivityValue
      << ",\"attackMs\":" << m.attackMs << ",\"holdMs\":" << m.holdMs << ",\"unknownWrites\":" << m.unknownWrites
      << "}";
    static const char *const kinds[] = {"constant", "sine", "ramp", "alternate"};
    o << ",\"meter\":{\"signal\":\"" << kinds[d.meter.kind < 4 ? d.meter.kind : 0] << "\",\"level\":" << d.meter.level
      << ",\"periodMs\":" << d.meter.periodMs << "}";
    o << ",\"requests\":" << d.requests.size() << ",\"droppedRequests\":" << d.droppedRequests;
    for (uint32_t dir = 0; dir < 2; ++dir) {
        const Direction &dr = d.dirs[dir];
        o << (dir ? ",\"input\":{" : ",\"output\":{") << "\"formats\":[";
        for (size_t i = 0; i < dr.formats.size(); ++i)
            o << (i ? "," : "") << "{\"id\":" << dr.formats[i].id << ",\"bits\":" << dr.formats[i].bits
              << ",\"channels\":" << dr.formats[i].channels << "}";
        o << "],\"currentFormat\":" << dr.currentFormat << ",\"channels\":[";
        for (size_t c = 0; c < dr.channels.size(); ++c) {
            const Channel &ch = dr.channels[c];
            o << (c ? "," : "") << "{\"channel\":" << c << ",\"name\":" << jsonString(toUtf8(ch.name))
              << ",\"flags\":" << ch.flags << ",\"min\":" << ch.minimum << ",\"max\":" << ch.maximum
              << ",\"resolution\":" << ch.resolution << ",\"volume\":" << ch.volume << ",\"mute\":" << ch.mute << "}";
        }
        o << "]}";
    }
    o << "}";
    return o.str();
}

int32_t indexArg(const std::vector<std::string> &a, size_t i, std::string &reply)
{
    uint32_t v = 0;
    if (i >= a.size() || !parseU32(a[i], &v) || v >= CalderSim_DeviceCount()) {
        reply = "no device at index " + (i < a.size() ? a[i] : std::string("?"));
        return -1;
    }
    return static_cast<int32_t>(v);
}

bool usage(std::string &reply, const std::string &cmd)
{
    reply = "bad arguments for '" + cmd + "' (see help)";
    return false;
}

bool done(int32_t rc, std::string &reply, const std::string &ok, const std::string &failed)
{
    reply = rc >= 0 ? ok : failed;
    return rc >= 0;
}

std::string stateOf(int32_t index)
{
    std::string s(CalderSim_GetState(index, nullptr, 0) + 1, '\0');
    CalderSim_GetState(index, &s[0], static_cast<uint32_t>(s.size()));
    s.pop_back();
    return s;
}

std::string formatsText(uint32_t index, uint32_t dir)
{
    Simulator &s = instance();
    std::lock_guard<std::mutex> lock(s.mutex);
    const Device *d = s.deviceAt(index);
    if (!d)
        return "";
    std::ostringstream o;
    for (const auto &f : d->dirs[dir].formats)
        o << f.id << ":" << f.bits << ":" << f.channels << (f.id == d->dirs[dir].currentFormat ? " (current)" : "")
          << "\n";
    if (d->dirs[dir].formats.empty())
        o << "no formats\n";
    return o.str();
}

} // namespace

std::string Simulator::stateJson(int32_t index)
{
    if (index >= 0) {
        const Device *d = deviceAt(static_cast<uint32_t>(index));
        return d ? deviceJson(*d, static_cast<uint32_t>(index), *this) : std::string("null");
    }
    std::ostringstream o;
    o << "{\"apiVersion\":\"" << apiMajor << "." << apiMinor << "\",\"driverInfo\":{\"major\":" << driverInfo.major
      << ",\"minor\":" << driverInfo.minor << ",\"subVersion\":" << driverInfo.sub << ",\"flags\":" << driverInfo.flags
      << "},\"asio\":{\"instanceWord\":" << asio.instanceWord << ",\"flags\":" << asio.flags
      << ",\"currentSize\":" << asio.currentSize << ",\"count\":" << asio.reportedCount << ",\"sizes\":[";
    for (size_t i = 0; i < asio.sizes.size(); ++i)
        o << (i ? "," : "") << asio.sizes[i];
    o << "]},\"pnpRegistered\":" << ((arrivalEvent || removalEvent) ? "true" : "false")
      << ",\"enumerated\":" << enumerated.size() << ",\"openHandles\":" << handles.size()
      << ",\"callsInProgress\":" << activeCalls << ",\"staleHandleCalls\":" << staleHandleCalls << ",\"devices\":[";
    for (size_t i = 0; i < devices.size(); ++i)
        o << (i ? "," : "") << deviceJson(devices[i], static_cast<uint32_t>(i), *this);
    o << "]}";
    return o.str();
}

std::vector<std::string> splitCommandLine(const std::string &line)
{
    // Words separated by blanks; double quotes group words ("Mic In 1"), \" and \\ escape.
    std::vector<std::string> out;
    std::string cur;
    bool inWord = false, quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '\\' && i + 1 < line.size()) {
                cur += line[++i];
            } else if (c == '"') {
                quoted = false;
            } else {
                cur += c;
            }
        } else if (c == '"') {
            quoted = true;
            inWord = true;
        } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            if (inWord)
                out.push_back(cur);
            cur.clear();
            inWord = false;
        } else {
            cur += c;
            inWord = true;
        }
    }
    if (inWord)
        out.push_back(cur);
    return out;
}

bool runCommand(const std::vector<std::string> &a, std::string &reply)
{
    reply.clear();
    if (a.empty() || a[0] == "help" || a[0] == "--help" || a[0] == "-h") {
        reply = kHelp;
        return !a.empty();
    }
    const std::string &cmd = a[0];
    const size_t n = a.size();
    static const char *const known[] = {
        "list",  "state",    "reset",        "plug",   "unplug",     "notify",   "rate",
        "ids",   "strings",  "usbmode",      "meter",  "debug",      "requests", "clear-requests",
        "mixer", "clients",  "formats",      "format", "selection",  "asio",     "driver",
        "api",   "channels", "volume",       "mute",   "range",      "controls", "name",
        "fault", "delay",    "clear-faults", "calls",  "reset-calls"};
    if (std::find(std::begin(known), std::end(known), cmd) == std::end(known)) {
        reply = "unknown command '" + cmd + "' (try 'help')";
        return false;
    }

    if (cmd == "list") {
        Simulator &s = instance();
        std::lock_guard<std::mutex> lock(s.mutex);
        std::ostringstream o;
        for (size_t i = 0; i < s.devices.size(); ++i) {
            const Device &d = s.devices[i];
            char ids[64];
            std::snprintf(ids, sizeof ids, "%04X:%04X rev %X", d.vendorId, d.productId, d.revision);
            o << i << "  " << d.model << "  " << ids << "  " << toUtf8(d.product) << " " << toUtf8(d.serial) << "  "
              << d.sampleRate << " Hz" << (d.usbMode ? "  usb mode " + std::to_string(d.usbMode) : "") << "\n";
        }
        if (s.devices.empty())
            o << "no devices\n";
        reply = o.str();
        return true;
    }
    if (cmd == "state") {
        int32_t index = -1;
        if (n > 1 && (index = indexArg(a, 1, reply)) < 0)
            return false;
        reply = stateOf(index) + "\n";
        return true;
    }
    if (cmd == "reset") {
        const int32_t rc = CalderSim_Reset(n > 1 ? a[1].c_str() : "");
        return done(rc, reply, std::to_string(rc) + " device(s)\n", "unknown model in '" + (n > 1 ? a[1] : "") + "'");
    }
    if (cmd == "plug") {
        if (n != 2)
            return usage(reply, cmd);
        const int32_t rc = CalderSim_Plug(a[1].c_str());
        return done(rc, reply, "plugged " + a[1] + " as " + std::to_string(rc) + "\n", "unknown model " + a[1]);
    }
    if (cmd == "reset-calls") {
        CalderSim_ResetCallCounts();
        reply = "call counts cleared\n";
        return true;
    }
    if (cmd == "clear-faults") {
        CalderSim_ClearFaults();
        reply = "faults and delays cleared\n";
        return true;
    }
    if (cmd == "fault" || cmd == "delay") {
        uint32_t value = 0;
        long long count = -1;
        const bool stubborn = cmd == "delay" && n == 5 && a[4] == "stubborn";
        if (n < 3 || n > (stubborn ? 5 : 4) || !parseU32(a[2], &value) || (n >= 4 && !parseNumber(a[3], &count)))
            return usage(reply, cmd);
        const int32_t c = static_cast<int32_t>(count);
        const int32_t rc = cmd == "fault" ? CalderSim_SetFault(a[1].c_str(), value, c)
                                          : setDelay(a[1].c_str(), value, c, stubborn);
        return done(rc, reply, cmd + " set\n", "unknown operation " + a[1]);
    }
    if (cmd == "calls") {
        if (n == 2) {
            Op op;
            if (a[1] != "*" && !opFromName(a[1], &op))
                return done(-1, reply, "", "unknown operation " + a[1]);
            reply = std::to_string(CalderSim_CallCount(a[1].c_str())) + "\n";
            return true;
        }
        std::ostringstream o;
        for (size_t i = 0; i < kOpCount; ++i) {
            const uint32_t c = CalderSim_CallCount(opName(static_cast<Op>(i)));
            if (c)
                o << opName(static_cast<Op>(i)) << " " << c << "\n";
        }
        reply = o.str();
        return true;
    }
    if (cmd == "asio") {
        if (n == 1) {
            uint32_t current = 0, flags = 0;
            CalderSim_GetAsio(&current, &flags);
            reply = "current " + std::to_string(current) + ", safe mode " + ((flags & 0x10000u) ? "on" : "off") +
                    ", flags " + hex32(flags) + "\n";
            return true;
        }
        if (n < 3 || n > 4)
            return usage(reply, cmd);
        std::vector<uint32_t> sizes;
        std::stringstream list(a[1]);
        std::string item;
        while (std::getline(list, item, ',')) {
            uint32_t v = 0;
            if (!parseU32(item, &v))
                return usage(reply, cmd);
            sizes.push_back(v);
        }
        uint32_t current = 0, flags = 0;
        if (!parseU32(a[2], &current))
            return usage(reply, cmd);
        CalderSim_GetAsio(nullptr, &flags);
        if (n == 4) {
            if (a[3] == "safe")
                flags |= 0x10000u;
            else if (a[3] == "nosafe")
                flags &= ~0x10000u;
            else
                return usage(reply, cmd);
        }
        CalderSim_SetAsio(sizes.data(), static_cast<uint32_t>(sizes.size()), current, flags);
        reply = "asio set\n";
        return true;
    }
    if (cmd == "driver") {
        uint32_t ma = 0, mi = 0, sub = 0;
        if (n < 4 || n > 5 || !parseU32(a[1], &ma) || !parseU32(a[2], &mi) || !parseU32(a[3], &sub))
            return usage(reply, cmd);
        if (n == 5 && a[4] != "debug" && a[4] != "release")
            return usage(reply, cmd);
        CalderSim_SetDriverInfo(ma, mi, sub, (n == 5 && a[4] == "debug") ? 1u : 0u);
        reply = "driver info set\n";
        return true;
    }
    if (cmd == "api") {
        const size_t dot = n == 2 ? a[1].find('.') : std::string::npos;
        uint32_t ma = 0, mi = 0;
        if (dot == std::string::npos || !parseU32(a[1].substr(0, dot), &ma) || !parseU32(a[1].substr(dot + 1), &mi))
            return usage(reply, cmd);
        CalderSim_SetApiVersion(ma, mi);
        reply = "api version set (the panel reads it when it loads the library)\n";
        return true;
    }

    // Everything else addresses one device.
    if (n < 2)
        return usage(reply, cmd);
    const int32_t idx = indexArg(a, 1, reply);
    if (idx < 0)
        return false;
    const uint32_t index = static_cast<uint32_t>(idx);

    if (cmd == "unplug" && n == 2)
        return done(CalderSim_Unplug(index), reply, "unplugged " + a[1] + "\n", "unplug failed");
    if (cmd == "notify" && n == 2) {
        const int32_t rc = CalderSim_Notify(index);
        return done(rc, reply, "notified " + std::to_string(rc) + " handle(s)\n", "notify failed");
    }
    if (cmd == "rate" && n == 3) {
        uint32_t hz = 0;
        if (!parseU32(a[2], &hz))
            return usage(reply, cmd);
        CalderSim_SetSampleRate(index, hz);
        const int32_t rc = CalderSim_Notify(index);
        return done(rc, reply, "rate set, notified " + std::to_string(rc) + " handle(s)\n", "rate failed");
    }
    if (cmd == "ids" && n == 5) {
        uint32_t v = 0, p = 0, r = 0;
        if (!parseU32(a[2], &v) || !parseU32(a[3], &p) || !parseU32(a[4], &r))
            return usage(reply, cmd);
        return done(CalderSim_SetDeviceIds(index, v, p, r), reply, "ids set\n", "failed");
    }
    if (cmd == "strings" && n == 5)
        return done(CalderSim_SetDeviceStrings(index, a[2].c_str(), a[3].c_str(), a[4].c_str()), reply, "strings set\n",
                    "failed");
    if (cmd == "usbmode" && n == 3) {
        uint32_t m = 0;
        if (!parseU32(a[2], &m))
            return usage(reply, cmd);
        return done(CalderSim_SetUsbMode(index, m), reply, "usb mode set\n", "failed");
    }
    if (cmd == "meter" && (n == 3 || n == 4)) {
        uint32_t period = 0;
        if (n == 4 && !parseU32(a[3], &period))
            return usage(reply, cmd);
        uint32_t kind = CALDER_SIM_METER_CONSTANT;
        if (a[2] == "sine")
            kind = CALDER_SIM_METER_SINE;
        else if (a[2] == "ramp")
            kind = CALDER_SIM_METER_RAMP;
        else if (a[2] == "alternate")
            kind = CALDER_SIM_METER_ALTERNATE;
        if (kind != CALDER_SIM_METER_CONSTANT)
            return done(CalderSim_SetMeterSignal(index, kind, period), reply, "meter follows " + a[2] + "\n", "failed");
        long long level = 0;
        if (!parseNumber(a[2], &level) || level < INT32_MIN || level > INT32_MAX)
            return usage(reply, cmd);
        return done(CalderSim_SetMeterLevel(index, static_cast<int32_t>(level)), reply, "meter level set\n", "failed");
    }
    if (cmd == "debug" && n == 3 && a[2] == "live")
        return done(CalderSim_SetDebugStatus(index, nullptr), reply, "debug status live\n", "failed");
    if (cmd == "debug" && n == 10) {
        uint8_t b[8];
        for (int i = 0; i < 8; ++i) {
            uint32_t v = 0;
            if (!parseU32(a[2 + i], &v) || v > 255)
                return usage(reply, cmd);
            b[i] = static_cast<uint8_t>(v);
        }
        return done(CalderSim_SetDebugStatus(index, b), reply, "debug status fixed\n", "failed");
    }
    if (cmd == "requests" && n == 2) {
        std::ostringstream o;
        const int32_t count = CalderSim_RequestCount(index);
        for (int32_t i = 0; i < count; ++i) {
            CalderSimRequest r{};
            if (CalderSim_GetRequest(index, static_cast<uint32_t>(i), &r) != 0)
                break;
            char head[32];
            std::snprintf(head, sizeof head, "%s %02X  ", r.direction ? "IN " : "OUT", r.request & 0xFF);
            o << head << hex8(r.data);
            if (r.status)
                o << "  status " << hex32(r.status);
            o << "\n";
        }
        reply = o.str();
        return true;
    }
    if (cmd == "clear-requests" && n == 2)
        return done(CalderSim_ClearRequests(index), reply, "requests cleared\n", "failed");
    if (cmd == "mixer" && n == 2) {
        CalderSimMixerState m{};
        CalderSim_GetMixerState(index, &m);
        std::ostringstream o;
        o << "routing writes " << m.routingWrites << ":";
        const uint32_t shown = m.routingWrites < CALDER_SIM_MAX_ROUTING ? m.routingWrites : CALDER_SIM_MAX_ROUTING;
        for (uint32_t i = 0; i < shown; ++i)
            o << " " << m.routing[i];
        const double range = -20.0 * std::log10((double(m.rangeValue) + 1.0) / 536870912.0);
        const double sens = 20.0 * std::log10((double(m.sensitivityValue) + 1.0) / 8388608.0);
        char buf[64];
        o << "\nducker " << (m.duckerOn ? "on" : "off") << ", trigger mask " << m.triggerMask << ", release "
          << m.releaseMs << " ms\n";
        std::snprintf(buf, sizeof buf, "%.1f dB", range);
        o << "range " << hex32(m.rangeValue) << " (" << buf << ")\n";
        std::snprintf(buf, sizeof buf, "%.1f dB", sens);
        o << "sensitivity " << hex32(m.sensitivityValue) << " (" << buf << ")\n";
        o << "attack " << m.attackMs << " ms, hold " << m.holdMs << " ms\n";
        if (m.unknownWrites)
            o << "unknown writes " << m.unknownWrites << "\n";
        reply = o.str();
        return true;
    }
    if (cmd == "clients" && n == 5) {
        uint32_t st = 0, w = 0, as = 0;
        if (!parseU32(a[2], &st) || !parseU32(a[3], &w) || !parseU32(a[4], &as))
            return usage(reply, cmd);
        return done(CalderSim_SetClientInfo(index, st, w, as), reply, "client info set\n", "failed");
    }
    if (cmd == "selection" && n == 3) {
        uint32_t m = 0;
        if (!parseU32(a[2], &m))
            return usage(reply, cmd);
        return done(CalderSim_SetSelectionMode(index, m), reply, "selection mode set\n", "failed");
    }

    // Direction-addressed commands.
    uint32_t dir = 0;
    if (n < 3 || !parseDirection(a[2], &dir))
        return usage(reply, cmd);
    if (cmd == "formats") {
        if (n == 3) {
            reply = formatsText(index, dir);
            return true;
        }
        std::vector<CalderSimFormat> formats;
        for (size_t i = 3; i < n; ++i) {
            CalderSimFormat f{};
            unsigned id = 0, bits = 0, ch = 0;
            char extra = 0;
            if (std::sscanf(a[i].c_str(), "%u:%u:%u%c", &id, &bits, &ch, &extra) != 3)
                return usage(reply, cmd);
            f.id = id;
            f.bits = bits;
            f.channels = ch;
            formats.push_back(f);
        }
        return done(CalderSim_SetStreamFormats(index, dir, formats.data(), static_cast<uint32_t>(formats.size())),
                    reply, "formats set\n", "too many formats (64 at most)");
    }
    if (cmd == "format" && n == 4) {
        uint32_t id = 0;
        if (!parseU32(a[3], &id))
            return usage(reply, cmd);
        return done(CalderSim_SetCurrentFormat(index, dir, id), reply, "current format set\n", "failed");
    }
    if (cmd == "channels" && (n == 3 || n == 4)) {
        if (n == 3) {
            reply = std::to_string(CalderSim_GetChannelCount(index, dir)) + "\n";
            return true;
        }
        uint32_t count = 0;
        if (!parseU32(a[3], &count))
            return usage(reply, cmd);
        return done(CalderSim_SetChannelCount(index, dir, count), reply, "channel count set\n", "64 channels at most");
    }

    uint32_t channel = 0;
    CalderSimChannel ch{};
    if (n < 5 || !parseU32(a[3], &channel) || CalderSim_GetChannel(index, dir, channel, &ch) != 0) {
        reply = "no such channel";
        return false;
    }
    if (cmd == "volume" && n == 5) {
        int16_t v = 0;
        if (!parseDb(a[4], &v))
            return usage(reply, cmd);
        ch.volume = v;
        return done(CalderSim_SetChannel(index, dir, channel, &ch), reply, "volume set\n", "failed");
    }
    if (cmd == "mute" && n == 5 && (a[4] == "on" || a[4] == "off")) {
        ch.mute = a[4] == "on" ? 1 : 0;
        return done(CalderSim_SetChannel(index, dir, channel, &ch), reply, "mute set\n", "failed");
    }
    if (cmd == "range" && (n == 6 || n == 7)) {
        if (!parseDb(a[4], &ch.minimum) || !parseDb(a[5], &ch.maximum) || (n == 7 && !parseDb(a[6], &ch.resolution)))
            return usage(reply, cmd);
        return done(CalderSim_SetChannel(index, dir, channel, &ch), reply, "range set\n", "failed");
    }
    if (cmd == "controls" && n == 5) {
        if (a[4] == "none")
            ch.flags = 0;
        else if (a[4] == "volume")
            ch.flags = CALDER_SIM_VOLUME_CONTROL;
        else if (a[4] == "mute")
            ch.flags = CALDER_SIM_MUTE_CONTROL;
        else if (a[4] == "both")
            ch.flags = CALDER_SIM_VOLUME_CONTROL | CALDER_SIM_MUTE_CONTROL;
        else
            return usage(reply, cmd);
        return done(CalderSim_SetChannel(index, dir, channel, &ch), reply, "controls set\n", "failed");
    }
    if (cmd == "name" && n >= 5) {
        std::string name = a[4];
        for (size_t i = 5; i < n; ++i)
            name += " " + a[i];
        return done(CalderSim_SetChannelName(index, dir, channel, name.c_str()), reply, "name set\n", "failed");
    }
    return usage(reply, cmd);
}

} // namespace sim
