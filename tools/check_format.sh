#!/usr/bin/env bash
# Fails, naming the files, when a tracked C or C++ source is not as clang-format (.clang-format)
# would write it. `tools/check_format.sh --fix` rewrites them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
bad=()
for f in "${files[@]}"; do
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
  printf '%s is not formatted (tools/check_format.sh --fix)\n' "${bad[@]}"
  exit 1
fi
echo "${#files[@]} sources formatted"
