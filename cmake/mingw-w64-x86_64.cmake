# Cross build for 64-bit Windows with Debian's MinGW-w64 (packages g++-mingw-w64-x86-64-posix,
# binutils-mingw-w64-x86-64):
#   cmake -S . -B build-mingw -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# The -posix compilers are wanted: GCC 12's win32 thread model has no std::thread or std::mutex.
# The GCC runtime, libstdc++ and winpthread are linked statically, so that a produced .exe
# needs only system DLLs and runs under Wine as it is.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PARLEVOX_MINGW_TRIPLE x86_64-w64-mingw32)
set(PARLEVOX_MINGW_ROOT /usr/${PARLEVOX_MINGW_TRIPLE})

find_program(PARLEVOX_MINGW_CC NAMES ${PARLEVOX_MINGW_TRIPLE}-gcc-posix REQUIRED)
find_program(PARLEVOX_MINGW_CXX NAMES ${PARLEVOX_MINGW_TRIPLE}-g++-posix REQUIRED)
find_program(PARLEVOX_MINGW_RC NAMES ${PARLEVOX_MINGW_TRIPLE}-windres REQUIRED)

set(CMAKE_C_COMPILER ${PARLEVOX_MINGW_CC})
set(CMAKE_CXX_COMPILER ${PARLEVOX_MINGW_CXX})
set(CMAKE_RC_COMPILER ${PARLEVOX_MINGW_RC})

# Libraries, headers and CMake packages come from the MinGW sysroot (or a prefix added to
# CMAKE_FIND_ROOT_PATH, such as a cross-built GoogleTest), never from the host; programs run
# during the build are host programs.
list(APPEND CMAKE_FIND_ROOT_PATH ${PARLEVOX_MINGW_ROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config would otherwise report the host's libraries.
set(ENV{PKG_CONFIG_LIBDIR} "${PARLEVOX_MINGW_ROOT}/lib/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# -static makes the linker take winpthread (which the posix libstdc++ needs) from its archive
# instead of libwinpthread-1.dll; the system DLLs still come through their import libraries.
set(PARLEVOX_MINGW_STATIC_RUNTIME "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${PARLEVOX_MINGW_STATIC_RUNTIME}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${PARLEVOX_MINGW_STATIC_RUNTIME}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${PARLEVOX_MINGW_STATIC_RUNTIME}")

# With Wine present, ctest and custom commands can run the produced programs.
find_program(PARLEVOX_WINE NAMES wine64 wine)
if(PARLEVOX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PARLEVOX_WINE})
endif()
