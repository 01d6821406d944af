#include "UsbTestbed.h"

#include <umockdev.h>

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <deque>
#include <future>
#include <map>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {
struct Rule
{
    uint8_t requestType, request;
    UsbTestbed::Fault fault;
    int count, shortLength;
};
using Urb = UMockdevIoctlData;
usbdevfs_urb *urbOf(Urb *u) { return reinterpret_cast<usbdevfs_urb *>(u->data); }

QByteArray descriptors(const UsbTestbed::Mixer &s)
{
    const uint16_t vid = s.vendorId;
    const char d[] = {18, 1, 0, 2, 0, 0, 0, 64, char(vid), char(vid >> 8), char(s.productId), char(s.productId >> 8),
                      0x05, 0x01, char(s.manufacturer.isEmpty() ? 0 : 1), char(s.product.isEmpty() ? 0 : 2),
                      char(s.serial.isEmpty() ? 0 : 3), 1,
                      // one configuration: the audio control interface the kernel's driver binds
                      9, 2, 18, 0, 1, 1, 0, char(0x80), 50, 9, 4, 0, 0, 0, 1, 1, 0, 0};
    return QByteArray(d, sizeof d);
}

QString sysfsRecord(const QString &path, int devnum, const QByteArray &descriptors)
{
    return QString(
               "P: /devices/%1\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\n"
               "E: DEVNAME=/dev/bus/usb/001/%2\nE: BUSNUM=001\nE: DEVNUM=%2\nA: busnum=1\\n\nA: devnum=%3\\n\n"
               "A: speed=480\\n\nA: bConfigurationValue=1\\n\nA: dev=189:%3\\n\nH: descriptors=%4\n")
        .arg(path)
        .arg(devnum, 3, 10, QChar('0'))
        .arg(devnum)
        .arg(QString::fromLatin1(descriptors.toHex()));
}
} // namespace

struct UsbTestbed::Device
{
    std::mutex *mutex;
    Mixer mixer;
    std::string syspath, devnode, nodeFile; // nodeFile: the node inside the testbed
    int devnum = 0, port = 0;
    bool present = true;
    UMockdevIoctlBase *handler = nullptr;
    std::map<UMockdevIoctlClient *, std::deque<Urb *>> done; // answered, not reaped yet
    struct Held
    {
        UMockdevIoctlClient *client;
        Urb *urb;
        bool stuck; // a cancel leaves it held
    };
    std::vector<Held> held;
    std::vector<Request> log;
    std::vector<Rule> rules;
    int intrusive = 0;

    int answer(const Request &r, QByteArray *in)
    {
        if (r.requestType == 0x40 && r.request == 0x10 && r.length == 8)
            return 0;
        if (r.requestType == 0xC0 && r.request == 0x10)
            *in = QByteArray(reinterpret_cast<const char *>(&mixer.meter), 4) + QByteArray(4, 0); // little-endian host
        else if (r.requestType == 0xC0 && r.request == 0x11)
            *in = QByteArray::fromHex("0102030405010207");
        else if (r.requestType == 0x80 && r.request == 6 && r.value == 0x0300)
            *in = QByteArray::fromHex("04030904"); // US English
        else if (r.requestType == 0x80 && r.request == 6 && r.value >= 0x0301 && r.value <= 0x0303)
            *in = r.value == 0x0301 ? mixer.manufacturer : r.value == 0x0302 ? mixer.product : mixer.serial;
        else
            return -EPIPE;
        return (r.requestType & 0x80) && in->isEmpty() ? -EPIPE : 0;
    }

    void submit(UMockdevIoctlClient *client, UMockdevIoctlData *arg)
    {
        // The library sends control transfers only (it claims no interface).
        Urb *urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
        usbdevfs_urb *urb = urbOf(urbData);
        UMockdevIoctlData *buffer =
            umockdev_ioctl_data_resolve(urbData, offsetof(usbdevfs_urb, buffer), size_t(urb->buffer_length), nullptr);
        uint8_t *setup = buffer->data, *payload = setup + 8;
        const auto le16 = [&](int at) { return uint16_t(setup[at] | setup[at + 1] << 8); };
        Request r{setup[0], setup[1], le16(2), le16(4), std::min<uint16_t>(le16(6), urb->buffer_length - 8), {}};
        const bool in = r.requestType & 0x80;
        if (!in)
            r.data = QByteArray(reinterpret_cast<const char *>(payload), r.length);
        Rule *rule = nullptr;
        for (Rule &candidate : rules)
            if (!rule && candidate.requestType == r.requestType && candidate.request == r.request && candidate.count)
                rule = &candidate;
        if (rule && rule->count > 0)
            --rule->count;
        QByteArray reply;
        const bool hold = rule && (rule->fault == Fault::NoAnswer || rule->fault == Fault::Stuck);
        const bool answered = !rule || rule->fault == Fault::Short;
        const int status = answered ? answer(r, &reply) : rule->fault == Fault::Stall ? -EPIPE : 0;
        if (rule && rule->fault == Fault::Short)
            reply.truncate(rule->shortLength);
        const int actual = !in ? (status ? 0 : r.length) : std::min(reply.size(), int(r.length));
        if (in && status == 0)
            memcpy(payload, reply.constData(), size_t(actual));
        if ((r.requestType & 0x60) == 0x40)
            log.push_back(r);
        urb->status = status;
        urb->actual_length = actual;
        g_object_unref(buffer);
        if (hold)
            held.push_back({client, urbData, rule->fault == Fault::Stuck});
        else
            done[client].push_back(urbData);
        umockdev_ioctl_client_complete(client, 0, 0);
    }

    void reap(UMockdevIoctlClient *client, UMockdevIoctlData *arg)
    {
        auto &queue = done[client];
        UMockdevIoctlData *slot = queue.empty() ? nullptr
                                                : umockdev_ioctl_data_resolve(arg, 0, sizeof(void *), nullptr);
        if (!slot) { // usbfs: nothing to reap is EAGAIN while connected, ENODEV after
            umockdev_ioctl_client_complete(client, -1, present ? EAGAIN : ENODEV);
            return;
        }
        umockdev_ioctl_data_set_ptr(slot, 0, queue.front());
        g_object_unref(slot);
        g_object_unref(queue.front());
        queue.pop_front();
        umockdev_ioctl_client_complete(client, 0, 0);
    }

    // A cancelled request (libusb's timeout) completes with -ENOENT, as the kernel ends it;
    // a stuck one stays held.
    void discard(UMockdevIoctlClient *client, UMockdevIoctlData *arg)
    {
        const gulong address = *reinterpret_cast<gulong *>(arg->data);
        for (auto it = held.begin(); it != held.end(); ++it) {
            if (it->client == client && it->urb->client_addr == address) {
                if (!it->stuck) {
                    urbOf(it->urb)->status = -ENOENT;
                    done[client].push_back(it->urb);
                    held.erase(it);
                }
                umockdev_ioctl_client_complete(client, 0, 0);
                return;
            }
        }
        umockdev_ioctl_client_complete(client, -1, EINVAL);
    }

    void forget(UMockdevIoctlClient *client)
    {
        for (Urb *u : done[client])
            g_object_unref(u);
        done.erase(client);
        for (auto it = held.begin(); it != held.end();)
            if (it->client == client || !client) {
                g_object_unref(it->urb);
                it = held.erase(it);
            } else {
                ++it;
            }
    }
};

namespace {
gboolean onIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer user)
{
    auto *dev = static_cast<UsbTestbed::Device *>(user);
    std::lock_guard<std::mutex> lock(*dev->mutex);
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    const gulong request = umockdev_ioctl_client_get_request(client);
    if (!dev->present && request != USBDEVFS_REAPURBNDELAY)
        umockdev_ioctl_client_complete(client, -1, ENODEV);
    else if (request == USBDEVFS_SUBMITURB)
        dev->submit(client, arg);
    else if (request == USBDEVFS_REAPURBNDELAY)
        dev->reap(client, arg);
    else if (request == USBDEVFS_DISCARDURB)
        dev->discard(client, arg);
    else {
        for (gulong intrusive : std::initializer_list<gulong>{
                 USBDEVFS_CLAIMINTERFACE, USBDEVFS_RELEASEINTERFACE, USBDEVFS_SETINTERFACE, USBDEVFS_SETCONFIGURATION,
                 USBDEVFS_DISCONNECT_CLAIM, USBDEVFS_IOCTL, USBDEVFS_RESET})
            dev->intrusive += request == intrusive;
        umockdev_ioctl_client_complete(client, -1, ENOTTY);
    }
    return TRUE;
}

void onClientVanished(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer user)
{
    auto *dev = static_cast<UsbTestbed::Device *>(user);
    std::lock_guard<std::mutex> lock(*dev->mutex);
    dev->forget(client);
}
} // namespace

struct UsbTestbed::Private
{
    UMockdevTestbed *testbed = umockdev_testbed_new();
    GMainContext *context = g_main_context_new();
    GMainLoop *loop = g_main_loop_new(context, FALSE);
    std::thread thread;
    mutable std::mutex mutex;
    std::vector<std::unique_ptr<Device>> devices;
    int nextPort = 1, nextDevnum = 2;
    QDir asound;

    template <typename F>
    auto with(int id, F f)
    {
        std::lock_guard<std::mutex> lock(mutex);
        return f(*devices.at(size_t(id)));
    }
    QString cardPath(int id, const QString &name) const
    {
        return asound.filePath(QString("card%1/").arg(id + 1) + name);
    }

    // Runs f on the GLib thread, where the ioctl sockets are served, and waits for it.
    template <typename F>
    void onLoop(F f)
    {
        std::packaged_task<void()> task(f);
        g_main_context_invoke(
            context,
            [](gpointer p) {
                (*static_cast<std::packaged_task<void()> *>(p))();
                return gboolean(G_SOURCE_REMOVE);
            },
            &task);
        task.get_future().wait();
    }
};

QByteArray UsbTestbed::text(const std::u16string &s)
{
    QByteArray b(1, char(2 + 2 * s.size()));
    b.append(char(3));
    b.append(reinterpret_cast<const char *>(s.data()), int(2 * s.size())); // little-endian host
    return b;
}

UsbTestbed::UsbTestbed() : d(new Private)
{
    // The root hub: libusb wants a USB bus in sysfs from the start.
    const QByteArray hub = QByteArray::fromHex("12010002090001406b1d0200060503020100");
    umockdev_testbed_add_from_string(d->testbed, sysfsRecord("usb1", 1, hub).toUtf8().constData(), nullptr);
    char *root = umockdev_testbed_get_root_dir(d->testbed);
    d->asound.setPath(QString::fromLocal8Bit(root) + "/asound");
    g_free(root);
    d->asound.mkpath(".");
    qputenv("CALDER_USB_ASOUND", d->asound.path().toLocal8Bit()); // before any thread reads it
    d->thread = std::thread([this] {
        g_main_context_push_thread_default(d->context);
        g_main_loop_run(d->loop);
        g_main_context_pop_thread_default(d->context);
    });
}

UsbTestbed::~UsbTestbed()
{
    d->onLoop([this] {
        for (auto &dev : d->devices)
            if (dev->handler) {
                umockdev_testbed_detach_ioctl(d->testbed, dev->devnode.c_str(), nullptr);
                g_object_unref(dev->handler);
            }
    });
    g_main_loop_quit(d->loop);
    d->thread.join();
    for (auto &dev : d->devices) {
        while (!dev->done.empty())
            dev->forget(dev->done.begin()->first);
        dev->forget(nullptr);
    }
    g_main_loop_unref(d->loop);
    g_main_context_unref(d->context);
    g_object_unref(d->testbed);
}

int UsbTestbed::add(const Mixer &mixer, int samePortAs)
{
    auto dev = std::make_unique<Device>();
    Device *raw = dev.get();
    dev->mutex = &d->mutex;
    dev->mixer = mixer;
    const int devnum = d->nextDevnum++;
    dev->port = samePortAs < 0 ? d->nextPort++ : d->devices.at(size_t(samePortAs))->port;
    const QString path = QString("usb1/1-%1").arg(dev->port);
    dev->syspath = "/sys/devices/" + path.toStdString();
    dev->devnode = QString("/dev/bus/usb/001/%1").arg(devnum, 3, 10, QChar('0')).toStdString();
    dev->devnum = devnum;
    // The node and its handler first: the sysfs entry sends its "add" uevent at once.
    char *root = umockdev_testbed_get_root_dir(d->testbed);
    const std::string &node = raw->nodeFile = root + raw->devnode;
    g_free(root);
    g_mkdir_with_parents(node.substr(0, node.rfind('/')).c_str(), 0755);
    if (mixer.accessDenied) {
        // Even root may not open a read-only sysfs file for writing: the node says EACCES.
        if (symlink("/sys/devices/system/cpu/online", node.c_str()) != 0)
            qFatal("no node for the device");
    } else {
        g_file_set_contents(node.c_str(), "", 0, nullptr);
        d->onLoop([&] {
            raw->handler = umockdev_ioctl_base_new();
            g_signal_connect(raw->handler, "handle-ioctl", G_CALLBACK(onIoctl), raw);
            g_signal_connect(raw->handler, "client-vanished", G_CALLBACK(onClientVanished), raw);
            umockdev_testbed_attach_ioctl(d->testbed, raw->devnode.c_str(), raw->handler, nullptr);
        });
    }
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->devices.push_back(std::move(dev));
    }
    QString record = sysfsRecord(path, devnum, descriptors(mixer));
    // What the kernel publishes for everyone.
    for (const auto &a : {std::make_pair("manufacturer", mixer.manufacturer), std::make_pair("product", mixer.product),
                          std::make_pair("serial", mixer.serial)})
        if (a.second.size() > 2)
            record += QString("A: %1=%2\\n\n")
                          .arg(a.first, QString::fromUtf16(reinterpret_cast<const char16_t *>(a.second.constData() + 2),
                                                           (a.second.size() - 2) / 2));
    umockdev_testbed_add_from_string(d->testbed, record.toUtf8().constData(), nullptr);
    return int(d->devices.size()) - 1;
}

void UsbTestbed::remove(int id, bool announce)
{
    Device &dev = *d->devices.at(size_t(id));
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        dev.present = false;
        // What was in flight is cut off (-ESHUTDOWN) and can still be reaped, as with usbfs.
        for (auto &h : dev.held) {
            urbOf(h.urb)->status = -ESHUTDOWN;
            dev.done[h.client].push_back(h.urb);
        }
        dev.held.clear();
    }
    if (announce)
        umockdev_testbed_uevent(d->testbed, dev.syspath.c_str(), "remove");
    umockdev_testbed_remove_device(d->testbed, dev.syspath.c_str());
    unlink(dev.nodeFile.c_str());
}

std::vector<UsbTestbed::Request> UsbTestbed::vendorRequests(int id) const
{
    return d->with(id, [](Device &dev) { return dev.log; });
}

int UsbTestbed::intrusiveIoctls(int id) const
{
    return d->with(id, [](Device &dev) { return dev.intrusive; });
}
int UsbTestbed::held(int id) const
{
    return d->with(id, [](Device &dev) { return int(dev.held.size()); });
}
void UsbTestbed::setFault(int id, uint8_t requestType, uint8_t request, Fault fault, int count, int shortLength)
{
    d->with(id, [&](Device &dev) { dev.rules.push_back({requestType, request, fault, count, shortLength}); });
}

void UsbTestbed::setCardFile(int id, const QString &name, const QByteArray &contents)
{
    const QString path = d->cardPath(id, name);
    if (!QFileInfo::exists(d->cardPath(id, "usbbus")) && name != "usbbus")
        setCardFile(id, "usbbus", QString::asprintf("001/%03d\n", d->devices.at(size_t(id))->devnum).toLatin1());
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path); // the library may read it at any moment
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size() || !file.commit())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray UsbTestbed::cardFile(int id, const QString &name) const
{
    QFile file(d->cardPath(id, name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void UsbTestbed::removeCardFile(int id, const QString &name)
{
    name.isEmpty() ? QDir(d->cardPath(id, name)).removeRecursively() : QFile::remove(d->cardPath(id, name));
}
