#!/usr/bin/env bash
# Formats the project's C++ sources with clang-format 14 and the house style (.clang-format),
# installing clang-format 14 when it is missing. Other versions format differently, so only 14
# is used.
#
#   scripts/format.sh           formats every source in place
#   scripts/format.sh --check   changes nothing; fails, naming the files, when one is not formatted
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/install-packages.sh" clang-format-14

cd "$root"
# The tracked sources in a checkout; every source outside the build folders otherwise.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t sources < <(git ls-files -- '*.cpp' '*.h')
else
  mapfile -t sources < <(find . -path './build*' -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
fi

case "${1:-}" in
  "")
    clang-format-14 -i "${sources[@]}"
    ;;
  --check)
    if ! clang-format-14 --dry-run --Werror "${sources[@]}" 2>/dev/null; then
      echo "format: these files are not formatted (run scripts/format.sh):" >&2
      for source in "${sources[@]}"; do
        clang-format-14 --dry-run --Werror "$source" >/dev/null 2>&1 || echo "  $source" >&2
      done
      exit 1
    fi
    ;;
  *)
    echo "usage: scripts/format.sh [--check]" >&2
    exit 2
    ;;
esac
