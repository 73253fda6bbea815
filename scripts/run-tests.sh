#!/usr/bin/env bash
# Every check of `make test`, in order: formatting, the test suite, the Release build's Debian
# package (lintian, then the installed program run on the demo data source), the fuzz targets for
# a bounded time, the whole suite again with AddressSanitizer and UndefinedBehaviorSanitizer, then
# the tests of the reading threads with ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
fuzz_seconds=${FUZZ_SECONDS:-30}

scripts/format.sh

echo "== build and test"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs")

echo "== release package"
deb=$(scripts/package.sh | tail -n 1)
tests/package/installed-run.sh "$deb"

echo "== fuzz targets (${fuzz_seconds}s each)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DTABULINK_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j "$jobs"
for target in build-fuzz/tests/fuzz/fuzz_*; do
  name=$(basename "$target")
  corpus=$(mktemp -d)
  seeds=tests/fuzz/corpus/${name#fuzz_}
  "$target" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 -print_final_stats=0 \
    "$corpus" "$seeds" 2>&1 | tail -n 2
  rm -rf "$corpus"
done

echo "== build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DTABULINK_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-asan -j "$jobs"
(cd build-asan && ctest --output-on-failure -j "$jobs")

# Only the two test programs that start reading threads are built, and only their read-ahead, block
# fetch and fill tests run (with the PostgreSQL fixture they need), which keeps this to a few
# minutes. A race makes its test fail; the drivers and unixODBC need no suppressions.
echo "== read-ahead tests with ThreadSanitizer"
cmake -S . -B build-tsan -DTABULINK_SANITIZE_THREAD=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-tsan -j "$jobs" --target odbc_session_tests resultset_tests
(cd build-tsan && TSAN_OPTIONS=halt_on_error=1 \
  ctest --output-on-failure -j "$jobs" -R 'ReadAhead|BlockFetch|Fill')
