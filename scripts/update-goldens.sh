#!/usr/bin/env bash
# Regenerates the golden transcripts in tests/golden/ from relaytest built on
# the simulated card, in a build folder of its own (build/goldens). Each
# transcript is one whole run with standard input at /dev/null, on the card
# that RELAYSIM describes; the tests compare every run with them byte for byte.
# relaytest's output is not meant to change, so on an unchanged program this
# rewrites the same bytes; run it only for a change to the output that is
# meant, and read the whole diff before committing it.
#
#   scripts/update-goldens.sh   rewrites the transcripts tests/golden/goldens.txt lists; see git diff
set -euo pipefail
cd "$(dirname "$0")/.."
case ${1:-} in
"") ;;
-h | --help)
    sed -n '2,10s/^# \{0,1\}//p' "$0"
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
# Each transcript on the card it was taken on, as tests/golden/goldens.txt
# lists them (the tests read the same list).
grep -v '^#' tests/golden/goldens.txt | while read -r golden relaysim; do
    RELAYSIM=$relaysim build/goldens/relaytest </dev/null >"tests/golden/$golden"
done
if git diff --quiet -- tests/golden; then
    echo "the golden transcripts are unchanged"
else
    # Every changed byte is a change operators will see: read the whole diff.
    git --no-pager diff --stat -- tests/golden
fi
