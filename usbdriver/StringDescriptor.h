#pragma once
// USB string descriptors as the devices send them. Pure.
#include <cstddef>
#include <cstdint>
#include <string>

namespace usbdrv {

// The text of a string descriptor (bLength, bDescriptorType 3, UTF-16LE units) from the `size`
// bytes that arrived. False for anything that is not a string descriptor; a bLength beyond
// what arrived is cut to what arrived and an odd length drops its last byte.
bool decodeStringDescriptor(const uint8_t *bytes, size_t size, std::u16string *text);

// The first language id of descriptor 0, or US English when the list is missing or empty.
uint16_t firstLanguageId(const uint8_t *bytes, size_t size);

// Writes `text` into a field of `units` UTF-16LE units, zero-terminated when shorter.
void putUtf16Field(uint8_t *field, const std::u16string &text, size_t units);

} // namespace usbdrv
