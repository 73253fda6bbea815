#!/usr/bin/env bash
# Installs the Debian package into a throw-away root (dpkg -x) and runs the installed program
# against the demo data source: the sample INI file shipped with the package, and the example INI
# files of the README and the manual page, each exactly as printed there.
# Usage: installed-run.sh tabulink_<version>_<arch>.deb
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
deb=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

dpkg -x "$deb" "$work/root"
program=$work/root/usr/bin/tabulink
docs=$work/root/usr/share/doc/tabulink
for file in "$program" "$work/root/usr/share/man/man1/tabulink.1.gz" "$docs/README.md" \
  "$docs/example.ini" "$docs/copyright" "$docs/changelog.gz" \
  "$work/root/usr/share/applications/tabulink.desktop" \
  "$work/root/usr/share/icons/hicolor/32x32/apps/tabulink.xpm"; do
  [ -e "$file" ] || { echo "FAIL: the package lacks $file"; exit 1; }
done
man -l "$work/root/usr/share/man/man1/tabulink.1.gz" 2>&1 >/dev/null | grep . &&
  { echo "FAIL: the manual page does not format cleanly"; exit 1; }

eval "$("$source_dir/demo/data-source.sh")"

# examples.py writes each example INI file of the README and the manual page into a folder.
mkdir "$work/examples"
/usr/bin/python3 "$here/examples.py" "$source_dir/README.md" "$work/root/usr/share/man/man1/tabulink.1.gz" \
  "$work/examples"
cp "$docs/example.ini" "$work/examples/shipped.ini"

failures=0
for ini in "$work/examples"/*.ini; do
  name=$(basename "$ini")
  run=$work/run-$name
  mkdir "$run"
  status=0
  (cd "$run" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM TMPDIR="$run" "$program" "$ini" \
     >"$run.stdout" 2>"$run.stderr") || status=$?
  # Without a statement the run is interactive: headless, it reports that no dialog can open.
  expected=0
  grep -qi '^SQL=' "$ini" || expected=2
  if [ "$status" != "$expected" ]; then
    echo "FAIL: $name exited $status, expected $expected"; cat "$run.stderr"; failures=$((failures + 1))
    continue
  fi
  # A DBF an example writes holds every row of its statement, as an independent reader sees it.
  sql=$(grep -i '^SQL[0-9]*=' "$ini" | cut -d= -f2- | tr '\n' ' ' || true)
  for dbf in "$run"/*.dbf; do
    [ -e "$dbf" ] || continue
    rows=$(sqlite3 "$source_dir/demo/data/demo.db" "SELECT count(*) FROM ($sql)")
    count=$(/usr/bin/python3 "$source_dir/tests/support/dbf_dump.py" "$dbf" | sed -n 1p)
    [ "$count" = "count $rows" ] || { echo "FAIL: $name wrote $count, expected $rows"; failures=$((failures + 1)); }
  done
  leftovers=$(find "$run" -maxdepth 1 -name '__*' | wc -l)
  [ "$leftovers" = 0 ] || { echo "FAIL: $name left cache files"; failures=$((failures + 1)); }
  echo "ok: $name (exit status $status)"
done
exit "$failures"
