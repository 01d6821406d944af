#include "UsbCheck.h"

#include "AlsaCard.h"
#include "AlsaMixer.h"
#include "UsbStatus.h"

#include "device/TUsbAudioApi.h"
#include "platform/Registry.h"

#include <alsa/asoundlib.h>
#include <libusb.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <iterator>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace usbdrv {

namespace {

constexpr char kDriverClassId[] = "{6B1E4C2A-93D5-4f0e-B7A1-2C8D9E3F5A61}";
constexpr char kDriverFile[] = "libcalder-usb.so";
constexpr char kRuleFile[] = "70-calder-mixers.rules";
// Where udev reads rules; a file hides one of the same name in a later folder.
const char *const kRuleFolders[] = {"/etc/udev/rules.d", "/run/udev/rules.d", "/usr/local/lib/udev/rules.d",
                                    "/usr/lib/udev/rules.d", "/lib/udev/rules.d"};
constexpr char kUdevData[] = "/run/udev/data";
constexpr char kReplug[] =
    "unplug the mixer and plug it in again (or run: sudo udevadm control --reload-rules && "
    "sudo udevadm trigger --subsystem-match=usb)";

std::string hex4(unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value & 0xFFFF);
    return text;
}

// The first line of a file; nothing when it is missing or cannot be read.
std::optional<std::string> firstLine(const std::string &path)
{
    std::ifstream in(path);
    std::string line;
    if (!std::getline(in, line))
        return std::nullopt;
    return line;
}

// What the panel makes of the product id.
const char *modelName(uint16_t productId)
{
    switch (productId) {
    case 0x30: return "Alto";
    case 0x31: return "Tenor";
    case 0x32: return "Basso";
    case 0x21:
    case 0x22: return "volume device";
    default: return "other device of the family";
    }
}

// As ls shows it: "crw-rw-r-- root:plugdev".
std::string rightsText(const struct stat &st)
{
    std::string text = S_ISCHR(st.st_mode) ? "c" : S_ISREG(st.st_mode) ? "-" : "?";
    for (int i = 0; i < 9; ++i)
        text += (st.st_mode & (0400 >> i)) ? "rwxrwxrwx"[i] : '-';
    const passwd *user = getpwuid(st.st_uid);
    const group *users = getgrgid(st.st_gid);
    return text + ' ' + (user ? user->pw_name : std::to_string(st.st_uid)) + ':' +
           (users ? users->gr_name : std::to_string(st.st_gid));
}

// The uaccess tag in udev's database entry of the device ("G:" tags it ever had, "Q:" those it
// has now, where udev writes them).
enum class Tag { NoUdev, NoRecord, Tagged, Untagged };
Tag uaccessTag(const std::optional<std::string> &dev)
{
    struct stat st;
    if (::stat(kUdevData, &st) != 0)
        return Tag::NoUdev;
    std::ifstream in(std::string(kUdevData) + "/c" + dev.value_or("?"));
    if (!dev || !in)
        return Tag::NoRecord;
    bool current = false, ever = false, currentKnown = false;
    for (std::string line; std::getline(in, line);) {
        currentKnown = currentKnown || line.compare(0, 2, "Q:") == 0;
        current = current || line == "Q:uaccess";
        ever = ever || line == "G:uaccess";
    }
    return (currentKnown ? current : ever) ? Tag::Tagged : Tag::Untagged;
}

std::string dbText(long hundredths)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f dB", hundredths / 100.0);
    return text;
}

std::string formatsText(const StreamDirection &direction)
{
    std::string text;
    for (const AltFormat &f : distinctFormats(direction))
        text += (text.empty() ? "" : ", ") + std::to_string(f.channels) + " ch " + std::to_string(f.bits) + " bit";
    AltFormat current;
    if (text.empty())
        return "none listed";
    return currentFormat(direction, &current) ? text + " (current: " + std::to_string(current.channels) + " ch " +
                                                    std::to_string(current.bits) + " bit)"
                                              : text;
}

} // namespace

int UsbCheck::run()
{
    checkDriverLibrary();
    checkRule();
    std::vector<Device> devices;
    if (!listDevices(&devices))
        return kNoUsb;
    if (devices.empty()) {
        m_out << "\nNo mixer of the family (USB vendor " << hex4(LumenVendorId)
              << ") is attached. Plug it in; lsusb lists what the computer sees.\n";
        return kNoMixer;
    }
    for (size_t i = 0; i < devices.size(); ++i)
        checkDevice(devices[i], i);
    if (m_problems.empty()) {
        m_out << '\n' << (devices.size() == 1 ? "The mixer is usable." : "Every mixer is usable.") << '\n';
        return kAllUsable;
    }
    m_out << "\nWhat stands in the way:\n";
    for (const std::string &p : m_problems)
        m_out << "- " << p << '\n';
    return kNotUsable;
}

void UsbCheck::checkDriverLibrary()
{
    std::string path;
    const char *overridden = std::getenv("CALDER_REGISTRY");
    const std::string from = overridden && *overridden
                                 ? std::string("$CALDER_REGISTRY, ") + overridden
                                 : "the registry files: the user's ~/.config/calder/registry.reg, then "
                                   "/etc/xdg/calder/registry.reg";
    if (platform::readClassesRootDefaultValue({"CLSID", kDriverClassId, "InprocServer32"}, path) != 0) {
        m_out << "Driver library: none is named (" << from << ")\n";
        problem(
            "no registry file names the driver library, so the panel loads none: the calder-panel package "
            "installs /etc/xdg/calder/registry.reg");
        return;
    }
    struct stat st;
    const bool present = ::stat(path.c_str(), &st) == 0;
    m_out << "Driver library: " << path << (present ? "" : " (not there)") << ", named by " << from << '\n';
    const std::string file = path.substr(path.find_last_of('/') + 1);
    if (!present)
        problem("the driver library " + path + " is not there: the panel runs without one");
    else if (file != kDriverFile)
        problem("the registry names " + path + ", not " + kDriverFile +
                ": the panel will not reach the mixers attached here (a user's own registry file wins over the "
                "system's: remove ~/.config/calder/registry.reg)");
}

void UsbCheck::checkRule()
{
    const std::string vendor = "ATTR{idVendor}==\"" + hex4(LumenVendorId) + "\"";
    for (const char *folder : kRuleFolders) {
        const std::string path = std::string(folder) + '/' + kRuleFile;
        std::ifstream in(path);
        if (!in)
            continue;
        const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        const bool gives = text.find(vendor) != std::string::npos && text.find("uaccess") != std::string::npos;
        m_rule = gives ? Rule::Installed : Rule::OtherVendor;
        m_out << "udev rule: " << path
              << (gives ? " (tags the vendor's devices uaccess)"
                        : " (does not tag vendor " + hex4(LumenVendorId) + " uaccess)")
              << '\n';
        return;
    }
    m_out << "udev rule: " << kRuleFile << " is not installed\n";
}

bool UsbCheck::listDevices(std::vector<Device> *devices)
{
    libusb_context *context = nullptr;
    if (const int error = libusb_init(&context); error < 0) {
        m_out << "\nThe USB devices cannot be listed: libusb does not start (" << libusb_strerror(error)
              << "). Without usbfs (/dev/bus/usb) the panel lists no mixer either.\n";
        return false;
    }
    libusb_device **list = nullptr;
    const ssize_t n = libusb_get_device_list(context, &list);
    for (ssize_t i = 0; i < n; ++i) {
        libusb_device_descriptor d{};
        if (libusb_get_device_descriptor(list[i], &d) != LIBUSB_SUCCESS || d.idVendor != LumenVendorId)
            continue;
        Device device;
        device.bus = libusb_get_bus_number(list[i]);
        device.address = libusb_get_device_address(list[i]);
        uint8_t ports[8] = {};
        const int depth = libusb_get_port_numbers(list[i], ports, sizeof ports);
        device.ports.assign(ports, ports + std::max(depth, 0));
        device.vendorId = d.idVendor;
        device.productId = d.idProduct;
        device.revision = d.bcdDevice;
        libusb_config_descriptor *config = nullptr;
        device.configured = libusb_get_active_config_descriptor(list[i], &config) == LIBUSB_SUCCESS;
        libusb_free_config_descriptor(config);
        devices->push_back(device);
    }
    if (n >= 0)
        libusb_free_device_list(list, 1);
    libusb_exit(context);
    if (n < 0) {
        m_out << "\nThe USB devices cannot be listed: " << libusb_strerror(static_cast<int>(n)) << '\n';
        return false;
    }
    // The driver library's order: bus, then port path.
    std::sort(devices->begin(), devices->end(),
              [](const Device &a, const Device &b) { return std::tie(a.bus, a.ports) < std::tie(b.bus, b.ports); });
    for (Device &d : *devices) {
        d.sysfs = "/sys/bus/usb/devices/" + std::to_string(d.bus) + '-';
        for (size_t i = 0; i < d.ports.size(); ++i)
            d.sysfs += (i ? "." : "") + std::to_string(d.ports[i]);
        char node[32];
        std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/%03u", d.bus, d.address);
        d.node = node;
    }
    return true;
}

void UsbCheck::checkDevice(const Device &device, size_t index)
{
    // The strings the kernel publishes for everyone; the device may go while they are read.
    const auto product = firstLine(device.sysfs + "/product"), serial = firstLine(device.sysfs + "/serial"),
               manufacturer = firstLine(device.sysfs + "/manufacturer");
    const char *model = modelName(device.productId);
    std::string name = product ? *product : model;
    if (serial)
        name += ' ' + *serial;
    const std::string label = "device " + std::to_string(index) + " (" + name + ")";
    char revision[16];
    std::snprintf(revision, sizeof revision, "%x.%02x", device.revision >> 8, device.revision & 0xFF);
    m_out << "\nDevice " << index << ": " << name << (manufacturer ? ", made by " + *manufacturer : "") << '\n'
          << "  ids: vendor " << hex4(device.vendorId) << ", product " << hex4(device.productId) << " (" << model
          << "), revision " << revision << '\n'
          << "  bus path: " << device.sysfs.substr(device.sysfs.rfind('/') + 1) << " (bus " << unsigned(device.bus)
          << ", device " << unsigned(device.address) << ")\n";
    if (!product && !serial)
        m_out << "  names: none in " << device.sysfs << " (not published, or the device went)\n";
    if (!device.configured) {
        m_out << "  USB configuration: none active\n";
        problem(label + " has no active USB configuration, and the panel does not list such a device");
    }
    checkNode(device, label);
    checkCard(device, label);
}

void UsbCheck::checkNode(const Device &device, const std::string &label)
{
    struct stat st;
    if (::stat(device.node.c_str(), &st) != 0) {
        const int error = errno;
        m_out << "  device node: " << device.node << " cannot be found (" << std::strerror(error) << ")\n";
        problem(label + ": its device node " + device.node + " cannot be found: the device went, or /dev/bus/usb " +
                "is not set up");
        return;
    }
    m_out << "  device node: " << device.node << ", " << rightsText(st) << '\n';
    // Opened and closed again: nothing reaches the device.
    const int fd = ::open(device.node.c_str(), O_RDWR | O_CLOEXEC);
    const int error = errno;
    if (fd >= 0) {
        ::close(fd);
        m_out << "  access: this user may open it for reading and writing\n";
    } else {
        m_out << "  access: this user may NOT open it for reading and writing (" << std::strerror(error) << ")\n";
    }
    const Tag tag = uaccessTag(firstLine(device.sysfs + "/dev"));
    m_out << "  udev: "
          << (tag == Tag::NoUdev     ? "not running here"
              : tag == Tag::NoRecord ? "no record of the device"
              : tag == Tag::Tagged   ? "tagged uaccess"
                                     : "not tagged uaccess")
          << '\n';
    if (fd >= 0)
        return;
    std::string why;
    if (error == ENOENT || error == ENODEV)
        why = "the device went while it was checked";
    else if (m_rule != Rule::Installed)
        why = std::string("no udev rule gives these mixers access: install ") + kRuleFile +
              " (the calder-panel package puts it in /usr/lib/udev/rules.d), then " + kReplug;
    else if (tag == Tag::NoRecord || tag == Tag::Untagged)
        why = std::string("the mixer was attached before the udev rule was installed: ") + kReplug;
    else if (tag == Tag::Tagged)
        why =
            "the uaccess tag gives access only to the user logged in at the seat: log in at this computer "
            "itself, not over ssh or with su";
    else
        why = "udev is not running here: give this user the right to open the node another way (a group)";
    problem(label + ": this user may not open " + device.node + ": " + why);
}

void UsbCheck::checkCard(const Device &device, const std::string &label)
{
    const int card = findCard(device.bus, device.address);
    if (card < 0) {
        m_out << "  ALSA card: none\n";
        problem(label + " has no ALSA card: the kernel's USB audio driver is not bound to it, so it neither plays " +
                "nor records and the panel shows no rate, formats or volumes (is snd-usb-audio loaded? what does " +
                "dmesg say about the device?)");
        return;
    }
    const std::string id = cardId(card);
    m_out << "  ALSA card: " << card << (id.empty() ? "" : " (" + id + ")") << '\n';
    const StreamInfo streams = readStreams(card);
    const uint32_t playback = nominalRate(streams.playback), capture = nominalRate(streams.capture);
    m_out << "    sample rate: "
          << (playback  ? std::to_string(playback) + " Hz (output running)"
              : capture ? std::to_string(capture) + " Hz (input running)"
                        : std::string("none: no stream runs (the kernel tells a rate only then)"))
          << '\n'
          << "    output formats: " << formatsText(streams.playback) << '\n'
          << "    input formats: " << formatsText(streams.capture) << '\n';
    checkControls(card);
}

void UsbCheck::checkControls(int card)
{
    AlsaMixer mixer(card);
    if (const TSTATUS s = mixer.status()) {
        char status[16];
        std::snprintf(status, sizeof status, "0x%08X", s);
        m_out << "    controls: hw:" << card << " cannot be read (" << status
              << (s == kCardGone ? ": the card went)" : ")") << '\n';
        return;
    }
    if (mixer.mixerControlCount() == 0) {
        m_out << "    controls: none, so the panel shows no volumes\n";
        return;
    }
    for (const uint32_t direction : {tusb::kDirectionOutput, tusb::kDirectionInput}) {
        const char *side = direction == tusb::kDirectionOutput ? "output" : "input";
        const auto controls = mixer.describe(direction);
        if (controls.empty())
            m_out << "    " << side << ": no volume or mute control\n";
        for (const AlsaMixer::ControlInfo &c : controls) {
            m_out << "    " << side << (c.isSwitch ? " mute" : " volume") << ", "
                  << (c.master       ? std::string("master")
                      : c.count == 1 ? std::string("channel 1")
                                     : "channels 1-" + std::to_string(c.count))
                  << ": \"" << c.name << "\" index " << c.index;
            if (!c.isSwitch) {
                m_out << ", steps " << c.min << ".." << c.max;
                if (c.min >= c.max)
                    m_out << ": an inverted or empty range, left alone";
                else if (!c.dbRange)
                    m_out << ", no dB range: shown as -128..0 dB in even steps";
                else if (c.dbError)
                    m_out << ", a dB range alsa-lib cannot convert (" << snd_strerror(c.dbError)
                          << "): shown as -128..0 dB in even steps";
                else
                    m_out << ", " << dbText(c.dbMin) << ".." << dbText(c.dbMax)
                          << (c.dbMin >= c.dbMax ? ": an inverted or empty range, left alone" : "")
                          << (c.minIsMute ? ", the lowest step mutes" : "");
            }
            m_out << '\n';
        }
    }
}

} // namespace usbdrv
