#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the demo and the benchmark need.
# Idempotent: packages already present are not fetched again.
set -euo pipefail

packages=(
  build-essential cmake make pkg-config git
  clang clang-format libclang-rt-14-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  unixodbc unixodbc-dev odbcinst libsqliteodbc sqlite3
  odbc-postgresql postgresql-15 postgresql-client-15
  python3 python3-dbfread gdal-bin proj-data
  qt6-base-dev qt6-base-dev-tools libgl-dev libxcb1-dev
  xdg-utils time valgrind libcli11-dev
  lintian xvfb xdotool python3-xlib
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
