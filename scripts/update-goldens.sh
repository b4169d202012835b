#!/usr/bin/env bash
# Regenerates the golden transcripts in tests/golden/ from relaytest built on
# the simulated card, in a build folder of its own (build/goldens). Each
# transcript is one whole run with standard input at /dev/null, on the card
# that RELAYSIM describes; the tests compare every run with them byte for byte.
#
#   scripts/update-goldens.sh   rewrites tests/golden/*.txt; see the changes with git diff
set -euo pipefail
cd "$(dirname "$0")/.."
case ${1:-} in
"") ;;
-h | --help)
    sed -n '2,7s/^# \{0,1\}//p' "$0"
    exit 0
    ;;
*)
    echo "usage: scripts/update-goldens.sh" >&2
    exit 2
    ;;
esac
. scripts/deps.sh
need_build_tools
cmake -S . -B build/goldens -DBUILD_TESTING=OFF >/dev/null
cmake --build build/goldens -j"$(nproc)" --target relaytest >/dev/null
# transcript and the card it was taken on (the same pairs as tests/RunTest.cpp)
while read -r golden relaysim; do
    RELAYSIM=$relaysim build/goldens/relaytest </dev/null >"tests/golden/$golden"
done <<'CARDS'
healthy.txt
nocard.txt cards=0
deaf.txt deaf
busy-twice.txt busy=2
CARDS
git --no-pager diff --stat -- tests/golden
