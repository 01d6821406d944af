#pragma once
// Emulated mixers on an emulated USB bus (umockdev): sysfs devices with the family's ids and
// descriptors, and a usbfs ioctl handler answering control transfers as a mixer does: it keeps
// the parameter blocks it receives, answers meter and debug reads and string descriptors, and
// can stall, leave unanswered or cut short chosen requests. The handlers run on a GLib thread
// of their own, so processes under the testbed (umockdev-wrapper's LD_PRELOAD, UMOCKDEV_DIR
// inherited) are answered while the test waits or blocks.
#include <QByteArray>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

class UsbTestbed
{
public:
    struct Mixer
    {
        uint16_t productId = 0x30;
        // String descriptors 1, 2, 3 as the device sends them; an empty one is no string.
        QByteArray manufacturer = text(u"Lumen Audio"), product = text(u"Alto"), serial = text(u"A-123");
        bool accessDenied = false; // the device node refuses to open (EACCES)
        int port = 0;              // 0: the next free port of the root hub
    };
    static QByteArray text(const std::u16string &s);

    enum class Fault { Stall, NoAnswer, Short };
    struct Request
    {
        uint8_t requestType, request;
        uint16_t value, index, length;
        QByteArray data; // sent, or answered
    };

    UsbTestbed();
    ~UsbTestbed();

    // Plugs a device in, announced by an "add" uevent; returns its id.
    int add(const Mixer &mixer);
    // Unplugs it: requests in flight end as the kernel ends them, later ones fail.
    void remove(int id, bool announce = true);

    // Vendor requests (0x40/0xC0) the device received, oldest first.
    std::vector<Request> vendorRequests(int id) const;
    // Parameter write blocks as 16 upper-case hex digits, oldest first.
    QStringList parameterWrites(int id) const;
    // The block the mixer keeps for a parameter (empty when none was accepted).
    QByteArray kept(int id, uint16_t parameter) const;
    int vendorReads(int id, uint8_t request) const;
    // ioctls that would claim an interface or detach a driver.
    int intrusiveIoctls(int id) const;
    // Requests not answered yet.
    int held(int id) const;

    // The device's ALSA card as its /proc/asound/card<id+1> shows it, in the directory the
    // testbed names in CALDER_USB_ASOUND: the first file written also writes usbbus with the
    // device's address. "controls" holds the card's mixer controls (tests/usb/ctl_calder_test).
    void setCardFile(int id, const QString &name, const QByteArray &contents);
    QByteArray cardFile(int id, const QString &name) const;
    void removeCardFile(int id, const QString &name); // "" removes the whole card

    void setMeter(int id, int32_t level);
    // The next `count` requests (-1: all) of that type and code meet the fault; Short answers
    // `shortLength` bytes.
    void setFault(int id, uint8_t requestType, uint8_t request, Fault fault, int count = -1, int shortLength = 0);

    struct Device;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
