#!/usr/bin/env bash
# Runs the Windows relaytest.exe under wine (or whatever runs Windows programs
# here), with standard input from /dev/null.
#
#   wine-run.sh transcript GOLDEN RELAYSIM EXE DLLDIR RUNNER...
#     From DLLDIR, where the stand-in TEVRIS.DLL is, with RELAYSIM set for the
#     simulated card. Standard output must equal the golden transcript as the
#     program writes it on Windows, byte for byte, and the exit status be 0.
#   wine-run.sh missing-driver EXE DIR RUNNER...
#     From DIR, where no TEVRIS.DLL is: the loader must refuse to start the
#     program, which then prints nothing.
#   wine-run.sh wrong-bitness EXE DLLDIR RUNNER...
#     From DLLDIR, whose TEVRIS.DLL is of the other bitness than EXE: the
#     loader must refuse to start the program, which then prints nothing.
set -euo pipefail

# What the command processor's pause writes with nothing on standard input:
# its prompt, without a line end, and it returns at once.
PausePrompt='Press any key to continue... '

# 0xC0000135, "DLL not found", as wine passes it on: its low byte.
DllNotFoundStatus=53

# The machine field of a PE image's file header: 14c for x86, 8664 for x64.
pe_machine() {
    local header
    header=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    od -An -tx2 -j$((header + 4)) -N2 "$1" | tr -d ' '
}

# Runs "$@" from folder $1 with standard input from /dev/null, into
# $work/actual and $work/stderr; sets status.
run_from() {
    local dir=$1
    shift
    status=0
    (cd "$dir" && "$@" </dev/null >"$work/actual" 2>"$work/stderr") || status=$?
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Shows the first line where two transcripts part, with carriage returns as \r.
first_difference() {
    awk '
        function shown(line, exists) { if (!exists) return "(end of transcript)"; gsub(/\r/, "\\r", line); return "\"" line "\"" }
        FNR == NR { expected[FNR] = $0; ne = FNR; next }
        { actual[FNR] = $0; na = FNR }
        END {
            n = ne > na ? ne : na
            for (i = 1; i <= n; ++i) {
                if (i > ne || i > na || expected[i] != actual[i]) {
                    printf "transcripts differ at line %d\n  expected: %s\n  actual:   %s\n", i,
                        shown(expected[i], i <= ne), shown(actual[i], i <= na)
                    exit
                }
            }
            print "transcripts differ in the line end of their last line"
        }' "$1" "$2"
}

case $1 in
transcript)
    golden=$2 relaysim=$3 exe=$4 dlldir=$5
    shift 5
    # The C runtime's text mode writes every "\n" as "\r\n", so the board
    # report's "\r\n" arrives as "\r\r\n". The pause prompt follows.
    sed -z 's/\n/\r\n/g' "$golden" >"$work/expected"
    printf '%s' "$PausePrompt" >>"$work/expected"

    RELAYSIM=$relaysim run_from "$dlldir" "$@" "$exe"
    failed=no
    if ! cmp -s "$work/expected" "$work/actual"; then
        echo "relaytest.exe (RELAYSIM=$relaysim) does not match $(basename "$golden") as written on Windows:"
        first_difference "$work/expected" "$work/actual"
        failed=yes
    fi
    if [ "$status" != 0 ]; then
        echo "relaytest.exe exited with status $status, not 0"
        failed=yes
    fi
    if [ "$failed" = yes ]; then
        if [ -s "$work/stderr" ]; then
            echo "its standard error:"
            cat "$work/stderr"
        fi
        exit 1
    fi
    echo "relaytest.exe (RELAYSIM=$relaysim) matches $(basename "$golden") as written on Windows"
    ;;
missing-driver)
    exe=$2 dir=$3
    shift 3
    if [ -e "$dir/TEVRIS.DLL" ] || [ -e "$(dirname "$exe")/TEVRIS.DLL" ]; then
        echo "a TEVRIS.DLL is in the way in $dir or beside $exe"
        exit 1
    fi
    run_from "$dir" "$@" "$exe"
    if [ "$status" != "$DllNotFoundStatus" ] || [ -s "$work/actual" ]; then
        echo "without TEVRIS.DLL relaytest.exe should not start (status $DllNotFoundStatus, no output);"
        echo "it exited with status $status and printed $(wc -c <"$work/actual") bytes"
        exit 1
    fi
    echo "without TEVRIS.DLL the loader refuses relaytest.exe (status $status, no output)"
    ;;
wrong-bitness)
    exe=$2 dlldir=$3
    shift 3
    if [ ! -f "$dlldir/TEVRIS.DLL" ] || [ "$(pe_machine "$dlldir/TEVRIS.DLL")" = "$(pe_machine "$exe")" ]; then
        echo "$dlldir holds no TEVRIS.DLL of the other bitness than $exe"
        exit 1
    fi
    run_from "$dlldir" "$@" "$exe"
    # Wine logs the DLL's load failing with 0xC000007B (bad image), then ends
    # the process as for a missing import: the same status as missing-driver.
    if [ "$status" != "$DllNotFoundStatus" ] || [ -s "$work/actual" ]; then
        echo "beside a TEVRIS.DLL for machine $(pe_machine "$dlldir/TEVRIS.DLL") relaytest.exe for machine" \
             "$(pe_machine "$exe") should not start (status $DllNotFoundStatus, no output); it exited with status $status and printed $(wc -c <"$work/actual") bytes"
        exit 1
    fi
    echo "beside a TEVRIS.DLL for machine $(pe_machine "$dlldir/TEVRIS.DLL") the loader refuses relaytest.exe" \
         "for machine $(pe_machine "$exe") (status $status, no output)"
    ;;
*)
    echo "usage: wine-run.sh transcript|missing-driver|wrong-bitness ..." >&2
    exit 2
    ;;
esac
