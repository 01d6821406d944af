#pragma once
// Reading the class registry (HKEY_CLASSES_ROOT). Qt-free.
//
// Windows reads the real registry. Elsewhere the registry is a text file in the format of a
// Windows registry export (see RegFile.h): $CALDER_REGISTRY when set and not empty (then it is
// the whole registry); otherwise the per-user file $XDG_CONFIG_HOME/calder/registry.reg
// (~/.config when unset), then the system-wide files calder/registry.reg under each
// $XDG_CONFIG_DIRS entry (/etc/xdg when unset). The first file that has the value wins; a file
// that is missing, unreadable, larger than 4 MiB or malformed is skipped as if it were empty.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Size, in UTF-16 units, of the buffer a registry string is read into.
constexpr size_t kRegistryValueUnits = 260;

// Reads the unnamed value of HKEY_CLASSES_ROOT\keyPath[0]\keyPath[1]\... (names are UTF-8 and
// compared without regard to case) into `value` as UTF-8. Returns 0 or a Windows error code:
// 2 for a missing key or value, 11 for a value that is not REG_SZ / REG_EXPAND_SZ (an
// expandable string is returned unexpanded), 111 for a value that fills the 260 units without
// a terminator, 234 for a longer one. An empty value gives an empty string. Keys are opened one
// level at a time and closed innermost first.
uint32_t readClassesRootDefaultValue(const std::vector<std::string> &keyPath, std::string &value);

// Turns what a query into the 260-unit buffer delivered into a UTF-8 string, with the checks
// above. `size` is the value's size in bytes (little-endian UTF-16 for strings); a size beyond
// the buffer gives 234, as Windows reports it. Unpaired surrogates become U+FFFD. Shared by
// both implementations.
uint32_t decodeRegistryString(uint32_t type, const void *data, size_t size, std::string &value);

} // namespace platform
