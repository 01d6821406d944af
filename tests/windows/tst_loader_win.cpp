// TUsbAudioApiDll on Windows: the real registry, GetFileAttributesW, LoadLibraryW and
// GetProcAddress, against the stand-in DLLs built beside this program.
#include "WinCheck.h"
#include "WinSupport.h"

#include "device/TUsbAudioApiDll.h"
#include "platform/Registry.h"

#include <cstdint>

using namespace winsupport;

namespace {

const std::string kClassId = toUtf8(kClassIdW);

// What LoadLibraryW reports for a file that is not a DLL. The Linux stand-in reports 126
// (dlopen cannot tell "not found" from "not loadable"); the loader passes both through.
constexpr TSTATUS kBadExeFormat = ERROR_BAD_EXE_FORMAT; // 193

std::string path(const char *builtName) { return toUtf8(builtFile(builtName)); }

bool moduleIsMapped(const std::string &file) { return GetModuleHandleW(toWide(file).c_str()) != nullptr; }

struct PathRow
{
    const char *name;
    std::string file;
    bool checkVersion;
    TSTATUS status;
    int entryPoints;
    uint32_t version;
};

} // namespace

WIN_TEST(loadFromPath)
{
    const std::string v52 = path(FAKE_V52);
    const PathRow rows[] = {
        // The version groups are shared code (tests/device); here what Win32 adds: a refusal
        // and a missing name unload through FreeLibrary, GetProcAddress's error passes through.
        {"5.2: everything", v52, true, 0, 66, 0x50002},
        {"5.1 unchecked: no 5.2 group", path(FAKE_V51), false, 0, 65, 0x50001},
        {"check refused", path(FAKE_REFUSES), true, tusb::kVersionRejected, 2, 0x50002},
        {"no CheckApiVersion", path(FAKE_LACKS_CHECK), true, 127, 0, 0},
        {"not a library", path(NOT_A_LIBRARY), true, kBadExeFormat, 0, 0},
        {"missing file", toUtf8(scratch().file(L"missing.dll")), true, 2, 0, 0},
        {"file as directory", v52 + "\\lib.dll", true, 2, 0, 0},
        {"missing directory", toUtf8(scratch().file(L"nowhere\\lib.dll")), true, 2, 0, 0},
        {"empty path", std::string(), true, 2, 0, 0},
    };
    for (const PathRow &row : rows) {
        wincheck::context() = row.name;
        TUsbAudioApiDll api;
        CHECK_EQ(api.loadFromPath(row.file, row.checkVersion), row.status);
        CHECK_EQ(api.resolvedCount(), row.entryPoints);
        CHECK_EQ(api.apiVersion(), row.version);
        // A failed load must not leave the DLL mapped; a loaded one refuses a second load.
        if (row.entryPoints == 0 && !row.file.empty())
            CHECK(!moduleIsMapped(row.file));
        CHECK_EQ(api.loadFromPath(v52, true), row.entryPoints > 0 ? tusb::kAlreadyLoaded : tusb::kOk);
        api.unload();
        CHECK_EQ(api.resolvedCount(), 0);
        // FreeLibrary balanced the load: nothing stays mapped.
        if (!row.file.empty())
            CHECK(!moduleIsMapped(row.file));
        CHECK(!moduleIsMapped(v52));
    }
}

namespace {

struct ValueRow
{
    const char *name;
    DWORD type;
    std::wstring text;
    bool terminated;
    TSTATUS status;
    int entryPoints;
};

} // namespace

WIN_TEST(loadByClsid)
{
    const std::wstring lib = builtFile(FAKE_V52);
    const std::wstring x260(260, L'x');
    const ValueRow rows[] = {
        {"string", REG_SZ, lib, true, 0, 66},
        {"expandable string", REG_EXPAND_SZ, lib, true, 0, 66},
        {"binary", REG_BINARY, lib, true, 11, 0},
        {"multi-string", REG_MULTI_SZ, lib + L'\0', true, 11, 0},
        {"260 units, no terminator", REG_SZ, x260, false, 111, 0},
        {"260 units + terminator", REG_SZ, x260, true, 234, 0},
        {"empty value", REG_SZ, L"", true, 2, 0},
        {"no bytes at all", REG_SZ, L"", false, 2, 0},
    };
    for (const ValueRow &row : rows) {
        wincheck::context() = row.name;
        unregisterDriver();
        REQUIRE(registerDriver(row.text, row.type, row.terminated) == ERROR_SUCCESS);
        TUsbAudioApiDll api;
        CHECK_EQ(api.loadByClsid(kClassId, true), row.status);
        CHECK_EQ(api.resolvedCount(), row.entryPoints);
    }
    unregisterDriver();
}

WIN_TEST(loadByClsidRegistryErrors)
{
    TUsbAudioApiDll api;
    wincheck::context() = "no class key";
    unregisterDriver();
    CHECK_EQ(api.loadByClsid(kClassId, true), tusb::kFileNotFound);

    wincheck::context() = "dword";
    const DWORD one = 1;
    REQUIRE(writeValue(driverRoot(), kServerKey, REG_DWORD, &one, sizeof one) == ERROR_SUCCESS);
    CHECK_EQ(api.loadByClsid(kClassId, true), tusb::kWrongValueType);

    wincheck::context() = "key without a value";
    unregisterDriver();
    REQUIRE(writeValue(driverRoot(), kServerKey, REG_SZ, nullptr, 0) == ERROR_SUCCESS);
    CHECK_EQ(api.loadByClsid(kClassId, true), tusb::kFileNotFound);

    wincheck::context() = "entry under another class id";
    unregisterDriver();
    const std::wstring other = L"Software\\Classes\\CLSID\\{0}\\InprocServer32";
    const std::wstring lib = builtFile(FAKE_V52);
    REQUIRE(writeValue(driverRoot(), other, REG_SZ, lib.c_str(), DWORD((lib.size() + 1) * 2)) == ERROR_SUCCESS);
    CHECK_EQ(api.loadByClsid(kClassId, true), tusb::kFileNotFound);
    RegDeleteTreeW(driverRoot(), L"Software\\Classes\\CLSID\\{0}");

    wincheck::context() = "registered file missing";
    REQUIRE(registerDriver(scratch().file(L"gone\\driver.dll")) == ERROR_SUCCESS);
    CHECK_EQ(api.loadByClsid(kClassId, true), tusb::kFileNotFound);

    wincheck::context() = "registered file is not a DLL";
    REQUIRE(registerDriver(builtFile(NOT_A_LIBRARY)) == ERROR_SUCCESS);
    CHECK_EQ(api.loadByClsid(kClassId, true), kBadExeFormat);

    wincheck::context() = "version refused through the registry";
    REQUIRE(registerDriver(builtFile(FAKE_REFUSES)) == ERROR_SUCCESS);
    CHECK_EQ(api.loadByClsid(kClassId, true), tusb::kVersionRejected);
    CHECK_EQ(api.resolvedCount(), 2);
    wincheck::context() = "second load";
    CHECK_EQ(api.loadByClsid(kClassId, true), tusb::kAlreadyLoaded);
    api.unload();
    unregisterDriver();
}

// The 260-unit buffer holds a 259-unit path with or without its terminator.
WIN_TEST(longestPath)
{
    const std::wstring lib = builtFile(FAKE_V52);
    const std::wstring name = lib.substr(lib.find_last_of(L'\\') + 1);
    const std::wstring base = scratch().file(L"long");
    const long padding = 259L - long(base.size()) - 2 - long(name.size());
    REQUIRE(padding > 0);
    const std::wstring copy = copyInto(base + L"\\" + std::wstring(size_t(padding), L'd'), lib);
    REQUIRE(!copy.empty());
    CHECK_EQ(copy.size(), size_t(259));

    TUsbAudioApiDll api;
    REQUIRE(registerDriver(copy, REG_SZ, true) == ERROR_SUCCESS);
    CHECK_EQ(api.loadByClsid(kClassId, true), tusb::kOk);
    api.unload();
    REQUIRE(registerDriver(copy, REG_SZ, false) == ERROR_SUCCESS);
    CHECK_EQ(api.loadByClsid(kClassId, true), tusb::kOk);
    CHECK_EQ(api.resolvedCount(), 66);
    api.unload();
    unregisterDriver();
}

// An expandable string is a path as it stands: "%X%" is a folder name, not a variable.
WIN_TEST(expandableStringIsNotExpanded)
{
    const std::wstring elsewhere = scratch().file(L"elsewhere");
    REQUIRE(SetEnvironmentVariableW(L"CALDER_LIBDIR", elsewhere.c_str()));
    // The expanded path would find a 5.1 library under the 5.2 one's name.
    REQUIRE(!copyInto(elsewhere, builtFile(FAKE_V51)).empty());
    REQUIRE(MoveFileExW((elsewhere + L"\\" + toWide(FAKE_V51)).c_str(), (elsewhere + L"\\" + toWide(FAKE_V52)).c_str(),
                        MOVEFILE_REPLACE_EXISTING));
    const std::wstring literal = copyInto(scratch().file(L"%CALDER_LIBDIR%"), builtFile(FAKE_V52));
    REQUIRE(!literal.empty());

    TUsbAudioApiDll api;
    REQUIRE(registerDriver(L"%CALDER_LIBDIR%\\" + toWide(FAKE_V52), REG_EXPAND_SZ) == ERROR_SUCCESS);
    // Relative and unexpanded: nothing of that name in the working folder.
    CHECK_EQ(api.loadByClsid(kClassId, true), tusb::kFileNotFound);

    REQUIRE(registerDriver(literal, REG_EXPAND_SZ) == ERROR_SUCCESS);
    CHECK_EQ(api.loadByClsid(kClassId, true), tusb::kOk);
    CHECK_EQ(api.apiVersion(), 0x50002u);
    api.unload();
    SetEnvironmentVariableW(L"CALDER_LIBDIR", nullptr);
    unregisterDriver();
}

WIN_TEST(nonAsciiPath)
{
    // Latin, Greek, CJK and a character outside the BMP (a surrogate pair in UTF-16).
    const std::wstring dir = scratch().file(L"Ger\u00e4te \u03a9\u03bc\u03ad\u03b3\u03b1 \u97f3 \U0001F3B5");
    const std::wstring copy = copyInto(dir, builtFile(FAKE_V52));
    REQUIRE(!copy.empty());

    TUsbAudioApiDll api;
    REQUIRE(registerDriver(copy) == ERROR_SUCCESS);
    CHECK_EQ(api.loadByClsid(kClassId, true), tusb::kOk);
    CHECK_EQ(api.resolvedCount(), 66);
    api.unload();
    // The same path handed over directly, as UTF-8.
    CHECK_EQ(api.loadFromPath(toUtf8(copy), true), tusb::kOk);
    api.unload();
    unregisterDriver();
}

WIN_TEST(keyPathRules)
{
    REQUIRE(registerDriver(L"C:\\drv\\a.dll") == ERROR_SUCCESS);
    std::string value;
    // One component may span several levels; case does not matter.
    CHECK_EQ(platform::readClassesRootDefaultValue({"clsid\\{6b1e4c2a-93d5-4f0e-b7a1-2c8d9e3f5a61}", "INPROCSERVER32"},
                                                   value),
             0u);
    CHECK_EQ(value, std::string("C:\\drv\\a.dll"));
    CHECK_EQ(platform::readClassesRootDefaultValue({"CLSID", "", "InprocServer32"}, value), 2u);
    CHECK_EQ(platform::readClassesRootDefaultValue({"CLSID", "{\xff}", "InprocServer32"}, value), 1113u);
    CHECK_EQ(platform::readClassesRootDefaultValue({"CLSID", std::string("{6B1E\0", 6), "InprocServer32"}, value),
             uint32_t(ERROR_INVALID_NAME));
    unregisterDriver();
}
