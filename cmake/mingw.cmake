# Cross-compiles for Windows with Debian's MinGW-w64. MINGW_ARCH chooses the
# processor: i686 (the shipped 32-bit programs, the default) or x86_64 (the
# same sources for 64-bit Windows, which the GUI tests use on machines that
# cannot execute 32-bit code). Both use the win32 thread model: it needs no
# winpthread library, which keeps the static programs small and free of any
# runtime DLL; nothing here uses threads.
if(NOT MINGW_ARCH)
  set(MINGW_ARCH i686)
endif()
if(NOT MINGW_ARCH MATCHES "^(i686|x86_64)$")
  message(FATAL_ERROR "MINGW_ARCH must be i686 or x86_64, not '${MINGW_ARCH}'")
endif()
# The checks that CMake compiles in projects of their own need it too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MINGW_ARCH)

set(triplet ${MINGW_ARCH}-w64-mingw32)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${MINGW_ARCH})
set(CMAKE_C_COMPILER ${triplet}-gcc-win32)
set(CMAKE_CXX_COMPILER ${triplet}-g++-win32)
set(CMAKE_RC_COMPILER ${triplet}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Every function and datum in its own section, so that the linker can drop
# what nothing uses.
set(CMAKE_C_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_CXX_FLAGS_INIT "-ffunction-sections -fdata-sections")
# A stand-alone program: the C and C++ runtimes linked in, no DLLs beyond the
# system's; unused sections dropped and symbols stripped.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--gc-sections -s")
# DLLs too (the GUI tests' probe): Windows finds no MinGW runtime DLL beside
# the program they are loaded into.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
