// Registry stand-in: registry export files (see Registry.h for which files, in which order).
#include "platform/Registry.h"

#include "platform/PlatformErrors.h"
#include "platform/RegFile.h"
#include "platform/Utf.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr off_t kMaxRegistryFileSize = 4 * 1024 * 1024;

std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::vector<std::string> registryFiles()
{
    const std::string overrideFile = environment("CALDER_REGISTRY");
    if (!overrideFile.empty())
        return {overrideFile};

    const std::string suffix = "/calder/registry.reg";
    std::vector<std::string> files;
    // XDG: relative directories are ignored; empty variables mean the defaults.
    std::string userDir = environment("XDG_CONFIG_HOME");
    if (userDir.empty() || userDir.front() != '/') {
        const std::string home = environment("HOME");
        userDir = home.empty() ? std::string() : home + "/.config";
    }
    if (!userDir.empty())
        files.push_back(userDir + suffix);

    const std::string systemDirs = environment("XDG_CONFIG_DIRS");
    size_t start = 0;
    bool anySystemDir = false;
    while (start <= systemDirs.size() && !systemDirs.empty()) {
        size_t end = systemDirs.find(':', start);
        if (end == std::string::npos)
            end = systemDirs.size();
        const std::string dir = systemDirs.substr(start, end - start);
        if (!dir.empty() && dir.front() == '/') {
            files.push_back(dir + suffix);
            anySystemDir = true;
        }
        start = end + 1;
    }
    if (!anySystemDir)
        files.push_back("/etc/xdg" + suffix);
    return files;
}

// Regular files only (a FIFO would block the panel), and only up to the size limit.
bool readRegistryFile(const std::string &path, std::string &bytes)
{
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxRegistryFileSize;
    if (ok) {
        char chunk[16384];
        for (;;) {
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                ok = false;
                break;
            }
            if (n == 0)
                break;
            bytes.append(chunk, static_cast<size_t>(n));
            if (bytes.size() > static_cast<size_t>(kMaxRegistryFileSize)) {
                ok = false; // grew while we read it
                break;
            }
        }
    }
    ::close(fd);
    return ok;
}

} // namespace

uint32_t readClassesRootDefaultValue(const std::vector<std::string> &keyPath, std::string &value)
{
    value.clear();
    std::string key = "HKEY_CLASSES_ROOT";
    for (const std::string &name : keyPath) {
        // As MultiByteToWideChar would refuse it on Windows.
        if (!isValidUtf8(name))
            return err::kNoUnicodeTranslation;
        // Like a subkey name with backslashes on Windows, a component may span several levels;
        // empty levels name no key.
        if (name.empty() || name.front() == '\\' || name.back() == '\\' || name.find("\\\\") != std::string::npos)
            return err::kFileNotFound;
        key += '\\';
        key += name;
    }

    std::string bytes;
    for (const std::string &path : registryFiles()) {
        if (!readRegistryFile(path, bytes))
            continue;
        const RegFile file = RegFile::parse(bytes);
        if (const RegValue *found = file.find(key, std::string_view()))
            return decodeRegistryString(found->type, found->data.data(), found->data.size(), value);
    }
    return err::kFileNotFound;
}

} // namespace platform
