// The CalderSim_ control interface (see CalderSimControl.h).
#include "SimCore.h"

#include "platform/Event.h"

#include <cstring>

using namespace sim;

namespace {

using Lock = std::lock_guard<std::mutex>;

bool badDirection(uint32_t direction) { return direction > 1; }

uint32_t copyOut(const std::string &text, char *buffer, uint32_t capacity)
{
    if (buffer && capacity > 0) {
        const size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
    return static_cast<uint32_t>(text.size());
}

int32_t setInjection(std::array<std::optional<Injection>, kOpCount + 1> &table, const char *op, uint32_t value,
                     int32_t count, bool outlastsUnplug = false)
{
    if (!op)
        return -1;
    size_t slot = kOpCount;
    if (std::strcmp(op, "*") != 0) {
        Op o;
        if (!opFromName(op, &o))
            return -1;
        slot = static_cast<size_t>(o);
    }
    if (value == 0 || count == 0)
        table[slot].reset();
    else
        table[slot] = Injection{value, count < 0 ? -1 : count, outlastsUnplug};
    return 0;
}

// Runs f(device) under the lock; -1 when there is no device at index.
template <typename F>
int32_t withDevice(uint32_t index, F f)
{
    Simulator &s = instance();
    Lock lock(s.mutex);
    Device *d = s.deviceAt(index);
    if (!d)
        return -1;
    return f(*d);
}

} // namespace

int32_t sim::setDelay(const char *op, uint32_t ms, int32_t count, bool outlastsUnplug)
{
    Simulator &s = instance();
    Lock lock(s.mutex);
    return setInjection(s.delays, op, ms, count, outlastsUnplug);
}

extern "C" {

CALDER_SIM_API int32_t CalderSim_Reset(const char *devices)
{
    Simulator &s = instance();
    Lock lock(s.mutex);
    if (!s.resetLocked(devices))
        return -1;
    return static_cast<int32_t>(s.devices.size());
}

CALDER_SIM_API int32_t CalderSim_Plug(const char *model)
{
    if (!model)
        return -1;
    Simulator &s = instance();
    Lock lock(s.mutex);
    const int32_t index = s.plugLocked(model);
    if (index >= 0 && s.arrivalEvent)
        platform::signalEvent(s.arrivalEvent);
    return index;
}

CALDER_SIM_API int32_t CalderSim_Unplug(uint32_t index)
{
    Simulator &s = instance();
    Lock lock(s.mutex);
    if (!s.unplugLocked(index))
        return -1;
    if (s.removalEvent)
        platform::signalEvent(s.removalEvent);
    return 0;
}

CALDER_SIM_API uint32_t CalderSim_DeviceCount(void)
{
    Simulator &s = instance();
    Lock lock(s.mutex);
    return static_cast<uint32_t>(s.devices.size());
}

CALDER_SIM_API int32_t CalderSim_Notify(uint32_t index)
{
    Simulator &s = instance();
    Lock lock(s.mutex);
    Device *d = s.deviceAt(index);
    return d ? s.notifyLocked(*d) : -1;
}

CALDER_SIM_API int32_t CalderSim_OpenHandleCount(uint32_t index)
{
    Simulator &s = instance();
    Lock lock(s.mutex);
    Device *d = s.deviceAt(index);
    if (!d)
        return -1;
    int32_t n = 0;
    for (const auto &h : s.handles)
        n += h.second.deviceUid == d->uid ? 1 : 0;
    return n;
}

CALDER_SIM_API int32_t CalderSim_SetDeviceIds(uint32_t index, uint32_t vendorId, uint32_t productId, uint32_t revision)
{
    return withDevice(index, [&](Device &d) {
        d.vendorId = vendorId;
        d.productId = productId;
        d.revision = revision;
        return 0;
    });
}

CALDER_SIM_API int32_t CalderSim_SetDeviceStrings(uint32_t index, const char *serialNumber, const char *manufacturer,
                                                  const char *product)
{
    return withDevice(index, [&](Device &d) {
        if (serialNumber)
            d.serial = fromUtf8(serialNumber);
        if (manufacturer)
            d.manufacturer = fromUtf8(manufacturer);
        if (product)
            d.product = fromUtf8(product);
        return 0;
    });
}

CALDER_SIM_API int32_t CalderSim_SetUsbMode(uint32_t index, uint32_t mode)
{
    return withDevice(index, [&](Device &d) {
        d.usbMode = mode;
        return 0;
    });
}

CALDER_SIM_API int32_t CalderSim_SetSampleRate(uint32_t index, uint32_t hz)
{
    return withDevice(index, [&](Device &d) {
        d.sampleRate = hz;
        return 0;
    });
}

CALDER_SIM_API int32_t CalderSim_RequestCount(uint32_t index)
{
    return withDevice(index, [&](Device &d) { return static_cast<int32_t>(d.requests.size()); });
}

CALDER_SIM_API int32_t CalderSim_GetRequest(uint32_t index, uint32_t n, CalderSimRequest *out)
{
    return withDevice(index, [&](Device &d) {
        if (!out || n >= d.requests.size())
            return -1;
        *out = d.requests[n];
        return 0;
    });
}

CALDER_SIM_API int32_t CalderSim_ClearRequests(uint32_t index)
{
    return withDevice(index, [&](Device &d) {
        d.requests.clear();
        d.droppedRequests = 0;
        return 0;
    });
}

CALDER_SIM_API int32_t CalderSim_GetMixerState(uint32_t index, CalderSimMixerState *out)
{
    return withDevice(index, [&](Device &d) {
        if (!out)
            return -1;
        const Mixer &m = d.mixer;
        CalderSimMixerState st{};
        st.routingWrites = static_cast<uint32_t>(m.routing.size());
        const size_t first = m.routing.size() > CALDER_SIM_MAX_ROUTING ? m.routing.size() - CALDER_SIM_MAX_ROUTING : 0;
        for (size_t i = first; i < m.routing.size(); ++i)
            st.routing[i - first] = m.routing[i];
        st.duckerOn = m.duckerOn;
        st.triggerMask = m.triggerMask;
        st.releaseMs = m.releaseMs;
        st.rangeValue = m.rangeValue;
        st.sensitivityValue = m.sensitivityValue;
        st.attackMs = m.attackMs;
        st.holdMs = m.holdMs;
        st.writtenMask = m.writtenMask;
        st.unknownWrites = m.unknownWrites;
        *out = st;
        return 0;
    });
}

CALDER_SIM_API int32_t CalderSim_SetMeterLevel(uint32_t index, int32_t level)
{
    return withDevice(index, [&](Device &d) {
        d.meter.kind = CALDER_SIM_METER_CONSTANT;
        d.meter.level = level;
        return 0;
    });
}

CALDER_SIM_API int32_t CalderSim_SetMeterSignal(uint32_t index, uint32_t kind, uint32_t periodMs)
{
    if (kind > CALDER_SIM_METER_ALTERNATE)
        return -1;
    return withDevice(index, [&](Device &d) {
        d.meter.kind = kind;
        d.meter.periodMs = periodMs ? periodMs : 4000;
        d.meter.start = Clock::now();
        d.meter.alternate = false;
        return 0;
    });
}

CALDER_SIM_API int32_t CalderSim_SetDebugStatus(uint32_t index, const uint8_t *block8)
{
    return withDevice(index, [&](Device &d) {
        if (block8) {
            std::array<uint8_t, 8> b{};
            std::memcpy(b.data(), block8, 8);
            d.debugOverride = b;
        } else {
            d.debugOverride.reset();
        }
        return 0;
    });
}

CALDER_SIM_API int32_t CalderSim_SetApiVersion(uint32_t major, uint32_t minor)
{
    Simulator &s = instance();
    Lock lock(s.mutex);
    s.apiMajor = major;
    s.apiMinor = minor;
    return 0;
}

CALDER_SIM_API int32_t CalderSim_SetDriverInfo(uint32_t major, uint32_t minor, uint32_t subVersion, uint32_t flags)
{
    Simulator &s = instance();
    Lock lock(s.mutex);
    s.driverInfo = DriverInfo{major, minor, subVersion, flags};
    return 0;
}

CALDER_SIM_API int32_t CalderSim_SetAsio(const uint32_t *sizes, uint32_t count, uint32_t currentSize, uint32_t flags)
{
    if (count > 0 && !sizes)
        return -1;
    Simulator &s = instance();
    Lock lock(s.mutex);
    Asio &a = s.asio;
    a.sizes.assign(sizes, sizes + (count < tusb::kAsioMaxSizes ? count : tusb::kAsioMaxSizes));
    a.reportedCount = count;
    a.currentSize = currentSize;
    a.flags = flags;
    return 0;
}

CALDER_SIM_API int32_t CalderSim_GetAsio(uint32_t *currentSize, uint32_t *flags)
{
    Simulator &s = instance();
    Lock lock(s.mutex);
    if (currentSize)
        *currentSize = s.asio.currentSize;
    if (flags)
        *flags = s.asio.flags;
    return 0;
}

CALDER_SIM_API uint32_t CalderSim_AsioInstanceWord(void)
{
    Simulator &s = instance();
    Lock lock(s.mutex);
    return s.asio.instanceWord;
}

CALDER_SIM_API int32_t CalderSim_SetClientInfo(uint32_t index, uint32_t streamingState, uint32_t wdmClients,
                                               uint32_t asioClients)
{
    return withDevice(index, [&](Device &d) {
        d.streamingState = streamingState;
        d.wdmClients = wdmClients;
        d.asioClients = asioClients;
        return 0;
    });
}

CALDER_SIM_API int32_t CalderSim_SetStreamFormats(uint32_t index, uint32_t direction, const CalderSimFormat *formats,
                                                  uint32_t count)
{
    if (badDirection(direction) || count > 64 || (count > 0 && !formats))
        return -1;
    return withDevice(index, [&](Device &d) {
        d.dirs[direction].formats.assign(formats, formats + count);
        return 0;
    });
}

CALDER_SIM_API int32_t CalderSim_SetCurrentFormat(uint32_t index, uint32_t direction, uint32_t formatId)
{
    if (badDirection(direction))
        return -1;
    return withDevice(index, [&](Device &d) {
        d.dirs[direction].currentFormat = formatId;
        return 0;
    });
}

CALDER_SIM_API int32_t CalderSim_GetCurrentFormat(uint32_t index, uint32_t direction)
{
    if (badDirection(direction))
        return -1;
    return withDevice(index, [&](Device &d) { return static_cast<int32_t>(d.dirs[direction].currentFormat); });
}

CALDER_SIM_API int32_t CalderSim_SetSelectionMode(uint32_t index, uint32_t mode)
{
    return withDevice(index, [&](Device &d) {
        d.selectionMode = mode;
        return 0;
    });
}

CALDER_SIM_API int32_t CalderSim_SetChannelCount(uint32_t index, uint32_t direction, uint32_t count)
{
    if (badDirection(direction) || count > 64)
        return -1;
    return withDevice(index, [&](Device &d) {
        auto &chs = d.dirs[direction].channels;
        const size_t old = chs.size();
        chs.resize(count + 1);
        for (size_t c = old; c < chs.size(); ++c)
            chs[c].name = fromUtf8((direction ? "Input " : "Output ") + std::to_string(c));
        return 0;
    });
}

CALDER_SIM_API int32_t CalderSim_GetChannelCount(uint32_t index, uint32_t direction)
{
    if (badDirection(direction))
        return -1;
    return withDevice(index, [&](Device &d) { return static_cast<int32_t>(d.dirs[direction].channels.size() - 1); });
}

CALDER_SIM_API int32_t CalderSim_SetChannel(uint32_t index, uint32_t direction, uint32_t channel,
                                            const CalderSimChannel *state)
{
    if (badDirection(direction) || !state)
        return -1;
    return withDevice(index, [&](Device &d) {
        auto &chs = d.dirs[direction].channels;
        if (channel >= chs.size())
            return -1;
        Channel &c = chs[channel];
        c.flags = state->flags;
        c.minimum = state->minimum;
        c.maximum = state->maximum;
        c.resolution = state->resolution;
        c.volume = state->volume;
        c.mute = state->mute;
        return 0;
    });
}

CALDER_SIM_API int32_t CalderSim_GetChannel(uint32_t index, uint32_t direction, uint32_t channel, CalderSimChannel *out)
{
    if (badDirection(direction) || !out)
        return -1;
    return withDevice(index, [&](Device &d) {
        auto &chs = d.dirs[direction].channels;
        if (channel >= chs.size())
            return -1;
        const Channel &c = chs[channel];
        *out = CalderSimChannel{c.flags, c.minimum, c.maximum, c.resolution, c.volume, c.mute};
        return 0;
    });
}

CALDER_SIM_API int32_t CalderSim_SetChannelName(uint32_t index, uint32_t direction, uint32_t channel, const char *name)
{
    if (badDirection(direction) || !name)
        return -1;
    return withDevice(index, [&](Device &d) {
        auto &chs = d.dirs[direction].channels;
        if (channel >= chs.size())
            return -1;
        chs[channel].name = fromUtf8(name);
        return 0;
    });
}

CALDER_SIM_API int32_t CalderSim_SetFault(const char *op, uint32_t status, int32_t count)
{
    Simulator &s = instance();
    Lock lock(s.mutex);
    return setInjection(s.faults, op, status, count);
}

CALDER_SIM_API int32_t CalderSim_SetDelay(const char *op, uint32_t ms, int32_t count)
{
    return setDelay(op, ms, count, false);
}

CALDER_SIM_API void CalderSim_ClearFaults(void)
{
    Simulator &s = instance();
    Lock lock(s.mutex);
    for (auto &f : s.faults)
        f.reset();
    for (auto &f : s.delays)
        f.reset();
    ++s.wakeEpoch; // calls blocked by a delay carry on now
    s.wake.notify_all();
}

CALDER_SIM_API uint32_t CalderSim_CallCount(const char *op)
{
    Simulator &s = instance();
    Lock lock(s.mutex);
    if (!op || std::strcmp(op, "*") == 0) {
        uint32_t total = 0;
        for (uint32_t n : s.callCounts)
            total += n;
        return total;
    }
    Op o;
    return opFromName(op, &o) ? s.callCounts[static_cast<size_t>(o)] : 0;
}

CALDER_SIM_API void CalderSim_ResetCallCounts(void)
{
    Simulator &s = instance();
    Lock lock(s.mutex);
    s.callCounts.fill(0);
}

CALDER_SIM_API uint32_t CalderSim_GetState(int32_t index, char *buffer, uint32_t capacity)
{
    Simulator &s = instance();
    std::string json;
    {
        Lock lock(s.mutex);
        json = s.stateJson(index);
    }
    return copyOut(json, buffer, capacity);
}

CALDER_SIM_API int32_t CalderSim_Command(const char *line, char *reply, uint32_t capacity, uint32_t *replyLength)
{
    std::string text;
    const bool ok = runCommand(splitCommandLine(line ? line : ""), text);
    const uint32_t n = copyOut(text, reply, capacity);
    if (replyLength)
        *replyLength = n;
    return ok ? 0 : -1;
}

} // extern "C"
