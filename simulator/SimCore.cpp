#include "SimCore.h"

#include "platform/Event.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace sim {

namespace {

#define CALDER_SIM_OP_NAME(name) #name,
const char *const kOpNames[] = {
    TUSB_VERSION_ENTRY_POINTS(CALDER_SIM_OP_NAME) TUSB_CALLED_ENTRY_POINTS(CALDER_SIM_OP_NAME)
        TUSB_UNCALLED_50_ENTRY_POINTS(CALDER_SIM_OP_NAME) TUSB_UNCALLED_51_ENTRY_POINTS(CALDER_SIM_OP_NAME)
            TUSB_UNCALLED_52_ENTRY_POINTS(CALDER_SIM_OP_NAME)};
#undef CALDER_SIM_OP_NAME
static_assert(sizeof(kOpNames) / sizeof(kOpNames[0]) == kOpCount, "one name per operation");
static_assert(kOpCount == 66, "the driver interface has 66 entry points");

void readApiVersionFromEnv(uint32_t *major, uint32_t *minor)
{
    *major = tusb::kRequiredMajor;
    *minor = tusb::kRequiredMinor;
    const char *v = std::getenv("CALDER_SIM_API_VERSION");
    if (!v || !*v)
        return;
    // "5.1"; anything unparsable keeps the default.
    char *end = nullptr;
    const unsigned long ma = std::strtoul(v, &end, 10);
    if (!end || *end != '.')
        return;
    const unsigned long mi = std::strtoul(end + 1, nullptr, 10);
    *major = static_cast<uint32_t>(ma);
    *minor = static_cast<uint32_t>(mi);
}

Channel makeChannel(const std::string &prefix, uint32_t n, int16_t volumeDb)
{
    Channel c;
    c.volume = static_cast<int16_t>(volumeDb * 256);
    c.name = fromUtf8(prefix + " " + std::to_string(n));
    return c;
}

void setupDirection(Direction &dir, uint32_t channels, bool input, bool with32Bit)
{
    dir.formats = {{1, 16, channels}, {2, 24, channels}};
    if (with32Bit)
        dir.formats.push_back({3, 32, channels});
    dir.currentFormat = 2;
    Channel master;
    master.minimum = -127 * 256;
    master.volume = -10 * 256;
    master.name = u"Master";
    dir.channels = {master};
    for (uint32_t c = 1; c <= channels; ++c)
        dir.channels.push_back(makeChannel(input ? "Input" : "Output", c, -12));
}

} // namespace

const char *opName(Op op)
{
    const size_t i = static_cast<size_t>(op);
    return i < kOpCount ? kOpNames[i] : "?";
}

bool opFromName(const std::string &name, Op *op)
{
    std::string n = name;
    static const std::string prefix = "TUSBAUDIO_";
    if (n.compare(0, prefix.size(), prefix) == 0)
        n = n.substr(prefix.size());
    for (size_t i = 0; i < kOpCount; ++i) {
        if (n == kOpNames[i]) {
            *op = static_cast<Op>(i);
            return true;
        }
    }
    return false;
}

std::u16string fromUtf8(const std::string &s)
{
    std::u16string out;
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        uint32_t cp = 0xFFFD;
        size_t len = 1;
        if (c < 0x80) {
            cp = c;
        } else if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
        } else {
            ++i;
            out.push_back(0xFFFD);
            continue;
        }
        if (i + len > s.size()) {
            out.push_back(0xFFFD);
            break;
        }
        bool ok = true;
        for (size_t k = 1; k < len; ++k) {
            const unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!ok) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        i += len;
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp > 0x10FFFF ? 0xFFFD : cp));
        }
    }
    return out;
}

std::string toUtf8(const std::u16string &s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t cp = s[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

void putUtf16(uint8_t *p, const std::u16string &s, size_t units)
{
    const size_t n = std::min(s.size(), units);
    for (size_t i = 0; i < n; ++i) {
        p[2 * i] = static_cast<uint8_t>(s[i] & 0xFF);
        p[2 * i + 1] = static_cast<uint8_t>(s[i] >> 8);
    }
    if (n < units) {
        p[2 * n] = 0;
        p[2 * n + 1] = 0;
    }
}

bool makeDevice(const std::string &model, Device *out, uint32_t serialNumber)
{
    Device d;
    d.model = model;
    d.vendorId = LumenVendorId;
    d.revision = 0x105;
    d.manufacturer = u"Lumen Audio";
    d.streamingState = 1;
    d.wdmClients = 1;
    d.asioClients = 0;
    d.meter.kind = CALDER_SIM_METER_SINE;
    uint32_t inputs = 2, outputs = 2;
    bool with32 = false;
    std::string serialPrefix;
    if (model == "alto") {
        d.productId = kProductAlto;
        d.product = u"Alto";
        serialPrefix = "A";
    } else if (model == "tenor") {
        d.productId = kProductTenor;
        d.product = u"Tenor";
        d.revision = 0x110;
        serialPrefix = "T";
    } else if (model == "basso") {
        d.productId = kProductBasso;
        d.product = u"Basso";
        d.revision = 0x102;
        inputs = 4;
        serialPrefix = "B";
    } else if (model == "v21") {
        d.productId = kProductVolume21;
        d.product = u"Lumen Audio Duo";
        d.revision = 0x201;
        d.sampleRate = 44100;
        outputs = 3;
        serialPrefix = "D";
    } else if (model == "v22") {
        d.productId = kProductVolume22;
        d.product = u"Lumen Audio Quad";
        d.revision = 0x100;
        d.sampleRate = 96000;
        inputs = 4;
        outputs = 6;
        with32 = true;
        serialPrefix = "Q";
    } else if (model == "unknown") {
        d.productId = 0x40;
        d.product = u"Lumen Audio Prototype";
        serialPrefix = "P";
    } else if (model == "foreign") {
        d.vendorId = 0x05AB;
        d.productId = kProductTenor;
        d.manufacturer = u"Harrow Sound";
        d.product = u"Tenor";
        serialPrefix = "H";
    } else if (model == "usbmode1") {
        d.productId = kProductAlto;
        d.product = u"Alto";
        d.usbMode = 1;
        serialPrefix = "U";
    } else {
        return false;
    }
    d.serial = fromUtf8(serialPrefix + "-" + std::to_string(serialNumber));
    setupDirection(d.dirs[tusb::kDirectionInput], inputs, true, with32);
    setupDirection(d.dirs[tusb::kDirectionOutput], outputs, false, with32);

    // Give the volume devices pairs that exercise linking and mute: linked, same range but
    // different volumes, different ranges, only one channel of a pair muted.
    if (model == "v22") {
        auto &out = d.dirs[tusb::kDirectionOutput].channels;
        out[4].volume = -18 * 256;
        out[6].minimum = -40 * 256;
        out[6].maximum = 6 * 256;
        out[6].flags = CALDER_SIM_VOLUME_CONTROL;
        auto &in = d.dirs[tusb::kDirectionInput].channels;
        in[1].mute = 1;
        in[2].mute = 1;
        in[3].mute = 1;
    } else if (model == "v21") {
        auto &out = d.dirs[tusb::kDirectionOutput].channels;
        out[3].name = u"Output 3 (mono)";
        d.dirs[tusb::kDirectionInput].channels[0].flags = CALDER_SIM_VOLUME_CONTROL; // no master mute
    }
    *out = std::move(d);
    return true;
}

// --- mixer side of the vendor protocol ---

void applyParameterWrite(Device &d, const uint8_t b[8])
{
    Mixer &m = d.mixer;
    const uint32_t id = (uint32_t(b[2]) << 8) | b[3];
    const uint32_t le = uint32_t(b[4]) | (uint32_t(b[5]) << 8) | (uint32_t(b[6]) << 16) | (uint32_t(b[7]) << 24);
    const uint32_t be = (uint32_t(b[4]) << 24) | (uint32_t(b[5]) << 16) | (uint32_t(b[6]) << 8) | uint32_t(b[7]);
    if (b[0] != 0 || b[1] != 0) {
        ++m.unknownWrites;
        return;
    }
    switch (id) {
    case 0x0400:
        m.routing.push_back(le);
        if (m.routing.size() > 1024)
            m.routing.erase(m.routing.begin());
        m.writtenMask |= 1u;
        break;
    case 0x0280:
        m.duckerOn = b[4];
        m.triggerMask = b[5];
        m.releaseMs = (uint32_t(b[6]) << 8) | b[7];
        m.writtenMask |= 2u;
        break;
    case 0x0281:
        m.rangeValue = be;
        m.writtenMask |= 4u;
        break;
    case 0x0282:
        m.sensitivityValue = be;
        m.writtenMask |= 8u;
        break;
    case 0x0283:
        m.attackMs = be >> 16;
        m.holdMs = be & 0xFFFF;
        m.writtenMask |= 16u;
        break;
    default: ++m.unknownWrites; break;
    }
}

std::array<uint8_t, 8> meterReply(Device &d, Clock::time_point now)
{
    Meter &mt = d.meter;
    int32_t level = mt.level;
    const double period = mt.periodMs ? double(mt.periodMs) : 1000.0;
    const double t = std::chrono::duration<double, std::milli>(now - mt.start).count();
    const double pi = 3.14159265358979323846;
    switch (mt.kind) {
    case CALDER_SIM_METER_SINE: {
        const double db = -30.0 + 30.0 * std::sin(2.0 * pi * t / period);
        level = static_cast<int32_t>(CALDER_SIM_METER_FULL_SCALE * std::pow(10.0, db / 20.0));
        break;
    }
    case CALDER_SIM_METER_RAMP: {
        const double db = -60.0 + 60.0 * std::fmod(t, period) / period;
        level = static_cast<int32_t>(CALDER_SIM_METER_FULL_SCALE * std::pow(10.0, db / 20.0));
        break;
    }
    case CALDER_SIM_METER_ALTERNATE:
        mt.alternate = !mt.alternate;
        level = mt.alternate ? CALDER_SIM_METER_FULL_SCALE : 0;
        break;
    default: break;
    }
    std::array<uint8_t, 8> r{};
    putU32(r.data(), static_cast<uint32_t>(level));
    return r;
}

std::array<uint8_t, 8> debugReply(const Device &d, Clock::time_point now)
{
    if (d.debugOverride)
        return *d.debugOverride;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    const auto &routing = d.mixer.routing;
    std::array<uint8_t, 8> r{};
    r[0] = static_cast<uint8_t>(d.productId);
    if (d.productId == kProductBasso && routing.size() >= 2) {
        r[1] = static_cast<uint8_t>(routing[routing.size() - 2]);
        r[2] = static_cast<uint8_t>(routing.back());
    } else if (!routing.empty()) {
        r[1] = static_cast<uint8_t>(routing.back());
    }
    r[3] = static_cast<uint8_t>((ms / 40) % 256);  // adc: moves every poll or two
    r[4] = static_cast<uint8_t>(d.mixer.duckerOn); // fx
    const uint16_t tempo = static_cast<uint16_t>(118 + (ms / 1000) % 8);
    r[5] = static_cast<uint8_t>(tempo >> 8);
    r[6] = static_cast<uint8_t>(tempo & 0xFF);
    r[7] = 0x5A;
    return r;
}

// --- Simulator ---

Simulator::Simulator()
{
    std::lock_guard<std::mutex> lock(mutex);
    resetLocked(nullptr);
}

Simulator::~Simulator()
{
    std::unique_lock<std::mutex> lock(mutex);
    shuttingDown = true;
    wake.notify_all();
    // Let calls still blocked in an injected delay leave before the state goes away.
    idle.wait_for(lock, std::chrono::seconds(5), [this] { return activeCalls == 0; });
}

Device *Simulator::deviceAt(uint32_t index) { return index < devices.size() ? &devices[index] : nullptr; }

Device *Simulator::deviceByUid(uint64_t uid)
{
    for (auto &d : devices)
        if (d.uid == uid)
            return &d;
    return nullptr;
}

void Simulator::resetDriverSettingsLocked()
{
    readApiVersionFromEnv(&apiMajor, &apiMinor);
    driverInfo = DriverInfo{};
    driverInfo.major = apiMajor;
    driverInfo.minor = apiMinor;
    asio = Asio{};
    asio.sizes = {32, 64, 128, 256, 512, 1024, 2048};
    asio.reportedCount = static_cast<uint32_t>(asio.sizes.size());
    callCounts.fill(0);
    staleHandleCalls = 0;
    for (auto &f : faults)
        f.reset();
    for (auto &f : delays)
        f.reset();
}

bool Simulator::resetLocked(const char *deviceList)
{
    std::string list;
    if (deviceList) {
        list = deviceList;
    } else {
        const char *env = std::getenv("CALDER_SIM_DEVICES");
        list = env ? env : "alto";
    }
    std::vector<std::string> models;
    size_t pos = 0;
    while (pos <= list.size()) {
        size_t comma = list.find(',', pos);
        if (comma == std::string::npos)
            comma = list.size();
        std::string m = list.substr(pos, comma - pos);
        m.erase(0, m.find_first_not_of(" \t"));
        m.erase(m.find_last_not_of(" \t") + 1);
        if (!m.empty())
            models.push_back(m);
        pos = comma + 1;
    }
    Device probe;
    for (const auto &m : models)
        if (!makeDevice(m, &probe, 0))
            return false;

    devices.clear();
    serialCounters.clear();
    for (const auto &m : models)
        plugLocked(m);
    enumerated.clear();
    for (const auto &d : devices)
        enumerated.push_back(d.uid);
    resetDriverSettingsLocked();
    ++wakeEpoch;
    wake.notify_all();
    return true;
}

int32_t Simulator::plugLocked(const std::string &model)
{
    Device d;
    // Serial numbers count per model from 123, so two Altos read.
    auto it = serialCounters.find(model);
    const uint32_t serial = it == serialCounters.end() ? 123 : it->second;
    if (!makeDevice(model, &d, serial))
        return -1;
    serialCounters[model] = serial + 1;
    d.uid = nextUid++;
    devices.push_back(std::move(d));
    return static_cast<int32_t>(devices.size() - 1);
}

bool Simulator::unplugLocked(uint32_t index)
{
    if (index >= devices.size())
        return false;
    devices.erase(devices.begin() + index);
    wake.notify_all();
    return true;
}

int32_t Simulator::notifyLocked(Device &d)
{
    int32_t n = 0;
    ++d.notificationSeq;
    for (auto &entry : handles) {
        OpenHandle &h = entry.second;
        if (h.deviceUid != d.uid || !h.event)
            continue;
        Notification note{1, {}};
        putU32(note.data.data(), d.notificationSeq);
        putU32(note.data.data() + 4, d.sampleRate);
        if (h.queue.size() < 256)
            h.queue.push_back(note);
        platform::signalEvent(h.event);
        ++n;
    }
    return n;
}

namespace {
uint32_t takeInjection(std::array<std::optional<Injection>, kOpCount + 1> &table, Op op, bool *outlastsUnplug = nullptr)
{
    for (size_t i : {static_cast<size_t>(op), kOpCount}) {
        auto &slot = table[i];
        if (!slot)
            continue;
        const uint32_t value = slot->value;
        if (outlastsUnplug)
            *outlastsUnplug = slot->outlastsUnplug;
        if (slot->remaining > 0 && --slot->remaining == 0)
            slot.reset();
        return value;
    }
    return 0;
}
} // namespace

uint32_t Simulator::takeFault(Op op) { return takeInjection(faults, op); }
uint32_t Simulator::takeDelay(Op op, bool *outlastsUnplug) { return takeInjection(delays, op, outlastsUnplug); }

// --- Call ---

Call::ActiveGuard::ActiveGuard(Simulator &sim) : s(sim) { ++s.activeCalls; }

Call::ActiveGuard::~ActiveGuard()
{
    if (--s.activeCalls == 0)
        s.idle.notify_all();
}

Call::Call(Simulator &s, Op op, TUsbAudioHandle handle, bool needsHandle) : sim_(s), lock_(s.mutex), active_(s)
{
    ++s.callCounts[static_cast<size_t>(op)];
    const uint64_t id = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(handle));
    bool outlastsUnplug = false;
    const uint32_t delayMs = s.takeDelay(op, &outlastsUnplug);
    const uint32_t fault = s.takeFault(op);
    if (delayMs) {
        auto it = s.handles.find(id);
        const uint64_t uid = (needsHandle && !outlastsUnplug && it != s.handles.end()) ? it->second.deviceUid : 0;
        const uint64_t epoch = s.wakeEpoch;
        const auto deadline = Clock::now() + std::chrono::milliseconds(delayMs);
        s.wake.wait_until(lock_, deadline,
                          [&] { return s.shuttingDown || s.wakeEpoch != epoch || (uid && !s.deviceByUid(uid)); });
    }
    if (s.shuttingDown) {
        status_ = CALDER_SIM_STATUS_DEVICE_GONE;
        return;
    }
    if (needsHandle) {
        auto it = s.handles.find(id);
        if (handle == nullptr || it == s.handles.end()) {
            status_ = CALDER_SIM_STATUS_INVALID_HANDLE;
            if (id >= kFirstHandleId && id < s.nextHandleId)
                ++s.staleHandleCalls;
        } else {
            handle_ = &it->second;
            device_ = s.deviceByUid(it->second.deviceUid);
            if (!device_)
                status_ = CALDER_SIM_STATUS_DEVICE_GONE;
        }
    }
    if (fault)
        status_ = fault;
}

} // namespace sim
