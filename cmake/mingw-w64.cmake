# Cross-compiles memtally.exe for 64-bit Windows with the mingw-w64 tools
# (Debian package g++-mingw-w64-x86-64-posix):
#
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
#   cmake --build build-win
#
# The executable is linked statically, so it runs on its own without the
# compiler's runtime DLLs beside it.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MEMTALLY_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MEMTALLY_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MEMTALLY_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MEMTALLY_MINGW_TRIPLE}-windres)

# Libraries and headers come from the target's sysroot only; build tools
# from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${MEMTALLY_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libstdc++, libgcc and winpthread go into the executable.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# GoogleTest is not available for this target: the tests are built natively
# and run against memtally.exe under Wine instead (scripts/ci-windows.sh).
set(MEMTALLY_BUILD_TESTS OFF CACHE BOOL "Build the unit and end-to-end tests")

# Lets CMake run target programs (try_run, tests) through Wine where present.
if(EXISTS /usr/lib/wine/wine64)
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
endif()
