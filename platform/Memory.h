#pragma once
// Handing memory the program has freed back to the system. Qt-free.
namespace platform {
// Called once at start, before threads exist: large blocks (textures, glyph images, font data)
// get mappings of their own, so that freeing one returns it at once instead of leaving a hole in
// a heap that pins the pages around it.
void keepLargeBlocksReturnable();

// Returns the allocator's free pages to the system, so that a process that has just dropped much
// of what it held (a window hidden to the tray) also shrinks in resident memory. Costs a walk
// over the heap: call it after such a drop, not routinely.
void returnFreedMemory();
} // namespace platform
