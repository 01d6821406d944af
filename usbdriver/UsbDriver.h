#pragma once
// The state of the libusb driver library: one libusb context, its event thread (which delivers
// the hot-plug callbacks), the device snapshot of the last EnumerateDevices and the open
// handles, behind one mutex that is never held during USB I/O.
//
// A handle does not keep the device node open: each request opens it, transfers and closes it
// again. Nothing is claimed and no kernel driver is detached, so the kernel's audio driver keeps
// the audio interfaces; vendor requests to the device need neither. What that driver owns (rate,
// formats, volumes) is read from its ALSA card (AlsaCard, AlsaMixer).
#include "device/TUsbAudioApi.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct libusb_context;
struct libusb_device;
struct libusb_device_handle;

namespace usbdrv {

// One device of the snapshot. Shared by the snapshot and the handles opened on it.
struct UsbDevice
{
    libusb_device *device = nullptr; // one reference held
    uint8_t bus = 0, address = 0;    // address: the kernel's device number on the bus
    std::vector<uint8_t> ports;      // port path from the root hub
    uint16_t vendorId = 0, productId = 0, revision = 0;
    uint8_t serialIndex = 0, manufacturerIndex = 0, productIndex = 0;
    std::atomic<bool> gone{false};
    std::atomic<uint8_t> told{0}; // what the log was told about it (once each)
    // Guarded by the driver's mutex: strings are read once, on the first complete read.
    bool stringsKnown = false;
    std::u16string serial, manufacturer, product;
    uint32_t watchedRate = 0; // guarded by the driver's mutex: the rate last seen by the watch
    ~UsbDevice();
};

// A device notification queued for a handle.
constexpr uint32_t kRateChangedNotification = 1; // data: the new rate, 32 bits, Hz (0: stopped)
struct UsbNotification
{
    uint32_t code = 0;
    std::vector<uint8_t> data;
};

class UsbDriver
{
public:
    static UsbDriver &instance();
    ~UsbDriver();
    UsbDriver(const UsbDriver &) = delete;
    UsbDriver &operator=(const UsbDriver &) = delete;

    TSTATUS registerPnp(HANDLE arrival, HANDLE removal);
    void unregisterPnp();

    TSTATUS enumerate();
    uint32_t deviceCount();
    TSTATUS open(uint32_t index, TUsbAudioHandle *handle);
    TSTATUS close(TUsbAudioHandle handle);
    TSTATUS usbMode(TUsbAudioHandle handle, uint32_t *mode);
    TSTATUS properties(TUsbAudioHandle handle, uint8_t *record);

    TSTATUS registerNotification(TUsbAudioHandle handle, uint32_t categoryFilter, HANDLE event);
    TSTATUS readNotification(TUsbAudioHandle handle, uint32_t *eventCode, uint8_t *buffer, uint32_t bufferSize,
                             uint32_t *bytesReturned);
    // Queues a notification on every registered handle of the device and signals their events.
    void postNotification(const std::shared_ptr<UsbDevice> &device, UsbNotification notification);

    // A vendor request on endpoint 0 to the device (bmRequestType 0x40 out, 0xC0 in).
    TSTATUS vendorRequest(TUsbAudioHandle handle, bool in, uint32_t recipient, uint32_t request, uint32_t value,
                          uint32_t index, uint32_t length, uint8_t *data, uint32_t *bytesTransferred,
                          uint32_t timeoutMs);

    // From the event thread: marks a departed device gone and signals the panel's event.
    void onHotplug(libusb_device *device, bool arrived);

    // The device of an open handle: status 0, kInvalidHandle or kDeviceGone.
    TSTATUS deviceOf(TUsbAudioHandle handle, std::shared_ptr<UsbDevice> *device = nullptr);
    // The ALSA card of an open handle's device; kNoCard when it has none.
    TSTATUS cardOf(TUsbAudioHandle handle, int *card);
    // The rate the device's card runs at, 0 when it has no card or no stream runs.
    static uint32_t currentRate(const UsbDevice &device);

private:
    UsbDriver();
    void eventLoop();
    void watchRates();
    TSTATUS readStrings(const std::shared_ptr<UsbDevice> &device);

    libusb_context *m_context = nullptr;
    int m_hotplugHandle = -1;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::thread m_watcher;
    std::condition_variable m_watcherWake;
    bool m_watcherStop = false; // guarded by m_mutex

    std::mutex m_mutex;
    std::vector<std::shared_ptr<UsbDevice>> m_snapshot;
    struct Handle
    {
        std::shared_ptr<UsbDevice> device;
        HANDLE event = nullptr;
        std::deque<UsbNotification> queue;
    };
    std::map<uint64_t, Handle> m_handles;
    uint64_t m_nextHandle = 0x1000;
    HANDLE m_arrival = nullptr, m_removal = nullptr;
};

} // namespace usbdrv
