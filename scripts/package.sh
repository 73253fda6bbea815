#!/usr/bin/env bash
# `make package`: a Release build without tests in build-release, its Debian package made by
# CPack, checked by lintian. Prints the package's path last.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-release
# Hardened as Debian builds its packages: fortified libc calls, relocations read-only at start.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  -DCMAKE_CXX_FLAGS="-D_FORTIFY_SOURCE=2" -DCMAKE_EXE_LINKER_FLAGS="-Wl,-z,relro,-z,now" >/dev/null
cmake --build "$build" -j "$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/tabulink_*.deb)
lintian --fail-on error "$deb" >&2
echo "$deb"
