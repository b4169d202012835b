# Cross build for 32-bit Windows with Debian's mingw-w64 (POSIX threads flavour).
# The driver's calling convention must be named (see README, "Which build fits
# your TEVRIS.DLL"):
#   cmake -S . -B build/windows-win32-stdcall -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
#         -DRELAYTEST_DRIVER_CALL=stdcall
set(CMAKE_SYSTEM_PROCESSOR x86)
set(mingw_triplet i686-w64-mingw32)
set(mingw_wine wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
