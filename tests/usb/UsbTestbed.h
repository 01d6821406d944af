#pragma once
// Emulated mixers on an emulated USB bus (umockdev): sysfs devices with the family's ids and
// descriptors, and a usbfs ioctl handler that answers control transfers as a mixer does. It
// keeps the parameter blocks it receives, answers meter and debug reads and string
// descriptors, and can stall, drop, cut short or hold chosen requests. The handlers run on a
// GLib thread of their own, so processes under the testbed (umockdev-wrapper sets LD_PRELOAD;
// children inherit UMOCKDEV_DIR) are answered while the test waits or blocks.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class UsbTestbed
{
public:
    struct Spec {
        uint16_t productId = 0x30;
        uint16_t revision = 0x0105;
        // String descriptors 1 manufacturer, 2 product, 3 serial; an empty one is no string.
        QByteArray manufacturer = text(u"Lumen Audio");
        QByteArray product = text(u"Alto");
        QByteArray serial = text(u"A-123");
        bool accessDenied = false; // the device node refuses to open (EACCES)
        int port = 0;              // 0: the next free port of the root hub
    };
    // A string descriptor as a device sends it.
    static QByteArray text(const std::u16string &s);

    enum class Fault { Stall, NoAnswer, Short };
    struct Request {
        uint8_t requestType, request;
        uint16_t value, index, length;
        QByteArray data; // sent (out) or answered (in)
    };

    UsbTestbed();
    ~UsbTestbed();

    // Plugs a device in (with a uevent when `announce`); returns its id for the calls below.
    int add(const Spec &spec, bool announce = true);
    // Unplugs it: requests in flight and every later one fail as on a real disconnect.
    void remove(int id, bool announce = true);

    // Requests of the vendor protocol (0x40/0xC0) the device received, oldest first.
    std::vector<Request> vendorRequests(int id) const;
    // Data blocks of the parameter writes as 16 upper-case hex digits, oldest first.
    QStringList parameterWrites(int id) const;
    // The block the mixer keeps for a parameter id (empty when none was accepted).
    QByteArray kept(int id, uint16_t parameter) const;
    int vendorReads(int id, uint8_t request) const;
    // usbfs ioctls that would take an interface or detach a driver (claim, disconnect...).
    int intrusiveIoctls(int id) const;
    // Requests held (not answered) right now.
    int held(int id) const;

    void setMeter(int id, int32_t level);
    // The next `count` requests (-1: all) of that type and code meet the fault; Short answers
    // `shortLength` bytes.
    void setFault(int id, uint8_t requestType, uint8_t request, Fault fault, int count = -1, int shortLength = 0);
    // Only for the parameter writes of one id (byte 2-3 of the block).
    void setParameterFault(int id, uint16_t parameter, Fault fault);
    void clearFaults(int id);

    struct Device;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
