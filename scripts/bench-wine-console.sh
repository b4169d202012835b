#!/usr/bin/env bash
# The Windows console part of the benchmark (see docs/performance.md). Where
# wine and mingw-w64 are installed it cross-builds an optimised relaytest.exe,
# the stand-in TEVRIS.DLL and the console floor program (bench/ConsoleFloor.cpp)
# in build/bench-windows, and times on wine's console, a pseudo-terminal made
# by script, from start to exit:
#   (i)   the stuck-busy run (RELAYSIM=stuck-busy)
#   (ii)  the floor: the bytes that the Linux relaytest prints for (i), written
#         to the same console in text mode through one 64 KiB buffer
#   (iii) the healthy run
# It prints the medians with their ranges and (i)/(ii). The runs end with the
# command processor's pause, answered by a key pressed in advance.
#
#   scripts/bench-wine-console.sh LINUX-RELAYTEST
#
# RUNS sets the runs of each (5). BASELINE=COMMIT also times (i) and (iii) for
# the program as it was at that commit, each run of (i) cut off after
# STUCK_LIMIT seconds (240).
set -euo pipefail
cd "$(dirname "$0")/.."
for tool in wineserver x86_64-w64-mingw32-g++-posix script; do
    if ! command -v "$tool" >/dev/null; then
        echo "wine console: skipped, $tool is not installed"
        exit 0
    fi
done
# The 64-bit loader itself: where wine's 32-bit half is installed, the plain
# "wine" starts through it, which under qemu-user (scripts/ia32.sh) costs
# seconds a run.
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
if [ ! -x "$wine" ]; then
    echo "wine console: skipped, wine64 is not installed"
    exit 0
fi
linux_relaytest=$1
runs=${RUNS:-5}
limit=${STUCK_LIMIT:-240}
build=build/bench-windows

# build_windows SOURCE BUILD [TARGET...]: an optimised relaytest.exe and the
# stand-in TEVRIS.DLL, linked at load time as on the operator's PC.
build_windows() {
    local source=$1 tree=$2
    shift 2
    cmake -S "$source" -B "$tree" -DCMAKE_TOOLCHAIN_FILE="$source/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DRELAYTEST_DRIVER=vendor -DBUILD_TESTING=OFF >/dev/null
    cmake --build "$tree" -j"$(nproc)" --target relaytest tevris_standin "$@" >/dev/null
}
build_windows "$PWD" "$build" consolefloor
RELAYSIM=stuck-busy "$linux_relaytest" </dev/null >"$build/stuck-busy.txt"

export WINEDEBUG=-all
export WINEPREFIX="$PWD/$build/wineprefix"
# A prefix made by another wine than the one installed now starts nothing:
# made anew when it cannot run a command.
if [ ! -f "$WINEPREFIX/system.reg" ] || ! timeout 60 "$wine" cmd /c exit >/dev/null 2>&1; then
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot --init >/dev/null 2>&1
    wineserver -w
fi
# One wine server for all the runs, so that none of them pays for starting it.
wineserver -p 2>/dev/null || true  # or already running
trap 'wineserver -k 2>/dev/null || true' EXIT

# console DIR SECONDS COMMAND...: milliseconds from start to exit of COMMAND on
# a pseudo-terminal, run from DIR (where its TEVRIS.DLL is); "over" when it has
# not finished after SECONDS.
console() {
    local dir=$1 seconds=$2 start end
    shift 2
    start=$(date +%s%N)
    if printf '\n' | (cd "$dir" && timeout "$seconds" script -qfec "$(printf '%q ' "$@")" /dev/null) \
            >/dev/null 2>&1; then
        end=$(date +%s%N)
        echo $(((end - start) / 1000000))
    else
        wineserver -k 2>/dev/null || true
        wineserver -p 2>/dev/null || true
        echo over
    fi
}

# measure NAME DIR SECONDS COMMAND...: RUNS runs; prints the median and range,
# and sets median. Stops at the first run that does not finish.
measure() {
    local name=$1 dir=$2 seconds=$3 times=() t sorted
    shift 3
    for ((i = 0; i < runs; ++i)); do
        t=$(console "$dir" "$seconds" "$@")
        if [ "$t" = over ]; then
            median=
            printf '  %-34s did not finish in %d s\n' "$name" "$seconds"
            return
        fi
        times+=("$t")
    done
    sorted=($(printf '%s\n' "${times[@]}" | sort -n))
    median=${sorted[$((runs / 2))]}
    printf '  %-34s %6d ms  (%d-%d)\n' "$name" "$median" "${sorted[0]}" "${sorted[$((runs - 1))]}"
}

standin=$build/standin
console "$standin" 60 "$wine" ../relaytest.exe >/dev/null  # warm-up
echo "wine console ($("$wine" --version), a pseudo-terminal): medians of $runs runs, ranges in brackets"
measure "(i)   stuck-busy run" "$standin" 600 env RELAYSIM=stuck-busy "$wine" ../relaytest.exe
stuck=$median
measure "(ii)  floor, same bytes, 64 KiB" "$standin" 600 "$wine" ../consolefloor.exe ../stuck-busy.txt
floor=$median
measure "(iii) healthy run" "$standin" 60 "$wine" ../relaytest.exe
if [ -n "$stuck" ] && [ -n "$floor" ]; then
    echo "  (i)/(ii) = $(awk -v a="$stuck" -v b="$floor" 'BEGIN { printf "%.2f", a / b }')"
fi

if [ -n "${BASELINE:-}" ]; then
    base=$PWD/build/bench-windows-$BASELINE
    rm -rf "$base/src"
    mkdir -p "$base/src"
    git archive "$BASELINE" | tar -x -C "$base/src"
    build_windows "$base/src" "$base"
    echo "the program as at $BASELINE:"
    measure "(i)   stuck-busy run" "$base/standin" "$limit" env RELAYSIM=stuck-busy "$wine" ../relaytest.exe
    measure "(iii) healthy run" "$base/standin" 60 "$wine" ../relaytest.exe
fi
