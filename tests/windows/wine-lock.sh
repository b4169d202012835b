#!/usr/bin/env bash
# The card lock under wine (or whatever runs Windows programs here): two runs
# of one program at once through the stand-in TEVRIS.DLL, the first held on
# the simulated card (RELAYSIM's hold=PATH) until the second says it waits.
#
#   wine-lock.sh EXE "ARGS" DLLDIR RUNNER...
#
# The second must say on standard error that the first holds the card and that
# it waits (one line before what a run alone says there), print nothing on
# standard output while it waits, then run to its end once the first lets the
# card go. Both records must be what the program prints when it runs alone,
# and the first must have found the card free, saying nothing. ARGS is the
# program's arguments, one string split at blanks.
set -euo pipefail
exe=$1 args=$2 dlldir=$3
shift 3
read -r -a argv <<<"$args"
program=$(basename "$exe" .exe)
# One lock object of this run's own, unless the test names one.
export RELAYTEST_LOCK=${RELAYTEST_LOCK:-Local\\relaytest-wine-lock-$$}
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

run() {  # NAME RELAYSIM: the program from DLLDIR, into $work/NAME.out and .err
    (cd "$dlldir" && RELAYSIM=$2 "${@:3}" "$exe" "${argv[@]}" </dev/null >"$work/$1.out" 2>"$work/$1.err")
}
run alone '' "$@"

# The first takes the card and is held at its first driver call until the
# second has said that it waits: however long a run under wine takes to start.
touch "$work/hold"
run first "hold=$work/hold" "$@" &
first=$!
for _ in $(seq 600); do
    [ -e "$work/hold.waiting" ] && break
    sleep 0.1
done
run second '' "$@" &
second=$!
for _ in $(seq 600); do
    { [ -s "$work/second.err" ] || ! kill -0 "$second" 2>/dev/null; } && break
    sleep 0.1
done
if [ -s "$work/second.out" ]; then
    echo "$program: the second run printed while the first still held the card"
    exit 1
fi
rm -f "$work/hold"
wait "$first" || true
wait "$second" || true

held="^$program: the card is held by $program \(process [0-9]+\) since [0-9]{4}-[0-9]{2}-[0-9]{2} "
held+="[0-9]{2}:[0-9]{2}:[0-9]{2}; waiting (for it|up to [0-9]+ s for it)"$'\r'"?$"
failed=no
if ! head -n 1 "$work/second.err" | grep -Eq "$held" ||
        ! cmp -s <(tail -n +2 "$work/second.err") "$work/alone.err"; then
    echo "$program: the second run's standard error is not one line saying who holds the card, then what a run"
    echo "alone says:"
    cat "$work/second.err"
    failed=yes
fi
if ! cmp -s "$work/first.err" "$work/alone.err"; then
    echo "$program: the first run, on a free card, said on standard error more than a run alone:"
    cat "$work/first.err"
    failed=yes
fi
for run in first second; do
    if ! cmp -s "$work/alone.out" "$work/$run.out"; then
        echo "$program: the $run run's record differs from a run alone ($(wc -c <"$work/$run.out") bytes," \
             "not $(wc -c <"$work/alone.out"))"
        failed=yes
    fi
done
[ "$failed" = no ] || exit 1
echo "$program: the second run waited for the first: $(head -n 1 "$work/second.err" | tr -d '\r')"
