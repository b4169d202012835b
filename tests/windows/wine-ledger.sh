#!/usr/bin/env bash
# The relay ledger under wine (or whatever runs Windows programs here),
# named as a Windows station names it: a drive letter and backslashes.
#
#   wine-ledger.sh RELAYCTL RELAYLEDGER DLLDIR RUNNER...
#     Two relayctl.exe runs at once, each on a simulated card and a card lock
#     of its own, close relay 5 and count into one ledger (RELAYTEST_LEDGER);
#     a third run closes relay 5 again, already closed: nothing more is
#     counted. relayledger.exe --ledger then finds relay 5 at 2 operations,
#     and no journal is left beside the ledger.
set -euo pipefail

ctl=$1 ledger_exe=$2 dlldir=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The ledger through wine's drive Z:, the root of this machine's files.
ledger="Z:${work//\//\\}\\station.ledger"
lock=${RELAYTEST_LOCK:-Local\\relaytest-wine-ledger-$$}

fail() {
    echo "$1; standard error:"
    tr -d '\r' <"$work/$2.err"
    exit 1
}
close5() {  # CARD RUNNER...: relayctl.exe close 5 on CARD, counting into the ledger
    local card=$1
    shift
    (cd "$dlldir" && RELAYSIM="state=$work/$card" RELAYTEST_LOCK="$lock-$card" RELAYTEST_LEDGER="$ledger" \
        "$@" "$ctl" close 5 </dev/null >"$work/$card.out" 2>"$work/$card.err")
}

close5 a "$@" &
first=$!
status=0
close5 b "$@" || status=$?
wait "$first" || fail "relayctl.exe close 5 on card a, beside card b, exited with status $?" a
[ "$status" = 0 ] || fail "relayctl.exe close 5 on card b, beside card a, exited with status $status" b
close5 a "$@" || fail "relayctl.exe close 5 again on card a exited with status $?" a

(cd "$dlldir" && RELAYTEST_LEDGER='' "$@" "$ledger_exe" --ledger "$ledger" relay 5 \
    </dev/null >"$work/relay.out" 2>"$work/relay.err") || fail "relayledger.exe relay 5 exited with status $?" relay
if ! tr -d '\r' <"$work/relay.out" | grep -q '^operations: 2, '; then
    echo "relayledger.exe does not find relay 5 at 2 operations in $ledger:"
    tr -d '\r' <"$work/relay.out"
    exit 1
fi
if [ -e "$work/station.ledger-journal" ]; then
    echo "a journal was left beside $ledger"
    exit 1
fi
echo "wine-ledger: two relayctl.exe at once and one after counted relay 5 twice in $ledger"
