#!/usr/bin/env bash
# Runs Debian's chromium headless on one page, for relaylog's browser test and
# the docs' screenshot: safe as root, offline (no background connections, which
# this closed network refuses), with a fresh empty profile that is removed
# afterwards, and killed with all its processes after LIMIT seconds (60), so
# that a browser that hangs never holds up a test.
#
#   scripts/headless-chromium.sh --dump-dom PAGE                 the DOM after rendering
#   scripts/headless-chromium.sh --screenshot=PNG --window-size=W,H PAGE
#
# Exit status: chromium's; 124 when it was killed at the limit; 127 when
# chromium is not installed.
set -euo pipefail
if ! command -v chromium >/dev/null 2>&1; then
    echo "headless-chromium: chromium is not installed (apt-get install --no-install-recommends chromium)" >&2
    exit 127
fi
profile=$(mktemp -d "${TMPDIR:-/tmp}/relaytest-chromium.XXXXXX")
trap 'rm -rf "$profile"' EXIT
# timeout runs chromium in a process group of its own and signals the whole
# group, the renderer and helper processes too.
timeout --kill-after=5 "${LIMIT:-60}" chromium --headless --no-sandbox --disable-gpu --disable-quic \
    --no-first-run --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$profile" "$@"
