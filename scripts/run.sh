#!/usr/bin/env bash
# Builds relaytest and runs it on the simulated card.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
need_build_tools
cmake -S . -B build/run -DBUILD_TESTING=OFF >/dev/null
cmake --build build/run -j"$(nproc)" --target relaytest >/dev/null
exec build/run/relaytest
