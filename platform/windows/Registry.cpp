#include "platform/Registry.h"

#include "platform/windows/WinApi.h"

namespace platform {

uint32_t readClassesRootDefaultValue(const std::vector<std::string> &keyPath, std::string &value)
{
    value.clear();
    std::vector<HKEY> opened;
    HKEY parent = HKEY_CLASSES_ROOT;
    LONG status = ERROR_SUCCESS;
    for (const std::string &name : keyPath) {
        std::wstring wide;
        status = static_cast<LONG>(toWide(name, wide));
        if (status != ERROR_SUCCESS)
            break;
        HKEY key = nullptr;
        status = RegOpenKeyExW(parent, wide.c_str(), 0, KEY_READ, &key);
        if (status != ERROR_SUCCESS)
            break;
        opened.push_back(key);
        parent = key;
    }

    wchar_t buffer[kRegistryValueUnits] = {};
    DWORD type = REG_NONE;
    DWORD size = sizeof buffer;
    if (status == ERROR_SUCCESS)
        status = RegQueryValueExW(parent, nullptr, nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &size);
    for (auto key = opened.rbegin(); key != opened.rend(); ++key)
        RegCloseKey(*key);

    if (status != ERROR_SUCCESS)
        return static_cast<uint32_t>(status); // ERROR_MORE_DATA (234) for a value beyond the buffer
    return decodeRegistryString(type, buffer, size, value);
}

} // namespace platform
