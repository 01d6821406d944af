#pragma once
// Plain C types shared with the driver library. Qt-free: also built by the Windows
// cross-compiler.
#include <cstdint>

// An event handle (a Win32 event, or an eventfd carried as (void*)(intptr_t)fd elsewhere).
// Same underlying type as <windows.h>'s HANDLE, so the two declarations agree.
typedef void *HANDLE;

#if defined(_WIN32) && !defined(_WIN64)
#define TUSB_CALLCONV __stdcall
#else
#define TUSB_CALLCONV
#endif
