#!/usr/bin/env bash
# Cross-builds the Windows relaytest.exe (linked to TEVRIS.DLL at load time)
# and the stand-in TEVRIS.DLL with mingw-w64, then runs the Windows tests
# under wine: the in-process suites, and the whole program compared byte for
# byte with the golden transcripts.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
need_build_tools
need g++-mingw-w64-x86-64-posix command -v x86_64-w64-mingw32-g++-posix
need wine64 test -x /usr/lib/wine/wine64
need wine command -v wine
need googletest test -f /usr/src/googletest/CMakeLists.txt

build=build/windows
# The build tree's own wine prefix (the toolchain file points the tests at
# it). Making one takes about ten seconds, so it is made once, here, before
# anything runs under wine.
export WINEDEBUG=-all
export WINEPREFIX="$PWD/$build/wineprefix"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "relaytest: creating the wine prefix $WINEPREFIX" >&2
    mkdir -p "$WINEPREFIX"
    if ! wine wineboot --init >/dev/null 2>"$WINEPREFIX.log"; then
        cat "$WINEPREFIX.log" >&2
        echo "relaytest: could not create the wine prefix" >&2
        exit 1
    fi
    wineserver -w
fi

# relaysweep.exe's record is judged by relaylog built for this machine.
cmake -S . -B build/host -DBUILD_TESTING=OFF >/dev/null
cmake --build build/host -j"$(nproc)" --target relaylog >/dev/null

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DRELAYTEST_DRIVER=vendor -DRELAYTEST_GTEST_SOURCE_DIR=/usr/src/googletest \
    -DRELAYTEST_HOST_RELAYLOG="$PWD/build/host/relaylog/relaylog"
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
