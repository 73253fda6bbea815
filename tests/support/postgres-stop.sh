#!/usr/bin/env bash
# Stops the private PostgreSQL test cluster that postgres-start.sh recorded and removes its folder.
# Usage: postgres-stop.sh <test-odbc dir>. Does nothing when no cluster is recorded.
set -uo pipefail
odbc_dir=$1
record="$odbc_dir/postgres.dir"
[ -f "$record" ] || exit 0
base=$(cat "$record")
if [ -n "$base" ] && [ -d "$base/data" ]; then
  cd /
  as_owner=()
  [ "$(id -u)" -eq 0 ] && as_owner=(runuser -u postgres --)
  "${as_owner[@]}" /usr/lib/postgresql/15/bin/pg_ctl -D "$base/data" -m immediate -w stop >/dev/null 2>&1
fi
case "$base" in */tabulink-pg-*) rm -rf "$base" ;; esac
rm -f "$record" "$odbc_dir/postgres.port"
