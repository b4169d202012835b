#!/usr/bin/env bash
# Builds relaytest and its tests, and runs every test: the Linux suite, the
# Windows builds under wine, then the sanitizers, fuzzers and analysers.
#
#   scripts/test.sh           everything (what CI runs)
#   scripts/test.sh --quick   the Linux build and its suite alone
set -euo pipefail
cd "$(dirname "$0")/.."
quick=no
case ${1:-} in
"") ;;
--quick) quick=yes ;;
-h | --help)
    sed -n '2,6s/^# \{0,1\}//p' "$0"
    exit 0
    ;;
*)
    echo "usage: scripts/test.sh [--quick]" >&2
    exit 2
    ;;
esac
. scripts/deps.sh
# part NAME COMMAND...: runs one part of the test command and says how long it took.
part() {
    local name=$1 start=$SECONDS
    shift
    "$@"
    echo "relaytest: $name took $((SECONDS - start)) s" >&2
}
linux_suite() {
    need_test_tools
    cmake -S . -B build/test
    cmake --build build/test -j"$(nproc)"
    ctest --test-dir build/test --output-on-failure --no-tests=error -j"$(nproc)"
}
part "the Linux suite" linux_suite
if [ "$quick" = yes ]; then
    exit 0
fi
# The Windows part judges its wine runs with the Linux suite's relaylog.
part "the Windows builds under wine" env RELAYTEST_HOST_BUILD=build/test ./scripts/test-windows.sh
part "the sanitizers, fuzzers and analysers" ./scripts/test-reliability.sh
echo "relaytest: every test passed in $SECONDS s" >&2
