#!/usr/bin/env bash
# An access violation inside the stand-in TEVRIS.DLL, with standard output to
# a file, under wine (or whatever runs Windows programs here):
#
#   wine-crash.sh with-debugger|without-debugger GOLDEN EXE DLLDIR RUNNER...
#
# For each faulting driver call below, the record must be the lines of the
# healthy run (GOLDEN) finished before that call, as the C runtime's text mode
# writes them ("\n" as "\r\n"), and nothing else, and the process must end as
# an access violation ends it.
#
# On an unhandled exception wine starts its debugger, which writes its report
# into the same standard output, and the process then exits with status 0.
# WINEDLLOVERRIDES=winedbg.exe=d keeps the debugger from starting, so the run
# ends as on a PC with no debugger set up: the process is torn down with
# nothing flushed for it, and wine passes on the low byte of 0xC0000005. One
# run with the debugger shows the record still begins with the same lines.
set -euo pipefail
debugger=$1 golden=$2 exe=$3 dlldir=$4
shift 4
AccessViolationStatus=5
# A 32-bit program under qemu-user (scripts/ia32.sh) sees the fault as an
# illegal instruction, 0xC000001D, instead: a crash all the same.
EmulatedFaultStatus=29

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# run CALL DEBUGGER: the program with the CALL-th driver call faulting.
run() {
    status=0
    (cd "$dlldir" && RELAYSIM=crash-after=$1 WINEDLLOVERRIDES=$2 "${runner[@]}" "$exe" \
        </dev/null >"$work/actual" 2>/dev/null) || status=$?
}
runner=("$@")

failed=no
# CALL:LINES, the call that faults and the healthy run's lines finished before
# it: the revision read after the card-check line, which goes through the
# stream object; the read of word 108 in board 0's first fetch, whose busy
# trace is lost with its unfinished line; the last access.
for fault in 2:1 48:28 92:66; do
    call=${fault%:*} lines=${fault#*:}
    head -n "$lines" "$golden" | sed -z 's/\n/\r\n/g' >"$work/expected"
    run "$call" winedbg.exe=d
    if cmp -s "$work/expected" "$work/actual" &&
        { [ "$status" = "$AccessViolationStatus" ] || [ "$status" = "$EmulatedFaultStatus" ]; }; then
        echo "crash-after=$call: the record is the first $lines lines, status $status"
    else
        echo "crash-after=$call: expected the first $lines lines of $(basename "$golden") and status" \
             "$AccessViolationStatus; got $(wc -c <"$work/actual") bytes, $(grep -c '' <"$work/actual")" \
             "lines, status $status"
        failed=yes
    fi
done

# The last fault again, with the debugger: its report follows the record, and
# the status is its own.
if [ "$debugger" = without-debugger ]; then
    [ "$failed" = no ]
    exit
fi
run "$call" ""
if head -c "$(wc -c <"$work/expected")" "$work/actual" | cmp -s "$work/expected" -; then
    echo "crash-after=$call with wine's debugger: the record still begins with the $lines finished lines"
else
    echo "crash-after=$call with wine's debugger: the record does not begin with the $lines finished lines"
    failed=yes
fi
[ "$failed" = no ]
