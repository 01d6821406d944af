#include "platform/Graphics.h"

#include <dirent.h>

#include <cstdlib>
#include <cstring>

namespace platform {
bool hasHardwareRenderer(const char *driDirectory)
{
    // Mesa's own switch for its software rasteriser (any value but its false words turns it on).
    const char *forced = std::getenv("LIBGL_ALWAYS_SOFTWARE");
    if (forced && *forced && std::strcmp(forced, "0") != 0 && std::strcmp(forced, "false") != 0 &&
        std::strcmp(forced, "no") != 0)
        return false;
    // Every GPU driver the kernel has offers a render node; without one, Mesa can only use llvmpipe.
    DIR *dir = opendir(driDirectory);
    if (!dir)
        return false;
    bool found = false;
    while (const dirent *entry = readdir(dir)) {
        if (std::strncmp(entry->d_name, "renderD", 7) == 0) {
            found = true;
            break;
        }
    }
    closedir(dir);
    return found;
}
} // namespace platform
