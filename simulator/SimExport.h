#pragma once
// Exported names: the library builds with hidden visibility and exports only these.
#if defined(_WIN32)
#define CALDER_SIM_EXPORT __declspec(dllexport)
#else
#define CALDER_SIM_EXPORT __attribute__((visibility("default")))
#endif
