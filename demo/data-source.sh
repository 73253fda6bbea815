#!/usr/bin/env bash
# Builds the demo data source TabulinkDemo: a SQLite database from demo.sql, registered in a
# project-local odbc.ini and odbcinst.ini in demo/data/. Prints the two variables that point
# unixODBC at them, for `eval`.
set -euo pipefail
demo=$(cd "$(dirname "$0")" && pwd)
data=$demo/data

mkdir -p "$data"
rm -f "$data/demo.db"
sqlite3 "$data/demo.db" < "$demo/demo.sql"

driver=$(find /usr/lib /usr/local/lib -name libsqlite3odbc.so -print -quit 2>/dev/null)
[ -n "$driver" ] || { echo "the SQLite ODBC driver (libsqliteodbc) is not installed" >&2; exit 1; }
cat > "$data/odbcinst.ini" <<INI
[SQLite3]
Description=SQLite3 ODBC Driver
Driver=$driver
INI
# StepAPI=1 makes the driver step through the result instead of loading it whole into memory.
cat > "$data/odbc.ini" <<INI
[TabulinkDemo]
Description=Tabulink demo order book
Driver=SQLite3
Database=$data/demo.db
StepAPI=1
INI
echo "export ODBCSYSINI='$data' ODBCINI='$data/odbc.ini'"
