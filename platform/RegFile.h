#pragma once
// Parser for registry export files ("Windows Registry Editor Version 5.00"), the registry
// stand-in off Windows. Qt-free and pure: a parse only looks at the bytes it is given.
//
// Accepted: UTF-8 (with or without BOM) or UTF-16 with BOM; LF or CRLF line ends; the header
// line, blank lines and ';' comment lines; key lines "[HIVE\key\...]" and deletions
// "[-HIVE\key]"; value lines whose name is '@' (the unnamed value) or a quoted name, and whose
// data is "text" (REG_SZ; only \\ and \" are escapes), dword:hhhhhhhh (REG_DWORD),
// hex:bb,bb,... (REG_BINARY) or hex(t):bb,... (type t), continued over lines ending in '\', or
// '-' (deletion). Anything else makes the whole file invalid: a half-understood file could
// yield a wrong path, so nothing from it is used.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

struct RegValue
{
    uint32_t type = 0;         // REG_SZ = 1, REG_EXPAND_SZ = 2, REG_BINARY = 3, REG_DWORD = 4...
    std::vector<uint8_t> data; // exactly as the registry would hold it (strings: UTF-16LE + NUL)
};

class RegFile
{
public:
    static RegFile parse(std::string_view bytes);

    bool isValid() const { return m_valid; }
    // Why parsing stopped.
    const std::string &error() const { return m_error; }

    // `keyPath` includes the hive, e.g. "HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32";
    // `valueName` is empty for the unnamed value. Case-insensitive for ASCII letters. Null when
    // the file is invalid or has no such value.
    const RegValue *find(std::string_view keyPath, std::string_view valueName) const;
    size_t keyCount() const { return m_keys.size(); }

private:
    bool fail(const char *why);

    bool m_valid = false;
    std::string m_error;
    // Folded key path -> folded value name -> value.
    std::map<std::string, std::map<std::string, RegValue>> m_keys;
};
