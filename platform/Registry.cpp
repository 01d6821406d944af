#include "platform/Registry.h"

#include "platform/PlatformErrors.h"
#include "platform/Utf.h"

namespace platform {

uint32_t decodeRegistryString(uint32_t type, const void *data, size_t size, std::string &value)
{
    constexpr uint32_t kRegSz = 1;
    constexpr uint32_t kRegExpandSz = 2;

    value.clear();
    if (size > kRegistryValueUnits * 2)
        return err::kMoreData;
    if (type != kRegSz && type != kRegExpandSz)
        return err::kBadFormat;
    const auto *bytes = static_cast<const unsigned char *>(data);
    const size_t units = size / 2;
    std::u16string text;
    bool terminated = false;
    for (size_t i = 0; i < units; ++i) {
        const char16_t u = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        if (u == 0) {
            terminated = true;
            break;
        }
        text += u;
    }
    // A value that uses the whole buffer with no terminator was cut off (or stored without
    // one); either way it is not a path we can trust.
    if (!terminated && units == kRegistryValueUnits)
        return err::kBufferOverflow;
    value = utf16ToUtf8(text);
    return err::kSuccess;
}

} // namespace platform
