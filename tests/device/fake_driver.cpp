// A stand-in driver library: FAKE_VERSION (GetApiVersion's major << 16 | minor), FAKE_ACCEPTS
// (CheckApiVersion's answer), <Name>=Omitted_<Name> exports one entry point under another name.
#include "device/TUsbAudioEntryPoints.h"

#include <cstdint>

#ifndef FAKE_VERSION
#define FAKE_VERSION 0x00050002u
#endif
#ifndef FAKE_ACCEPTS
#define FAKE_ACCEPTS 1
#endif

#if defined(_WIN32)
#define FAKE_EXPORT extern "C" __declspec(dllexport)
#else
#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// Two steps, so a name defined as a macro is replaced before the paste.
#define FAKE_NAME(n)  FAKE_PASTE(n)
#define FAKE_PASTE(n) TUSBAUDIO_##n

FAKE_EXPORT uint32_t FAKE_NAME(GetApiVersion)(void) { return FAKE_VERSION; }
FAKE_EXPORT int32_t FAKE_NAME(CheckApiVersion)(uint32_t, uint32_t) { return FAKE_ACCEPTS; }

// The loader only resolves these; nothing calls them.
#define FAKE_STUB(n) \
    FAKE_EXPORT uint32_t FAKE_NAME(n)(void) { return 1; }
TUSB_CALLED_ENTRY_POINTS(FAKE_STUB)
TUSB_UNCALLED_50_ENTRY_POINTS(FAKE_STUB)
TUSB_UNCALLED_51_ENTRY_POINTS(FAKE_STUB)
TUSB_UNCALLED_52_ENTRY_POINTS(FAKE_STUB)
