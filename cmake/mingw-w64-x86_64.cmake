# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 toolchain (the
# POSIX thread model, which std::thread and std::mutex need).
#
# The libraries the program links (Xerces-C, libcurl, wxWidgets, SQLite,
# GoogleTest) are built for the target by scripts/build-windows-deps.sh; their
# prefix is VALORIX_WINDOWS_DEPS (default: the cache folder that script fills).
# Tests and the other target programs the build runs go through Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)
set(CMAKE_ASM_COMPILER ${_triple}-gcc-posix)
set(CMAKE_AR ${_triple}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${_triple}-gcc-ranlib-posix CACHE FILEPATH "")

if(NOT VALORIX_WINDOWS_DEPS)
  if(DEFINED ENV{VALORIX_WINDOWS_DEPS})
    set(VALORIX_WINDOWS_DEPS "$ENV{VALORIX_WINDOWS_DEPS}")
  else()
    set(VALORIX_WINDOWS_DEPS /var/cache/valorix/windows-deps)
  endif()
endif()
set(VALORIX_WINDOWS_DEPS "${VALORIX_WINDOWS_DEPS}" CACHE PATH "Prefix of the libraries built for Windows")
# try_compile projects get the toolchain file again, without the cache.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VALORIX_WINDOWS_DEPS)

set(CMAKE_FIND_ROOT_PATH /usr/${_triple} ${VALORIX_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_PREFIX_PATH ${VALORIX_WINDOWS_DEPS})

# Self-contained programs: the compiler's runtime (libgcc, libstdc++,
# winpthread) is linked statically, so the .exe needs no DLL beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(VALORIX_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(VALORIX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VALORIX_WINE})
endif()
