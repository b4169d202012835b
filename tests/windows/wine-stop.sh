#!/usr/bin/env bash
# Ctrl+C for relaysweep.exe or relayctl.exe under wine (or whatever runs
# Windows programs here), through the stand-in TEVRIS.DLL:
#
#   wine-stop.sh EXE DLLDIR RUNNER...
#
# wine hands a SIGINT sent to a Windows process to its console control
# handler as a Ctrl+C (CTRL_C_EVENT), as a console does when the operator
# presses it. The program, slowed down while it switches board 0, must stop
# at its next step, push board 0 open, read it back and say so on its last
# line, and end with the status a Ctrl+C gives a process (0xC000013A, of which
# wine passes on the low byte).
set -euo pipefail
exe=$1 dlldir=$2
shift 2
CtrlCStatus=58
case $(basename "$exe") in
relaysweep.exe)
    args=(--boards 0 --yes)
    stopped="Sweep stopped: interrupted by Ctrl+C at relay *of board 0" ;;
*)
    # All of board 0 but one relay: the most relayctl's limit lets it close.
    args=(--max-closed 127 close 0-126)
    stopped="Control stopped: interrupted by Ctrl+C during close 0-126" ;;
esac
stopped+="; boards 0 pushed open and read back open"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$dlldir" && RELAYSIM=slow=20000 "$@" "$exe" "${args[@]}" </dev/null >"$work/record" 2>"$work/stderr") &
runner=$!
# The Windows process, once it has closed its first relay: the one whose
# command line begins with the program itself, not with whatever runs it.
pid=
for _ in $(seq 600); do
    if grep -q '^Turning on relay' "$work/record" 2>/dev/null; then
        pid=$(pgrep -f "^[^ ]*$(basename "$exe") ${args[*]}\$" | head -n 1 || true)
        [ -n "$pid" ] && break
    fi
    sleep 0.1
done
if [ -z "$pid" ]; then
    kill "$runner" 2>/dev/null || true
    echo "$(basename "$exe"): nothing running to stop within 60 s"
    exit 1
fi
kill -INT "$pid"
status=0
wait "$runner" || status=$?
last=$(tail -n 1 "$work/record" | tr -d '\r')
# shellcheck disable=SC2053 # $stopped is a pattern
if [[ $last != $stopped ]]; then
    echo "$(basename "$exe"): the record's last line after Ctrl+C is \"$last\""
    exit 1
fi
if [ "$status" != "$CtrlCStatus" ]; then
    echo "$(basename "$exe"): ended with status $status after Ctrl+C, not $CtrlCStatus"
    exit 1
fi
echo "$(basename "$exe"): Ctrl+C stopped it safely: \"$last\", status $status"
