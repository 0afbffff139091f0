#!/usr/bin/env bash
# format.sh [--check]: formats every C and C++ source of the tree with the
# committed .clang-format; --check changes nothing and fails, listing the
# files, when any source is not formatted. Generated tables are left as the
# generator wrote them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
command -v clang-format >/dev/null || "$root/scripts/deps.sh" clang-format
mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h' | xargs grep -L -E '^// Generated' --)
if [ "${1:-}" = "--check" ]; then
  bad=()
  for f in "${files[@]}"; do
    clang-format --style=file "$f" | cmp -s - "$f" || bad+=("$f")
  done
  if [ ${#bad[@]} -gt 0 ]; then
    printf 'not formatted: %s\n' "${bad[@]}" >&2
    echo "run scripts/format.sh to format them" >&2
    exit 1
  fi
  echo "format: ${#files[@]} files clean"
else
  clang-format --style=file -i "${files[@]}"
fi
