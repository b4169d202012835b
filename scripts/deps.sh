# Sourced by the build scripts. need PACKAGE CHECK...: when CHECK fails, installs
# the Debian package PACKAGE (as root, with apt-get) or stops with a message
# naming it. need_together PACKAGE "CHECK" ...: the same for a set of packages
# that must fit each other, installed in one transaction.
apt_updated=no
# How the test command builds the programs it runs (Linux and Windows):
# optimised as the project's default build (-O2), without its debug
# information, which was about a third of the compile time (the Windows
# programs: 315 s of CPU with it, 220 s without; objects ten times the size).
# The sanitizer and fuzz builds keep theirs, for their reports' stack traces.
test_build=(-DCMAKE_BUILD_TYPE=Release "-DCMAKE_C_FLAGS_RELEASE=-O2 -DNDEBUG" "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG")
# Where the release's codename is read (VERSION_CODENAME).
os_release=/etc/os-release

# apt_update: reads the package lists once. A mirror caught mid-sync fails
# one index ("File has unexpected size ... Mirror sync in progress?") and
# apt-get update exits non-zero, yet every other list it fetched is good: the
# failed one is named and the rest used, and the install that follows says
# if a package is really missing.
apt_update() {
    if [ "$apt_updated" = yes ]; then
        return 0
    fi
    local log status failed
    log=$(mktemp)
    status=0
    apt-get -o DPkg::Lock::Timeout=600 update -qq >"$log" 2>&1 || status=$?
    cat "$log" >&2
    if [ "$status" != 0 ]; then
        failed=$(sed -n 's/.*Failed to fetch \([^ ]*\).*/\1/p' "$log" | tr '\n' ' ')
        if [ -n "$failed" ]; then
            echo "relaytest: apt-get update could not read ${failed% }" >&2
        fi
        echo "relaytest: apt-get update failed (status $status): going on with the package lists it did read" >&2
    fi
    rm -f "$log"
    apt_updated=yes
}

need() {
    local package=$1
    shift
    if "$@" >/dev/null 2>&1; then
        return 0
    fi
    if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1; then
        echo "relaytest: installing missing package $package" >&2
        apt_update
        # Other builds on the machine may be installing too: wait for their
        # turn with the package database rather than fail at once.
        DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "$package" >&2 ||
            { echo "relaytest: could not install $package" >&2; exit 1; }
        "$@" >/dev/null 2>&1 && return 0
    fi
    echo "relaytest: $package is missing: install it (apt-get install $package) and run again" >&2
    exit 1
}

# want PACKAGE WITHOUT CHECK...: as need, for a package the build can go
# without: when it cannot be installed, one line says so and what goes
# without it (WITHOUT), and the build goes on.
want() {
    local package=$1 without=$2
    shift 2
    if "$@" >/dev/null 2>&1; then
        return 0
    fi
    if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1; then
        echo "relaytest: installing missing package $package" >&2
        apt_update
        if DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends \
            "$package" >&2 && "$@" >/dev/null 2>&1; then
            return 0
        fi
    fi
    echo "relaytest: $package is missing and could not be installed: $without" >&2
}

# release_suite: "-t CODENAME" for apt-get when the sources hold the
# release's own suite (bookworm), else nothing.
release_suite() {
    local codename
    # shellcheck disable=SC1090 # the release's own file
    codename=$(. "$os_release" 2>/dev/null && echo "${VERSION_CODENAME:-}")
    if [ -n "$codename" ] && apt-cache policy 2>/dev/null | grep -q "n=$codename,"; then
        echo "-t $codename"
    fi
}

# need_together PACKAGE "CHECK" ...: every PACKAGE whose CHECK (a command of
# plain words) fails is installed in ONE apt-get transaction, from the
# release's own suite. Packages of two architectures (wine64 and wine32:i386)
# must be of one version: installed one at a time, the first can take a
# security update whose other half the mirror has not got yet (its i386 index
# caught mid-sync), and the second then finds nothing to match.
need_together() {
    local missing=() checks=() package words arch
    while [ $# -ge 2 ]; do
        read -r -a words <<<"$2"
        if ! "${words[@]}" >/dev/null 2>&1; then
            missing+=("$1")
            checks+=("$2")
        fi
        shift 2
    done
    if [ ${#missing[@]} = 0 ]; then
        return 0
    fi
    if [ "$(id -u)" != 0 ] || ! command -v apt-get >/dev/null 2>&1; then
        echo "relaytest: ${missing[*]} missing: install them (apt-get install ${missing[*]}) and run again" >&2
        exit 1
    fi
    for package in "${missing[@]}"; do
        case $package in
        *:*) need_architecture "${package##*:}" ;;
        esac
    done
    echo "relaytest: installing missing packages ${missing[*]}" >&2
    apt_update
    # shellcheck disable=SC2046 # release_suite gives two words or none
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends \
        $(release_suite) "${missing[@]}" >&2 || { echo "relaytest: could not install ${missing[*]}" >&2; exit 1; }
    local i
    for i in "${!missing[@]}"; do
        read -r -a words <<<"${checks[$i]}"
        if ! "${words[@]}" >/dev/null 2>&1; then
            echo "relaytest: ${missing[$i]} is installed, yet ${checks[$i]} fails" >&2
            exit 1
        fi
    done
}

# need_architecture ARCH: lets apt-get install packages of the Debian
# architecture ARCH (e.g. i386 beside amd64), then reads the package lists again.
need_architecture() {
    local arch=$1
    if [ "$(dpkg --print-architecture)" = "$arch" ] || dpkg --print-foreign-architectures | grep -qx "$arch"; then
        return 0
    fi
    if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1; then
        echo "relaytest: adding the Debian architecture $arch" >&2
        dpkg --add-architecture "$arch" || { echo "relaytest: could not add the architecture $arch" >&2; exit 1; }
        apt_updated=no
        return 0
    fi
    echo "relaytest: packages of the architecture $arch are needed: run dpkg --add-architecture $arch" \
         "and apt-get update as root, and run again" >&2
    exit 1
}

need_build_tools() {
    need cmake command -v cmake
    need g++ command -v g++
    need make command -v make
    # Header-only libraries, for every build (cmake/HeaderOnly.cmake).
    need libcli11-dev test -f /usr/include/CLI/CLI.hpp
    need libtomlplusplus-dev test -f /usr/include/toml++/toml.h
    # The relay ledger's store (ledger/), for the Linux build: a station's
    # SQLite file, and a fleet's PostgreSQL database through libpq.
    need libsqlite3-dev test -f /usr/include/sqlite3.h
    need libpq-dev test -f /usr/include/postgresql/libpq-fe.h
}

need_test_tools() {
    need_build_tools
    need libgtest-dev test -f /usr/lib/x86_64-linux-gnu/cmake/GTest/GTestConfig.cmake -o -f /usr/lib/cmake/GTest/GTestConfig.cmake
    # relaylog's tests parse its JUnit reports back with xmllint.
    need libxml2-utils test -x /usr/bin/xmllint
    # relaylog's browser test renders its HTML report in headless chromium.
    need chromium command -v chromium
    # The relaymatrix Python package's tests (tests/matrix), with Debian's python3.
    need python3-pytest /usr/bin/python3 -c "import pytest"
    # A throwaway PostgreSQL server for the fleet's tests (tests/scripts/postgres-server.sh).
    want postgresql "the fleet's tests skip, saying so" compgen -G "/usr/lib/postgresql/*/bin/initdb"
}
