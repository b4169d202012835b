#!/usr/bin/env bash
# SQLite's one-file amalgamation (sqlite3.c and sqlite3.h) for the Windows
# builds' relay ledger, made from the SQLite source that Debian ships and
# nothing else: `apt-get source --download-only sqlite3` fetches it (a
# deb-src entry for the release's own suites is added when there is none),
# its orig tarball is unpacked with Debian's patches applied (the fixes
# Debian's own libsqlite3 carries, security fixes among them), and its own
# configure and `make sqlite3.c` (tool/mksqlite3c.tcl, with tclsh and the
# machine's C compiler) make the amalgamation.
#
# Sourced after scripts/deps.sh, like it: need_sqlite_amalgamation DIR sets
# sqlite_amalgamation to the folder holding sqlite3.c and sqlite3.h, or, when
# the source cannot be had, says why in one line on standard error and exits
# 1. By hand, `scripts/sqlite-source.sh [DIR]` prints the folder.
# Everything stays in DIR; once the amalgamation is made there, later runs
# reuse it and download nothing (remove DIR to fetch the source again).
sqlite_source_fail() {
    echo "relaytest: no SQLite source for the Windows builds' relay ledger: $*" >&2
    exit 1
}

# deb_src_stanzas APT_DIR CODENAME: every enabled binary source of the
# release's own suites (bookworm, bookworm-updates, bookworm-security) in
# APT_DIR's deb822 files and one-line lists, written out as deb-src stanzas.
deb_src_stanzas() {
    local apt_dir=$1 codename=$2 files=() f
    [ -f "$apt_dir/sources.list" ] && files+=("$apt_dir/sources.list")
    for f in "$apt_dir"/sources.list.d/*.list "$apt_dir"/sources.list.d/*.sources; do
        [ -f "$f" ] && [ "$(basename "$f")" != relaytest-deb-src.sources ] && files+=("$f")
    done
    [ ${#files[@]} = 0 ] && return 0
    awk -v release="$codename" '
        function ours(s) { return s == release || s == release "-updates" || s == release "-security" }
        function emit(   n, i, list, kept) {
            if (types !~ /(^| )deb( |$)/ || enabled == "no" || uris == "") return
            n = split(suites, list, " "); kept = ""
            for (i = 1; i <= n; i++) if (ours(list[i])) kept = kept (kept == "" ? "" : " ") list[i]
            if (kept == "") return
            printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents: %s\n", uris, kept, components
            if (signed != "") printf "Signed-By: %s\n", signed
            print ""
        }
        function reset() { types = ""; uris = ""; suites = ""; components = ""; signed = ""; enabled = ""; key = "" }
        BEGIN { reset() }
        FNR == 1 { emit(); reset(); deb822 = FILENAME ~ /\.sources$/ }
        /^[ \t]*#/ { next }
        deb822 && /^[ \t]*$/ { emit(); reset(); next }
        deb822 && /^[ \t]/ { if (key == "signed-by") signed = signed "\n" $0; next }
        deb822 {
            key = tolower($1); sub(/:$/, "", key); value = $0; sub(/^[^:]*:[ \t]*/, "", value)
            if (key == "types") types = value
            else if (key == "uris") uris = value
            else if (key == "suites") suites = value
            else if (key == "components") components = value
            else if (key == "signed-by") signed = value
            else if (key == "enabled") enabled = tolower(value)
            next
        }
        $1 == "deb" {
            reset(); types = "deb"; i = 2
            if ($2 ~ /^\[/) {
                for (; i <= NF; i++) {
                    if ($i ~ /^\[?signed-by=/) { signed = $i; sub(/^\[?signed-by=/, "", signed); sub(/\]$/, "", signed) }
                    if ($i ~ /\]$/) { i++; break }
                }
            }
            uris = $i; suites = $(i + 1); components = ""
            for (j = i + 2; j <= NF; j++) components = components (components == "" ? "" : " ") $j
            emit(); reset()
        }
        END { emit() }
    ' "${files[@]}"
}

# sqlite_source_fetch DIR CODENAME: the source package's files in DIR/download,
# fetched once (whole, or not there); as root, a deb-src entry of the
# release's own suites is added when apt-get finds no source.
sqlite_source_fetch() {
    local dir=$1 codename=$2 download=$1/download stanzas f
    for f in "$download"/sqlite3_*.dsc; do [ -f "$f" ] && return 0; done
    if sqlite_source_download "$dir"; then
        return 0
    fi
    if [ "$(id -u)" != 0 ] || ! command -v apt-get >/dev/null 2>&1; then
        sqlite_source_fail "apt-get source sqlite3 failed ($(tail -n 1 "$dir/apt-source.log")): add a deb-src" \
            "entry for ${codename:-the release}, or run this as root to have it added, and run again"
    fi
    # A deb-src entry already there (its lists not read yet, say) is read
    # again, not doubled.
    if ! grep -qsE '^[[:space:]]*(deb-src[[:space:]]|Types:.*deb-src)' /etc/apt/sources.list \
            /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; then
        stanzas=$(deb_src_stanzas /etc/apt "$codename")
        if [ -z "$stanzas" ]; then
            sqlite_source_fail "the apt sources hold no entry of ${codename:-the release}'s own suites to derive a deb-src entry from"
        fi
        echo "relaytest: adding deb-src entries for $codename (/etc/apt/sources.list.d/relaytest-deb-src.sources)" >&2
        printf '# Added by relaytest (scripts/sqlite-source.sh): the source packages of the\n# release, for SQLite'"'"'s source.\n\n%s\n' \
            "$stanzas" >/etc/apt/sources.list.d/relaytest-deb-src.sources
    fi
    apt_updated=no
    apt_update
    sqlite_source_download "$dir" || sqlite_source_fail "apt-get source sqlite3 failed: $(tail -n 1 "$dir/apt-source.log")"
}

sqlite_source_download() {
    local download=$1/download
    rm -rf "$download.new"
    mkdir -p "$download.new"
    (cd "$download.new" && apt-get source --download-only -qq sqlite3) >"$1/apt-source.log" 2>&1 &&
        rm -rf "$download" && mv "$download.new" "$download"
}

# sqlite_source_make DIR: DIR/work/src, the orig tarball with Debian's
# series applied in its order, then its own configure and make sqlite3.c
# (tclsh runs tool/mksqlite3c.tcl; the machine's C compiler builds the
# generators it needs first) in DIR/work/build.
sqlite_source_make() {
    local dir=$1 work=$1/work orig="" debian="" f patch level
    for f in "$dir"/download/sqlite3_*.orig.tar.* "$dir"/download/sqlite3_*.debian.tar.*; do
        case $f in *-www.tar.*) ;; *.orig.tar.*) orig=$f ;; *.debian.tar.*) debian=$f ;; esac
    done
    if [ ! -f "$orig" ] || [ ! -f "$debian" ]; then
        sqlite_source_fail "apt-get source fetched no orig or debian tarball of sqlite3 (in $dir/download)"
    fi
    need tcl command -v tclsh
    need gcc command -v cc
    need make command -v make
    need xz-utils command -v xz
    need patch command -v patch
    rm -rf "$work"
    mkdir -p "$work/src" "$work/build"
    tar -xf "$orig" -C "$work/src" --strip-components=1 || sqlite_source_fail "cannot unpack $orig"
    tar -xf "$debian" -C "$work/src" || sqlite_source_fail "cannot unpack $debian"
    # "NAME" or "NAME -pN" a line.
    while read -r patch level _; do
        case $patch in '' | '#'*) continue ;; esac
        patch -d "$work/src" "${level:--p1}" -N -s --no-backup-if-mismatch <"$work/src/debian/patches/$patch" \
            >>"$work/patch.log" 2>&1 || sqlite_source_fail "Debian's patch $patch does not apply (see $work/patch.log)"
    done <"$work/src/debian/patches/series"
    if ! (cd "$work/build" && ../src/configure --disable-tcl >configure.log 2>&1 && make sqlite3.c >make.log 2>&1); then
        sqlite_source_fail "its configure or make sqlite3.c failed (see $work/build/configure.log and make.log)"
    fi
}

need_sqlite_amalgamation() {
    local dir=$1 made codename
    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd)
    made=$dir/amalgamation
    if [ ! -f "$made/sqlite3.c" ] || [ ! -f "$made/sqlite3.h" ]; then
        # shellcheck disable=SC1090 # the release's own file
        codename=$(. "$os_release" 2>/dev/null && echo "${VERSION_CODENAME:-}")
        sqlite_source_fetch "$dir" "$codename"
        sqlite_source_make "$dir"
        rm -rf "$made.new"
        mkdir -p "$made.new"
        cp "$dir/work/build/sqlite3.c" "$dir/work/build/sqlite3.h" "$made.new/"
        (cd "$dir/download" && echo sqlite3_*.dsc) >"$made.new/SOURCE"
        rm -rf "$made" "$dir/work"
        mv "$made.new" "$made"
    fi
    sqlite_amalgamation=$made
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    set -euo pipefail
    cd "$(dirname "$0")/.."
    . scripts/deps.sh
    need_sqlite_amalgamation "${1:-build/sqlite-source}"
    echo "$sqlite_amalgamation"
fi
