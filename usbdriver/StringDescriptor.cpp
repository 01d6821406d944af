#include "StringDescriptor.h"

namespace usbdrv {

namespace {
constexpr uint8_t kStringDescriptorType = 3;
constexpr uint16_t kUsEnglish = 0x0409;
} // namespace

bool decodeStringDescriptor(const uint8_t *bytes, size_t size, std::u16string *text)
{
    text->clear();
    if (!bytes || size < 2 || bytes[1] != kStringDescriptorType || bytes[0] < 2)
        return false;
    const size_t length = bytes[0] < size ? bytes[0] : size;
    for (size_t i = 2; i + 1 < length; i += 2)
        text->push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    return true;
}

uint16_t firstLanguageId(const uint8_t *bytes, size_t size)
{
    std::u16string ids;
    if (!decodeStringDescriptor(bytes, size, &ids) || ids.empty() || ids[0] == 0)
        return kUsEnglish;
    return static_cast<uint16_t>(ids[0]);
}

void putUtf16Field(uint8_t *field, const std::u16string &text, size_t units)
{
    const size_t n = text.size() < units ? text.size() : units;
    for (size_t i = 0; i < n; ++i) {
        field[2 * i] = static_cast<uint8_t>(text[i] & 0xFF);
        field[2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
    }
    if (n < units) {
        field[2 * n] = 0;
        field[2 * n + 1] = 0;
    }
}

} // namespace usbdrv
