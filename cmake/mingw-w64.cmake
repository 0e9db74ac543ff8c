# Cross-building for 64-bit Windows with mingw-w64 (the POSIX thread model, for std::thread),
# running what is built under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_triple x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${mingw_triple}-gcc-posix ${mingw_triple}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${mingw_triple}-g++-posix ${mingw_triple}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${mingw_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Self-contained executables: no compiler runtime DLLs to put beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# The tests run under Wine (tests/CMakeLists.txt hands it to scripts/wine-gtest.sh; its prefix,
# debug channels and DLL overrides come from the environment, see scripts/test-wine.sh).
find_program(DRAVIK_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(DRAVIK_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${DRAVIK_WINE})
endif()
