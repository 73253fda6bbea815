#!/usr/bin/env bash
# Checks (or with --fix, applies) the committed .clang-format on every C++ source of the project.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(find core failure gui table odbc resultset app tests bench \
  -name '*.cpp' -o -name '*.h' | sort)
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
else
  clang-format --dry-run --Werror "${files[@]}"
  echo "format: ${#files[@]} files formatted as .clang-format says"
fi
