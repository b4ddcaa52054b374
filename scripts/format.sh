#!/usr/bin/env bash
# Formats every C++ source of the project with the repository's
# .clang-format, or with --check only reports every file that differs (and
# exits 1 when there is one).
#   bash scripts/format.sh [--check]
set -euo pipefail
cd "$(dirname "$0")/.."
mode=(-i)
if [ "${1:-}" = --check ]; then
  mode=(--dry-run --Werror)
fi
find . \( -path './build*' -o -path ./.git -o -path ./fuzz/corpus -o -path ./fuzz/regressions \) -prune -o \
  -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z | xargs -0 -n 1 clang-format "${mode[@]}"
