// calder-usb-check: what stands between this user and the mixers attached here (see UsbCheck.h).
#include "UsbCheck.h"

#include <cstring>
#include <iostream>

int main(int argc, char **argv)
{
    const char *usage =
        "Usage: calder-usb-check [--help | --version]\n"
        "Tells what stands between this user and the Calder mixers attached here. Writes nothing to "
        "any device.\nExit status: 0 every mixer is usable, 1 one is not, 2 none is attached, 3 the "
        "USB devices cannot be listed.\n";
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::cout << usage;
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << "calder-usb-check " CALDER_USB_CHECK_VERSION "\n";
        return 0;
    }
    if (argc > 1) {
        std::cerr << "calder-usb-check: unknown argument '" << argv[1] << "'\n" << usage;
        return usbdrv::UsbCheck::kUsage;
    }
    return usbdrv::UsbCheck(std::cout).run();
}
