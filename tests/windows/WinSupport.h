#pragma once
// Registry, file and text helpers of the Windows test program. The driver entry is written
// where a per-user install puts it, HKCU\Software\Classes, which Windows shows under
// HKEY_CLASSES_ROOT: the loader reads it back through the merged view. Wine (8.0) does not
// merge the per-user classes; there the entry goes to HKLM\Software\Classes instead.
#include "platform/Utf.h"
#include "platform/windows/WinApi.h"

#include <string>

namespace winsupport {

inline const wchar_t kClassIdW[] = L"{6B1E4C2A-93D5-4f0e-B7A1-2C8D9E3F5A61}";
// Below HKCU or HKLM.
inline const std::wstring kClassKey = std::wstring(L"Software\\Classes\\CLSID\\") + kClassIdW;
inline const std::wstring kServerKey = kClassKey + L"\\InprocServer32";

// Where registerDriver() writes: HKEY_CURRENT_USER unless chooseDriverRoot() found that
// HKEY_CLASSES_ROOT does not show it.
inline HKEY &driverRoot()
{
    static HKEY root = HKEY_CURRENT_USER;
    return root;
}

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

// The folder of this program, where the build put the DLLs.
inline std::wstring programDir()
{
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, n);
    return dir.substr(0, dir.find_last_of(L"\\/"));
}

inline std::wstring builtFile(const char *name) { return programDir() + L"\\" + toWide(name); }

// Writes the unnamed value of `subKey` under `root` with exactly `size` bytes of `data`; without
// data, only the key.
inline LONG writeValue(HKEY root, const std::wstring &subKey, DWORD type, const void *data, DWORD size)
{
    HKEY key = nullptr;
    LONG status = RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    if (data)
        status = RegSetValueExW(key, nullptr, 0, type, static_cast<const BYTE *>(data), size);
    RegCloseKey(key);
    return status;
}

// The driver entry as a string of the given type, with or without its terminator.
inline LONG registerDriver(const std::wstring &text, DWORD type = REG_SZ, bool terminated = true)
{
    // RegSetValueExW stores a string's terminator even when the size leaves it out, if one
    // follows in memory; a unit that is not NUL keeps the value unterminated.
    const std::wstring data = text + (terminated ? L'\0' : L'#');
    const DWORD size = static_cast<DWORD>((text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t));
    return writeValue(driverRoot(), kServerKey, type, data.c_str(), size);
}

inline void unregisterDriver() { RegDeleteTreeW(driverRoot(), kClassKey.c_str()); }

// True when an entry written under `root` shows under HKEY_CLASSES_ROOT.
inline bool classesRootShows(HKEY root)
{
    const std::wstring probe = L"calder-probe";
    driverRoot() = root;
    unregisterDriver();
    bool shown = false;
    if (registerDriver(probe) == ERROR_SUCCESS) {
        wchar_t value[32] = {};
        DWORD size = sizeof value - sizeof(wchar_t);
        HKEY key = nullptr;
        const std::wstring merged = std::wstring(L"CLSID\\") + kClassIdW + L"\\InprocServer32";
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, merged.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
            shown = RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE *>(value), &size) ==
                        ERROR_SUCCESS &&
                    probe == value;
            RegCloseKey(key);
        }
    }
    unregisterDriver();
    return shown;
}

// Picks HKCU, else HKLM; false when neither shows under HKEY_CLASSES_ROOT.
inline bool chooseDriverRoot() { return classesRootShows(HKEY_CURRENT_USER) || classesRootShows(HKEY_LOCAL_MACHINE); }

// Creates every missing folder of `dir`.
inline bool makeDirs(const std::wstring &dir)
{
    if (GetFileAttributesW(dir.c_str()) != INVALID_FILE_ATTRIBUTES)
        return true;
    const size_t cut = dir.find_last_of(L"\\/");
    if (cut != std::wstring::npos && cut > 2 && !makeDirs(dir.substr(0, cut)))
        return false;
    return CreateDirectoryW(dir.c_str(), nullptr) != 0;
}

// Copies `file` into `dir` (created as needed); empty on failure.
inline std::wstring copyInto(const std::wstring &dir, const std::wstring &file)
{
    if (!makeDirs(dir))
        return {};
    const std::wstring target = dir + L"\\" + file.substr(file.find_last_of(L"\\/") + 1);
    return CopyFileW(file.c_str(), target.c_str(), FALSE) ? target : std::wstring();
}

inline void removeTree(const std::wstring &dir)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = dir + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(dir.c_str());
}

// A folder of this run under the user's temporary folder, removed at exit.
class ScratchDir
{
public:
    ScratchDir()
    {
        wchar_t temp[MAX_PATH];
        const DWORD n = GetTempPathW(MAX_PATH, temp);
        m_path = std::wstring(temp, n) + L"calder-wintest-" + std::to_wstring(GetCurrentProcessId());
        makeDirs(m_path);
    }
    ~ScratchDir() { removeTree(m_path); }
    const std::wstring &path() const { return m_path; }
    std::wstring file(const std::wstring &name) const { return m_path + L"\\" + name; }

private:
    std::wstring m_path;
};

inline ScratchDir &scratch()
{
    static ScratchDir dir;
    return dir;
}

} // namespace winsupport
