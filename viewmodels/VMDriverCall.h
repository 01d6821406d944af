#pragma once
// Calls one driver entry point; a null pointer stands for a missing export and is never called.
#include "device/TUsbAudioApi.h"

#include <utility>

namespace VMDriverCall {

template<typename Fn, typename... Args>
TSTATUS call(Fn fn, Args &&...args)
{
    return fn ? fn(std::forward<Args>(args)...) : tusb::kEntryPointMissing;
}

} // namespace VMDriverCall
