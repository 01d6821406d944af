#pragma once
// Emulated mixers (umockdev): sysfs devices and a usbfs ioctl handler answering control transfers
// as a mixer does, on a GLib thread of its own, so that the process is answered while it blocks.
#include <QByteArray>
#include <QString>

#include <memory>
#include <string>
#include <vector>

class UsbTestbed
{
public:
    struct Mixer
    {
        uint16_t vendorId = CALDER_LUMEN_VENDOR_ID, productId = 0x30;
        // String descriptors 1, 2, 3 as the device sends them; an empty one is no string.
        QByteArray manufacturer = text(u"Lumen Audio"), product = text(u"Alto"), serial = text(u"A-123");
        bool accessDenied = false; // the node refuses to open (EACCES)
        int32_t meter = 0;
    };
    static QByteArray text(const std::u16string &s);

    // Stuck: unanswered, and a cancel never ends it (the kernel does not give it back).
    enum class Fault { Stall, NoAnswer, Short, Stuck };
    struct Request
    {
        uint8_t requestType, request;
        uint16_t value, index, length;
        QByteArray data; // sent
    };

    UsbTestbed();
    ~UsbTestbed();

    // Plugs a device in on the next port (or on the port of device `samePortAs`, with the next
    // device number), announced by an "add" uevent; returns its id.
    int add(const Mixer &mixer, int samePortAs = -1);
    // Unplugs it: requests in flight end as the kernel ends them, later ones fail.
    void remove(int id, bool announce = true);

    std::vector<Request> vendorRequests(int id) const; // oldest first
    int intrusiveIoctls(int id) const;                 // ioctls that would claim an interface or detach a driver
    int held(int id) const;                            // requests not answered yet

    // The files of /proc/asound/card<id+1> in $CALDER_USB_ASOUND, usbbus added first; "controls":
    // see ctl_calder_test.cpp. Removing "" removes the whole card.
    void setCardFile(int id, const QString &name, const QByteArray &contents);
    QByteArray cardFile(int id, const QString &name) const;
    void removeCardFile(int id, const QString &name);

    // The next `count` requests (-1: all) of that type and code meet the fault.
    void setFault(int id, uint8_t requestType, uint8_t request, Fault fault, int count = -1, int shortLength = 0);

    struct Device;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
