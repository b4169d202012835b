#!/usr/bin/env bash
# A throwaway PostgreSQL server for the fleet's tests, from Debian's
# postgresql package:
#
#   postgres-server.sh start DIR SOCKET   a fresh cluster beside SOCKET
#   postgres-server.sh stop DIR SOCKET    the server stopped, its data removed
#
# The server listens on a Unix socket in the folder SOCKET alone (no TCP),
# trusts whoever connects there, and knows one role, relaytest. Its data and
# log are in SOCKET.d, beside the socket in the temporary folder: run as root,
# the server runs as nobody, who may not be let into the build tree (a
# checkout under /root), and its folders are made over to nobody. When no server can be
# started (no package, a server that does not come up), DIR/why says why in
# one line and the status is still 0: the fleet's tests then skip, saying
# so, and the rest of the suite runs.
set -euo pipefail

usage() {
    echo "usage: postgres-server.sh start|stop DIR SOCKET" >&2
    exit 2
}
[ $# = 3 ] || usage
action=$1
dir=$2
socket=$3
work=$socket.d
data=$work/data

# The newest server Debian's packages installed.
bin=
for candidate in /usr/lib/postgresql/*/bin; do
    if [ -x "$candidate/initdb" ] && [ -x "$candidate/pg_ctl" ]; then
        bin=$candidate
    fi
done

# as_server COMMAND...: COMMAND as the server's own user.
as_server() {
    if [ "$(id -u)" = 0 ]; then
        setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups -- "$@"
    else
        "$@"
    fi
}

stop_server() {
    if [ -n "$bin" ] && [ -f "$data/postmaster.pid" ]; then
        (cd "$work" && as_server "$bin/pg_ctl" stop -D "$data" -m fast -w -t 30 >/dev/null 2>&1) ||
            (cd "$work" && as_server "$bin/pg_ctl" stop -D "$data" -m immediate -w -t 30 >/dev/null 2>&1) || true
    fi
    rm -rf "$work" "$socket"
}

# cannot REASON: no server; the tests read why.
cannot() {
    echo "$1" >"$dir/why"
    echo "postgres-server: $1"
    exit 0
}

case $action in
stop)
    stop_server
    exit 0
    ;;
start) ;;
*) usage ;;
esac

mkdir -p "$dir"
rm -f "$dir/why"
stop_server
if [ -z "$bin" ]; then
    cannot "no PostgreSQL server here (Debian's postgresql package, /usr/lib/postgresql/*/bin/initdb)"
fi
mkdir -m 700 "$work" "$work/data" "$socket"
if [ "$(id -u)" = 0 ]; then
    chown nobody "$work" "$work/data" "$socket"
fi
if ! (cd "$work" && as_server "$bin/initdb" -D "$data" -U relaytest --auth=trust --no-locale -E UTF8 \
    >"$dir/initdb.log" 2>&1); then
    cannot "initdb failed ($(tail -n 1 "$dir/initdb.log"))"
fi
# No TCP at all, the socket in its own folder; a throwaway cluster needs no
# syncs to the disk.
options="-c listen_addresses= -c unix_socket_directories=$socket -c fsync=off -c synchronous_commit=off"
options+=" -c full_page_writes=off -c max_connections=40"
if ! (cd "$work" && as_server "$bin/pg_ctl" start -D "$data" -l "$work/server.log" -w -t 60 -o "$options" \
    >/dev/null 2>&1); then
    cp "$work/server.log" "$dir/server.log" 2>/dev/null || true
    cannot "the server did not start (see $dir/server.log: $(tail -n 1 "$dir/server.log" 2>/dev/null))"
fi
echo "postgres-server: $("$bin/postgres" --version) on $socket"
