# Shared part of the MinGW-w64 cross toolchains. The per-architecture files
# set QUIBO_MINGW_TRIPLE and CMAKE_SYSTEM_PROCESSOR, then include this file.
#
# Debian ships each MinGW-w64 compiler in two thread models. The "posix"
# variant has std::thread and std::mutex (through winpthreads), the "win32"
# variant has neither. Everything links statically, so neither variant makes
# the plug-in import anything but system DLLs. The plug-in builds with both;
# GoogleTest and the concurrency tests need posix, the default here.

set(CMAKE_SYSTEM_NAME Windows)

set(QUIBO_MINGW_THREADS posix CACHE STRING "Thread model of the MinGW-w64 compiler variant: posix or win32")
set_property(CACHE QUIBO_MINGW_THREADS PROPERTY STRINGS posix win32)
# try_compile projects read this file again and need the same choice.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUIBO_MINGW_TRIPLE QUIBO_MINGW_THREADS)

find_program(QUIBO_MINGW_CXX NAMES ${QUIBO_MINGW_TRIPLE}-g++-${QUIBO_MINGW_THREADS} ${QUIBO_MINGW_TRIPLE}-g++
             NO_CACHE)
find_program(QUIBO_MINGW_CC NAMES ${QUIBO_MINGW_TRIPLE}-gcc-${QUIBO_MINGW_THREADS} ${QUIBO_MINGW_TRIPLE}-gcc
             NO_CACHE)
if(NOT QUIBO_MINGW_CXX)
  message(FATAL_ERROR "${QUIBO_MINGW_TRIPLE}-g++ not found: install mingw-w64 and the g++-mingw-w64 packages "
                      "(scripts/windows-build.sh does)")
endif()
set(CMAKE_CXX_COMPILER ${QUIBO_MINGW_CXX})
set(CMAKE_C_COMPILER ${QUIBO_MINGW_CC})
set(CMAKE_RC_COMPILER ${QUIBO_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUIBO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthreads go into each binary, so the plug-in and
# the programs import system DLLs only.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run through Wine (ctest, gtest discovery at test time).
find_program(QUIBO_WINE NAMES wine NO_CACHE)
if(QUIBO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUIBO_WINE})
endif()
