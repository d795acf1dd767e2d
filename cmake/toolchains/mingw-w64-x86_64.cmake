# Cross-builds for 64-bit Windows with Debian's mingw-w64 (the posix threads flavour, which
# std::thread needs). Every program links statically, so an .exe runs with no DLL beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUILLON_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUILLON_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUILLON_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QUILLON_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${QUILLON_MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${QUILLON_MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${QUILLON_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# The test programs run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine CACHE STRING "")

# -O2 rather than -O3: at -O3 GCC 12 inlines deep enough into libstdc++'s string and vector code
# to report overlaps and bounds that cannot happen (-Wrestrict, -Warray-bounds).
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags for Release builds")
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags for Release builds")
