#!/usr/bin/env bash
# A private PostgreSQL server for the tests.
#   pg-test-server.sh start <folder>   initialises a fresh cluster in
#       <folder>/pgdata (socket in <folder>/pgsock, no TCP), starts it, makes
#       the LOGIN CREATEDB role "sktest", and writes <folder>/pg-env.sh with
#       the variables the tests read (PGHOST, PGPORT, PGUSER, PGPASSWORD,
#       PGDATABASE, GIS_REQUIRE_PG=1, GIS_PG_RESTART).
#   pg-test-server.sh stop <folder>    stops it (nothing when it is not running).
#   pg-test-server.sh restart <folder> a fast restart of a running server.
# initdb and pg_ctl refuse root: as root they run as the postgres user, who
# gets the folder.
set -euo pipefail
action="${1:?start|stop|restart}"
folder="$(mkdir -p "${2:?folder}" && cd "$2" && pwd)"
bin=""
for v in 17 16 15 14 13; do
  if [ -x "/usr/lib/postgresql/$v/bin/pg_ctl" ]; then bin="/usr/lib/postgresql/$v/bin"; break; fi
done
[ -n "$bin" ] || { echo "pg-test-server.sh: no PostgreSQL server binaries" >&2; exit 1; }
data="$folder/pgdata"
sock="$folder/pgsock"
port=54329
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
running() { [ -f "$data/postmaster.pid" ] && as_owner "$bin/pg_ctl" -D "$data" status >/dev/null 2>&1; }

case "$action" in
stop)
  if running; then as_owner "$bin/pg_ctl" -D "$data" -m fast -w stop >/dev/null; fi
  ;;
restart)
  as_owner "$bin/pg_ctl" -D "$data" -m fast -w -l "$folder/pg.log" restart >/dev/null
  ;;
start)
  if running; then as_owner "$bin/pg_ctl" -D "$data" -m fast -w stop >/dev/null; fi
  rm -rf "$data" "$sock"
  mkdir -p "$data" "$sock"
  if [ "$(id -u)" -eq 0 ]; then chown postgres: "$data" "$sock" "$folder"; fi
  as_owner "$bin/initdb" -D "$data" -U postgres --auth=trust -E UTF8 --locale=C.UTF-8 >"$folder/initdb.log" 2>&1 \
    || { cat "$folder/initdb.log" >&2; exit 1; }
  cat >>"$data/postgresql.conf" <<CONF
listen_addresses = ''
port = $port
unix_socket_directories = '$sock'
fsync = off
synchronous_commit = off
full_page_writes = off
max_connections = 100
shared_buffers = 32MB
CONF
  as_owner "$bin/pg_ctl" -D "$data" -w -t 60 -l "$folder/pg.log" start >/dev/null \
    || { cat "$folder/pg.log" >&2; exit 1; }
  as_owner "$bin/psql" -h "$sock" -p "$port" -U postgres -d postgres -v ON_ERROR_STOP=1 -q \
    -c "CREATE ROLE sktest LOGIN CREATEDB PASSWORD 'sktest'" >/dev/null
  cat >"$folder/pg-env.sh" <<ENV
export PGHOST='$sock'
export PGPORT='$port'
export PGUSER='sktest'
export PGPASSWORD='sktest'
export PGDATABASE='postgres'
export GIS_REQUIRE_PG=1
export GIS_PG_RESTART='bash $(cd "$(dirname "$0")" && pwd)/pg-test-server.sh restart $folder'
ENV
  ;;
*)
  echo "usage: pg-test-server.sh start|stop|restart <folder>" >&2; exit 2 ;;
esac
