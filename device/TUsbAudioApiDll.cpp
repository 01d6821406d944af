#include "device/TUsbAudioApiDll.h"

#include "platform/FileSystem.h"
#include "platform/Library.h"
#include "platform/Registry.h"

#include <type_traits>

namespace {

// A failed call must never read as success, even if the system forgot to set an error.
TSTATUS errorOr(TSTATUS error, TSTATUS fallback) { return error != tusb::kOk ? error : fallback; }

} // namespace

TUsbAudioApiDll::TUsbAudioApiDll() = default;

TUsbAudioApiDll::~TUsbAudioApiDll() { unload(); }

TSTATUS TUsbAudioApiDll::loadByClsid(const std::string &classId, bool checkVersion)
{
    std::string path;
    const TSTATUS status = platform::readClassesRootDefaultValue({"CLSID", classId, "InprocServer32"}, path);
    if (status != tusb::kOk)
        return status;
    return loadFromPath(path, checkVersion);
}

TSTATUS TUsbAudioApiDll::loadFromPath(const std::string &path, bool checkVersion)
{
    if (m_module)
        return tusb::kAlreadyLoaded;

    const uint32_t attributes = platform::fileAttributesError(path);
    if (attributes == tusb::kFileNotFound || attributes == tusb::kPathNotFound)
        return tusb::kFileNotFound;
    // Other attribute errors (access denied, ...) are left to the load to report.

    m_module = platform::loadLibrary(path);
    if (!m_module)
        return errorOr(platform::lastError(), tusb::kCannotLoad);

    TSTATUS status = tusb::kOk;
    const auto resolve = [this, &status](auto &field, const char *name) {
        if (status != tusb::kOk)
            return;
        void *symbol = platform::resolveSymbol(m_module, name);
        if (!symbol) {
            status = errorOr(platform::lastError(), tusb::kProcNotFound);
            return;
        }
        field = reinterpret_cast<std::remove_reference_t<decltype(field)>>(symbol);
    };
#define TUSB_RESOLVE(n) resolve(TUSBAUDIO_##n, "TUSBAUDIO_" #n);

    TUSB_VERSION_ENTRY_POINTS(TUSB_RESOLVE)
    if (status != tusb::kOk) {
        unload();
        return status;
    }
    m_apiVersion = TUSBAUDIO_GetApiVersion();
    if (checkVersion && TUSBAUDIO_CheckApiVersion(tusb::kRequiredMajor, tusb::kRequiredMinor) == 0)
        return tusb::kVersionRejected; // stays loaded with the two version entry points only

    // A library older than a group does not have to export it: those entry points stay null
    // and their callers get kEntryPointMissing.
    if (isVersionAtLeast(5, 0)) {
        TUSB_CALLED_ENTRY_POINTS(TUSB_RESOLVE)
        TUSB_UNCALLED_50_ENTRY_POINTS(TUSB_RESOLVE)
    }
    if (isVersionAtLeast(5, 1)) {
        TUSB_UNCALLED_51_ENTRY_POINTS(TUSB_RESOLVE)
    }
    if (isVersionAtLeast(5, 2)) {
        TUSB_UNCALLED_52_ENTRY_POINTS(TUSB_RESOLVE)
    }
#undef TUSB_RESOLVE

    if (status != tusb::kOk)
        unload();
    return status;
}

void TUsbAudioApiDll::forgetWithoutUnloading()
{
    m_module = nullptr;
    clearEntryPoints();
}

void TUsbAudioApiDll::unload()
{
    if (m_module)
        platform::freeLibrary(m_module);
    m_module = nullptr;
    clearEntryPoints();
}

bool TUsbAudioApiDll::isVersionAtLeast(uint32_t major, uint32_t minor) const
{
    const uint32_t ownMajor = m_apiVersion >> 16;
    const uint32_t ownMinor = m_apiVersion & 0xFFFFu;
    return ownMajor > major || (ownMajor == major && ownMinor >= minor);
}

int TUsbAudioApiDll::resolvedCount() const
{
    int count = 0;
#define TUSB_COUNT(n) count += TUSBAUDIO_##n != nullptr ? 1 : 0;
    TUSB_VERSION_ENTRY_POINTS(TUSB_COUNT)
    TUSB_CALLED_ENTRY_POINTS(TUSB_COUNT)
    TUSB_UNCALLED_50_ENTRY_POINTS(TUSB_COUNT)
    TUSB_UNCALLED_51_ENTRY_POINTS(TUSB_COUNT)
    TUSB_UNCALLED_52_ENTRY_POINTS(TUSB_COUNT)
#undef TUSB_COUNT
    return count;
}

void TUsbAudioApiDll::clearEntryPoints()
{
#define TUSB_CLEAR(n) TUSBAUDIO_##n = nullptr;
    TUSB_VERSION_ENTRY_POINTS(TUSB_CLEAR)
    TUSB_CALLED_ENTRY_POINTS(TUSB_CLEAR)
    TUSB_UNCALLED_50_ENTRY_POINTS(TUSB_CLEAR)
    TUSB_UNCALLED_51_ENTRY_POINTS(TUSB_CLEAR)
    TUSB_UNCALLED_52_ENTRY_POINTS(TUSB_CLEAR)
#undef TUSB_CLEAR
    m_apiVersion = 0;
}
