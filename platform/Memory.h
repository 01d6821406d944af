#pragma once
// Handing memory the program has freed back to the system. Qt-free.
namespace platform {
// Called once at start, before threads exist: the allocator keeps no more free memory at the end
// of a thread's heap than a little, however large the blocks it has seen, so that what a thread
// frees (the render thread's scene graph, when the window hides) leaves its heap at once.
void limitRetainedMemory();

// Returns the allocator's free pages to the system, so that a process that has just dropped much
// of what it held (a window hidden to the tray) also shrinks in resident memory. Costs a walk
// over the heap: call it after such a drop, not routinely.
void returnFreedMemory();
} // namespace platform
