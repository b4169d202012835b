#!/usr/bin/env bash
# scripts/deps.sh against a stand-in apt-get whose update fails one index as
# a mirror caught mid-sync does: the failure is named, the install goes on
# with the lists that were read, and a set given to need_together is
# installed in one transaction from the release's own suite; a package that
# want cannot have is named in one line, and the rest goes on.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/bin" "$tmp/installed"
index=http://deb.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz
cat >"$tmp/bin/apt-get" <<STUB
#!/bin/sh
echo "\$*" >>"$tmp/apt.log"
case " \$* " in
*" update "*)
    echo "E: Failed to fetch $index  File has unexpected size (41236 != 41200). Mirror sync in progress? [IP: 192.0.2.1 80]" >&2
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
    exit 100 ;;
esac
for word in "\$@"; do case \$word in -*|install|DPkg*|stable) ;; absent) exit 100 ;; *) touch "$tmp/installed/\$word" ;; esac; done
STUB
printf '#!/bin/sh\necho " release v=12,o=Debian,a=stable,n=stable,l=Debian,c=main,b=amd64"\n' >"$tmp/bin/apt-cache"
printf '#!/bin/sh\necho 0\n' >"$tmp/bin/id"
cat >"$tmp/bin/dpkg" <<STUB
#!/bin/sh
case \$1 in
--print-architecture) echo amd64 ;;
--print-foreign-architectures) cat "$tmp/foreign" 2>/dev/null ;;
--add-architecture) echo "add \$2" >>"$tmp/apt.log"; echo "\$2" >>"$tmp/foreign" ;;
esac
STUB
chmod +x "$tmp/bin/"*
echo 'VERSION_CODENAME=stable' >"$tmp/os-release"

status=0
(
    PATH="$tmp/bin:$PATH"
    . "$source_dir/scripts/deps.sh"
    os_release=$tmp/os-release
    need one test -e "$tmp/installed/one"
    need_together two "test -e $tmp/installed/two" three:i386 "test -e $tmp/installed/three:i386" \
        one "test -e $tmp/installed/one"
    want absent "what needs it skips" test -e "$tmp/installed/absent"
    want four "what needs it skips" test -e "$tmp/installed/four"
) 2>"$tmp/stderr" || status=$?
fail() {
    echo "deps-test: $1" >&2
    cat "$tmp/stderr" "$tmp/apt.log" >&2
    exit 1
}
[ "$status" = 0 ] || fail "status $status"
grep -qx "relaytest: apt-get update could not read $index" "$tmp/stderr" || fail "the failed index is not named"
grep -qx "relaytest: absent is missing and could not be installed: what needs it skips" "$tmp/stderr" ||
    fail "the package that could not be installed is not named"
expected="-o DPkg::Lock::Timeout=600 update -qq
-o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends one
add i386
-o DPkg::Lock::Timeout=600 update -qq
-o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends -t stable two three:i386
-o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends absent
-o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends four"
[ "$(cat "$tmp/apt.log")" = "$expected" ] || fail "apt-get was not run as expected"
echo "deps-test: passed"
