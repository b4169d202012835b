#!/usr/bin/env bash
# Cross-builds the Windows relaytest.exe (linked to TEVRIS.DLL at load time)
# and the stand-in TEVRIS.DLL with mingw-w64 in its three forms: 64-bit, and
# 32-bit against a cdecl and a stdcall DLL. Each build runs its Windows tests
# under wine (the in-process suites, the whole program compared byte for byte
# with the golden transcripts, the wrong DLLs refused) and makes and checks
# its ZIP. Their relay ledger's SQLite is compiled from the amalgamation
# made from Debian's SQLite source (scripts/sqlite-source.sh, which needs a
# deb-src entry, or root to add one): without it the script stops.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
. scripts/ia32.sh
. scripts/sqlite-source.sh
need_build_tools
# The Windows set in one transaction, at versions that fit each other: wine's
# two halves (amd64 and i386) must be of one version.
need_together g++-mingw-w64-x86-64-posix "command -v x86_64-w64-mingw32-g++-posix" \
    g++-mingw-w64-i686-posix "command -v i686-w64-mingw32-g++-posix" \
    wine "command -v wine" \
    wine64 "test -x /usr/lib/wine/wine64" \
    wine32:i386 "test -x /usr/lib/wine/wine" \
    googletest "test -f /usr/src/googletest/CMakeLists.txt"
need ccache command -v ccache
need_ia32_programs
need_sqlite_amalgamation build/sqlite-source

# The two 32-bit builds differ only in the files that include card/Driver.h
# (cmake/DriverCall.cmake): the stdcall build takes every other object from
# the cdecl build's through the compiler cache. Paths are hashed relative to
# the checkout, so the two build folders' objects match.
export CCACHE_DIR="$PWD/build/ccache-windows" CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1 CCACHE_MAXSIZE=2G

# One wine prefix for the three builds, made before anything runs under wine
# (the toolchain files point the tests at it). A prefix only works with the
# wine it was made by: one made before wine's 32-bit half was installed
# starts nothing ("could not load kernel32.dll"). What it was made with is
# kept beside it, and a prefix that does not fit what is installed now is made
# anew.
export WINEDEBUG=-all
export WINEPREFIX="$PWD/build/wineprefix"
wine_installed() {
    dpkg-query -W -f '${binary:Package} ${Version}\n' 'wine*' 'libwine*' 2>/dev/null | sort
    if [ -e "$ia32_entry" ]; then echo "32-bit programs under qemu-user"; fi
}
if [ ! -f "$WINEPREFIX/system.reg" ] || [ "$(wine_installed)" != "$(cat "$WINEPREFIX.stamp" 2>/dev/null)" ]; then
    echo "relaytest: creating the wine prefix $WINEPREFIX" >&2
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX" "$WINEPREFIX.stamp"
    mkdir -p "$WINEPREFIX"
    if ! wine wineboot --init >/dev/null 2>"$WINEPREFIX.log"; then
        cat "$WINEPREFIX.log" >&2
        echo "relaytest: could not create the wine prefix" >&2
        exit 1
    fi
    wineserver -w
    wine_installed >"$WINEPREFIX.stamp"
fi
# One wine server for the whole run. Left to itself, each wine process that
# finds no server starts one (Debian's wineserver wrapper adds -p0: exit the
# moment the last program ends) and boots a session in it: wineboot, services,
# plug and play, explorer, device drivers, about ten processes. With one test
# after another, and two at a time, a test's wine client can then connect to
# a server that is shutting its session down, and lose it ("wine client
# error:0: recvmsg: Connection reset by peer"). A persistent server, its
# session booted once before the first test and ended when this script ends,
# leaves nothing to race with, and every later wine start is a tenth of a
# second instead of a session boot.
wineserver -k 2>/dev/null || true
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
if ! /usr/lib/wine/wine64 cmd /c exit >/dev/null 2>"$WINEPREFIX.log"; then
    cat "$WINEPREFIX.log" >&2
    echo "relaytest: wine does not start programs in $WINEPREFIX" >&2
    exit 1
fi

# build folder, toolchain, calling convention, a stand-in DLL of the other
# bitness (for the test that the loader refuses it)
win64=build/windows
win32_cdecl=build/windows-win32-cdecl
win32_stdcall=build/windows-win32-stdcall
builds=(
    "$win64 x86_64 - $win32_cdecl/standin"
    "$win32_cdecl i686 cdecl $win64/standin"
    "$win32_stdcall i686 stdcall -"
)
# relaysweep.exe's records are judged by relaylog built for this machine: the
# one in RELAYTEST_HOST_BUILD when given (scripts/test.sh names the Linux
# suite's build, where relaylog is already built), else a build of its own.
host=${RELAYTEST_HOST_BUILD:-build/host}
if [ ! -f "$host/CMakeCache.txt" ]; then
    cmake -S . -B "$host" -DBUILD_TESTING=OFF >/dev/null
fi
cmake --build "$host" -j"$(nproc)" --target relaylog >/dev/null
host_relaylog=$(cd "$host" && pwd)/relaylog/relaylog

# GoogleTest for Windows, made from its source: the 64-bit build makes its
# own, the two 32-bit builds share one, built once and installed in
# build/windows-googletest-i686 (GoogleTest has no calls to the driver, so
# the driver's calling convention changes nothing in it).
gtest_i686=$PWD/build/windows-googletest-i686
cmake -S /usr/src/googletest -B "$gtest_i686/build" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-i686.cmake" \
    "${test_build[@]}" -DBUILD_GMOCK=OFF -DCMAKE_INSTALL_PREFIX="$gtest_i686" >/dev/null
cmake --build "$gtest_i686/build" -j"$(nproc)" >/dev/null
cmake --install "$gtest_i686/build" >/dev/null
# SQLite for the relay ledger likewise: compiled in the 64-bit build's own
# tree, and once for both 32-bit builds, in build/windows-sqlite-i686.
sqlite_i686=$PWD/build/windows-sqlite-i686
cmake -S cmake/sqlite3 -B "$sqlite_i686/build" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-i686.cmake" \
    -DRELAYTEST_SQLITE_AMALGAMATION="$sqlite_amalgamation" -DCMAKE_INSTALL_PREFIX="$sqlite_i686" >/dev/null
cmake --build "$sqlite_i686/build" >/dev/null
cmake --install "$sqlite_i686/build" >/dev/null

for b in "${builds[@]}"; do
    read -r dir arch call foreign <<<"$b"
    options=(-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-$arch.cmake -DRELAYTEST_DRIVER=vendor "${test_build[@]}"
             -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache
             -DRELAYTEST_WINEPREFIX="$WINEPREFIX" -DRELAYTEST_HOST_RELAYLOG="$host_relaylog")
    if [ "$arch" = i686 ]; then
        options+=(-DGTest_DIR="$gtest_i686/lib/cmake/GTest" -DSQLite3_INCLUDE_DIR="$sqlite_i686/include"
                  -DSQLite3_LIBRARY="$sqlite_i686/lib/libsqlite3.a")
    else
        options+=(-DRELAYTEST_GTEST_SOURCE_DIR=/usr/src/googletest -DRELAYTEST_SQLITE_AMALGAMATION="$sqlite_amalgamation")
    fi
    if [ "$call" != - ]; then options+=(-DRELAYTEST_DRIVER_CALL="$call"); fi
    if [ "$arch" = i686 ] && [ -e "$ia32_entry" ]; then options+=(-DRELAYTEST_WINE_UNDER_QEMU=ON); fi
    if [ "$foreign" != - ]; then options+=(-DRELAYTEST_WINE_FOREIGN_STANDIN="$PWD/$foreign"); fi
    cmake -S . -B "$dir" "${options[@]}"
done
for b in "${builds[@]}"; do
    read -r dir _ <<<"$b"
    cmake --build "$dir" -j"$(nproc)"
done
for b in "${builds[@]}"; do
    read -r dir _ <<<"$b"
    ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"
done
echo "relaytest: the Windows ZIPs:"
for b in "${builds[@]}"; do
    read -r dir _ <<<"$b"
    ls "$dir"/package/*.zip
done
