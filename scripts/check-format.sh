#!/usr/bin/env bash
# Reports every C and C++ file under src/, tests/ and bench/ that .clang-format would change, and
# fails when there is one.  Changes nothing; `clang-format -i FILE` applies the layout.
#   scripts/check-format.sh [CLANG_FORMAT]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
format=${1:-clang-format}
command -v "$format" >/dev/null || { echo "$format is not installed" >&2; exit 2; }
cd "$root"
find src tests bench \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print0 | sort -z |
  xargs -0 -n 50 -P "$(nproc)" "$format" --dry-run --Werror --style=file
