#!/usr/bin/env bash
# Runs the C example of relaymatrix.dll (relaymatrix_example.exe) under wine
# (or whatever runs Windows programs here) through the stand-in TEVRIS.DLL on
# a simulated card of its own, and has relaylog built for this machine judge
# the record the DLL wrote.
#
#   wine-matrix.sh RELAYLOG EXE DLLDIR RUNNER...
#     The example exits 0 (every answer as expected), and relaylog passes its
#     record. RELAYLOG may be "" (no judge at hand): then the example alone.
set -euo pipefail

relaylog=$1 exe=$2 dlldir=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export RELAYSIM="state=$work/card"
# The stand-in found through the search path; relaymatrix.dll sits beside the example.
export WINEPATH="Z:${dlldir//\//\\}"

status=0
(cd "$work" && "$@" "$exe" record.log >"$work/stdout" 2>"$work/stderr") || status=$?
if [ "$status" != 0 ] || [ -s "$work/stderr" ]; then
    echo "relaymatrix_example.exe: exit status $status; its output:"
    tr -d '\r' <"$work/stdout"
    tr -d '\r' <"$work/stderr"
    exit 1
fi
if [ -n "$relaylog" ]; then
    verdict=0
    "$relaylog" "$work/record.log" >"$work/verdict" || verdict=$?
    if [ "$verdict" != 0 ]; then
        echo "relaylog (exit status $verdict) does not pass the record relaymatrix.dll wrote:"
        cat "$work/verdict"
        exit 1
    fi
fi
tail -n 1 "$work/stdout" | tr -d '\r'
