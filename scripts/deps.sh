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
            apt-get update -qq >&2 || { echo "relaytest: apt-get update failed" >&2; exit 1; }
            apt_updated=yes
        fi
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$package" >&2 ||
            { echo "relaytest: could not install $package" >&2; exit 1; }
        "$@" >/dev/null 2>&1 && return 0
    fi
    echo "relaytest: $package is missing: install it (apt-get install $package) and run again" >&2
    exit 1
}

need_build_tools() {
    need cmake command -v cmake
    need g++ command -v g++
    need make command -v make
}

need_test_tools() {
    need_build_tools
    need libgtest-dev test -f /usr/lib/x86_64-linux-gnu/cmake/GTest/GTestConfig.cmake -o -f /usr/lib/cmake/GTest/GTestConfig.cmake
    # relaylog's tests parse its JUnit reports back with xmllint.
    need libxml2-utils test -x /usr/bin/xmllint
}
