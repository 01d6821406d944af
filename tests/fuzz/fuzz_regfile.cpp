// Any bytes as a .reg file, then the driver entry's lookup and decoding: a usable path or an error.
#include "FuzzTarget.h"
#include "platform/PlatformErrors.h"
#include "platform/RegFile.h"
#include "platform/Registry.h"
#include "platform/Utf.h"

#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const RegFile file = RegFile::parse(bytes);
    if (!file.isValid()) {
        // Nothing of a half-understood file is used.
        FUZZ_CHECK(file.find("HKEY_CLASSES_ROOT\\CLSID\\{6B1E4C2A-93D5-4f0e-B7A1-2C8D9E3F5A61}\\InprocServer32", "") ==
                   nullptr);
        return 0;
    }
    static const char *const kKeys[] = {
        "HKEY_CLASSES_ROOT\\CLSID\\{6B1E4C2A-93D5-4f0e-B7A1-2C8D9E3F5A61}\\InprocServer32",
        "hkey_classes_root\\clsid\\{6b1e4c2a-93d5-4f0e-b7a1-2c8d9e3f5a61}\\inprocserver32",
        "HKEY_CLASSES_ROOT\\CLSID",
        "HKEY_CLASSES_ROOT",
    };
    for (const char *key : kKeys) {
        for (std::string_view name : {std::string_view(), std::string_view("x"), std::string_view("@")}) {
            const RegValue *v = file.find(key, name);
            if (!v)
                continue;
            std::string path;
            const uint32_t status = platform::decodeRegistryString(v->type, v->data.data(), v->data.size(), path);
            if (status == platform::err::kSuccess) {
                FUZZ_CHECK(platform::isValidUtf8(path));
                std::u16string wide;
                FUZZ_CHECK(platform::utf8ToUtf16(path, wide));
                FUZZ_CHECK(wide.size() < platform::kRegistryValueUnits);
            } else {
                FUZZ_CHECK(path.empty());
            }
        }
    }
    // The conversions on their own, with the raw bytes.
    std::u16string wide;
    if (platform::utf8ToUtf16(bytes, wide))
        FUZZ_CHECK(platform::utf16ToUtf8(wide) == bytes);
    return 0;
}
