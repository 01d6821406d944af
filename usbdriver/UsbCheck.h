#pragma once
// calder-usb-check: what stands between this user and the family's mixers attached here. For
// every device with the family's vendor id, in the order the driver library lists them: its
// ids, bus path, whether this user may open its node and why not (the node's rights, the udev
// rule, the uaccess tag), its ALSA card with rate, formats and volume controls; before them,
// the driver library the registry files name and the udev rule.
//
// It only reads: sysfs, the device nodes (opened and closed again, nothing sent), udev's
// database, the card's files and its control device. A device that goes while it is read, a
// file that is missing or unreadable, a card without controls give a line, not a failure.
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace usbdrv {

class UsbCheck
{
public:
    enum Exit {
        kAllUsable = 0, // every attached mixer may be used by the panel
        kNotUsable = 1, // at least one may not, or the panel would not reach them
        kNoMixer = 2,   // none is attached
        kNoUsb = 3,     // the USB devices cannot be listed
        kUsage = 4,
    };

    explicit UsbCheck(std::ostream &out) : m_out(out) {}
    // Writes the report; returns the exit status.
    int run();

private:
    struct Device
    {
        uint8_t bus = 0, address = 0;
        std::vector<uint8_t> ports;
        uint16_t vendorId = 0, productId = 0, revision = 0;
        bool configured = false;
        std::string sysfs, node; // the directory in sysfs, the node under /dev
    };
    enum class Rule { Missing, OtherVendor, Installed };

    bool listDevices(std::vector<Device> *devices);
    void checkDriverLibrary();
    void checkRule();
    void checkDevice(const Device &device, size_t index);
    // `label` names the device in the problems noted.
    void checkNode(const Device &device, const std::string &label);
    void checkCard(const Device &device, const std::string &label);
    void checkControls(int card);
    void problem(const std::string &what) { m_problems.push_back(what); }

    std::ostream &m_out;
    Rule m_rule = Rule::Missing;
    std::vector<std::string> m_problems;
};

} // namespace usbdrv
