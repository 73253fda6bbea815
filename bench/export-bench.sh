#!/usr/bin/env bash
# The export benchmark: two deterministic tables of ROWS rows (default 1,000,000) in SQLite and in
# a private PostgreSQL cluster, exported on each data source by the bare ODBC loop (the floor),
# build/tabulink to each file type, and unixODBC's isql (tab-delimited and boxed). "orders" holds
# every column kind with short values; "values" holds what real data brings: doubles at full
# precision (up to 17 significant digits), texts of up to 600 characters and NULLs. Prints the medians of RUNS runs (default 3): wall time, CPU time (user +
# sys), rows/s, peak resident memory, output bytes, and the ratios of wall and CPU time to the
# floor's ("floor 2 threads": the same loop while the process has a second, idle thread, the
# share of any reading thread's cost that comes from the process no longer being single-threaded);
# then tabulink's peak memory at MEMORY_ROWS rows on SQLite; then, with
# INSTRUCTION_ROWS set, the instructions per row on SQLite at that many rows (valgrind's callgrind:
# the same count at every run, where times on a busy machine move by a fifth).
# Usage: bench/export-bench.sh [build dir]. Environment: ROWS, RUNS, MEMORY_ROWS (0 skips),
# INSTRUCTION_ROWS (0, the default, skips; 100000 takes some minutes),
# SOURCES ("sqlite pg pgw": SQLite, psqlODBC ANSI and Unicode), TABLES ("orders values").
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
rows=${ROWS:-1000000}
runs=${RUNS:-3}
memory_rows=${MEMORY_ROWS:-3000000}
instruction_rows=${INSTRUCTION_ROWS:-0}
sources=${SOURCES:-sqlite pg pgw}
tables=${TABLES:-orders values}
work=$(mktemp -d "${TMPDIR:-/tmp}/tabulink-export-bench-XXXXXX")
odbc=$work/odbc
mkdir -p "$odbc" "$work/out" "$work/tmp"

driver_dir=/usr/lib/x86_64-linux-gnu/odbc
cat >"$odbc/odbcinst.ini" <<INI
[SQLite3]
Driver=$driver_dir/libsqlite3odbc.so
[PostgreSQL ANSI]
Driver=$driver_dir/psqlodbca.so
[PostgreSQL Unicode]
Driver=$driver_dir/psqlodbcw.so
INI
# StepAPI=1 and UseDeclareFetch=1: the drivers hand rows over as they come instead of loading
# the whole result into memory first.
cat >"$odbc/odbc.ini.template" <<INI
[BenchSQLite]
Driver=SQLite3
Database=$work/bench.db
StepAPI=1

[BenchPg]
Driver=PostgreSQL ANSI
Servername=127.0.0.1
Port=%PGPORT%
Database=tabulink
UseDeclareFetch=1

[BenchPgW]
Driver=PostgreSQL Unicode
Servername=127.0.0.1
Port=%PGPORT%
Database=tabulink
UseDeclareFetch=1
INI
cp "$odbc/odbc.ini.template" "$odbc/odbc.ini"
export ODBCSYSINI=$odbc ODBCINI=$odbc/odbc.ini

pg_started=
cleanup() {
  [ -n "$pg_started" ] && "$here/../tests/support/postgres-stop.sh" "$odbc" >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

# The rows: every column kind, about 10 % NULLs in each nullable column, the same on both sources.
make_sqlite() {
  local n=$1 db=$2
  rm -f "$db"
  sqlite3 "$db" >/dev/null <<SQL
PRAGMA journal_mode = OFF;
PRAGMA synchronous = OFF;
CREATE TABLE bench_orders (id integer, customer varchar(40), amount decimal(12,2), qty integer,
  ratio double, order_date date, created timestamp, flag bit, note varchar(200));
WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < $n)
INSERT INTO bench_orders SELECT i,
  CASE WHEN i % 10 = 1 THEN NULL ELSE 'Customer ' || (i * 7919 % 100003) END,
  CASE WHEN i % 10 = 2 THEN NULL ELSE round((i * 37 % 1000000) / 100.0, 2) END,
  CASE WHEN i % 10 = 3 THEN NULL ELSE i % 250 END,
  CASE WHEN i % 10 = 4 THEN NULL ELSE (i % 1000) / 8.0 END,
  CASE WHEN i % 10 = 5 THEN NULL ELSE date('2005-01-01', '+' || (i % 3650) || ' days') END,
  CASE WHEN i % 10 = 6 THEN NULL
       ELSE datetime('2005-01-01 00:00:00', '+' || (i * 13) || ' seconds') END,
  CASE WHEN i % 10 = 7 THEN NULL ELSE i % 2 END,
  CASE WHEN i % 10 = 8 THEN NULL
       ELSE 'Note ' || i || ': ' || substr('deliver to the back door, ring twice, ask for the '
         || 'warehouse manager before unloading', 1, 20 + i % 60) END
FROM s;
CREATE TABLE bench_values (id integer, ratio double, share double, title varchar(40), body varchar(600),
  amount decimal(12,2));
WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < $n)
INSERT INTO bench_values SELECT i,
  CASE WHEN i % 10 = 1 THEN NULL ELSE (i % 99991) * 0.000837450061502553 END,
  CASE WHEN i % 10 = 2 THEN NULL ELSE 1.0 / (i % 9973 + 7) END,
  CASE WHEN i % 10 = 3 THEN NULL ELSE 'Title ' || (i * 7919 % 100003) END,
  CASE WHEN i % 10 = 4 THEN NULL ELSE substr(replace(hex(zeroblob(300)), '00', 'text ') || i, 1, i % 600) END,
  CASE WHEN i % 10 = 5 THEN NULL ELSE round((i * 37 % 1000000) / 100.0, 2) END
FROM s;
SQL
}

pg_psql() {
  PGPASSWORD=tabulink /usr/lib/postgresql/15/bin/psql -h 127.0.0.1 -p "$(cat "$odbc/postgres.port")" \
    -U tabulink -d tabulink -X -q -v ON_ERROR_STOP=1 "$@"
}

make_pg() {
  local n=$1
  pg_psql <<SQL
SET client_min_messages = warning;
DROP TABLE IF EXISTS bench_orders;
CREATE TABLE bench_orders (id integer, customer varchar(40), amount decimal(12,2), qty integer,
  ratio double precision, order_date date, created timestamp, flag boolean, note varchar(200));
INSERT INTO bench_orders SELECT i,
  CASE WHEN i % 10 = 1 THEN NULL ELSE 'Customer ' || (i::bigint * 7919 % 100003) END,
  CASE WHEN i % 10 = 2 THEN NULL ELSE round((i::bigint * 37 % 1000000) / 100.0, 2) END,
  CASE WHEN i % 10 = 3 THEN NULL ELSE i % 250 END,
  CASE WHEN i % 10 = 4 THEN NULL ELSE (i % 1000) / 8.0 END,
  CASE WHEN i % 10 = 5 THEN NULL ELSE date '2005-01-01' + (i % 3650) END,
  CASE WHEN i % 10 = 6 THEN NULL
       ELSE timestamp '2005-01-01 00:00:00' + (i::bigint * 13) * interval '1 second' END,
  CASE WHEN i % 10 = 7 THEN NULL ELSE i % 2 = 1 END,
  CASE WHEN i % 10 = 8 THEN NULL
       ELSE 'Note ' || i || ': ' || substr('deliver to the back door, ring twice, ask for the '
         || 'warehouse manager before unloading', 1, 20 + i % 60) END
FROM generate_series(1, $n) AS i;
ANALYZE bench_orders;
DROP TABLE IF EXISTS bench_values;
CREATE TABLE bench_values (id integer, ratio double precision, share double precision,
  title varchar(40), body varchar(600), amount decimal(12,2));
INSERT INTO bench_values SELECT i,
  CASE WHEN i % 10 = 1 THEN NULL ELSE (i % 99991) * 0.000837450061502553::double precision END,
  CASE WHEN i % 10 = 2 THEN NULL ELSE 1.0::double precision / (i % 9973 + 7) END,
  CASE WHEN i % 10 = 3 THEN NULL ELSE 'Title ' || (i::bigint * 7919 % 100003) END,
  CASE WHEN i % 10 = 4 THEN NULL ELSE substr(repeat('text ', 120) || i, 1, i % 600) END,
  CASE WHEN i % 10 = 5 THEN NULL ELSE round((i::bigint * 37 % 1000000) / 100.0, 2) END
FROM generate_series(1, $n) AS i;
ANALYZE bench_values;
SQL
}

table_sql() {  # table_sql <table>: the statement that exports it
  case $1 in
    orders) echo "SELECT id, customer, amount, qty, ratio, order_date, created, flag, note FROM bench_orders ORDER BY id" ;;
    values) echo "SELECT id, ratio, share, title, body, amount FROM bench_values ORDER BY id" ;;
  esac
}
sql=$(table_sql orders)

# measure <label> <output files...> -- <command...>: one run; appends "wall rss bytes cpu" to
# $work/<label>.
measure() {
  local label=$1; shift
  local outputs=()
  while [ "$1" != "--" ]; do outputs+=("$1"); shift; done
  shift
  rm -f "${outputs[@]}"
  /usr/bin/time -v -o "$work/time.txt" "$@" >/dev/null 2>"$work/stderr.txt" || {
    echo "$label failed:" >&2; cat "$work/stderr.txt" >&2; return 1; }
  local wall rss bytes cpu
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {n = split($2, p, ":"); s = 0;
    for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s}' "$work/time.txt")
  rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
  cpu=$(awk -F': ' '/User time|System time/ {s += $2} END {print s}' "$work/time.txt")
  bytes=0
  for file in "${outputs[@]}"; do
    [ ! -e "$file" ] || bytes=$((bytes + $(stat -c %s "$file")))
  done
  echo "$wall $rss $bytes $cpu" >>"$work/$label"
  [ -z "$(ls -A "$work/tmp")" ] || { echo "$label left cache files in TEMP" >&2; return 1; }
}

median() {  # median of column $1 of file $2
  awk -v c="$1" '{print $c}' "$2" | sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}

job() {  # job <dsn> <user> <type> <file>
  printf '[ODBC]\nDSN=%s\nUser=%s\nPassword=%s\nSQL=%s\n[Output]\nType=%s\nFileOut=%s\nFileErr=%s\n' \
    "$1" "$2" "$2" "$sql" "$3" "$4" "$work/errors.txt" >"$work/job.ini"
}

run_tools() {  # run_tools <source label> <dsn> <user>: every table of $tables
  local source=$1 dsn=$2 user=$3 out=$work/out label
  local password=$user
  for table in $tables; do
    sql=$(table_sql "$table")
    label="$source $table"
    run_table
  done
}

run_table() {
  for ((r = 1; r <= runs; r++)); do
    measure "$label floor" "$out/floor.txt" -- "$build/bench/export_floor" "$dsn" "$user" "$password" "$sql" "$out/floor.txt"
    measure "$label floor 2 threads" "$out/floor.txt" -- "$build/bench/export_floor" --second-thread "$dsn" "$user" "$password" "$sql" "$out/floor.txt"
    for type in Text AsciiTable DBF; do
      case $type in DBF) file=$out/out.dbf; extra=$out/out.dbt ;; *) file=$out/out.txt; extra= ;; esac
      job "$dsn" "$user" "$type" "$file"
      measure "$label tabulink $type" "$file" $extra -- env TEMP="$work/tmp" "$build/tabulink" "$work/job.ini"
      [ ! -e "$work/errors.txt" ] || { echo "tabulink reported errors:" >&2; cat "$work/errors.txt" >&2; exit 1; }
    done
    measure "$label isql tab" "$out/isql.txt" -- sh -c "echo \"\$0\" | isql '$dsn' '$user' '$password' -b -d -x0x09 -c >'$out/isql.txt'" "$sql"
    measure "$label isql boxed" "$out/isql.txt" -- sh -c "echo \"\$0\" | isql '$dsn' '$user' '$password' -b >'$out/isql.txt'" "$sql"
  done
}

report() {  # report <source label> <table>
  local label="$1 $2" floor floor_cpu
  floor=$(median 1 "$work/$label floor"); floor_cpu=$(median 4 "$work/$label floor")
  for tool in floor "floor 2 threads" "tabulink Text" "tabulink AsciiTable" "tabulink DBF" "isql tab" "isql boxed"; do
    local f="$work/$label $tool" wall rss bytes cpu
    wall=$(median 1 "$f"); rss=$(median 2 "$f"); bytes=$(median 3 "$f"); cpu=$(median 4 "$f")
    awk -v s="$1" -v tb="$2" -v t="$tool" -v w="$wall" -v c="$cpu" -v r="$rss" -v b="$bytes" \
      -v f="$floor" -v fc="$floor_cpu" -v n="$rows" \
      'BEGIN {printf "| %-6s | %-6s | %-19s | %7.2f | %7.2f | %10.0f | %7.1f | %12d | %5.2f | %5.2f |\n",
        s, tb, t, w, c, n / w, r / 1024, b, w / f, c / fc}'
  done
}

echo "export benchmark: $rows rows, median of $runs runs, build $build"
for source in $sources; do
  case $source in
    sqlite)
      echo "building the SQLite table..."
      make_sqlite "$rows" "$work/bench.db"
      run_tools sqlite BenchSQLite "" ;;
    pg | pgw)
      if [ -z "$pg_started" ]; then
        echo "starting the PostgreSQL cluster and building the table..."
        "$here/../tests/support/postgres-start.sh" "$odbc" >/dev/null
        pg_started=1
        make_pg "$rows"
      fi
      if [ "$source" = pg ]; then run_tools pg BenchPg tabulink; else run_tools pgw BenchPgW tabulink; fi ;;
  esac
done

echo
echo "| source | table  | program             | wall s  | CPU s   | rows/s     | peak MB | output bytes | wall× | CPU×  |"
echo "|--------|--------|---------------------|---------|---------|------------|---------|--------------|-------|-------|"
for source in $sources; do
  for table in $tables; do report "$source" "$table"; done
done

if [ "$memory_rows" -gt 0 ] && [[ " $sources " == *" sqlite "* ]]; then
  echo
  echo "tabulink peak memory on SQLite at $memory_rows rows (one run each):"
  make_sqlite "$memory_rows" "$work/bench.db"
  sql=$(table_sql orders)
  for type in Text AsciiTable DBF; do
    case $type in DBF) file=$work/out/out.dbf; extra=$work/out/out.dbt ;; *) file=$work/out/out.txt; extra= ;; esac
    job BenchSQLite "" "$type" "$file"
    rm -f "$work/mem $type"
    measure "mem $type" "$file" $extra -- env TEMP="$work/tmp" "$build/tabulink" "$work/job.ini"
    read -r wall rss bytes cpu <"$work/mem $type"
    awk -v t="$type" -v r="$rss" -v w="$wall" 'BEGIN {printf "  %-10s %8.1f MB  (%s s)\n", t, r / 1024, w}'
  done
fi

instructions() {  # instructions <command...>: the instructions the command ran, all its threads
  valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" "$@" >/dev/null \
    2>"$work/callgrind.txt" || { echo "$1 failed under valgrind:" >&2; cat "$work/callgrind.txt" >&2; exit 1; }
  awk '/Collected :/ {print $NF}' "$work/callgrind.txt"
}

if [ "$instruction_rows" -gt 0 ] && [[ " $sources " == *" sqlite "* ]]; then
  command -v valgrind >/dev/null || { echo "INSTRUCTION_ROWS needs valgrind" >&2; exit 1; }
  echo
  echo "instructions per row on SQLite at $instruction_rows rows (valgrind --tool=callgrind):"
  echo "| table  | program             | per row | × floor |"
  echo "|--------|---------------------|---------|---------|"
  make_sqlite "$instruction_rows" "$work/bench.db"
  for table in $tables; do
    sql=$(table_sql "$table")
    floor=$(instructions "$build/bench/export_floor" BenchSQLite "" "" "$sql" "$work/out/floor.txt")
    for type in floor Text AsciiTable DBF; do
      count=$floor
      if [ "$type" != floor ]; then
        case $type in DBF) file=$work/out/out.dbf ;; *) file=$work/out/out.txt ;; esac
        job BenchSQLite "" "$type" "$file"
        count=$(TEMP="$work/tmp" instructions "$build/tabulink" "$work/job.ini")
      fi
      awk -v tb="$table" -v t="$type" -v c="$count" -v f="$floor" -v n="$instruction_rows" \
        'BEGIN {printf "| %-6s | %-19s | %7.0f | %7.2f |\n", tb, (t == "floor" ? t : "tabulink " t), c / n, c / f}'
    done
  done
fi
