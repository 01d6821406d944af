#include "platform/Library.h"

#include "platform/PlatformErrors.h"

#include <cerrno>
#include <dlfcn.h>
#include <sys/stat.h>

namespace platform {
namespace {
thread_local uint32_t t_lastError = err::kSuccess;

void *failWith(uint32_t error)
{
    t_lastError = error;
    return nullptr;
}
} // namespace

void *loadLibrary(const std::string &path)
{
    if (path.empty())
        return failWith(err::kFileNotFound);
    if (path.find('\0') != std::string::npos)
        return failWith(err::kInvalidName);
    // dlopen searches the library path for a name without '/': make it a path.
    const std::string exact = path.find('/') == std::string::npos ? "./" + path : path;
    ::dlerror();
    if (void *library = ::dlopen(exact.c_str(), RTLD_NOW | RTLD_LOCAL))
        return library;
    // dlopen does not say why in a usable form: a path that is not there is "not found",
    // anything else (not a library, wrong architecture, missing dependency) "cannot load".
    struct stat st;
    if (::stat(exact.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR))
        return failWith(err::kFileNotFound);
    return failWith(err::kModNotFound);
}

void *resolveSymbol(void *library, const char *name)
{
    if (!library || !name)
        return failWith(err::kInvalidHandle);
    ::dlerror();
    if (void *symbol = ::dlsym(library, name))
        return symbol;
    return failWith(err::kProcNotFound);
}

void freeLibrary(void *library)
{
    if (library)
        ::dlclose(library);
}

uint32_t lastError() { return t_lastError; }

} // namespace platform
