#pragma once
// The simulated driver's state: devices, open handles, faults and counters behind one mutex.
// Every entry point (driver or control) takes the lock for the few microseconds it needs; an
// injected delay waits on the condition variable, so the lock is never held while blocked.
#include "CalderSimControl.h"
#include "device/TUsbAudioApi.h"
#include "device/TUsbAudioEntryPoints.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace sim {

#define CALDER_SIM_OP_ENUM(name) name,
enum class Op : uint32_t {
    TUSB_VERSION_ENTRY_POINTS(CALDER_SIM_OP_ENUM) TUSB_CALLED_ENTRY_POINTS(CALDER_SIM_OP_ENUM)
        TUSB_UNCALLED_50_ENTRY_POINTS(CALDER_SIM_OP_ENUM) TUSB_UNCALLED_51_ENTRY_POINTS(CALDER_SIM_OP_ENUM)
            TUSB_UNCALLED_52_ENTRY_POINTS(CALDER_SIM_OP_ENUM) Count
};
#undef CALDER_SIM_OP_ENUM
constexpr size_t kOpCount = static_cast<size_t>(Op::Count);
const char *opName(Op op);
// Accepts "Name", "TUSBAUDIO_Name" (case-sensitive). False when unknown.
bool opFromName(const std::string &name, Op *op);

using Clock = std::chrono::steady_clock;

struct Channel
{
    uint32_t flags = CALDER_SIM_VOLUME_CONTROL | CALDER_SIM_MUTE_CONTROL;
    int16_t minimum = -60 * 256;
    int16_t maximum = 0;
    int16_t resolution = 256;
    int16_t volume = 0;
    uint32_t mute = 0;
    std::u16string name;
};

struct Direction
{
    std::vector<CalderSimFormat> formats;
    uint32_t currentFormat = 0;
    std::vector<Channel> channels; // [0] is the master
};

struct Meter
{
    uint32_t kind = CALDER_SIM_METER_CONSTANT;
    int32_t level = 0;
    uint32_t periodMs = 4000;
    Clock::time_point start = Clock::now();
    bool alternate = false;
};

struct Mixer
{
    std::vector<uint32_t> routing;
    uint32_t duckerOn = 0, triggerMask = 0, releaseMs = 0;
    uint32_t rangeValue = 0, sensitivityValue = 0, attackMs = 0, holdMs = 0;
    uint32_t writtenMask = 0, unknownWrites = 0;
};

struct Device
{
    uint64_t uid = 0;
    std::string model;
    uint32_t vendorId = 0, productId = 0, revision = 0, usbMode = 0, sampleRate = 48000;
    std::u16string serial, manufacturer, product;
    Direction dirs[2]; // indexed by direction: 0 output, 1 input
    uint32_t selectionMode = 1;
    uint32_t streamingState = 0, wdmClients = 0, asioClients = 0;
    std::deque<CalderSimRequest> requests; // the newest kMaxRequests
    uint64_t droppedRequests = 0;
    Mixer mixer;
    Meter meter;
    std::optional<std::array<uint8_t, 8>> debugOverride;
    uint32_t notificationSeq = 0;
};

constexpr size_t kMaxRequests = 100000;
constexpr uint64_t kFirstHandleId = 0x1000; // handle ids count up from here and are never reused

struct Notification
{
    uint32_t code;
    std::array<uint8_t, 8> data;
};

struct OpenHandle
{
    uint64_t deviceUid = 0;
    HANDLE event = nullptr;
    std::deque<Notification> queue;
};

struct Injection
{
    uint32_t value = 0;          // status or milliseconds
    int32_t remaining = -1;      // < 0: unlimited
    bool outlastsUnplug = false; // delays: an unplug does not end it (a driver that holds a
                                 // request on a removed device until its timeout)
};

struct Asio
{
    uint32_t instanceWord = 0x2F6A0001u;
    uint32_t flags = 0;
    uint32_t currentSize = 256;
    uint32_t reportedCount = 0;
    std::vector<uint32_t> sizes;
};

struct DriverInfo
{
    uint32_t major = 5, minor = 2, sub = 3, flags = 0;
};

class Simulator;

// One driver call: counts it, applies an injected delay and fault, and resolves the handle.
// Holds the simulator's lock for its lifetime except while an injected delay waits.
class Call
{
public:
    Call(Simulator &s, Op op, TUsbAudioHandle handle = nullptr, bool needsHandle = false);
    bool failed() const { return status_ != 0; }
    TSTATUS status() const { return status_; }
    Device &device() { return *device_; }
    Device *devicePtr() { return device_; }
    OpenHandle *handlePtr() { return handle_; }
    OpenHandle &handle() { return *handle_; }
    Simulator &sim() { return sim_; }

private:
    Simulator &sim_;
    std::unique_lock<std::mutex> lock_;
    TSTATUS status_ = 0;
    Device *device_ = nullptr;
    OpenHandle *handle_ = nullptr;
    struct ActiveGuard
    {
        Simulator &s;
        explicit ActiveGuard(Simulator &sim);
        ~ActiveGuard();
    } active_;
};

class Simulator
{
public:
    Simulator();
    ~Simulator();

    std::mutex mutex;
    std::condition_variable wake; // unplug, reset, clear-faults, shutdown

    // --- state, guarded by mutex ---
    std::vector<Device> devices;            // plugged now, in plug order
    std::vector<uint64_t> enumerated;       // snapshot of uids taken by EnumerateDevices
    std::map<uint64_t, OpenHandle> handles; // handle id -> open handle; ids never reused
    uint64_t nextUid = 1;
    uint64_t nextHandleId = kFirstHandleId;
    std::map<std::string, uint32_t> serialCounters;
    HANDLE arrivalEvent = nullptr, removalEvent = nullptr;
    uint32_t apiMajor = 5, apiMinor = 2;
    DriverInfo driverInfo;
    Asio asio;
    std::array<uint32_t, kOpCount> callCounts{};
    std::array<std::optional<Injection>, kOpCount + 1> faults; // [kOpCount] = "*"
    std::array<std::optional<Injection>, kOpCount + 1> delays;
    uint64_t wakeEpoch = 0; // bumped by reset and clear-faults: ends running delays
    // Calls that found their handle closed: made with it after its close, or still running
    // in the driver when it was closed. A real driver may crash on either.
    uint32_t staleHandleCalls = 0;
    bool shuttingDown = false;
    int activeCalls = 0;
    std::condition_variable idle;

    // --- helpers, called with the mutex held ---
    Device *deviceAt(uint32_t index);
    Device *deviceByUid(uint64_t uid);
    // False when a model is unknown (nothing changed then).
    bool resetLocked(const char *devices);
    int32_t plugLocked(const std::string &model);
    bool unplugLocked(uint32_t index);
    int32_t notifyLocked(Device &d);
    // Consumes one use of the fault/delay for op; 0 when none.
    uint32_t takeFault(Op op);
    uint32_t takeDelay(Op op, bool *outlastsUnplug);
    std::string stateJson(int32_t index);
    void resetDriverSettingsLocked();
};

Simulator &instance();

bool makeDevice(const std::string &model, Device *out, uint32_t serialNumber);
std::u16string fromUtf8(const std::string &s);
std::string toUtf8(const std::u16string &s);
// Writes the string into `units` UTF-16 units at p (little-endian), terminated when shorter.
void putUtf16(uint8_t *p, const std::u16string &s, size_t units);
inline void putU32(uint8_t *p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}
inline void putI16(uint8_t *p, int16_t v)
{
    const uint16_t u = static_cast<uint16_t>(v);
    p[0] = uint8_t(u);
    p[1] = uint8_t(u >> 8);
}

// Mixer side of the vendor protocol.
void applyParameterWrite(Device &d, const uint8_t block[8]);
std::array<uint8_t, 8> meterReply(Device &d, Clock::time_point now);
std::array<uint8_t, 8> debugReply(const Device &d, Clock::time_point now);

// CalderSim_SetDelay, and with `outlastsUnplug` a delay that an unplug does not end.
int32_t setDelay(const char *op, uint32_t ms, int32_t count, bool outlastsUnplug);

// Text commands of the calder-sim tool. Returns true on success.
bool runCommand(const std::vector<std::string> &args, std::string &reply);
std::vector<std::string> splitCommandLine(const std::string &line);

} // namespace sim
