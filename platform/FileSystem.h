#pragma once
// File checks. Qt-free.
#include <cstdint>
#include <string>

namespace platform {
// 0 when the attributes of `path` (UTF-8) can be read, else the Windows error code: 2 for a
// missing file, 3 for a missing directory on the way, 5 for access denied, ...
uint32_t fileAttributesError(const std::string &path);

// Whether the system keeps an application's settings in an INI file (true) or in a store of
// its own such as the registry (false).
bool nativeSettingsAreIniFiles();
} // namespace platform
