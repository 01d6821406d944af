#pragma once
// Loading a shared library at run time and resolving its exports. Qt-free.
//
// Off Windows: dlopen(path, RTLD_NOW | RTLD_LOCAL) on exactly the given path (a bare file name
// is taken relative to the working directory, never searched for). Errors are reported with the
// Windows codes: 2 when the path does not exist, 126 when the file cannot be loaded, 127 for a
// missing export.
#include <cstdint>
#include <string>

namespace platform {
// Null on failure; lastError() tells why.
void *loadLibrary(const std::string &path);
// Null on failure; lastError() tells why.
void *resolveSymbol(void *library, const char *name);
void freeLibrary(void *library);
// The error of this thread's last failed call above (GetLastError on Windows: read it right
// after the failure, before any other system call).
uint32_t lastError();
} // namespace platform
