#!/usr/bin/env bash
# Builds the demo data source (demo/data-source.sh) and runs the unattended demo exports with
# build/tabulink. Nothing is written outside the checkout.
set -euo pipefail
demo=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$demo/../build}" && pwd)
out=$demo/out

eval "$("$demo/data-source.sh")"
echo "demo data source TabulinkDemo: $demo/data/demo.db"
mkdir -p "$out"
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
