#!/usr/bin/env bash
# A private, throwaway PostgreSQL server for the tests: its cluster lives in the build
# folder, it listens on 127.0.0.1 on a free port with its socket beside the cluster.
#   pg-server.sh start DIR   -> prints HOST:PORT (the value of BALANTRIX_TEST_PG)
#   pg-server.sh stop DIR    -> stops it at once (-m immediate); safe when not running
set -euo pipefail

bin=""
for v in 17 16 15 14 13; do
  [ -x "/usr/lib/postgresql/$v/bin/pg_ctl" ] && { bin="/usr/lib/postgresql/$v/bin"; break; }
done
[ -n "$bin" ] || { echo "pg-server: PostgreSQL is not installed (Debian package postgresql)" >&2; exit 1; }

cmd="${1:-}"
dir="$(realpath -m "${2:-}")"
[ -n "${2:-}" ] || { echo "usage: pg-server.sh start|stop DIR" >&2; exit 2; }

# initdb refuses to run as root: the cluster belongs to the postgres user.
as_pg=()
if [ "$(id -u)" -eq 0 ]; then as_pg=(runuser -u postgres --); fi

case "$cmd" in
  start)
    rm -rf "$dir"
    mkdir -p "$dir/socket"
    [ ${#as_pg[@]} -eq 0 ] || chown -R postgres: "$dir"
    "${as_pg[@]}" "$bin/initdb" -D "$dir/data" -A trust -U postgres -E UTF8 --locale=C.UTF-8 \
      >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
    # A free port: asked of the kernel, then tried; another server may take it in between.
    for attempt in 1 2 3 4 5; do
      port="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')"
      if "${as_pg[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 start \
           -o "-p $port -k $dir/socket -c listen_addresses=127.0.0.1 -c max_connections=200 -c fsync=off" \
           >/dev/null 2>&1; then
        echo "$port" >"$dir/port"
        echo "127.0.0.1:$port"
        exit 0
      fi
    done
    cat "$dir/server.log" >&2
    exit 1
    ;;
  stop)
    if [ -f "$dir/data/postmaster.pid" ]; then
      "${as_pg[@]}" "$bin/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
    fi
    ;;
  *)
    echo "usage: pg-server.sh start|stop DIR" >&2
    exit 2
    ;;
esac
