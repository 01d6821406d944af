// TUsbAudioApiDll on Windows: the real registry, GetFileAttributesW, LoadLibraryW and
// GetProcAddress, against the stand-in DLLs built beside this program.
#include "WinTest.h"

#include "device/TUsbAudioApiDll.h"

#include <cstdint>

using namespace wintest;

namespace {

std::string path(const char *builtName) { return builtFile(builtName).u8string(); }

bool moduleIsMapped(const std::string &file) { return GetModuleHandleW(fs::u8path(file).c_str()) != nullptr; }

// A copy of fake_v52.dll under Latin, Greek, CJK and a character outside the BMP (a UTF-16 surrogate pair).
fs::path nonAsciiCopy()
{
    const fs::path dir = scratchFile(L"Ger\u00e4te \u03a9\u03bc\u03ad\u03b3\u03b1 \u97f3 \U0001F3B5");
    fs::create_directories(dir);
    CopyFileW(builtFile("fake_v52.dll").c_str(), (dir / "a.dll").c_str(), FALSE);
    return dir / "a.dll";
}

struct PathRow
{
    const char *name;
    std::string file;
    bool checkVersion;
    TSTATUS status;
    int entryPoints;
    uint32_t version;
};

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

WIN_TEST(loadFromPath)
{
    const std::string v52 = path("fake_v52.dll");
    const PathRow rows[] = {
        // The version groups are shared code (tests/device); here what Win32 adds: a refusal
        // and a missing name unload through FreeLibrary, GetProcAddress's error passes through.
        {"5.2: everything", v52, true, 0, 66, 0x50002},
        {"non-ASCII path", nonAsciiCopy().u8string(), true, 0, 66, 0x50002},
        {"5.1 unchecked: no 5.2 group", path("fake_v51.dll"), false, 0, 65, 0x50001},
        {"check refused", path("fake_refuses.dll"), true, tusb::kVersionRejected, 2, 0x50002},
        {"no CheckApiVersion", path("fake_lacks_check.dll"), true, 127, 0, 0},
        // LoadLibraryW's own status, which dlopen cannot tell from "not found", passed through.
        {"not a library", path("not_a_library.dll"), true, ERROR_BAD_EXE_FORMAT, 0, 0},
        {"missing file", scratchFile(L"missing.dll").u8string(), true, 2, 0, 0},
        {"file as directory", v52 + "\\lib.dll", true, 2, 0, 0},
        {"missing directory", scratchFile(L"nowhere\\lib.dll").u8string(), true, 2, 0, 0},
        {"empty path", std::string(), true, 2, 0, 0},
    };
    for (const PathRow &row : rows) {
        s_context = row.name;
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

WIN_TEST(loadByClsid)
{
    const std::wstring lib = builtFile("fake_v52.dll").wstring();
    const std::wstring x260(260, L'x');
    const ValueRow rows[] = {
        {"string", REG_SZ, lib, true, 0, 66},
        {"expandable string", REG_EXPAND_SZ, lib, true, 0, 66},
        {"non-ASCII path", REG_SZ, nonAsciiCopy().wstring(), true, 0, 66},
        {"binary", REG_BINARY, lib, true, 11, 0},
        {"multi-string", REG_MULTI_SZ, lib + L'\0', true, 11, 0},
        {"260 units, no terminator", REG_SZ, x260, false, 111, 0},
        {"260 units + terminator", REG_SZ, x260, true, 234, 0},
        {"empty value", REG_SZ, L"", true, 2, 0},
        {"no bytes at all", REG_SZ, L"", false, 2, 0},
        {"registered file missing", REG_SZ, scratchFile(L"gone\\driver.dll").wstring(), true, 2, 0},
        {"registered file is not a DLL", REG_SZ, builtFile("not_a_library.dll").wstring(), true, ERROR_BAD_EXE_FORMAT,
         0},
        {"version refused", REG_SZ, builtFile("fake_refuses.dll").wstring(), true, tusb::kVersionRejected, 2},
    };
    for (const ValueRow &row : rows) {
        s_context = row.name;
        REQUIRE(registerDriver(row.text, row.type, row.terminated) == ERROR_SUCCESS);
        TUsbAudioApiDll api;
        CHECK_EQ(api.loadByClsid(kClassId, true), row.status);
        CHECK_EQ(api.resolvedCount(), row.entryPoints);
    }
    unregisterDriver();

    TUsbAudioApiDll api;
    s_context = "no class key";
    CHECK_EQ(api.loadByClsid(kClassId, true), tusb::kFileNotFound);
    s_context = "key without a value";
    REQUIRE(writeValue(kServerKey, REG_SZ, nullptr, 0) == ERROR_SUCCESS);
    CHECK_EQ(api.loadByClsid(kClassId, true), tusb::kFileNotFound);
    unregisterDriver();
    s_context = "entry under another class id";
    const std::wstring other = L"Software\\Classes\\CLSID\\{0}";
    REQUIRE(writeValue(other + L"\\InprocServer32", REG_SZ, lib.c_str(), DWORD((lib.size() + 1) * 2)) == ERROR_SUCCESS);
    CHECK_EQ(api.loadByClsid(kClassId, true), tusb::kFileNotFound);
    unregisterDriver(other);
}
