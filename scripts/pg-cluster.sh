#!/usr/bin/env bash
# A throw-away database server for the tests.
#   pg-cluster.sh start DIR   initdb into DIR (a fresh folder), start the server on a Unix
#                             socket in DIR only (no TCP port), create the test database,
#                             and print the connection string on standard output.
#   pg-cluster.sh stop DIR    stop that server and remove DIR.
# The server refuses to run as root, so as root it runs as the unprivileged "postgres"
# user that Debian's server package creates; otherwise as the calling user.
set -euo pipefail

action=${1:?start or stop}
dir=${2:?folder}
bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$bindir" ] || [ ! -x "$bindir/initdb" ]; then
  echo "pg-cluster: the database server is not installed (Debian package postgresql)" >&2
  exit 1
fi
port=5432
database=vorkan42

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

case "$action" in
  start)
    mkdir -p "$dir"
    [ "$(id -u)" -eq 0 ] && chown postgres: "$dir"
    as_owner "$bindir/initdb" -D "$dir/data" -U vorkan42 --auth=trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 \
      || { cat "$dir/initdb.log" >&2; exit 1; }
    # Only the socket in the folder: no TCP port that could meet another server.
    # Commits need not reach the disk of a throw-away server.
    as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
      -o "-c listen_addresses='' -c unix_socket_directories='$dir' -p $port -c fsync=off -c full_page_writes=off -c max_connections=200" \
      start >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
    as_owner "$bindir/createdb" -h "$dir" -p "$port" -U vorkan42 "$database"
    echo "host=$dir port=$port dbname=$database user=vorkan42"
    ;;
  stop)
    if [ -f "$dir/data/postmaster.pid" ]; then
      as_owner "$bindir/pg_ctl" -D "$dir/data" -m immediate -w -t 60 stop >/dev/null || true
    fi
    rm -rf "$dir"
    ;;
  *)
    echo "pg-cluster: start or stop" >&2
    exit 2
    ;;
esac
