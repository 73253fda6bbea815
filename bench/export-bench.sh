#!/usr/bin/env bash
# The export benchmark. Two deterministic tables of ROWS rows (default 1,000,000), in SQLite
# (StepAPI=1) and in a private PostgreSQL cluster (UseDeclareFetch=1): "orders", nine columns as
# real data has them (key, a name of up to 40 characters, some with UTF-8, a 2-decimal amount, an
# integer, a double at full precision between 1e-3 and 1e6, a date, a timestamp, a 0/1 flag, a note
# of up to 200 characters; each non-key column NULL in about a tenth of the rows), and "values"
# (doubles at full precision, texts of up to 600 characters, NULLs). Each table is exported on each
# data source by build/tabulink to each file type (with PEERS=1 also by unixODBC's isql,
# tab-delimited and boxed), every run right after a run of the floor, the bare per-row loop (bench/export_floor: SQLFetch,
# SQLGetData as text per column, nothing written), so that both see the same machine; with PEERS=1
# so does the floor's block fetch ("block fetch": arrays of 1,000 rows bound as text), the driver
# at its fastest. Text and DBF also run on one core (taskset -c 0), each after the floor on that core.
# Prints, over RUNS rounds (default 3), the medians of wall time, CPU time (user + sys), peak
# resident memory and output bytes, and the medians of the paired ratios of wall and CPU time to
# the floor's. With FLOOR_THREADS=1 the floor also runs while the process has a second, idle
# thread ("floor 2 threads"). With LARGE_ROWS set (10000000, say), tabulink's wall time and peak
# memory on SQLite "orders" at a tenth of LARGE_ROWS and at LARGE_ROWS (medians of RUNS runs), and whether the
# temporary folder stayed untouched. With INSTRUCTION_ROWS set, the instructions per row on SQLite
# at that many rows (valgrind's callgrind: the same count at every run, where times on a busy
# machine move by a fifth).
# Usage: bench/export-bench.sh [build dir]. Environment: ROWS, RUNS, SOURCES ("sqlite pg" by
# default, which with RUNS=3 and no PEERS keeps `make bench` under ten minutes; "pgw" adds
# psqlODBC's Unicode driver), TABLES ("orders values"), PEERS, FLOOR_THREADS, LARGE_ROWS (0, the default, skips; 10000000 takes some
# minutes), INSTRUCTION_ROWS (0, the default, skips; 100000 takes some minutes).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
rows=${ROWS:-1000000}
runs=${RUNS:-3}
peers=${PEERS:-0}
large_rows=${LARGE_ROWS:-0}
instruction_rows=${INSTRUCTION_ROWS:-0}
floor_threads=${FLOOR_THREADS:-0}
sources=${SOURCES:-sqlite pg}
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

# The rows, the same on both sources. Column k of "orders" is NULL where (i * p + k) % 97 < 10,
# a different prime p per column, so that the NULLs of a row do not come together. A name is cut
# to between 24 and 40 characters and to 40 bytes, so that it fits a 40-byte DBF field whole.
null_unless() {  # null_unless <prime> <k>: the start of a CASE that gives NULL on that column's rows
  echo "CASE WHEN (i * $1 + $2) % 97 < 10 THEN NULL ELSE"
}
name_stem="CASE i % 8 WHEN 0 THEN 'Müller & Söhne GmbH' WHEN 1 THEN 'Ødegård Fiskeri AS'
  WHEN 2 THEN 'José Peña y Compañía' WHEN 3 THEN 'Northwind Traders' WHEN 4 THEN 'Contoso Pharmaceuticals'
  WHEN 5 THEN 'Fabrikam Residences' WHEN 6 THEN 'Adventure Works Cycles' ELSE 'Wide World Importers' END"
note_text="'Deliver to the back door and ring twice; ask for the warehouse manager before unloading. Pallets go to bay 7, cold goods to the freezer on the left. Invoice in triplicate, signed by the driver and the recipient.'"

make_sqlite() {  # make_sqlite <rows> <database> <tables>
  local n=$1 db=$2 which=$3
  rm -f "$db"
  {
    echo "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF;"
    if [[ " $which " == *" orders "* ]]; then cat <<SQL
CREATE TABLE bench_orders (id integer PRIMARY KEY, customer varchar(40), amount decimal(12,2),
  qty integer, ratio double, order_date date, created timestamp, flag bit, note varchar(200));
WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < $n),
  named(i, name) AS (SELECT i, $name_stem || ' ' || (i * 7919 % 100003) || ' Trading Company Limited' FROM s)
INSERT INTO bench_orders SELECT i,
  $(null_unless 31 1) substr(name, 1, min(24 + i % 17, 40 - (length(CAST(name AS blob)) - length(name)))) END,
  $(null_unless 37 2) round((i * 37 % 1000000) / 100.0, 2) END,
  $(null_unless 41 3) i * 7907 % 20001 - 10000 END,
  $(null_unless 43 4) (1.0 + 9.0 * (i * 40503 % 65521) / 65521.0) * CASE i % 9 WHEN 0 THEN 0.001
    WHEN 1 THEN 0.01 WHEN 2 THEN 0.1 WHEN 3 THEN 1.0 WHEN 4 THEN 10.0 WHEN 5 THEN 100.0
    WHEN 6 THEN 1000.0 WHEN 7 THEN 10000.0 ELSE 100000.0 END END,
  $(null_unless 47 5) date('2005-01-01', '+' || (i % 7300) || ' days') END,
  $(null_unless 53 6) datetime('2005-01-01 00:00:00', '+' || (i * 13) || ' seconds') END,
  $(null_unless 59 7) i % 2 END,
  $(null_unless 61 8) substr('Note ' || i || ': ' || $note_text, 1, i * 13 % 201) END
FROM named;
SQL
    fi
    if [[ " $which " == *" values "* ]]; then cat <<SQL
CREATE TABLE bench_values (id integer PRIMARY KEY, ratio double, share double, title varchar(40),
  body varchar(600), amount decimal(12,2));
WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < $n)
INSERT INTO bench_values SELECT i,
  CASE WHEN i % 10 = 1 THEN NULL ELSE (i % 99991) * 0.000837450061502553 END,
  CASE WHEN i % 10 = 2 THEN NULL ELSE 1.0 / (i % 9973 + 7) END,
  CASE WHEN i % 10 = 3 THEN NULL ELSE 'Title ' || (i * 7919 % 100003) END,
  CASE WHEN i % 10 = 4 THEN NULL ELSE substr(replace(hex(zeroblob(300)), '00', 'text ') || i, 1, i % 600) END,
  CASE WHEN i % 10 = 5 THEN NULL ELSE round((i * 37 % 1000000) / 100.0, 2) END
FROM s;
SQL
    fi
  } | sqlite3 "$db" >/dev/null
}

pg_psql() {
  PGPASSWORD=tabulink /usr/lib/postgresql/15/bin/psql -h 127.0.0.1 -p "$(cat "$odbc/postgres.port")" \
    -U tabulink -d tabulink -X -q -v ON_ERROR_STOP=1 "$@"
}

make_pg() {  # make_pg <rows>
  local n=$1
  pg_psql <<SQL
SET client_min_messages = warning;
DROP TABLE IF EXISTS bench_orders;
CREATE TABLE bench_orders (id integer PRIMARY KEY, customer varchar(40), amount decimal(12,2),
  qty integer, ratio double precision, order_date date, created timestamp, flag boolean,
  note varchar(200));
INSERT INTO bench_orders SELECT i,
  $(null_unless 31 1) substr(name, 1, least(24 + i % 17, 40 - (octet_length(name) - char_length(name)))) END,
  $(null_unless 37 2) round((i::bigint * 37 % 1000000) / 100.0, 2) END,
  $(null_unless 41 3) i::bigint * 7907 % 20001 - 10000 END,
  $(null_unless 43 4) (1.0::float8 + 9.0::float8 * (i::bigint * 40503 % 65521) / 65521.0::float8)
    * (ARRAY[0.001, 0.01, 0.1, 1, 10, 100, 1000, 10000, 100000]::float8[])[i % 9 + 1] END,
  $(null_unless 47 5) date '2005-01-01' + (i % 7300) END,
  $(null_unless 53 6) timestamp '2005-01-01 00:00:00' + (i::bigint * 13) * interval '1 second' END,
  $(null_unless 59 7) i % 2 = 1 END,
  $(null_unless 61 8) substr('Note ' || i || ': ' || $note_text, 1, (i::bigint * 13 % 201)::integer) END
FROM (SELECT i, $name_stem || ' ' || (i::bigint * 7919 % 100003) || ' Trading Company Limited' AS name
      FROM generate_series(1, $n) AS i) AS s;
ANALYZE bench_orders;
DROP TABLE IF EXISTS bench_values;
CREATE TABLE bench_values (id integer PRIMARY KEY, ratio double precision, share double precision,
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

table_sql() {  # table_sql <table> [<last id>]: the statement that exports it, up to that id
  local upto=${2:+ WHERE id <= $2}
  case $1 in
    orders) echo "SELECT id, customer, amount, qty, ratio, order_date, created, flag, note FROM bench_orders$upto ORDER BY id" ;;
    values) echo "SELECT id, ratio, share, title, body, amount FROM bench_values$upto ORDER BY id" ;;
  esac
}
sql=$(table_sql orders)

# measure <label> <output files...> -- <command...>: one run; appends "wall rss bytes cpu" to
# $work/<label>. Fails when the command fails or leaves files in the temporary folder.
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

output_files() {  # output_files <type>: the files a tabulink export of that type writes
  case $1 in DBF) echo "$work/out/out.dbf $work/out/out.dbt $work/out/out.cpg" ;; *) echo "$work/out/out.txt" ;; esac
}

# The command prefix of the runs that follow (taskset, or none).
pin=

tabulink_run() {  # tabulink_run <label> <type>: one export of $sql on $dsn
  local label=$1 type=$2 files
  read -r -a files <<<"$(output_files "$type")"
  job "$dsn" "$user" "$type" "${files[0]}"
  measure "$label" "${files[@]}" -- $pin env TEMP="$work/tmp" "$build/tabulink" "$work/job.ini"
  [ ! -e "$work/errors.txt" ] || { echo "tabulink reported errors:" >&2; cat "$work/errors.txt" >&2; exit 1; }
}

floor_run() {  # floor_run <label>
  measure "$1" -- $pin "$build/bench/export_floor" "$dsn" "$user" "$password" "$sql"
}

# paired <tool> <floor tool> <prefix> <runner> [<arguments...>]: a run of the floor, then the
# runner's, both with the prefix; appends the ratios of the run's wall and CPU time to the floor's.
paired() {
  local tool=$1 floor_tool=$2
  pin=$3
  shift 3
  floor_run "$label $floor_tool"
  "$1" "$label $tool" "${@:2}"
  pin=
  paste -d ' ' <(tail -n 1 "$work/$label $floor_tool") <(tail -n 1 "$work/$label $tool") |
    awk '{printf "%.6f %.6f\n", $5 / $1, ($4 > 0 ? $8 / $4 : 1)}' >>"$work/$label $tool ratio"
}

isql_run() {  # isql_run <label> <isql options...>
  local label=$1; shift
  measure "$label" "$work/out/isql.txt" -- sh -c "echo \"\$0\" | isql '$dsn' '$user' '$password' $* >'$work/out/isql.txt'" "$sql"
}
isql_tab() { isql_run "$1" -b -d -x0x09 -c; }
isql_boxed() { isql_run "$1" -b; }
floor_variant() {  # floor_variant <label> <option of export_floor>
  measure "$1" -- "$build/bench/export_floor" "$2" "$dsn" "$user" "$password" "$sql"
}

tools=("tabulink Text" "tabulink AsciiTable" "tabulink DBF")
[ "$peers" = 0 ] || tools+=("isql tab" "isql boxed" "block fetch")
[ "$floor_threads" = 0 ] || tools+=("floor 2 threads")
tools+=("tabulink Text 1 core" "tabulink DBF 1 core")

run_round() {
  local type
  for type in Text AsciiTable DBF; do paired "tabulink $type" floor "" tabulink_run "$type"; done
  if [ "$peers" != 0 ]; then
    paired "isql tab" floor "" isql_tab
    paired "isql boxed" floor "" isql_boxed
    paired "block fetch" floor "" floor_variant --block
  fi
  [ "$floor_threads" = 0 ] || paired "floor 2 threads" floor "" floor_variant --second-thread
  for type in Text DBF; do paired "tabulink $type 1 core" "floor 1 core" "taskset -c 0" tabulink_run "$type"; done
}

run_tools() {  # run_tools <source label> <dsn> <user>: every table of $tables, RUNS rounds each
  local source=$1 dsn=$2 user=$3 label
  local password=$user
  for table in $tables; do
    sql=$(table_sql "$table")
    label="$source $table"
    for ((r = 1; r <= runs; r++)); do run_round; done
  done
}

report() {  # report <source label> <table>
  local label="$1 $2"
  for tool in floor "floor 1 core" "${tools[@]}"; do
    local f="$work/$label $tool" wall rss bytes cpu ratio=- cpu_ratio=-
    wall=$(median 1 "$f"); rss=$(median 2 "$f"); bytes=$(median 3 "$f"); cpu=$(median 4 "$f")
    if [ -e "$f ratio" ]; then ratio=$(median 1 "$f ratio"); cpu_ratio=$(median 2 "$f ratio"); fi
    awk -v s="$1" -v tb="$2" -v t="$tool" -v w="$wall" -v c="$cpu" -v r="$rss" -v b="$bytes" \
      -v x="$ratio" -v cx="$cpu_ratio" -v n="$rows" \
      'BEGIN {printf "| %-6s | %-6s | %-20s | %7.2f | %7.2f | %10.0f | %7.1f | %12d | %5s | %5s |\n",
        s, tb, t, w, c, n / w, r / 1024, b, (x == "-" ? x : sprintf("%.2f", x)),
        (cx == "-" ? cx : sprintf("%.2f", cx))}'
  done
}

echo "export benchmark: $rows rows, medians of $runs paired runs, build $build"
for source in $sources; do
  case $source in
    sqlite)
      echo "building the SQLite tables..."
      make_sqlite "$rows" "$work/bench.db" "$tables"
      run_tools sqlite BenchSQLite "" ;;
    pg | pgw)
      if [ -z "$pg_started" ]; then
        echo "starting the PostgreSQL cluster and building the tables..."
        "$here/../tests/support/postgres-start.sh" "$odbc" >/dev/null
        pg_started=1
        make_pg "$rows"
      fi
      if [ "$source" = pg ]; then run_tools pg BenchPg tabulink; else run_tools pgw BenchPgW tabulink; fi ;;
  esac
done

echo
echo "| source | table  | program              | wall s  | CPU s   | rows/s     | peak MB | output bytes | wall× | CPU×  |"
echo "|--------|--------|----------------------|---------|---------|------------|---------|--------------|-------|-------|"
for source in $sources; do
  for table in $tables; do report "$source" "$table"; done
done

if [ "$large_rows" -gt 0 ]; then
  small_rows=$((large_rows / 10))
  echo
  echo "tabulink on SQLite \"orders\", $small_rows and $large_rows rows (medians of $runs runs, the two sizes taking turns):"
  echo "| output     | rows      | wall s  | CPU s   | peak MB | temporary folder |"
  echo "|------------|-----------|---------|---------|---------|------------------|"
  make_sqlite "$large_rows" "$work/bench.db" orders
  dsn=BenchSQLite user=
  for type in Text AsciiTable DBF; do
    for n in "$small_rows" "$large_rows"; do rm -f "$work/large $type $n" "$work/large $type $n touched"; done
    for ((r = 1; r <= runs; r++)); do
      for n in "$small_rows" "$large_rows"; do
        sql=$(table_sql orders "$n")
        before=$(stat -c %y "$work/tmp")
        tabulink_run "large $type $n" "$type"
        [ "$(stat -c %y "$work/tmp")" = "$before" ] || echo touched >>"$work/large $type $n touched"
      done
    done
    for n in "$small_rows" "$large_rows"; do
      touched=untouched
      [ ! -e "$work/large $type $n touched" ] || touched=touched
      awk -v t="$type" -v n="$n" -v w="$(median 1 "$work/large $type $n")" \
        -v c="$(median 4 "$work/large $type $n")" -v r="$(median 2 "$work/large $type $n")" -v u="$touched" \
        'BEGIN {printf "| %-10s | %9d | %7.2f | %7.2f | %7.1f | %-16s |\n", t, n, w, c, r / 1024, u}'
    done
    small_wall=$(median 1 "$work/large $type $small_rows"); large_wall=$(median 1 "$work/large $type $large_rows")
    small_cpu=$(median 4 "$work/large $type $small_rows"); large_cpu=$(median 4 "$work/large $type $large_rows")
    # Peak memory: the largest of the runs at each size.
    small_rss=$(awk '$2 > m {m = $2} END {print m}' "$work/large $type $small_rows")
    large_rss=$(awk '$2 > m {m = $2} END {print m}' "$work/large $type $large_rows")
    # The bar: at most 32 MB, the same within 2 MB at both sizes, time linear (the larger at most
    # 10.5 × the tenth; CPU time too, which a busy machine moves less than wall time), and no file
    # in the temporary folder.
    untouched=0
    for n in "$small_rows" "$large_rows"; do [ -e "$work/large $type $n touched" ] || untouched=$((untouched + 1)); done
    awk -v t="$type" -v sw="$small_wall" -v lw="$large_wall" -v sc="$small_cpu" -v lc="$large_cpu" \
      -v sr="$small_rss" -v lr="$large_rss" -v u="$untouched" \
      'BEGIN {d = (lr - sr) / 1024; if (d < 0) d = -d
        met = lr / 1024 <= 32 && sr / 1024 <= 32 && d <= 2 && lw / sw <= 10.5 && lc / sc <= 10.5 && u == 2
        printf "  %s: wall %.2f ×, CPU %.2f × the tenth, peak memory %+.1f MB: bar %s\n", t, lw / sw,
          lc / sc, (lr - sr) / 1024, met ? "met" : "NOT met"}'
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
  make_sqlite "$instruction_rows" "$work/bench.db" "$tables"
  for table in $tables; do
    sql=$(table_sql "$table")
    floor=$(instructions "$build/bench/export_floor" BenchSQLite "" "" "$sql")
    for type in floor Text AsciiTable DBF; do
      count=$floor
      if [ "$type" != floor ]; then
        read -r -a files <<<"$(output_files "$type")"
        job BenchSQLite "" "$type" "${files[0]}"
        count=$(TEMP="$work/tmp" instructions "$build/tabulink" "$work/job.ini")
      fi
      awk -v tb="$table" -v t="$type" -v c="$count" -v f="$floor" -v n="$instruction_rows" \
        'BEGIN {printf "| %-6s | %-19s | %7.0f | %7.2f |\n", tb, (t == "floor" ? t : "tabulink " t), c / n, c / f}'
    done
  done
fi
