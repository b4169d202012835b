#!/usr/bin/env bash
# Checks the names of the load-time link to TEVRIS.DLL in a built image, with
# mingw-w64's objdump:
#
#   pe-names.sh exports OBJDUMP DLL   the DLL exports exactly the four driver
#                                     functions, by their undecorated names
#   pe-names.sh imports OBJDUMP EXE   the program imports exactly those four
#                                     names from TEVRIS.DLL
set -euo pipefail
mode=$1 objdump=$2 image=$3
expected=$'GetNumCards\nInBAR32\nOutBAR32\nRelInPortDWord'

case $mode in
exports)
    # The name table: "[   0] GetNumCards" lines after its heading.
    names=$("$objdump" -p "$image" |
        awk '/^\[Ordinal\/Name Pointer\] Table/ { on = 1; next } on && NF == 0 { on = 0 } on { print $NF }' | sort)
    what="exports"
    ;;
imports)
    # "hint name" lines under "DLL Name: TEVRIS.DLL" and its "vma:" heading.
    names=$("$objdump" -p "$image" |
        awk '/DLL Name: / { on = ($3 == "TEVRIS.DLL"); next } on && /vma:/ { next } on && NF == 0 { on = 0 }
             on && NF >= 2 { print $NF }' | sort)
    what="imports from TEVRIS.DLL"
    ;;
*)
    echo "usage: pe-names.sh exports|imports OBJDUMP IMAGE" >&2
    exit 2
    ;;
esac
if [ "$names" != "$expected" ]; then
    echo "$(basename "$image") $what:"
    echo "${names:-(nothing)}"
    echo "expected exactly:"
    echo "$expected"
    exit 1
fi
echo "$(basename "$image") $what exactly: $(echo $names)"
