#include "platform/Graphics.h"

namespace platform {
bool hasHardwareRenderer(const char *)
{
    // Qt chooses among the desktop driver, ANGLE and its software OpenGL on Windows by itself.
    return true;
}
} // namespace platform
