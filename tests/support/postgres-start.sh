#!/usr/bin/env bash
# Starts a private PostgreSQL 15 cluster on loopback for the ODBC tests: its own temporary folder
# and a free port, the test users and database, and the test odbc.ini pointing at that port.
# Usage: postgres-start.sh <test-odbc dir>. postgres-stop.sh ends it.
set -euo pipefail
odbc_dir=$(cd "$1" && pwd)
bin=/usr/lib/postgresql/15/bin
here=$(cd "$(dirname "$0")" && pwd)

# A cluster left behind by an interrupted run is stopped first.
"$here/postgres-stop.sh" "$odbc_dir"

base=$(mktemp -d "${TMPDIR:-/tmp}/tabulink-pg-XXXXXX")
echo "$base" >"$odbc_dir/postgres.dir"
# The server refuses to run as root; an unprivileged account owns the cluster then.
as_owner=()
if [ "$(id -u)" -eq 0 ]; then
  chown postgres: "$base"
  as_owner=(runuser -u postgres --)
fi
chmod 700 "$base"
# The server's account may not be allowed into the caller's working directory.
cd "$base"

port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
echo "$port" >"$odbc_dir/postgres.port"
"${as_owner[@]}" sh -c "echo tabulink-admin >'$base/pwfile'"
"${as_owner[@]}" "$bin/initdb" -D "$base/data" -U postgres --pwfile="$base/pwfile" \
  --auth-local=trust --auth-host=scram-sha-256 --no-sync -E UTF8 --locale=C.UTF-8 >"$base/initdb.log"
# Durability is of no use to a throw-away cluster; start-up and writes stay quick without it.
"${as_owner[@]}" "$bin/pg_ctl" -D "$base/data" -l "$base/server.log" -w -t 60 start \
  -o "-p $port -k $base -c listen_addresses=127.0.0.1 -c fsync=off -c synchronous_commit=off -c full_page_writes=off" >/dev/null

psql() { "${as_owner[@]}" /usr/lib/postgresql/15/bin/psql -h "$base" -p "$port" -U postgres -X -q -v ON_ERROR_STOP=1 "$@"; }
psql -d postgres <<'SQL'
CREATE ROLE tabulink LOGIN PASSWORD 'tabulink';
CREATE ROLE tabulink_semi LOGIN PASSWORD 'se;mi{co}lon';
CREATE ROLE tabulink_plus LOGIN PASSWORD 'a+b%41c';
CREATE ROLE tabulink_ascii LOGIN PASSWORD '! "#$%&''()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\]^_`abcdefghijklmnopqrstuvwxyz{|}~';
CREATE DATABASE tabulink OWNER tabulink;
SQL

sed "s/%PGPORT%/$port/" "$odbc_dir/odbc.ini.template" >"$odbc_dir/odbc.ini.new"
mv "$odbc_dir/odbc.ini.new" "$odbc_dir/odbc.ini"
echo "PostgreSQL test cluster on 127.0.0.1:$port in $base"
