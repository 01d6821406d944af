#pragma once
// What the machine's graphics can do, asked before any window exists. Qt-free.
namespace platform {
// Whether OpenGL here would run on graphics hardware rather than on a software rasteriser. Asked
// without loading an OpenGL driver, which is the cost the answer is meant to spare. Linux: a DRI
// render node exists in `driDirectory` and Mesa is not told to rasterise in software.
bool hasHardwareRenderer(const char *driDirectory = "/dev/dri");
} // namespace platform
