#!/usr/bin/env bash
# Runs the Windows relayctl.exe under wine (or whatever runs Windows programs
# here) through the stand-in TEVRIS.DLL, on a simulated card that keeps its
# boards in a state file, and has relaylog built for this machine judge its
# record.
#
#   wine-ctl.sh RELAYLOG EXE DLLDIR RUNNER...
#     From DLLDIR: a session through a pipe closes relays 5 and 100 and exits
#     0, and relaylog passes its record; a second run, "show 0", finds both
#     closed in the state file.
set -euo pipefail

relaylog=$1 exe=$2 dlldir=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export RELAYSIM="state=$work/card"

fail() {
    echo "relayctl.exe: $1; its standard error:"
    tr -d '\r' <"$work/stderr"
    exit 1
}

status=0
(cd "$dlldir" && printf 'close 5 0:4:12\r\nquit\r\n' | "$@" "$exe" >"$work/record" 2>"$work/stderr") || status=$?
[ "$status" = 0 ] || fail "the session exited with status $status, not 0"
verdict=0
"$relaylog" "$work/record" >"$work/verdict" || verdict=$?
[ "$verdict" = 0 ] || fail "relaylog (exit status $verdict) does not pass the session's record"

(cd "$dlldir" && "$@" "$exe" show 0 </dev/null >/dev/null 2>"$work/stderr") || status=$?
shown=$(tr -d '\r' <"$work/stderr")
[ "$status" = 0 ] && [ "$shown" = "relayctl: board 0: 2 relays closed: 5 (0:5:0), 100 (0:4:12)" ] ||
    fail "show 0 (exit status $status) does not find relays 5 and 100 closed"
echo "relayctl.exe: a session closed relays 5 and 100 (relaylog: PASS), and a second run found them closed"
