#include "platform/Library.h"

#include "platform/windows/WinApi.h"

namespace platform {

void *loadLibrary(const std::string &path)
{
    std::wstring wide;
    if (const uint32_t error = toWide(path, wide)) {
        SetLastError(error);
        return nullptr;
    }
    // No "cannot find / bad image" message box from the system: the caller reports the error.
    DWORD previousMode = 0;
    const BOOL modeSet = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
    HMODULE library = LoadLibraryW(wide.c_str());
    const DWORD error = GetLastError();
    if (modeSet)
        SetThreadErrorMode(previousMode, nullptr);
    SetLastError(error);
    return library;
}

void *resolveSymbol(void *library, const char *name)
{
    if (!library || !name) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void freeLibrary(void *library)
{
    if (library)
        FreeLibrary(static_cast<HMODULE>(library));
}

uint32_t lastError() { return GetLastError(); }

} // namespace platform
