#pragma once
// The Windows program's runner (no Qt, no test library to cross-build) and registry helpers. A failed
// CHECK marks its case failed and goes on, a failed REQUIRE also leaves the case.
#include "platform/windows/WinApi.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace wintest {
namespace fs = std::filesystem;

inline std::vector<std::pair<const char *, void (*)()>> &cases()
{
    static std::vector<std::pair<const char *, void (*)()>> all;
    return all;
}
inline bool s_failed = false;
inline std::string s_context; // the table row, shown with its failures

inline bool fail(const char *file, int line, const std::string &what)
{
    s_failed = true;
    std::printf("  FAIL %s:%d: %s  [%s]\n", file, line, what.c_str(), s_context.c_str());
    std::fflush(stdout);
    return false;
}

template <typename A, typename E>
bool checkEqual(const A &actual, const E &expected, const char *file, int line, const char *text)
{
    return actual == expected || fail(file, line,
                                      std::string(text) + " is " + std::to_string(static_cast<long long>(actual)) +
                                          ", expected " + std::to_string(static_cast<long long>(expected)));
}

inline const char kClassId[] = "{6B1E4C2A-93D5-4f0e-B7A1-2C8D9E3F5A61}";
inline const std::wstring kClassKey = L"Software\\Classes\\CLSID\\" + fs::u8path(kClassId).wstring();
inline const std::wstring kServerKey = kClassKey + L"\\InprocServer32";

// A file the build put beside this program.
inline fs::path builtFile(const char *name)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return fs::path(self).parent_path() / name;
}

// A path in a folder of this run under the temporary folder (the Wine prefix, thrown away after the run).
inline fs::path scratchFile(const std::wstring &name)
{
    return fs::temp_directory_path() / (L"calder-wintest-" + std::to_wstring(GetCurrentProcessId())) / name;
}

// Writes the unnamed value of `subKey` with exactly `size` bytes of `data` (without data, only the key)
// under HKCU\Software\Classes, where a per-user install puts it, and HKLM\Software\Classes, which Wine
// (8.0) shows as HKEY_CLASSES_ROOT instead. HKLM without admin rights is left.
inline LONG writeValue(const std::wstring &subKey, DWORD type, const void *data, DWORD size)
{
    LONG first = ERROR_SUCCESS;
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        HKEY key = nullptr;
        LONG status = RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
        if (status == ERROR_SUCCESS && data)
            status = RegSetValueExW(key, nullptr, 0, type, static_cast<const BYTE *>(data), size);
        if (key)
            RegCloseKey(key);
        if (root == HKEY_CURRENT_USER)
            first = status;
    }
    return first;
}

// The driver entry as a string of the given type, with or without its terminator.
inline LONG registerDriver(const std::wstring &text, DWORD type = REG_SZ, bool terminated = true)
{
    // RegSetValueExW stores a string's terminator even when the size leaves it out, if one
    // follows in memory; a unit that is not NUL keeps the value unterminated.
    const std::wstring data = text + (terminated ? L'\0' : L'#');
    const DWORD size = static_cast<DWORD>((text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t));
    return writeValue(kServerKey, type, data.c_str(), size);
}

inline void unregisterDriver(const std::wstring &key = kClassKey)
{
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
}

} // namespace wintest

#define WIN_TEST(name)                                                                                          \
    static void name();                                                                                         \
    [[maybe_unused]] static const bool name##_registered = (wintest::cases().emplace_back(#name, &name), true); \
    static void name()
#define CHECK(condition)           (void)((condition) || wintest::fail(__FILE__, __LINE__, "CHECK(" #condition ")"))
#define CHECK_EQ(actual, expected) wintest::checkEqual((actual), (expected), __FILE__, __LINE__, #actual)
#define REQUIRE(condition)                                                \
    do {                                                                  \
        if (!(condition)) {                                               \
            wintest::fail(__FILE__, __LINE__, "REQUIRE(" #condition ")"); \
            return;                                                       \
        }                                                                 \
    } while (0)
