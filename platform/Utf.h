#pragma once
// Strict UTF-8 / UTF-16 conversions for paths and registry text. Qt-free, pure.
#include <string>
#include <string_view>

namespace platform {
// False for overlong forms, encoded surrogates, code points above U+10FFFF and cut sequences.
bool isValidUtf8(std::string_view text);
// False (and `out` cleared) when `text` is not valid UTF-8.
bool utf8ToUtf16(std::string_view text, std::u16string &out);
// False when `text` holds an unpaired surrogate.
bool isValidUtf16(std::u16string_view text);
// Unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(std::u16string_view text);
} // namespace platform
