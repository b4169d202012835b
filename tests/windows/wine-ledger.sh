#!/usr/bin/env bash
# The relay ledger under wine (or whatever runs Windows programs here), named
# as a Windows station may name it: a drive letter, backslashes, and a folder
# named beyond ASCII, which a Windows program gets in the ANSI code page.
#
#   wine-ledger.sh WRITER RELAYCTL RELAYLEDGER DLLDIR RUNNER...
#     Two relayledger_writer.exe at once add 1,000 closes of relay 5 each;
#     relayctl.exe then closes relay 5 (RELAYTEST_LEDGER), and a second run
#     finds it closed already. relayledger.exe --ledger must find relay 5 at
#     2001 operations: none lost, none counted twice.
set -euo pipefail
writer=$1 ctl=$2 ledger_exe=$3 dlldir=$4
shift 4
runner=("$@")
# In memory where the machine has a tmpfs: the locks are the same, without
# the disk's syncs.
work=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/Prüfstand"
# Through wine's drive Z:, the root of this machine's files; wine reads the
# arguments and the environment as UTF-8, whatever the caller's locale.
ledger="Z:${work//\//\\}\\Prüfstand\\station.ledger"
export LC_ALL=C.UTF-8 RELAYSIM="state=$work/card" RELAYTEST_LEDGER="$ledger"

run() {  # NAME PROGRAM ARGS...: from DLLDIR; fails, saying so, unless its status is 0
    local name=$1
    shift
    (cd "$dlldir" && "${runner[@]}" "$@" </dev/null >"$work/$name.out" 2>"$work/$name.err") || {
        echo "$name exited with status $?; its standard error:"
        tr -d '\r' <"$work/$name.err"
        return 1
    }
}
run writer1 "$writer" "$ledger" 1000 &
first=$!
run writer2 "$writer" "$ledger" 1000
wait "$first"
run close "$ctl" close 5
run again "$ctl" close 5
run relay "$ledger_exe" --ledger "$ledger" relay 5
if ! tr -d '\r' <"$work/relay.out" | grep -q '^operations: 2001, '; then
    echo "relayledger.exe does not find relay 5 at 2001 operations in $ledger:"
    tr -d '\r' <"$work/relay.out"
    exit 1
fi
echo "wine-ledger: two writers at once, then relayctl.exe, counted relay 5 2001 times in $ledger"
