#pragma once
// Locates, loads and version-checks the driver API library and holds one pointer per export.
// Qt-free: also built by the Windows cross-compiler.
#include "device/TUsbAudioApi.h"
#include "device/TUsbAudioEntryPoints.h"

#include <string>
#include <type_traits>
#include <utility>

class TUsbAudioApiDll
{
public:
    TUsbAudioApiDll();
    virtual ~TUsbAudioApiDll();

    TUsbAudioApiDll(const TUsbAudioApiDll &) = delete;
    TUsbAudioApiDll &operator=(const TUsbAudioApiDll &) = delete;

    // Reads HKEY_CLASSES_ROOT\CLSID\<classId>\InprocServer32 and loads that path.
    TSTATUS loadByClsid(const std::string &classId, bool checkVersion);
    // path is UTF-8. Returns 0, or 1 (already loaded), 2 (no such file), the system's load
    // error (126), 127 (an entry point missing: nothing stays loaded) or kVersionRejected (the
    // library stays loaded with the two version entry points only). Entry-point groups newer
    // than the library's own version are not resolved and stay null; that is not an error.
    TSTATUS loadFromPath(const std::string &path, bool checkVersion);
    void unload();
    // Drops the entry points but leaves the library mapped: a call still running in it (at
    // exit) must not have its code unloaded under it.
    void forgetWithoutUnloading();
    bool isVersionAtLeast(uint32_t major, uint32_t minor) const;

    bool isLoaded() const { return m_module != nullptr; }
    uint32_t apiVersion() const { return m_apiVersion; }
    // Number of non-null entry points (tests and diagnostics).
    int resolvedCount() const;

#define TUSB_TYPED_FIELD(n)   TUSBAUDIO_##n##_t TUSBAUDIO_##n = nullptr;
#define TUSB_UNTYPED_FIELD(n) TUSBAUDIO_Untyped_t TUSBAUDIO_##n = nullptr;
    TUSB_VERSION_ENTRY_POINTS(TUSB_TYPED_FIELD)
    TUSB_CALLED_ENTRY_POINTS(TUSB_TYPED_FIELD)
    TUSB_UNCALLED_50_ENTRY_POINTS(TUSB_UNTYPED_FIELD)
    TUSB_UNCALLED_51_ENTRY_POINTS(TUSB_UNTYPED_FIELD)
    TUSB_UNCALLED_52_ENTRY_POINTS(TUSB_UNTYPED_FIELD)
#undef TUSB_TYPED_FIELD
#undef TUSB_UNTYPED_FIELD

private:
    void clearEntryPoints();

    void *m_module = nullptr;
    uint32_t m_apiVersion = 0;
};

namespace tusb {
// The one way to call an entry point of the loaded library: one the library lacks (a null
// pointer) is never called; the call then gives kEntryPointMissing (nothing, for an entry point
// without a result).
template <typename Fn, typename... Args>
auto call(Fn fn, Args &&...args)
{
    using Result = decltype(fn(std::forward<Args>(args)...));
    if constexpr (std::is_void<Result>::value) {
        if (fn)
            fn(std::forward<Args>(args)...);
    } else {
        return fn ? fn(std::forward<Args>(args)...) : Result(kEntryPointMissing);
    }
}

// The same for an entry point whose result is not a status: a missing one gives `missing`.
template <typename Result, typename Fn, typename... Args>
Result callOr(Result missing, Fn fn, Args &&...args)
{
    return fn ? Result(fn(std::forward<Args>(args)...)) : missing;
}
} // namespace tusb
