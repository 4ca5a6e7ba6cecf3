#!/usr/bin/env bash
# Fails when a published header (include/*.h) does not compile on its own, the way a host or
# a phone-service program includes it from the release's include/ folder: a copy of the folder
# with nothing of the project around it, each header alone in a source file.
#   - i686-w64-mingw32-g++, C++14, 17 and 20, -Wall -Wextra -Werror -pedantic;
#   - clang++ in MSVC mode, when installed: a header that includes windows.h against
#     mingw-w64's headers, which need _X86_ and __GNUC__ to take their x86 and attribute paths
#     under an MSVC target; any other header against clang's freestanding headers alone, which
#     hold no more than the standard says (a missing <stddef.h> shows there, not with
#     mingw-w64), for 32-bit and 64-bit programs.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mingw_include=/usr/i686-w64-mingw32/include
strict=(-fsyntax-only -Wall -Wextra -Werror -pedantic)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$root/include" "$work/include"
mkdir "$work/elsewhere"
cd "$work/elsewhere"

failed=0
checks=0
check() {
  local header=$1
  shift
  checks=$((checks + 1))
  printf '#include "%s"\n' "$header" >source.cpp
  if ! output=$("$@" -I"$work/include" source.cpp 2>&1); then
    printf 'FAILED: %s with %s\n%s\n' "$header" "$*" "$output"
    failed=$((failed + 1))
  fi
}

headers=()
for path in "$work"/include/*.h; do headers+=("$(basename "$path")"); done
if [ ${#headers[@]} -eq 0 ]; then
  echo "no headers in include/"
  exit 1
fi

msvc=(clang++ -fms-compatibility -fms-extensions -std=c++14 "${strict[@]}")
have_clang=0
command -v clang++ >/dev/null && have_clang=1
for header in "${headers[@]}"; do
  for std in c++14 c++17 c++20; do
    check "$header" i686-w64-mingw32-g++ -std=$std "${strict[@]}"
  done
  [ $have_clang -eq 1 ] || continue
  if grep -q '#include <windows.h>' "$work/include/$header"; then
    check "$header" "${msvc[@]}" --target=i686-pc-windows-msvc -isystem "$mingw_include" -D_X86_ -D__GNUC__=4 -D__GNUC_MINOR__=9
  else
    check "$header" "${msvc[@]}" --target=i686-pc-windows-msvc -ffreestanding
    check "$header" "${msvc[@]}" --target=x86_64-pc-windows-msvc -ffreestanding
  fi
done

[ $have_clang -eq 1 ] || echo "clang++ is not installed: the MSVC-mode checks did not run"
if [ $failed -ne 0 ]; then
  echo "$failed of $checks compilations of ${#headers[@]} published headers failed"
  exit 1
fi
echo "${#headers[@]} published headers compile on their own ($checks compilations)"
