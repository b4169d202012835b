#!/usr/bin/env bash
# Runs the Windows relaysweep.exe under wine (or whatever runs Windows
# programs here) through the stand-in TEVRIS.DLL, and has relaylog built for
# this machine judge its record.
#
#   wine-sweep.sh RELAYLOG EXE DLLDIR RUNNER...
#     From DLLDIR, with a healthy simulated card: relaysweep.exe --yes
#     --boards 0-1 must exit 0, and relaylog must PASS its record with every
#     relay of boards 0 and 1 functional.
set -euo pipefail

relaylog=$1 exe=$2 dlldir=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

status=0
(cd "$dlldir" && RELAYSIM='' "$@" "$exe" --yes --boards 0-1 </dev/null >"$work/record" 2>"$work/stderr") || status=$?
if [ "$status" != 0 ]; then
    echo "relaysweep.exe --yes --boards 0-1 exited with status $status, not 0; its standard error:"
    cat "$work/stderr"
    exit 1
fi

verdict=0
"$relaylog" "$work/record" >"$work/verdict" || verdict=$?
summary='Relays: 256 functional, 0 partly verified, 768 unverified, 0 stuck closed, 0 stuck open, 0 erratic'
if [ "$verdict" != 0 ] || [ "$(tail -n 2 "$work/verdict")" != "$summary"$'\n'"PASS: no problems" ] ||
    [ "$(head -n 1 "$work/record")" != $'Relay sweep of boards 0-1\r' ]; then
    echo "relaylog (exit status $verdict) does not pass relaysweep.exe's record:"
    grep -E '^(PROBLEM|ERROR|Relays:|PASS|FAIL)' "$work/verdict" | head -n 20
    exit 1
fi
echo "relaysweep.exe --yes --boards 0-1: $(wc -l <"$work/record") lines, judged by relaylog: $summary, PASS"
