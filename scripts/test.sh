#!/usr/bin/env bash
# Builds relaytest and its tests, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
need_test_tools
cmake -S . -B build/test
cmake --build build/test -j"$(nproc)"
ctest --test-dir build/test --output-on-failure --no-tests=error -j"$(nproc)"
./scripts/test-windows.sh
./scripts/test-reliability.sh
