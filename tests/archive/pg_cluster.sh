#!/usr/bin/env bash
# A throw-away PostgreSQL cluster for the tests of the archive on a server.
#   pg_cluster.sh start STATE   initdb into a new temporary folder, start the server on a
#                               free loopback port (socket in that folder) and write the
#                               administrator's URI to STATE/uri, the folder to STATE/data
#   pg_cluster.sh stop STATE    stop the server and remove its folder
# Run as root, the server runs as the user postgres (initdb and postgres refuse root).
# Besides the trust login, the role "pwuser" (password "secret") must give a password:
# the tests of a failed authentication use it.
set -euo pipefail
action=$1
state=$2
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
  echo "no PostgreSQL server is installed (Debian package postgresql)" >&2
  exit 1
fi

as_server() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

stop() {
  [ -f "$state/data" ] || return 0
  local data
  data=$(cat "$state/data")
  if [ -d "$data" ]; then
    as_server "$bin/pg_ctl" -D "$data/db" -m immediate stop >/dev/null 2>&1 || true
    rm -rf "$data"
  fi
  rm -f "$state/data" "$state/uri"
}

case $action in
  start)
    mkdir -p "$state"
    stop
    data=$(mktemp -d /tmp/kelmor-pg.XXXXXX)
    echo "$data" >"$state/data"
    [ "$(id -u)" -eq 0 ] && chown postgres: "$data"
    as_server "$bin/initdb" -D "$data/db" -A trust -U postgres -E UTF8 --locale=C.UTF-8 \
      >"$data/initdb.log" 2>&1 || { cat "$data/initdb.log" >&2; exit 1; }
    { echo "host all pwuser 127.0.0.1/32 scram-sha-256"; cat "$data/db/pg_hba.conf"; } \
      >"$data/hba" && as_server cp "$data/hba" "$data/db/pg_hba.conf"
    # A free port: the server itself says when one is taken.
    for attempt in $(seq 1 20); do
      port=$((20000 + RANDOM % 40000))
      if as_server "$bin/pg_ctl" -D "$data/db" -l "$data/server.log" -w -t 30 \
        -o "-p $port -k $data -c listen_addresses=127.0.0.1 -c fsync=off -c max_connections=200" \
        start >/dev/null; then
        "$bin/psql" -q -h 127.0.0.1 -p "$port" -U postgres -d postgres \
          -c "CREATE ROLE pwuser LOGIN PASSWORD 'secret'" >/dev/null
        echo "postgresql://postgres@127.0.0.1:$port/postgres" >"$state/uri"
        exit 0
      fi
    done
    cat "$data/server.log" >&2
    exit 1
    ;;
  stop)
    stop
    ;;
  *)
    echo "usage: $0 start|stop STATE" >&2
    exit 2
    ;;
esac
