#include "UsbDriver.h"

#include "AlsaCard.h"
#include "StringDescriptor.h"
#include "UsbStatus.h"

#include "platform/Event.h"

#include <alsa/asoundlib.h>
#include <libusb.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <tuple>

namespace usbdrv {

namespace {

constexpr uint8_t kRequestTypeVendorOut = LIBUSB_ENDPOINT_OUT | LIBUSB_REQUEST_TYPE_VENDOR | LIBUSB_RECIPIENT_DEVICE;
constexpr uint8_t kRequestTypeVendorIn = LIBUSB_ENDPOINT_IN | LIBUSB_REQUEST_TYPE_VENDOR | LIBUSB_RECIPIENT_DEVICE;
constexpr int kMaxStringDescriptor = 255;
constexpr unsigned kStringTimeoutMs = 1000;
constexpr uint32_t kUsbModeConfigured = 2;
constexpr uint32_t kUsbModeUnconfigured = 1;
// The kernel reports a card's rate only in its stream files, and procfs files announce no
// change: the watch reads them at this interval while a device notification is registered.
constexpr auto kRateWatchInterval = std::chrono::milliseconds(500);
// How long past its timeout a transfer may take to end, and a cancelled one.
constexpr uint64_t kEndMarginMs = 5000;
constexpr auto kCancelWait = std::chrono::milliseconds(1000);

uint64_t handleId(TUsbAudioHandle h) { return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(h)); }

int hotplugCallback(libusb_context *, libusb_device *device, libusb_hotplug_event event, void *self)
{
    static_cast<UsbDriver *>(self)->onHotplug(device, event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED);
    return 0; // stay registered
}

// A control transfer's state, shared with libusb's completion callback.
struct Transfer
{
    libusb_transfer *transfer = libusb_alloc_transfer(0);
    std::vector<uint8_t> buffer; // setup and data
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    ~Transfer() { libusb_free_transfer(transfer); }
};

// The device node, open for the length of one call.
class OpenNode
{
public:
    explicit OpenNode(libusb_device *device) { m_result = libusb_open(device, &m_handle); }
    ~OpenNode()
    {
        if (m_handle)
            libusb_close(m_handle);
        m_abandoned.clear(); // closing took them off libusb's transfers in flight
    }
    OpenNode(const OpenNode &) = delete;
    OpenNode &operator=(const OpenNode &) = delete;
    TSTATUS status() const { return statusFromLibusb(m_result); }
    libusb_device_handle *get() const { return m_handle; }
    // A transfer the kernel did not end even when cancelled: freed once the node is closed.
    void abandon(std::unique_ptr<Transfer> transfer) { m_abandoned.push_back(std::move(transfer)); }

private:
    libusb_device_handle *m_handle = nullptr;
    int m_result = 0;
    std::vector<std::unique_ptr<Transfer>> m_abandoned;
};

// A control transfer that the event thread completes while the caller waits here, so that one
// thread alone handles libusb's events (its synchronous calls would let every caller do it).
// Returns the bytes moved or a libusb_error, as libusb_control_transfer does.
int controlTransfer(OpenNode &node, uint8_t requestType, uint8_t request, uint16_t value, uint16_t index, uint8_t *data,
                    uint16_t length, unsigned timeoutMs)
{
    auto owned = std::make_unique<Transfer>();
    Transfer &x = *owned;
    libusb_transfer *t = x.transfer;
    if (!t)
        return LIBUSB_ERROR_NO_MEM;
    x.buffer.resize(LIBUSB_CONTROL_SETUP_SIZE + length);
    libusb_fill_control_setup(x.buffer.data(), requestType, request, value, index, length);
    const bool in = requestType & LIBUSB_ENDPOINT_IN;
    if (!in && length)
        std::memcpy(x.buffer.data() + LIBUSB_CONTROL_SETUP_SIZE, data, length);
    const auto finished = [](libusb_transfer *t) {
        auto *x = static_cast<Transfer *>(t->user_data);
        std::lock_guard<std::mutex> lock(x->mutex);
        x->finished = true;
        x->done.notify_all();
    };
    libusb_fill_control_transfer(t, node.get(), x.buffer.data(), finished, &x, timeoutMs);
    if (const int result = libusb_submit_transfer(t); result != LIBUSB_SUCCESS)
        return result;
    // libusb ends the transfer at its timeout; should that never come, cancel it. The kernel
    // ends a cancelled transfer at once; should it not, the caller is not held any longer.
    std::unique_lock<std::mutex> lock(x.mutex);
    const auto ended = [&] { return x.finished; };
    if (!x.done.wait_for(lock, std::chrono::milliseconds(uint64_t(timeoutMs) + kEndMarginMs), ended)) {
        libusb_cancel_transfer(t);
        if (!x.done.wait_for(lock, kCancelWait, ended)) {
            lock.unlock();
            node.abandon(std::move(owned));
            return LIBUSB_ERROR_TIMEOUT;
        }
    }
    switch (t->status) {
    case LIBUSB_TRANSFER_COMPLETED:
        if (in && t->actual_length > 0)
            std::memcpy(data, libusb_control_transfer_get_data(t), size_t(t->actual_length));
        return t->actual_length;
    case LIBUSB_TRANSFER_TIMED_OUT: return LIBUSB_ERROR_TIMEOUT;
    case LIBUSB_TRANSFER_STALL: return LIBUSB_ERROR_PIPE;
    case LIBUSB_TRANSFER_NO_DEVICE: return LIBUSB_ERROR_NO_DEVICE;
    case LIBUSB_TRANSFER_OVERFLOW: return LIBUSB_ERROR_OVERFLOW;
    default: return LIBUSB_ERROR_IO;
    }
}

int stringDescriptor(OpenNode &node, uint8_t index, uint16_t language, uint8_t *bytes, uint16_t size)
{
    return controlTransfer(node, LIBUSB_ENDPOINT_IN, LIBUSB_REQUEST_GET_DESCRIPTOR,
                           uint16_t(LIBUSB_DT_STRING << 8 | index), language, bytes, size, kStringTimeoutMs);
}

// One string descriptor: an empty text for index 0, for a stall (no such string) and for
// bytes that are no string descriptor; a status only for what makes the device unreachable.
TSTATUS readString(OpenNode &node, uint8_t index, uint16_t language, std::u16string *text)
{
    text->clear();
    if (index == 0)
        return tusb::kOk;
    uint8_t bytes[kMaxStringDescriptor] = {};
    const int r = stringDescriptor(node, index, language, bytes, sizeof bytes);
    if (r == LIBUSB_ERROR_PIPE)
        return tusb::kOk;
    if (r < 0)
        return statusFromLibusb(r);
    decodeStringDescriptor(bytes, static_cast<size_t>(r), text);
    return tusb::kOk;
}

// What stands between the user and a device goes to the panel's log (its standard error) once
// per device, with what to do about it: the panel itself only logs that a call failed.
enum Trouble : uint8_t { kNoAccessTold = 1, kNoCardTold = 2 };
void tellOnce(UsbDevice &device, Trouble trouble)
{
    if (device.told.fetch_or(trouble) & trouble)
        return;
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/%03u", device.bus, device.address);
    if (trouble == kNoAccessTold)
        std::fprintf(stderr,
                     "libcalder-usb: this user may not open the mixer at %s (vendor %04x, product %04x). The udev "
                     "rule 70-calder-mixers.rules gives access: install it (the calder-panel package does), then "
                     "unplug the mixer and plug it in again. calder-usb-check tells what is missing.\n",
                     node, device.vendorId, device.productId);
    else
        std::fprintf(stderr,
                     "libcalder-usb: the mixer at %s has no ALSA card (the kernel's USB audio driver is not bound "
                     "to it): its sample rate, stream formats, clients and volumes are unknown. calder-usb-check "
                     "tells more.\n",
                     node);
}

} // namespace

UsbDevice::~UsbDevice()
{
    if (device)
        libusb_unref_device(device);
}

UsbDriver &UsbDriver::instance()
{
    static UsbDriver driver;
    return driver;
}

UsbDriver::UsbDriver()
{
    if (libusb_init(&m_context) != LIBUSB_SUCCESS) {
        m_context = nullptr;
        return;
    }
    if (libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG)) {
        libusb_hotplug_callback_handle cb = 0;
        if (libusb_hotplug_register_callback(m_context,
                                             static_cast<libusb_hotplug_event>(LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED |
                                                                               LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT),
                                             LIBUSB_HOTPLUG_NO_FLAGS, static_cast<int>(LumenVendorId),
                                             LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY, hotplugCallback, this,
                                             &cb) == LIBUSB_SUCCESS)
            m_hotplugHandle = cb;
    }
    m_thread = std::thread([this] { eventLoop(); });
    m_watcher = std::thread([this] { watchRates(); });
}

UsbDriver::~UsbDriver()
{
    if (!m_context)
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_watcherStop = true;
    }
    m_watcherWake.notify_all();
    m_watcher.join();
    m_stop.store(true);
    libusb_interrupt_event_handler(m_context);
    if (m_thread.joinable())
        m_thread.join();
    if (m_hotplugHandle >= 0)
        libusb_hotplug_deregister_callback(m_context, m_hotplugHandle);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_handles.clear();
        m_snapshot.clear();
    }
    libusb_exit(m_context);
    // alsa-lib's configuration, read by the first mixer call: once this library is unloaded,
    // nothing would reach it any more.
    snd_config_update_free_global();
}

void UsbDriver::eventLoop()
{
    // The one thread that handles libusb's events: hot-plug callbacks and the end of every
    // transfer run here (callers wait in controlTransfer).
    while (!m_stop.load()) {
        timeval tv{0, 250000};
        libusb_handle_events_timeout_completed(m_context, &tv, nullptr);
    }
}

void UsbDriver::onHotplug(libusb_device *device, bool arrived)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!arrived) {
        for (auto &d : m_snapshot)
            if (d->device == device)
                d->gone.store(true);
        for (auto &h : m_handles)
            if (h.second.device->device == device)
                h.second.device->gone.store(true);
    }
    // Signalled under the lock: once UnregisterPnpNotification returned, the panel may close
    // the descriptors, and a late signal must not hit a reused one.
    const HANDLE event = arrived ? m_arrival : m_removal;
    if (event)
        platform::signalEvent(event);
}

TSTATUS UsbDriver::registerPnp(HANDLE arrival, HANDLE removal)
{
    if (!m_context)
        return kUsbUnavailable;
    if (m_hotplugHandle < 0)
        return kNotSupported;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_arrival = arrival;
    m_removal = removal;
    return tusb::kOk;
}

void UsbDriver::unregisterPnp()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_arrival = nullptr;
    m_removal = nullptr;
}

TSTATUS UsbDriver::enumerate()
{
    if (!m_context)
        return kUsbUnavailable;
    libusb_device **list = nullptr;
    const ssize_t n = libusb_get_device_list(m_context, &list);
    if (n < 0)
        return statusFromLibusb(static_cast<int>(n));
    std::vector<std::shared_ptr<UsbDevice>> found;
    for (ssize_t i = 0; i < n; ++i) {
        libusb_device_descriptor d{};
        if (libusb_get_device_descriptor(list[i], &d) != LIBUSB_SUCCESS || d.idVendor != LumenVendorId)
            continue;
        auto dev = std::make_shared<UsbDevice>();
        dev->device = libusb_ref_device(list[i]);
        dev->bus = libusb_get_bus_number(list[i]);
        dev->address = libusb_get_device_address(list[i]);
        uint8_t ports[8] = {};
        const int depth = libusb_get_port_numbers(list[i], ports, sizeof ports);
        if (depth > 0)
            dev->ports.assign(ports, ports + depth);
        dev->vendorId = d.idVendor;
        dev->productId = d.idProduct;
        dev->revision = d.bcdDevice;
        dev->serialIndex = d.iSerialNumber;
        dev->manufacturerIndex = d.iManufacturer;
        dev->productIndex = d.iProduct;
        found.push_back(std::move(dev));
    }
    libusb_free_device_list(list, 1);
    // A stable order: bus, then port path (not the kernel's device numbers, which grow with
    // every plug).
    std::stable_sort(found.begin(), found.end(), [](const auto &a, const auto &b) {
        return std::tie(a->bus, a->ports) < std::tie(b->bus, b->ports);
    });
    std::lock_guard<std::mutex> lock(m_mutex);
    // Strings already read for a device that is still there need no second read.
    for (auto &dev : found) {
        for (const auto &old : m_snapshot) {
            if (old->device == dev->device)
                dev->told = old->told.load();
            if (old->device == dev->device && old->stringsKnown) {
                dev->stringsKnown = true;
                dev->serial = old->serial;
                dev->manufacturer = old->manufacturer;
                dev->product = old->product;
            }
        }
    }
    m_snapshot.swap(found);
    return tusb::kOk;
}

uint32_t UsbDriver::deviceCount()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<uint32_t>(m_snapshot.size());
}

TSTATUS UsbDriver::open(uint32_t index, TUsbAudioHandle *handle)
{
    if (!handle)
        return kInvalidParameter;
    *handle = nullptr;
    std::shared_ptr<UsbDevice> device;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (index >= m_snapshot.size())
            return kInvalidIndex;
        device = m_snapshot[index];
    }
    if (device->gone.load())
        return kDeviceGone;
    // A device that left after the snapshot fails here, and so does one this user may not open
    // for reading and writing: none of its requests could succeed.
    {
        OpenNode node(device->device);
        if (const TSTATUS s = node.status()) {
            if (s == kDeviceGone)
                device->gone.store(true);
            if (s == kAccessDenied)
                tellOnce(*device, kNoAccessTold);
            return s;
        }
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    const uint64_t id = m_nextHandle++;
    m_handles[id].device = device;
    *handle = reinterpret_cast<TUsbAudioHandle>(static_cast<uintptr_t>(id));
    return tusb::kOk;
}

TSTATUS UsbDriver::close(TUsbAudioHandle handle)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_handles.erase(handleId(handle)) ? tusb::kOk : kInvalidHandle;
}

TSTATUS UsbDriver::deviceOf(TUsbAudioHandle handle, std::shared_ptr<UsbDevice> *device)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_handles.find(handleId(handle));
    if (it == m_handles.end())
        return kInvalidHandle;
    if (device)
        *device = it->second.device;
    return it->second.device->gone.load() ? kDeviceGone : tusb::kOk;
}

TSTATUS UsbDriver::usbMode(TUsbAudioHandle handle, uint32_t *mode)
{
    std::shared_ptr<UsbDevice> device;
    if (const TSTATUS s = deviceOf(handle, &device))
        return s;
    if (!mode)
        return kInvalidParameter;
    libusb_config_descriptor *config = nullptr;
    const int r = libusb_get_active_config_descriptor(device->device, &config);
    if (r == LIBUSB_ERROR_NOT_FOUND) {
        *mode = kUsbModeUnconfigured;
        return tusb::kOk;
    }
    if (r < 0)
        return statusFromLibusb(r);
    libusb_free_config_descriptor(config);
    *mode = kUsbModeConfigured;
    return tusb::kOk;
}

TSTATUS UsbDriver::readStrings(const std::shared_ptr<UsbDevice> &device)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (device->stringsKnown)
            return tusb::kOk;
    }
    OpenNode node(device->device);
    if (const TSTATUS s = node.status())
        return s;
    uint8_t languages[kMaxStringDescriptor] = {};
    const int n = stringDescriptor(node, 0, 0, languages, sizeof languages);
    if (n < 0 && n != LIBUSB_ERROR_PIPE)
        return statusFromLibusb(n);
    const uint16_t language = firstLanguageId(languages, n > 0 ? static_cast<size_t>(n) : 0);
    std::u16string serial, manufacturer, product;
    if (const TSTATUS s = readString(node, device->serialIndex, language, &serial))
        return s;
    if (const TSTATUS s = readString(node, device->manufacturerIndex, language, &manufacturer))
        return s;
    if (const TSTATUS s = readString(node, device->productIndex, language, &product))
        return s;
    std::lock_guard<std::mutex> lock(m_mutex);
    device->serial = serial;
    device->manufacturer = manufacturer;
    device->product = product;
    device->stringsKnown = true;
    return tusb::kOk;
}

TSTATUS UsbDriver::properties(TUsbAudioHandle handle, uint8_t *record)
{
    std::shared_ptr<UsbDevice> device;
    if (const TSTATUS s = deviceOf(handle, &device))
        return s;
    if (!record)
        return kInvalidParameter;
    std::memset(record, 0, tusb::kDevicePropertiesSize);
    auto putU32 = [](uint8_t *p, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            p[i] = static_cast<uint8_t>(v >> (8 * i));
    };
    putU32(record + tusb::kPropVendorId, device->vendorId);
    putU32(record + tusb::kPropProductId, device->productId);
    putU32(record + tusb::kPropRevisionId, device->revision);
    // The ids come from the cached device descriptor; the strings need the device itself, and
    // when it cannot be reached the record keeps the ids and the call reports why.
    if (const TSTATUS s = readStrings(device))
        return s;
    std::lock_guard<std::mutex> lock(m_mutex);
    putUtf16Field(record + tusb::kPropSerialNumber, device->serial, tusb::kPropertyStringUnits);
    putUtf16Field(record + tusb::kPropManufacturer, device->manufacturer, tusb::kPropertyStringUnits);
    putUtf16Field(record + tusb::kPropProduct, device->product, tusb::kPropertyStringUnits);
    return tusb::kOk;
}

TSTATUS UsbDriver::cardOf(TUsbAudioHandle handle, int *card)
{
    std::shared_ptr<UsbDevice> device;
    if (const TSTATUS s = deviceOf(handle, &device))
        return s;
    *card = findCard(device->bus, device->address);
    if (*card >= 0)
        return tusb::kOk;
    tellOnce(*device, kNoCardTold);
    return kNoCard;
}

uint32_t UsbDriver::currentRate(const UsbDevice &device)
{
    const int card = findCard(device.bus, device.address);
    if (card < 0)
        return 0;
    const StreamInfo streams = readStreams(card);
    const uint32_t playback = nominalRate(streams.playback);
    return playback ? playback : nominalRate(streams.capture);
}

void UsbDriver::watchRates()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_watcherWake.wait_for(lock, kRateWatchInterval, [this] { return m_watcherStop; })) {
        std::vector<std::shared_ptr<UsbDevice>> watched;
        for (const auto &h : m_handles)
            if (h.second.event && !h.second.device->gone.load() &&
                std::find(watched.begin(), watched.end(), h.second.device) == watched.end())
                watched.push_back(h.second.device);
        lock.unlock();
        for (const auto &device : watched) {
            const uint32_t rate = currentRate(*device);
            bool changed = false;
            {
                std::lock_guard<std::mutex> guard(m_mutex);
                changed = rate != device->watchedRate;
                device->watchedRate = rate;
            }
            if (changed) {
                UsbNotification n{kRateChangedNotification, std::vector<uint8_t>(4)};
                std::memcpy(n.data.data(), &rate, 4); // little-endian host
                postNotification(device, std::move(n));
            }
        }
        lock.lock();
    }
}

TSTATUS UsbDriver::registerNotification(TUsbAudioHandle handle, uint32_t categoryFilter, HANDLE event)
{
    // The rate when the panel starts listening: the watch reports changes from there.
    std::shared_ptr<UsbDevice> device;
    const uint32_t rate = deviceOf(handle, &device) == tusb::kOk ? currentRate(*device) : 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_handles.find(handleId(handle));
    if (it == m_handles.end())
        return kInvalidHandle;
    Handle &h = it->second;
    if (categoryFilter == 0 || !event) { // unregistering works on a departed device too
        h.event = nullptr;
        h.queue.clear();
        return tusb::kOk;
    }
    if (h.device->gone.load())
        return kDeviceGone;
    h.event = event;
    h.device->watchedRate = rate;
    return tusb::kOk;
}

TSTATUS UsbDriver::readNotification(TUsbAudioHandle handle, uint32_t *eventCode, uint8_t *buffer, uint32_t bufferSize,
                                    uint32_t *bytesReturned)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_handles.find(handleId(handle));
    if (it == m_handles.end())
        return kInvalidHandle;
    if (!eventCode || (bufferSize > 0 && !buffer))
        return kInvalidParameter;
    auto &queue = it->second.queue;
    if (queue.empty())
        return tusb::kNoMoreItems;
    const UsbNotification n = std::move(queue.front());
    queue.pop_front();
    *eventCode = n.code;
    const uint32_t len = std::min<uint32_t>(bufferSize, static_cast<uint32_t>(n.data.size()));
    if (len)
        std::memcpy(buffer, n.data.data(), len);
    if (bytesReturned)
        *bytesReturned = len;
    return tusb::kOk;
}

void UsbDriver::postNotification(const std::shared_ptr<UsbDevice> &device, UsbNotification notification)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto &h : m_handles) {
        if (h.second.device != device || !h.second.event)
            continue;
        h.second.queue.push_back(notification);
        platform::signalEvent(h.second.event);
    }
}

TSTATUS UsbDriver::vendorRequest(TUsbAudioHandle handle, bool in, uint32_t recipient, uint32_t request, uint32_t value,
                                 uint32_t index, uint32_t length, uint8_t *data, uint32_t *bytesTransferred,
                                 uint32_t timeoutMs)
{
    if (bytesTransferred)
        *bytesTransferred = 0;
    std::shared_ptr<UsbDevice> device;
    if (const TSTATUS s = deviceOf(handle, &device))
        return s;
    // Requests to an interface or endpoint would need the interface claimed, which would take
    // it from the kernel's audio driver.
    if (recipient != 0)
        return kNotSupported;
    if (request > 0xFF || value > 0xFFFF || index > 0xFFFF || length > 0xFFFF || (length > 0 && !data))
        return kInvalidParameter;
    OpenNode node(device->device);
    if (const TSTATUS s = node.status()) {
        if (s == kDeviceGone)
            device->gone.store(true);
        return s;
    }
    // libusb takes a mutable buffer in both directions; the caller's stays untouched beyond
    // the bytes that arrived.
    std::vector<uint8_t> buffer(length);
    if (!in && length)
        std::memcpy(buffer.data(), data, length);
    const int r = controlTransfer(node, in ? kRequestTypeVendorIn : kRequestTypeVendorOut,
                                  static_cast<uint8_t>(request), static_cast<uint16_t>(value),
                                  static_cast<uint16_t>(index), buffer.data(), static_cast<uint16_t>(length),
                                  timeoutMs ? timeoutMs : tusb::kVendorTimeoutMs);
    const TransferResult result = transferResult(r, length);
    if (in && result.moved)
        std::memcpy(data, buffer.data(), result.moved);
    if (bytesTransferred)
        *bytesTransferred = result.moved;
    if (result.status == kDeviceGone)
        device->gone.store(true);
    return result.status;
}

} // namespace usbdrv
