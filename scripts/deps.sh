# Sourced by the build scripts. need PACKAGE CHECK...: when CHECK fails, installs
# the Debian package PACKAGE (as root, with apt-get) or stops with a message
# naming it.
apt_updated=no
need() {
    local package=$1
    shift
    if "$@" >/dev/null 2>&1; then
        return 0
    fi
    if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1; then
        echo "relaytest: installing missing package $package" >&2
        if [ "$apt_updated" = no ]; then
            apt-get -o DPkg::Lock::Timeout=600 update -qq >&2 || { echo "relaytest: apt-get update failed" >&2; exit 1; }
            apt_updated=yes
        fi
        # Other builds on the machine may be installing too: wait for their
        # turn with the package database rather than fail at once.
        DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "$package" >&2 ||
            { echo "relaytest: could not install $package" >&2; exit 1; }
        "$@" >/dev/null 2>&1 && return 0
    fi
    echo "relaytest: $package is missing: install it (apt-get install $package) and run again" >&2
    exit 1
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
}
