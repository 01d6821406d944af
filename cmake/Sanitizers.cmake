# CALDER_SANITIZE selects an instrumented build:
#   address  ASan + UBSan, leaks included (LSan is part of ASan on Linux)
#   thread   TSan
#   fuzzer   libFuzzer + ASan + UBSan (clang only); everything is built with coverage
#            instrumentation, the fuzz targets (tests/fuzz) are linked with libFuzzer's main
# The suppression files for reports inside Qt and the system libraries are in
# tests/sanitizers/ and are handed to the runs by scripts/test-sanitized.
set(CALDER_SANITIZE "" CACHE STRING "Sanitizer to build with: address, thread, fuzzer or empty")
set_property(CACHE CALDER_SANITIZE PROPERTY STRINGS "" address thread fuzzer)

# gcc's -fsanitize=undefined leaves out the float-to-integer check that clang's includes; the
# driver and the settings file both hand the panel numbers that end up converted.
set(calder_ubsan undefined)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  set(calder_ubsan undefined,float-cast-overflow)
endif()

if(CALDER_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,${calder_ubsan} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,${calder_ubsan})
elseif(CALDER_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(CALDER_SANITIZE STREQUAL "fuzzer")
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "CALDER_SANITIZE=fuzzer needs clang (CC=clang CXX=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
  # Only the fuzz targets get libFuzzer's main (tests/fuzz/CMakeLists.txt).
  set(CALDER_FUZZ_LINK_OPTIONS -fsanitize=fuzzer)
elseif(NOT CALDER_SANITIZE STREQUAL "")
  message(FATAL_ERROR "Unknown CALDER_SANITIZE value: ${CALDER_SANITIZE}")
endif()
