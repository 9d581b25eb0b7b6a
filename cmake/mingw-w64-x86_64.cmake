# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the POSIX-thread flavour, which has
# std::thread and friends). Programs built here run on the build machine under Wine, which is also how
# the build-time tools make calend.dat and sound.wav and how ctest runs the tests.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KALVO_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KALVO_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KALVO_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KALVO_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KALVO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No MinGW runtime DLLs to ship or to find under Wine.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Debian installs the 64-bit loader outside PATH; other distributions have wine64 or wine in PATH.
find_program(KALVO_WINE NAMES wine64 wine PATHS /usr/lib/wine /usr/lib64/wine NO_CMAKE_FIND_ROOT_PATH)
find_program(KALVO_WINESERVER NAMES wineserver PATHS /usr/lib/wine /usr/lib64/wine NO_CMAKE_FIND_ROOT_PATH)
if(KALVO_WINE AND KALVO_WINESERVER)
  # A Wine prefix of the build's own, so that nothing lands in the user's ~/.wine.
  set(CMAKE_CROSSCOMPILING_EMULATOR
      env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix KALVO_WINE=${KALVO_WINE} KALVO_WINESERVER=${KALVO_WINESERVER}
      ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
endif()
