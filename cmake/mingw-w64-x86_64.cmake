# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix: the
# POSIX thread model, which std::thread and GoogleTest need). Tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(GAMEFOLD_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${GAMEFOLD_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${GAMEFOLD_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${GAMEFOLD_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${GAMEFOLD_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest and the build's own steps start the programs through Wine.
find_program(GAMEFOLD_WINE wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${GAMEFOLD_WINE})
