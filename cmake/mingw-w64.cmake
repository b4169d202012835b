# Shared by the mingw-w64 toolchain files, which set mingw_triplet and
# mingw_wine (the wine loader for programs of their bitness) first.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${mingw_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triplet}-windres)
set(CMAKE_DLLTOOL ${mingw_triplet}-dlltool)
set(CMAKE_OBJDUMP ${mingw_triplet}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests run the Windows programs under wine, in a wine prefix that nothing
# else uses: the build tree's own unless RELAYTEST_WINEPREFIX names one (the
# test script shares one between its builds). Creating a prefix takes a
# while: scripts/test-windows.sh makes it once, before anything runs.
if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(RELAYTEST_WINE NAMES ${mingw_wine} PATHS /usr/lib/wine)
  if(RELAYTEST_WINE)
    set(RELAYTEST_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "Wine prefix the tests run in")
    set(CMAKE_CROSSCOMPILING_EMULATOR
        ${CMAKE_COMMAND} -E env WINEDEBUG=-all WINEPREFIX=${RELAYTEST_WINEPREFIX} ${RELAYTEST_WINE})
  endif()
endif()
