#!/usr/bin/env bash
# Builds an optimised relaytest and measures it against the floor of printing
# the same bytes, and times relaysweep's full sweep and relaylog's verdict on it,
# a switch through relaymatrix, the station's rule check and its routes (see
# docs/performance.md).
# RUNS defaults to 9.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
need_build_tools
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build/bench -j"$(nproc)" --target relaytest relaysweep relaylog relaybench relayctl relaymatrix \
    matrixbench rulebench routebench >/dev/null
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
build/bench/bench/relaybench build/bench/relaytest "${RUNS:-9}" build/bench/relaybench.out build/bench/relaysweep \
    build/bench/relaylog/relaylog
# One close and open through relaymatrix from C and Python, beside relayctl run as a program.
RELAYTEST_LOCK="$PWD/build/bench/matrixbench.lock" build/bench/bench/matrixbench "${CYCLES:-200}" \
    build/bench/matrixbench.out build/bench/relayctl "$(command -v python3)" "$PWD/python" \
    "$PWD/build/bench/librelaymatrix.so"
# The station's rule check for one close against a card of 1,023 closed relays.
build/bench/bench/rulebench docs/examples/bench-3.toml 2001
# Finding and checking a route, and planning a change of routes, on eight boards with buses.
build/bench/bench/routebench 2001
# The same program on a Windows console, where wine and mingw-w64 are installed.
scripts/bench-wine-console.sh build/bench/relaytest
