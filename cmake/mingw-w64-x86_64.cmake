# Cross-build for 64-bit Windows with mingw-w64 (posix threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)

get_filename_component(KESTRELON_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
# Cross-built dependencies (libpng, libsndfile) live in this prefix; see scripts/setup.sh.
set(KESTRELON_MINGW_PREFIX ${KESTRELON_ROOT}/build/cache/mingw CACHE PATH "Cross-built dependency prefix")

set(CMAKE_FIND_ROOT_PATH /usr/${triple} ${KESTRELON_MINGW_PREFIX})
set(CMAKE_PREFIX_PATH ${KESTRELON_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Prefer static archives so nothing but system DLLs is needed at run time.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a .dll.a)
set(ZLIB_USE_STATIC_LIBS ON)

# CTest runs Windows test programs under wine64.
set(CMAKE_CROSSCOMPILING_EMULATOR ${KESTRELON_ROOT}/scripts/wine-run.sh)
