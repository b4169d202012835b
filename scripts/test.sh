#!/usr/bin/env bash
# Builds relaytest and its tests, and runs every test: the Linux suite, the
# Windows builds under wine, then the sanitizers and fuzzers; the analysers
# run beside them all.
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
    sed -n '2,7s/^# \{0,1\}//p' "$0"
    exit 0
    ;;
*)
    echo "usage: scripts/test.sh [--quick]" >&2
    exit 2
    ;;
esac
. scripts/deps.sh
# cpu_now: cpu= the CPU time in seconds (user + system) of every child this
# script has waited for so far. times runs in this shell, not in a command
# substitution: a subshell's count starts at nought.
cpu_now() {
    local file
    file=$(mktemp)
    times >"$file"
    cpu=$(awk 'function sec(t,  m) { m = t; sub(/m.*/, "", m); sub(/^[0-9]+m/, "", t); sub(/s$/, "", t); return m * 60 + t }
        NR == 2 { printf "%d\n", sec($1) + sec($2) + 0.5 }' "$file")
    rm -f "$file"
}
# part NAME COMMAND...: runs one part of the test command and says how long it
# took, and its CPU time (the analysers running beside the rest are counted
# once waited for, in the last part).
part() {
    local name=$1 start=$SECONDS cpu before
    cpu_now
    before=$cpu
    shift
    "$@"
    cpu_now
    echo "relaytest: $name took $((SECONDS - start)) s ($((cpu - before)) s of CPU)" >&2
}
linux_suite() {
    need_test_tools
    cmake -S . -B build/test "${test_build[@]}"
    cmake --build build/test -j"$(nproc)"
    ctest --test-dir build/test --output-on-failure --no-tests=error -j"$(nproc)"
}
if [ "$quick" = yes ]; then
    part "the Linux suite" linux_suite
    exit 0
fi
# clang-tidy is the longest part of the command, and much of the rest leaves
# a core idle (configuring, linking, the wine runs and the tests that wait on
# a child or a server): the analysers run beside everything from the start, at
# the lowest priority, in a process group of their own that ends with this
# script. Their output comes at the end.
./scripts/analyse.sh --configure
set -m  # a background job gets a process group of its own
nice -n 19 ./scripts/analyse.sh --configured >build/analyse/analyse.out 2>&1 &
analysers=$!
set +m
trap 'kill -- -"$analysers" 2>/dev/null || true' EXIT
wait_for_analysers() {
    local status=0
    wait "$analysers" || status=$?
    cat build/analyse/analyse.out
    return "$status"
}
part "the Linux suite" linux_suite
# The Windows part judges its wine runs with the Linux suite's relaylog.
part "the Windows builds under wine" env RELAYTEST_HOST_BUILD=build/test ./scripts/test-windows.sh
part "the sanitizers and fuzzers" env RELAYTEST_ANALYSERS=beside ./scripts/test-reliability.sh
part "the rest of the analysers, running since the start" wait_for_analysers
cpu_now
echo "relaytest: every test passed in $SECONDS s ($cpu s of CPU)" >&2
