#!/usr/bin/env bash
# Fails when a tracked C or C++ source differs from the layout .clang-format gives it.
#   scripts/check-format.sh          check, listing the files that differ
#   scripts/check-format.sh --fix    rewrite them in place
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$root"
files=()
while IFS= read -r f; do
  [ -f "$f" ] && files+=("$f")
done < <(git ls-files -co --exclude-standard '*.c' '*.cpp' '*.h' | grep -v '^tests/fuzz/corpus/')
if [ "${1:-}" = --fix ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
bad=()
for f in "${files[@]}"; do
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
  printf 'not formatted: %s\n' "${bad[@]}" >&2
  echo "run scripts/check-format.sh --fix to lay them out as .clang-format says" >&2
  exit 1
fi
echo "every source is formatted"
