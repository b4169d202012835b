#!/usr/bin/env bash
# Reliability checks, run by CI after the normal suite: the whole test suite
# under AddressSanitizer + UndefinedBehaviorSanitizer, a bounded fuzz run over
# the card's answers, and the static analysers (scripts/analyse.sh: clang-tidy
# and cppcheck). Any finding fails the run.
#
# RELAYTEST_FUZZ_SECONDS sets the fuzz time (60 by default).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh

fuzzer_runtime() { test -f "$(clang++ -print-runtime-dir)/libclang_rt.fuzzer-$(uname -m).a"; }

need_test_tools
need clang command -v clang++
need libclang-rt-dev fuzzer_runtime

fuzz_seconds=${RELAYTEST_FUZZ_SECONDS:-60}

echo "== sanitizers: the whole suite under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize
ctest --preset sanitize

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

# fuzz TARGET SEEDS MAX-LEN SECONDS: a fresh working corpus each run, grown
# from the committed seeds; any finding fails.
fuzz() {
    local target=$1 seeds=$2 max_len=$3 seconds=$4
    local work=build/fuzz/$target
    rm -rf "$work"
    mkdir -p "$work/corpus" "$work/artifacts"
    if ! "build/fuzz/fuzz/$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
            -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/artifacts/" \
            "$work/corpus" "$seeds" >"$work/fuzz.log" 2>&1; then
        tail -n 60 "$work/fuzz.log"
        echo "relaytest: the fuzzer found a problem; the input is in $work/artifacts/" >&2
        exit 1
    fi
    if [ -n "$(ls -A "$work/artifacts")" ]; then
        tail -n 60 "$work/fuzz.log"
        echo "relaytest: the fuzzer left findings in $work/artifacts/" >&2
        exit 1
    fi
    grep -E '^#[0-9]+[[:space:]]+DONE|^stat::' "$work/fuzz.log"
}

# The fuzzers run side by side, each one process on one core: the card's
# answers on one, relaylog's reader, the wiring reader and the relay grammar
# on the other.
echo "== fuzzing the card's answers for ${fuzz_seconds} s; beside it relaylog's reader with damaged records for $((fuzz_seconds / 2)) s, then the wiring reader and the relay grammar for $((fuzz_seconds / 4)) s each"
fuzz fuzz_card_answers fuzz/corpus 512 "$fuzz_seconds" &
card_fuzz=$!
{
    fuzz fuzz_relaylog fuzz/relaylog-corpus 16384 "$((fuzz_seconds / 2))"
    fuzz fuzz_wiring fuzz/wiring-corpus 4096 "$((fuzz_seconds / 4))"
    fuzz fuzz_relay_names fuzz/relay-names-corpus 1024 "$((fuzz_seconds / 4))"
} &
reader_fuzz=$!
fuzz_failed=no
wait "$card_fuzz" || fuzz_failed=yes
wait "$reader_fuzz" || fuzz_failed=yes
if [ "$fuzz_failed" = yes ]; then
    exit 1
fi

# scripts/test.sh runs the analysers beside everything else from its start
# (RELAYTEST_ANALYSERS=beside); run alone, this script runs them last.
if [ "${RELAYTEST_ANALYSERS:-}" != beside ]; then
    echo "== clang-tidy and cppcheck over the Linux build"
    ./scripts/analyse.sh
fi
