#!/usr/bin/env bash
# Fails when a published header (include/*.h) does not compile on its own, the way a host or
# a phone-service program includes it from the release's include/ folder: a copy of the folder
# with nothing of the project around it, each header alone in a source file.
#   - i686-w64-mingw32-gcc as C89, C99 and C11, i686-w64-mingw32-g++ as C++98, 11, 17 and 20,
#     all with -Wall -Wextra -Werror -pedantic: hosts are old C as often as new C++;
#   - clang in MSVC mode, as C and C++, when installed: a header that includes windows.h
#     against mingw-w64's headers, which need _X86_ and __GNUC__ to take their x86 and
#     attribute paths under an MSVC target; any other header against clang's freestanding
#     headers alone, which hold no more than the standard says (a missing <stddef.h> shows
#     there, not with mingw-w64), for 32-bit and 64-bit programs, and once as Visual C++ 2008
#     would see it (no <stdint.h>; its own integer types are extensions, hence no -pedantic).
# Also fails when the version macros differ from VERSION.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mingw_include=/usr/i686-w64-mingw32/include
warnings=(-fsyntax-only -Wall -Wextra -Werror)
strict=("${warnings[@]}" -pedantic)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$root/include" "$work/include"
mkdir "$work/elsewhere"
cd "$work/elsewhere"

failed=0
checks=0
# check HEADER LANGUAGE COMPILER ARGUMENTS...
check() {
  local header=$1 language=$2
  shift 2
  checks=$((checks + 1))
  printf '#include "%s"\n' "$header" >source
  if ! output=$("$@" -I"$work/include" -x "$language" source 2>&1); then
    printf 'FAILED: %s as %s with %s\n%s\n' "$header" "$language" "$*" "$output"
    failed=$((failed + 1))
  fi
}

headers=()
for path in "$work"/include/*.h; do headers+=("$(basename "$path")"); done
if [ ${#headers[@]} -eq 0 ]; then
  echo "no headers in include/"
  exit 1
fi

msvc=(-fms-compatibility -fms-extensions)
with_windows_h=("${msvc[@]}" --target=i686-pc-windows-msvc -isystem "$mingw_include" -D_X86_ -D__GNUC__=4
  -D__GNUC_MINOR__=9)
have_clang=0
command -v clang >/dev/null && command -v clang++ >/dev/null && have_clang=1
for header in "${headers[@]}"; do
  for std in c89 c99 c11; do
    check "$header" c i686-w64-mingw32-gcc -std=$std "${strict[@]}"
  done
  for std in c++98 c++11 c++17 c++20; do
    check "$header" c++ i686-w64-mingw32-g++ -std=$std "${strict[@]}"
  done
  [ $have_clang -eq 1 ] || continue
  if grep -q '#include <windows.h>' "$work/include/$header"; then
    for std in c89 c11; do check "$header" c clang -std=$std "${strict[@]}" "${with_windows_h[@]}"; done
    for std in c++98 c++14; do check "$header" c++ clang++ -std=$std "${strict[@]}" "${with_windows_h[@]}"; done
    continue
  fi
  for target in i686-pc-windows-msvc x86_64-pc-windows-msvc; do
    for std in c89 c11; do check "$header" c clang -std=$std "${strict[@]}" "${msvc[@]}" --target=$target -ffreestanding; done
    for std in c++98 c++14; do
      check "$header" c++ clang++ -std=$std "${strict[@]}" "${msvc[@]}" --target=$target -ffreestanding
    done
  done
  check "$header" c clang -std=c89 "${warnings[@]}" "${msvc[@]}" -fmsc-version=1500 --target=i686-pc-windows-msvc \
    -ffreestanding
done

# The version a host sees at compile time is the one the module's resource says.
version=$(cat "$root/VERSION")
versioned=$(grep -l '#define MOBILEINFOPAGE_VERSION_MAJOR' "$work"/include/*.h | head -1)
printf '#include "%s"\nMOBILEINFOPAGE_VERSION_MAJOR MOBILEINFOPAGE_VERSION_MINOR MOBILEINFOPAGE_VERSION_PATCH %s\n' \
  "$(basename "${versioned:-none}")" MOBILEINFOPAGE_VERSION_STRING >version.c
said=$(i686-w64-mingw32-gcc -E -P -I"$work/include" version.c 2>&1 | tail -1)
checks=$((checks + 1))
if [ "$said" != "${version//./ } \"$version\"" ]; then
  printf 'FAILED: the headers give the version as %s, VERSION says %s\n' "$said" "$version"
  failed=$((failed + 1))
fi

[ $have_clang -eq 1 ] || echo "clang is not installed: the MSVC-mode checks did not run"
if [ $failed -ne 0 ]; then
  echo "$failed of $checks checks of ${#headers[@]} published headers failed"
  exit 1
fi
echo "${#headers[@]} published headers compile on their own and carry version $version ($checks checks)"
