# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (posix thread model: the win32
# model has no std::thread or std::mutex).
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake ...
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CALDER_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${CALDER_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CALDER_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${CALDER_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CALDER_MINGW_PREFIX})
# A Qt for Windows given with -DCMAKE_PREFIX_PATH is a root of its own, searched as it is.
if(CMAKE_PREFIX_PATH)
  list(APPEND CMAKE_FIND_ROOT_PATH ${CMAKE_PREFIX_PATH})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static C++ runtime and winpthread: the binaries run on a bare Windows (or a fresh Wine
# prefix) with no MinGW DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Lets try_run and the test runner start Windows programs on this host.
find_program(CALDER_WINE wine)
if(CALDER_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CALDER_WINE})
endif()
