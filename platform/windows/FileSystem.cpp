#include "platform/FileSystem.h"

#include "platform/windows/WinApi.h"

namespace platform {

uint32_t fileAttributesError(const std::string &path)
{
    std::wstring wide;
    if (const uint32_t error = toWide(path, wide))
        return error;
    if (GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES)
        return ERROR_SUCCESS;
    return GetLastError();
}

bool nativeSettingsAreIniFiles() { return false; }

} // namespace platform
