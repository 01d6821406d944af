#pragma once
// Text forms of the info page. Pure functions, no driver access.
#include <QString>

#include <cstdint>

namespace InfoFormatting {
// "0x" + upper-case hex padded to four digits: 0x5AB -> "0x05AB", 0x4C55 -> "0x4C55".
QString vendorIdText(uint32_t vendorId);
// The same form: 0x31 -> "0x0031".
QString productIdText(uint32_t productId);
// First hex digit, a point, the next two: 0x105 -> "1.05". Shorter values are zero-padded to
// three digits (0x5 -> "0.05"), so a zeroed record reads "0.00".
QString revisionText(uint32_t revisionId);
// Recognised mixers carry "<product> <prefix>-<number>"; the serial shown is the part after
// the first "-". Without a "-" the whole serial-number string is shown.
QString mixerSerialText(const QString &displayName, const QString &serialString);
// Other devices: the display name without "<manufacturer> " (an empty manufacturer removes
// nothing).
QString otherProductText(const QString &displayName, const QString &manufacturer);
// "5.2.1".
QString apiVersionText(uint32_t major, uint32_t minor, uint32_t patch);
// "Debug" when bit 0 of the flags is set, else "Release".
QString buildTypeText(uint32_t flags);
// "Active" for 1, "Stopped" for 0, an empty string for anything else (keep the previous text).
QString streamingStateText(uint32_t state);
} // namespace InfoFormatting
