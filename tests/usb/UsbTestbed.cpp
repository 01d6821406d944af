#include "UsbTestbed.h"

#include <umockdev.h>

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <deque>
#include <future>
#include <mutex>
#include <thread>
#include <unistd.h>

#ifndef CALDER_LUMEN_VENDOR_ID
#error "the family's vendor id comes from the build"
#endif

namespace {

struct Rule {
    uint8_t requestType, request;
    int parameter; // -1: any
    UsbTestbed::Fault fault;
    int count; // -1: always
    int shortLength;
};

QByteArray hex(const QByteArray &bytes) { return bytes.toHex(); }

QByteArray deviceDescriptor(const UsbTestbed::Spec &s)
{
    const uint16_t vid = CALDER_LUMEN_VENDOR_ID;
    const char d[] = {18, 1, 0x00, 0x02, 0, 0, 0, 64, char(vid & 0xFF), char(vid >> 8), char(s.productId & 0xFF),
                      char(s.productId >> 8), char(s.revision & 0xFF), char(s.revision >> 8),
                      char(s.manufacturer.isEmpty() ? 0 : 1), char(s.product.isEmpty() ? 0 : 2),
                      char(s.serial.isEmpty() ? 0 : 3), 1};
    return QByteArray(d, sizeof d);
}

// One configuration with the audio control interface the kernel's audio driver would bind.
QByteArray configDescriptor()
{
    const char c[] = {9, 2, 18, 0, 1, 1, 0, char(0x80), 50, 9, 4, 0, 0, 0, 1, 1, 0, 0};
    return QByteArray(c, sizeof c);
}

} // namespace

struct UsbTestbed::Device {
    std::mutex *mutex = nullptr;
    Spec spec;
    int devnum = 0;
    std::string syspath, devnode;
    bool present = true;
    UMockdevIoctlBase *handler = nullptr;
    std::map<UMockdevIoctlClient *, std::deque<UMockdevIoctlData *>> done; // answered, not reaped
    std::vector<std::pair<UMockdevIoctlClient *, UMockdevIoctlData *>> held;
    std::vector<Request> log;
    std::map<uint16_t, QByteArray> kept;
    std::vector<Rule> rules;
    int32_t meter = 0;
    int intrusive = 0;

    void dropAll()
    {
        for (auto &q : done)
            for (UMockdevIoctlData *u : q.second)
                g_object_unref(u);
        done.clear();
        for (auto &h : held)
            g_object_unref(h.second);
        held.clear();
    }

    const Rule *takeRule(uint8_t type, uint8_t request, const uint8_t *payload, uint16_t length)
    {
        const int parameter = length >= 4 ? (payload[2] << 8 | payload[3]) : -2;
        for (Rule &r : rules) {
            if (r.requestType != type || r.request != request || r.count == 0)
                continue;
            if (r.parameter >= 0 && r.parameter != parameter)
                continue;
            if (r.count > 0)
                --r.count;
            return &r;
        }
        return nullptr;
    }

    // The mixer's answer: status (0 or -errno) and the bytes of an IN reply.
    int answer(uint8_t type, uint8_t request, uint16_t value, uint16_t length, const uint8_t *out, QByteArray *in)
    {
        if (type == 0x40 && request == 0x10 && length == 8) {
            kept[uint16_t(out[2] << 8 | out[3])] = QByteArray(reinterpret_cast<const char *>(out), 8);
            return 0;
        }
        if (type == 0xC0 && request == 0x10) {
            const char m[8] = {char(meter & 0xFF), char((meter >> 8) & 0xFF), char((meter >> 16) & 0xFF),
                               char((meter >> 24) & 0xFF), 0, 0, 0, 0};
            *in = QByteArray(m, 8);
            return 0;
        }
        if (type == 0xC0 && request == 0x11) {
            *in = QByteArray::fromHex("0102030405010207");
            return 0;
        }
        if (type == 0x80 && request == 6) { // GET_DESCRIPTOR
            const int kind = value >> 8, index = value & 0xFF;
            if (kind == 1)
                *in = deviceDescriptor(spec);
            else if (kind == 2)
                *in = configDescriptor();
            else if (kind == 3 && index == 0)
                *in = QByteArray::fromHex("04030904");
            else if (kind == 3 && index >= 1 && index <= 3)
                *in = index == 1 ? spec.manufacturer : index == 2 ? spec.product : spec.serial;
            return in->isEmpty() ? -EPIPE : 0;
        }
        return -EPIPE;
    }

    void submit(UMockdevIoctlClient *client, UMockdevIoctlData *arg)
    {
        GError *error = nullptr;
        UMockdevIoctlData *urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), &error);
        if (!urbData) {
            g_clear_error(&error);
            umockdev_ioctl_client_complete(client, -1, EFAULT);
            return;
        }
        auto *urb = reinterpret_cast<usbdevfs_urb *>(urbData->data);
        UMockdevIoctlData *buffer = urb->type == USBDEVFS_URB_TYPE_CONTROL && urb->buffer_length >= 8
                                        ? umockdev_ioctl_data_resolve(urbData, offsetof(usbdevfs_urb, buffer),
                                                                      size_t(urb->buffer_length), &error)
                                        : nullptr;
        if (!buffer) {
            g_clear_error(&error);
            g_object_unref(urbData);
            umockdev_ioctl_client_complete(client, -1, EINVAL);
            return;
        }
        uint8_t *setup = buffer->data;
        const uint8_t type = setup[0], request = setup[1];
        const uint16_t value = uint16_t(setup[2] | setup[3] << 8), index = uint16_t(setup[4] | setup[5] << 8);
        const uint16_t length = uint16_t(setup[6] | setup[7] << 8);
        const size_t room = size_t(urb->buffer_length) - 8;
        const uint16_t usable = length < room ? length : uint16_t(room);
        Request logged{type, request, value, index, length, {}};
        if (!(type & 0x80))
            logged.data = QByteArray(reinterpret_cast<const char *>(setup + 8), usable);

        const Rule *rule = takeRule(type, request, setup + 8, usable);
        int status = 0;
        QByteArray reply;
        bool hold = false;
        if (rule && rule->fault == Fault::Stall) {
            status = -EPIPE;
        } else if (rule && rule->fault == Fault::NoAnswer) {
            hold = true;
        } else {
            status = answer(type, request, value, usable, setup + 8, &reply);
            if (rule && rule->fault == Fault::Short)
                reply.truncate(rule->shortLength);
        }
        int actual = 0;
        if (type & 0x80) {
            actual = reply.size() < usable ? reply.size() : usable;
            if (status == 0 && actual > 0)
                memcpy(setup + 8, reply.constData(), size_t(actual));
            logged.data = reply.left(actual);
        } else if (status == 0) {
            actual = usable;
        }
        if ((type & 0x60) == 0x40)
            log.push_back(logged);
        urb->status = hold ? 0 : status;
        urb->actual_length = hold ? 0 : actual;
        g_object_unref(buffer);
        if (hold)
            held.emplace_back(client, urbData);
        else
            done[client].push_back(urbData);
        umockdev_ioctl_client_complete(client, 0, 0);
    }

    void reap(UMockdevIoctlClient *client, UMockdevIoctlData *arg)
    {
        auto it = done.find(client);
        if (it == done.end() || it->second.empty()) {
            umockdev_ioctl_client_complete(client, -1, present ? EAGAIN : ENODEV);
            return;
        }
        UMockdevIoctlData *urbData = it->second.front();
        it->second.pop_front();
        GError *error = nullptr;
        UMockdevIoctlData *slot = umockdev_ioctl_data_resolve(arg, 0, sizeof(void *), &error);
        if (!slot) {
            g_clear_error(&error);
            g_object_unref(urbData);
            umockdev_ioctl_client_complete(client, -1, EFAULT);
            return;
        }
        umockdev_ioctl_data_set_ptr(slot, 0, urbData);
        g_object_unref(slot);
        g_object_unref(urbData);
        umockdev_ioctl_client_complete(client, 0, 0);
    }

    // A cancelled request (libusb's timeout) completes with -ENOENT, as the kernel does it.
    void discard(UMockdevIoctlClient *client, UMockdevIoctlData *arg)
    {
        const gulong address = arg->data_len >= int(sizeof(gulong)) ? *reinterpret_cast<gulong *>(arg->data) : 0;
        for (auto it = held.begin(); it != held.end(); ++it) {
            if (it->first == client && it->second->client_addr == address) {
                auto *urb = reinterpret_cast<usbdevfs_urb *>(it->second->data);
                urb->status = -ENOENT;
                urb->actual_length = 0;
                done[client].push_back(it->second);
                held.erase(it);
                umockdev_ioctl_client_complete(client, 0, 0);
                return;
            }
        }
        umockdev_ioctl_client_complete(client, -1, EINVAL);
    }
};

namespace {

gboolean onIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer user)
{
    auto *dev = static_cast<UsbTestbed::Device *>(user);
    std::lock_guard<std::mutex> lock(*dev->mutex);
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    const gulong request = umockdev_ioctl_client_get_request(client);
    // Unplugged: as usbfs, requests that were cut off can still be reaped, nothing else works.
    if (!dev->present && request != USBDEVFS_REAPURBNDELAY) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return TRUE;
    }
    switch (request) {
    case USBDEVFS_SUBMITURB:
        dev->submit(client, arg);
        break;
    case USBDEVFS_REAPURBNDELAY:
        dev->reap(client, arg);
        break;
    case USBDEVFS_DISCARDURB:
        dev->discard(client, arg);
        break;
    case USBDEVFS_CLAIMINTERFACE:
    case USBDEVFS_RELEASEINTERFACE:
    case USBDEVFS_SETINTERFACE:
    case USBDEVFS_SETCONFIGURATION:
    case USBDEVFS_DISCONNECT_CLAIM:
    case USBDEVFS_IOCTL:
    case USBDEVFS_RESET:
        ++dev->intrusive;
        umockdev_ioctl_client_complete(client, -1, EBUSY);
        break;
    default:
        umockdev_ioctl_client_complete(client, -1, ENOTTY);
    }
    return TRUE;
}

void onClientVanished(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer user)
{
    auto *dev = static_cast<UsbTestbed::Device *>(user);
    std::lock_guard<std::mutex> lock(*dev->mutex);
    auto it = dev->done.find(client);
    if (it != dev->done.end()) {
        for (UMockdevIoctlData *u : it->second)
            g_object_unref(u);
        dev->done.erase(it);
    }
    for (auto h = dev->held.begin(); h != dev->held.end();) {
        if (h->first == client) {
            g_object_unref(h->second);
            h = dev->held.erase(h);
        } else {
            ++h;
        }
    }
}

} // namespace

struct UsbTestbed::Private {
    UMockdevTestbed *testbed = nullptr;
    GMainContext *context = nullptr;
    GMainLoop *loop = nullptr;
    std::thread thread;
    mutable std::mutex mutex;
    std::vector<std::unique_ptr<Device>> devices;
    int nextPort = 1, nextDevnum = 2;

    // Runs f on the GLib thread, where the ioctl sockets are served, and waits for it.
    template <typename F> void onLoop(F f)
    {
        std::promise<void> done;
        auto call = [&] {
            f();
            done.set_value();
        };
        using Call = decltype(call);
        g_main_context_invoke(
            context,
            [](gpointer p) -> gboolean {
                (*static_cast<Call *>(p))();
                return G_SOURCE_REMOVE;
            },
            &call);
        done.get_future().wait();
    }
};

QByteArray UsbTestbed::text(const std::u16string &s)
{
    QByteArray b;
    b.append(char(2 + 2 * s.size()));
    b.append(char(3));
    for (char16_t c : s) {
        b.append(char(c & 0xFF));
        b.append(char(c >> 8));
    }
    return b;
}

UsbTestbed::UsbTestbed() : d(new Private)
{
    d->testbed = umockdev_testbed_new();
    // The root hub: libusb needs a USB bus in sysfs at start to take descriptors from there.
    GError *error = nullptr;
    umockdev_testbed_add_from_string(d->testbed,
                                     "P: /devices/usb1\nN: bus/usb/001/001\nE: SUBSYSTEM=usb\n"
                                     "E: DEVTYPE=usb_device\nE: DEVNAME=/dev/bus/usb/001/001\nE: BUSNUM=001\n"
                                     "E: DEVNUM=001\nA: busnum=1\\n\nA: devnum=1\\n\nA: speed=480\\n\n"
                                     "A: bConfigurationValue=1\\n\nA: dev=189:0\\n\n"
                                     "H: descriptors=12010002090001406b1d020006050302010109021900010100e0000904000001090000000705810304000c\n",
                                     &error);
    g_clear_error(&error);
    d->context = g_main_context_new();
    d->loop = g_main_loop_new(d->context, FALSE);
    d->thread = std::thread([this] {
        g_main_context_push_thread_default(d->context);
        g_main_loop_run(d->loop);
        g_main_context_pop_thread_default(d->context);
    });
}

UsbTestbed::~UsbTestbed()
{
    d->onLoop([this] {
        for (auto &dev : d->devices) {
            if (dev->handler) {
                umockdev_testbed_detach_ioctl(d->testbed, dev->devnode.c_str(), nullptr);
                g_object_unref(dev->handler);
            }
        }
    });
    g_main_loop_quit(d->loop);
    d->thread.join();
    for (auto &dev : d->devices)
        dev->dropAll();
    g_main_loop_unref(d->loop);
    g_main_context_unref(d->context);
    g_object_unref(d->testbed);
}

int UsbTestbed::add(const Spec &spec, bool announce)
{
    auto dev = std::make_unique<Device>();
    dev->mutex = &d->mutex;
    dev->spec = spec;
    const int port = spec.port ? spec.port : d->nextPort;
    d->nextPort = std::max(d->nextPort, port + 1);
    dev->devnum = d->nextDevnum++;
    char node[32];
    snprintf(node, sizeof node, "bus/usb/001/%03d", dev->devnum);
    dev->devnode = std::string("/dev/") + node;
    dev->syspath = "/sys/devices/usb1/1-" + std::to_string(port);
    const QByteArray descriptors = deviceDescriptor(spec) + configDescriptor();
    const QString record =
        QString("P: /devices/usb1/1-%1\nN: %2\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DEVNAME=%3\n"
                "E: BUSNUM=001\nE: DEVNUM=%4\nA: busnum=1\\n\nA: devnum=%5\\n\nA: speed=480\\n\n"
                "A: bConfigurationValue=1\\n\nA: dev=189:%5\\n\nH: descriptors=%6\n")
            .arg(port)
            .arg(node)
            .arg(QString::fromStdString(dev->devnode))
            .arg(dev->devnum, 3, 10, QChar('0'))
            .arg(dev->devnum)
            .arg(QString::fromLatin1(hex(descriptors)));
    GError *error = nullptr;
    umockdev_testbed_add_from_string(d->testbed, record.toUtf8().constData(), &error);
    g_clear_error(&error);
    Device *raw = dev.get();
    if (spec.accessDenied) {
        // Even root may not open a read-only sysfs file for writing: the node says EACCES.
        char *root = umockdev_testbed_get_root_dir(d->testbed);
        const std::string path = std::string(root) + raw->devnode;
        g_free(root);
        unlink(path.c_str());
        if (symlink("/sys/devices/system/cpu/online", path.c_str()) != 0)
            perror("symlink");
    } else {
        d->onLoop([&] {
            raw->handler = umockdev_ioctl_base_new();
            g_signal_connect(raw->handler, "handle-ioctl", G_CALLBACK(onIoctl), raw);
            g_signal_connect(raw->handler, "client-vanished", G_CALLBACK(onClientVanished), raw);
            umockdev_testbed_attach_ioctl(d->testbed, raw->devnode.c_str(), raw->handler, &error);
            g_clear_error(&error);
        });
    }
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->devices.push_back(std::move(dev));
    }
    if (announce)
        umockdev_testbed_uevent(d->testbed, raw->syspath.c_str(), "add");
    return int(d->devices.size()) - 1;
}

void UsbTestbed::remove(int id, bool announce)
{
    Device &dev = *d->devices.at(size_t(id));
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        if (!dev.present)
            return;
        dev.present = false;
        // Requests in flight end as the kernel ends them on a disconnect.
        for (auto &h : dev.held) {
            auto *urb = reinterpret_cast<usbdevfs_urb *>(h.second->data);
            urb->status = -ESHUTDOWN;
            urb->actual_length = 0;
            dev.done[h.first].push_back(h.second);
        }
        dev.held.clear();
    }
    if (announce)
        umockdev_testbed_uevent(d->testbed, dev.syspath.c_str(), "remove");
    umockdev_testbed_remove_device(d->testbed, dev.syspath.c_str());
}

std::vector<UsbTestbed::Request> UsbTestbed::vendorRequests(int id) const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->devices.at(size_t(id))->log;
}

QStringList UsbTestbed::parameterWrites(int id) const
{
    QStringList writes;
    for (const Request &r : vendorRequests(id))
        if (r.requestType == 0x40 && r.request == 0x10)
            writes << QString::fromLatin1(r.data.toHex().toUpper());
    return writes;
}

QByteArray UsbTestbed::kept(int id, uint16_t parameter) const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    const auto &kept = d->devices.at(size_t(id))->kept;
    const auto it = kept.find(parameter);
    return it == kept.end() ? QByteArray() : it->second;
}

int UsbTestbed::vendorReads(int id, uint8_t request) const
{
    int n = 0;
    for (const Request &r : vendorRequests(id))
        n += r.requestType == 0xC0 && r.request == request;
    return n;
}

int UsbTestbed::intrusiveIoctls(int id) const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->devices.at(size_t(id))->intrusive;
}

int UsbTestbed::held(int id) const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return int(d->devices.at(size_t(id))->held.size());
}

void UsbTestbed::setMeter(int id, int32_t level)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->devices.at(size_t(id))->meter = level;
}

void UsbTestbed::setFault(int id, uint8_t requestType, uint8_t request, Fault fault, int count, int shortLength)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->devices.at(size_t(id))->rules.push_back({requestType, request, -1, fault, count, shortLength});
}

void UsbTestbed::setParameterFault(int id, uint16_t parameter, Fault fault)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->devices.at(size_t(id))->rules.push_back({0x40, 0x10, parameter, fault, -1, 0});
}

void UsbTestbed::clearFaults(int id)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->devices.at(size_t(id))->rules.clear();
}
