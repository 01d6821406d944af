#pragma once
// Windows error codes that the platform layer reports on every OS, so callers see the same
// numbers whether the real Win32 calls or their stand-ins ran. Qt-free.
#include <cstdint>

namespace platform {
namespace err {
constexpr uint32_t kSuccess = 0;
constexpr uint32_t kFileNotFound = 2;            // ERROR_FILE_NOT_FOUND
constexpr uint32_t kPathNotFound = 3;            // ERROR_PATH_NOT_FOUND
constexpr uint32_t kAccessDenied = 5;            // ERROR_ACCESS_DENIED
constexpr uint32_t kInvalidHandle = 6;           // ERROR_INVALID_HANDLE
constexpr uint32_t kBadFormat = 11;              // ERROR_BAD_FORMAT: registry value of the wrong type
constexpr uint32_t kGenFailure = 31;             // ERROR_GEN_FAILURE
constexpr uint32_t kBufferOverflow = 111;        // ERROR_BUFFER_OVERFLOW: value fills the buffer, no terminator
constexpr uint32_t kInvalidName = 123;           // ERROR_INVALID_NAME
constexpr uint32_t kModNotFound = 126;           // ERROR_MOD_NOT_FOUND: cannot be loaded
constexpr uint32_t kProcNotFound = 127;          // ERROR_PROC_NOT_FOUND
constexpr uint32_t kFilenameTooLong = 206;       // ERROR_FILENAME_EXCED_RANGE
constexpr uint32_t kMoreData = 234;              // ERROR_MORE_DATA
constexpr uint32_t kNoUnicodeTranslation = 1113; // ERROR_NO_UNICODE_TRANSLATION
constexpr uint32_t kCantResolveFilename = 1921;  // ERROR_CANT_RESOLVE_FILENAME (symlink loop)
} // namespace err
} // namespace platform
