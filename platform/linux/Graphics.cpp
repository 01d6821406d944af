#include "platform/Graphics.h"

#include <dirent.h>
#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace platform {
bool hasHardwareRenderer(const char *driDirectory)
{
    // Mesa's own switch for its software rasteriser, read as Mesa reads its boolean variables.
    if (const char *forced = std::getenv("LIBGL_ALWAYS_SOFTWARE")) {
        for (const char *on : {"1", "true", "y", "yes"}) {
            if (strcasecmp(forced, on) == 0)
                return false;
        }
    }
    // A GPU the kernel drives has a render node; without one, Mesa can only use llvmpipe.
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
