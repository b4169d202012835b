#!/usr/bin/env bash
# The static analysers over everything the Linux build compiles, from
# build/analyse's compile_commands.json (the files read as they are: the test
# programs' precompiled GoogleTest header is off there): clang-tidy
# (.clang-tidy), then cppcheck (.cppcheck-suppressions). Any finding fails.
#
#   scripts/analyse.sh               configure build/analyse, then analyse
#   scripts/analyse.sh --configure   configure build/analyse only
#   scripts/analyse.sh --configured  analyse the build/analyse configured before
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
mode=${1:-all}
case $mode in
all | --configure | --configured) ;;
-h | --help)
    sed -n '2,9s/^# \{0,1\}//p' "$0"
    exit 0
    ;;
*)
    echo "usage: scripts/analyse.sh [--configure | --configured]" >&2
    exit 2
    ;;
esac
need_test_tools
need clang-tidy command -v run-clang-tidy
need cppcheck command -v cppcheck
if [ "$mode" != --configured ]; then
    cmake -S . -B build/analyse -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DCMAKE_DISABLE_PRECOMPILE_HEADERS=ON >/dev/null
fi
if [ "$mode" = --configure ]; then
    exit 0
fi
jobs=$(nproc)
run-clang-tidy -p build/analyse -quiet -j "$jobs" >build/analyse/clang-tidy.log 2>&1 || {
    grep -E 'warning:|error:' build/analyse/clang-tidy.log | sort -u
    echo "relaytest: clang-tidy has findings (full log: build/analyse/clang-tidy.log)" >&2
    exit 1
}
echo "clang-tidy: no findings"
mkdir -p build/analyse/cppcheck
cppcheck --project=build/analyse/compile_commands.json --std=c++17 --language=c++ --library=googletest \
    --enable=warning,style,performance,portability --inline-suppr \
    --suppressions-list=.cppcheck-suppressions --cppcheck-build-dir=build/analyse/cppcheck \
    --error-exitcode=1 -q -j "$jobs" --template='{file}:{line}: {severity}: {message} [{id}]'
echo "cppcheck: no findings"
