#pragma once
// Registry, file and text helpers of the Windows test program. The driver entry is written
// where a per-user install puts it, HKCU\Software\Classes, which Windows shows under
// HKEY_CLASSES_ROOT, and also under HKLM\Software\Classes, which Wine (8.0) shows there instead.
#include "platform/Utf.h"
#include "platform/windows/WinApi.h"

#include <filesystem>
#include <string>

namespace winsupport {

inline const wchar_t kClassIdW[] = L"{6B1E4C2A-93D5-4f0e-B7A1-2C8D9E3F5A61}";
inline const std::wstring kClassKey = std::wstring(L"Software\\Classes\\CLSID\\") + kClassIdW;
inline const std::wstring kServerKey = kClassKey + L"\\InprocServer32";

inline std::string toUtf8(const std::wstring &wide) // UTF-16 on Windows
{
    return platform::utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t *>(wide.data()), wide.size()));
}

inline std::wstring toWide(const std::string &utf8)
{
    std::wstring out;
    platform::toWide(utf8, out);
    return out;
}

// A file the build put beside this program.
inline std::wstring builtFile(const char *name)
{
    wchar_t path[MAX_PATH];
    const std::wstring self(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
    return self.substr(0, self.find_last_of(L"\\/")) + L"\\" + toWide(name);
}

// Writes the unnamed value of `subKey` under both roots with exactly `size` bytes of `data`;
// without data, only the key. A root that cannot be written (HKLM without admin rights) is left.
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

// A folder of this run under the temporary folder (the Wine prefix, thrown away after the run).
inline std::wstring scratchFile(const std::wstring &name)
{
    static const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                             (L"calder-wintest-" + std::to_wstring(GetCurrentProcessId()));
    return (dir / name).wstring();
}

} // namespace winsupport
