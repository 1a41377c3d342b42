# Cross-building the core for 64-bit Windows with Debian's MinGW-w64.
# The -posix compilers: the default win32 thread model has no std::thread.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KERFMAX_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KERFMAX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KERFMAX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KERFMAX_MINGW_PREFIX}-windres)

# Qt for Windows, when it is built (KERFMAX_QT_WINDOWS_DIR), is one more root.
set(CMAKE_FIND_ROOT_PATH /usr/${KERFMAX_MINGW_PREFIX} ${KERFMAX_QT_WINDOWS_DIR})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything the programs need from the compiler's run-time goes into the
# .exe itself, so they run from the build folder (and under Wine) without
# copying libgcc, libstdc++ or winpthread DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# ctest starts each test program through Wine.
find_program(KERFMAX_WINE NAMES wine wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(KERFMAX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KERFMAX_WINE})
endif()
