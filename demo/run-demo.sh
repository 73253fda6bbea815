#!/usr/bin/env bash
# Builds the demo data source (a SQLite database registered in a project-local odbc.ini) and runs
# the unattended demo exports with build/tabulink. Nothing is written outside the checkout.
set -euo pipefail
demo=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$demo/../build}" && pwd)
data=$demo/data
out=$demo/out

mkdir -p "$data" "$out"
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
export ODBCSYSINI=$data ODBCINI=$data/odbc.ini

echo "demo data source TabulinkDemo: $data/demo.db"
cd "$out"
for job in orders-dbf lines-table customers-tab; do
  status=0
  "$build/tabulink" "$demo/jobs/$job.ini" || status=$?
  echo "$job: exit status $status"
done
echo "outputs:"
for file in "$out"/*; do printf '  %s (%s bytes)\n' "$file" "$(wc -c <"$file")"; done
echo "first lines of the boxed table $out/order-lines.txt:"
head -n 8 "$out/order-lines.txt" | tr -d '\r'
