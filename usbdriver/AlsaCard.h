#pragma once
// The ALSA card that the kernel's USB audio driver made for a USB device, and what the card's
// files tell: its streams and how many of its PCM substreams are open. The card is found by the
// USB address in its usbbus file, never by its name.
//
// The files are read from /proc/asound, or from the directory that CALDER_USB_ASOUND names
// (the tests' stand-in cards). Reading them needs no rights and takes no lock of the driver.
#include "AlsaStream.h"

#include <cstdint>
#include <string>

namespace usbdrv {

// The card number of the USB device at bus/address, -1 when it has no card (not an audio
// device, or the driver is not bound to it).
int findCard(unsigned bus, unsigned address);

// The card's id (its "id" file: the name ALSA knows it by), empty when it cannot be read.
std::string cardId(int card);

// All stream files of the card, parsed.
StreamInfo readStreams(int card);

// The card's PCM substreams that are open (their status file says anything but "closed").
uint32_t openSubstreams(int card);

} // namespace usbdrv
