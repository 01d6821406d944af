#pragma once
// <windows.h> with the settings the platform layer relies on, and UTF-8 -> UTF-16 conversion.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601 // Windows 7: SetThreadErrorMode
#endif
#include <windows.h>

#include <climits>
#include <cstdint>
#include <string>

namespace platform {
// 0, or ERROR_NO_UNICODE_TRANSLATION for invalid UTF-8, ERROR_INVALID_NAME for an embedded NUL
// (which would silently shorten the name).
inline uint32_t toWide(const std::string &utf8, std::wstring &wide)
{
    wide.clear();
    if (utf8.empty())
        return ERROR_SUCCESS;
    if (utf8.find('\0') != std::string::npos)
        return ERROR_INVALID_NAME;
    if (utf8.size() > static_cast<size_t>(INT_MAX))
        return ERROR_INVALID_PARAMETER;
    const int length = static_cast<int>(utf8.size());
    const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, nullptr, 0);
    if (units <= 0)
        return GetLastError() ? GetLastError() : ERROR_NO_UNICODE_TRANSLATION;
    wide.resize(static_cast<size_t>(units));
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, &wide[0], units) != units) {
        wide.clear();
        return ERROR_NO_UNICODE_TRANSLATION;
    }
    return ERROR_SUCCESS;
}
} // namespace platform
