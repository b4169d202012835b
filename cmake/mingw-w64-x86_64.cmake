# Cross build for 64-bit Windows with Debian's mingw-w64 (POSIX threads flavour):
#   cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(mingw_triplet x86_64-w64-mingw32)
# wine's 64-bit loader runs 64-bit programs directly; the launcher "wine"
# would start its 32-bit half first on some systems.
set(mingw_wine wine64 wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
