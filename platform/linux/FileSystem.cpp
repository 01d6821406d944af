#include "platform/FileSystem.h"

#include "platform/PlatformErrors.h"

#include <cerrno>
#include <sys/stat.h>

namespace platform {

uint32_t fileAttributesError(const std::string &path)
{
    if (path.find('\0') != std::string::npos)
        return err::kInvalidName;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0)
        return err::kSuccess;
    switch (errno) {
    case ENOENT: return err::kFileNotFound;
    case ENOTDIR: return err::kPathNotFound;
    case EACCES:
    case EPERM: return err::kAccessDenied;
    case ENAMETOOLONG: return err::kFilenameTooLong;
    case ELOOP: return err::kCantResolveFilename;
    default: return err::kGenFailure;
    }
}

bool nativeSettingsAreIniFiles() { return true; }

} // namespace platform
