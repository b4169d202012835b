#!/usr/bin/env bash
# Makes docs/images/relaylog-report.png, the picture in docs/relaylog.md:
# relaylog's HTML report of a sweep of boards 0-6 on the simulated card with
# relay 5 stuck closed, relay 600 stuck open, relay 131 coupled to relay 130
# and board 3 absent, drawn by headless chromium.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
need_build_tools
need chromium command -v chromium
need optipng command -v optipng
cmake -S . -B build/run -DBUILD_TESTING=OFF >/dev/null
cmake --build build/run --target relaysweep relaylog >/dev/null
page=$PWD/build/run/relaylog-report.html
png=$PWD/docs/images/relaylog-report.png
mkdir -p docs/images
# relaylog's verdict on these faults is FAIL, exit status 1.
RELAYSIM=stuck-on=5,stuck-off=600,coupled=130:131,absent=3 build/run/relaysweep --yes --boards 0-6 2>/dev/null |
    build/run/relaylog/relaylog --html "$page" - >/dev/null || test $? = 1
scripts/headless-chromium.sh --hide-scrollbars --window-size=1220,1990 --screenshot="$png" "$page" 2>/dev/null
optipng -quiet -o2 "$png"
ls -l "$png"
