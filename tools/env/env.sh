# Shared by ./test and ./demo: installs what the build needs, builds the third-party
# libraries, and runs one X server and one wineserver for a session. Source it; do not run it.
# Everything it makes lives under build/ in the repository, never in the user's home.

PAGE_ROOT=${PAGE_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
PAGE_BUILD=$PAGE_ROOT/build
PAGE_DEPS=$PAGE_BUILD/deps
PAGE_DEPS_PREFIX=$PAGE_DEPS/i686
PAGE_DEPS_NATIVE=$PAGE_DEPS/native
PAGE_TOOLCHAIN=$PAGE_ROOT/cmake/mingw-i686.cmake
# PAGE_WINEPREFIX lets parallel sessions keep out of each other's wineserver.
export WINEPREFIX=${PAGE_WINEPREFIX:-$PAGE_BUILD/wine/prefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}

# Bump when the prefix set-up below changes, so existing prefixes are made again.
PAGE_PREFIX_VERSION=3
# The same for the scaled copies of the prefix, and the DPIs they are made at (150%, 200%).
PAGE_DPI_PREFIX_VERSION=1
PAGE_DPIS=(144 192)

PAGE_PACKAGES=(
  g++ cmake ninja-build dpkg-dev xz-utils patch zlib1g-dev python3
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix libz-mingw-w64-dev
  wine wine32:i386 xvfb xauth fonts-wine fonts-wqy-microhei googletest clang-format clang
  osslsigncode openssl
  llvm lld
)

page_log() { printf '== %s\n' "$*" >&2; }

page_need_root() {
  if [ "$(id -u)" -ne 0 ]; then
    page_log "installing packages needs root: run as root, or install: ${PAGE_PACKAGES[*]}"
    return 1
  fi
}

page_missing_packages() {
  local pkg status
  for pkg in "${PAGE_PACKAGES[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || printf '%s\n' "$pkg"
  done
}

page_install_packages() {
  local missing
  missing=$(page_missing_packages)
  if [ -n "$missing" ]; then
    page_need_root || return 1
    page_log "installing: $(echo $missing)"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      dpkg --add-architecture i386
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    # shellcheck disable=SC2086
    apt-get install -y -q --no-install-recommends $missing || return 1
  fi
  page_link_lld_for_gcc
}

# The mingw-w64 GCC names its GNU linker by full path, and -fuse-ld=lld looks for lld under
# that path with ".lld" added; Debian installs no such name.
page_link_lld_for_gcc() {
  local ld
  ld=$(i686-w64-mingw32-g++-posix -print-prog-name=ld) || return 1
  [ -e "$ld.lld" ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    page_log "linking with lld needs $ld.lld, a link to ld.lld: run as root once"
    return 1
  fi
  page_log "linking $ld.lld to ld.lld, for -fuse-ld=lld"
  ln -s "$(command -v ld.lld)" "$ld.lld"
}

# Prints "URI<TAB>SIGNED-BY" of the machine's own Debian bookworm main source, from either
# the deb822 format or the classic one-line format. Nothing is printed when none is found.
page_debian_source() {
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk '
      function flush() {
        if (types ~ /(^| )deb( |$)/ && suites ~ /(^| )bookworm( |$)/ && comps ~ /(^| )main( |$)/ && uri != "" && !done) {
          print uri "\t" signed; done = 1
        }
        types = suites = comps = uri = signed = ""
      }
      /^[[:space:]]*#/ { next }
      /^[[:space:]]*$/ { flush(); next }
      { key = tolower($1); sub(/:$/, "", key); $1 = ""; sub(/^ +/, "") }
      key == "types" { types = $0 }
      key == "suites" { suites = $0 }
      key == "components" { comps = $0 }
      key == "uris" { split($0, u, " "); uri = u[1] }
      key == "signed-by" { signed = $0 }
      END { flush() }
    ' "$f"
  done | head -n 1 | grep . && return 0
  cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null | awk '
    /^[[:space:]]*deb[[:space:]]/ {
      i = 2; opts = ""
      if ($2 ~ /^\[/) { while (i <= NF && $i !~ /\]$/) { opts = opts " " $i; i++ } opts = opts " " $i; i++ }
      uri = $i; suite = $(i + 1)
      if (suite != "bookworm") next
      for (j = i + 2; j <= NF; j++) if ($j == "main") {
        signed = ""
        if (match(opts, /signed-by=[^] ]+/)) signed = substr(opts, RSTART + 10, RLENGTH - 10)
        print uri "\t" signed; exit
      }
    }'
}

# A deb-src entry for bookworm main only, built from the machine's own Debian source.
page_ensure_source_entry() {
  local entry=/etc/apt/sources.list.d/mobile-info-page-src.sources line uri signed
  [ -f "$entry" ] && return 0
  page_need_root || return 1
  line=$(page_debian_source)
  if [ -z "$line" ]; then
    page_log "no Debian bookworm main source in the apt configuration; cannot fetch libpng's source"
    return 1
  fi
  uri=${line%%$'\t'*}
  signed=${line#*$'\t'}
  {
    echo "Types: deb-src"
    echo "URIs: $uri"
    echo "Suites: bookworm"
    echo "Components: main"
    [ -n "$signed" ] && echo "Signed-By: $signed"
  } >"$entry"
  apt-get update -q
}

page_fetch_libpng() {
  local dir=$PAGE_DEPS/src
  if compgen -G "$dir/libpng1.6-*/CMakeLists.txt" >/dev/null; then return 0; fi
  page_ensure_source_entry || return 1
  rm -rf "$dir" && mkdir -p "$dir"
  page_log "fetching libpng's source"
  (cd "$dir" && apt-get source -q libpng1.6) >"$PAGE_DEPS/apt-source.log" 2>&1 || {
    cat "$PAGE_DEPS/apt-source.log" >&2
    return 1
  }
}

page_libpng_source() {
  local d
  for d in "$PAGE_DEPS"/src/libpng1.6-*/; do [ -f "$d/CMakeLists.txt" ] && { echo "${d%/}"; return 0; }; done
  return 1
}

# libpng from the same source twice: static for i686 against the static mingw zlib, and
# static for the native build, where the platform-free code is tested.
page_build_libpng() {
  local name=$1 prefix=$2 src log=$PAGE_DEPS/libpng-$1.log
  shift 2
  # The stamp names the configuration, so a build of an earlier one is made again.
  local config=$PAGE_ROOT/tools/env/libpng-read-only.dfa stamp
  stamp=$prefix/.built-$(sha256sum "$config" | cut -c1-16)
  [ -f "$stamp" ] && [ -f "$prefix/lib/libpng16.a" ] && return 0
  src=$(page_libpng_source)
  page_log "building libpng ($name, static)"
  # From scratch: a kept build folder would keep the configuration it was made with.
  rm -rf "$PAGE_DEPS/libpng-$name" "$prefix"
  { cmake -S "$src" -B "$PAGE_DEPS/libpng-$name" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_POSITION_INDEPENDENT_CODE=ON \
      -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
      -DSKIP_INSTALL_PROGRAMS=ON -DDFA_XTRA="$config" "$@" \
    && cmake --build "$PAGE_DEPS/libpng-$name" && cmake --install "$PAGE_DEPS/libpng-$name"; } >"$log" 2>&1 \
    || { tail -40 "$log" >&2; return 1; }
  touch "$stamp"
}

page_build_deps() {
  page_fetch_libpng || return 1
  page_build_libpng i686 "$PAGE_DEPS_PREFIX" -DCMAKE_TOOLCHAIN_FILE="$PAGE_TOOLCHAIN" -DZLIB_USE_STATIC_LIBS=ON \
    && page_build_libpng native "$PAGE_DEPS_NATIVE"
}

page_configure_win() {
  local dir=$PAGE_BUILD/win
  cmake -S "$PAGE_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$PAGE_TOOLCHAIN" -DPAGE_DEPS_PREFIX="$PAGE_DEPS_PREFIX" \
    -DPAGE_LIBPNG_SOURCE="$(page_libpng_source)" >/dev/null
}

page_build_win() {
  page_configure_win && cmake --build "$PAGE_BUILD/win"
}

page_build_native() {
  local dir=$PAGE_BUILD/native
  cmake -S "$PAGE_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPAGE_SANITIZE=ON \
    -DPAGE_DEPS_PREFIX="$PAGE_DEPS_NATIVE" -DPAGE_LIBPNG_SOURCE="$(page_libpng_source)" >/dev/null || return 1
  cmake --build "$dir"
}

# --- the Wine session: one X server and one persistent wineserver -------------------------

PAGE_XVFB_PID=

page_start_x() {
  local fdfile
  fdfile=$(mktemp)
  # Room for the virtual desktop of the 200% prefix; the project's own is 1024 x 768 in it.
  Xvfb -displayfd 3 -screen 0 2048x1536x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
  PAGE_XVFB_PID=$!
  local i
  for i in $(seq 100); do
    [ -s "$fdfile" ] && break
    sleep 0.05
  done
  if [ ! -s "$fdfile" ]; then
    page_log "Xvfb did not start"
    rm -f "$fdfile"
    return 1
  fi
  export DISPLAY=:$(head -n 1 "$fdfile")
  rm -f "$fdfile"
}

page_wine_quiet() { wine "$@" </dev/null >/dev/null 2>&1; }

# The project's own prefix: 32-bit, Tahoma with a CJK font linked to it, a virtual desktop
# (top-level windows close at once without a window manager), and no crash dialog.
page_ensure_prefix() {
  local stamp
  stamp=$(dirname "$WINEPREFIX")/.prefix-$(basename "$WINEPREFIX")-$PAGE_PREFIX_VERSION
  [ -f "$stamp" ] && [ -d "$WINEPREFIX/drive_c" ] && return 0
  page_log "creating the Wine prefix in $WINEPREFIX"
  rm -rf "$WINEPREFIX" "$(dirname "$WINEPREFIX")/.prefix-$(basename "$WINEPREFIX")"-*
  mkdir -p "$WINEPREFIX"
  wineboot -i </dev/null >/dev/null 2>&1
  wineserver -w
  cp /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  local link='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
  page_wine_quiet reg add "$link" /v Tahoma /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f
  page_wine_quiet reg add "$link" /v 'Tahoma Bold' /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f
  # A crashing program prints its backtrace and ends, instead of waiting on a crash dialog.
  page_wine_quiet reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
  page_wine_quiet reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
  page_wine_quiet reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f
  wineserver -w
  touch "$stamp"
}

# The prefix at another DPI (cmake/wine-run runs a program there when PAGE_DPI is set).
page_dpi_prefix() { echo "$WINEPREFIX-dpi$1"; }

# A copy of the ready prefix with LogPixels at DPI, which Wine reads as the one DPI of every
# monitor, and a virtual desktop as much larger, so the scaled host has the room it has at 96.
# About 5 s, where a new prefix takes about 20. The project's wineserver must not be running,
# or the copy may miss registry changes it has not written yet.
page_ensure_dpi_prefix() {
  local dpi=$1 prefix stamp
  prefix=$(page_dpi_prefix "$dpi")
  stamp=$(dirname "$prefix")/.prefix-$(basename "$prefix")-$PAGE_PREFIX_VERSION.$PAGE_DPI_PREFIX_VERSION
  [ -f "$stamp" ] && [ -d "$prefix/drive_c" ] && return 0
  page_log "making the ${dpi}-DPI copy of the Wine prefix in $prefix"
  rm -rf "$prefix" "$(dirname "$prefix")/.prefix-$(basename "$prefix")"-*
  cp -a "$WINEPREFIX" "$prefix" || return 1
  # It names the folder of the original's wineserver; without it the copy gets one of its own.
  rm -f "$prefix/wineserver"
  (
    export WINEPREFIX=$prefix
    page_wine_quiet reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f
    page_wine_quiet reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$((1024 * dpi / 96))x$((768 * dpi / 96))" /f
    wineserver -w
  ) || return 1
  touch "$stamp"
}

# Every prefix of the session, the project's first; the scaled copies are made in parallel.
page_ensure_prefixes() {
  page_ensure_prefix || return 1
  local dpi pids=() failed=0
  for dpi in "${PAGE_DPIS[@]}"; do
    page_ensure_dpi_prefix "$dpi" &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
  return $failed
}

page_all_prefixes() {
  local dpi
  echo "$WINEPREFIX"
  for dpi in "${PAGE_DPIS[@]}"; do page_dpi_prefix "$dpi"; done
}

# A persistent wineserver for every prefix, pre-warmed with stdio detached: services inherit
# the first program's handles.
page_start_wineservers() {
  local prefix prefixes
  mapfile -t prefixes < <(page_all_prefixes)
  for prefix in "${prefixes[@]}"; do
    WINEPREFIX=$prefix wineserver -p
    WINEPREFIX=$prefix page_wine_quiet cmd /c exit 0
  done
}

# All are told to end first, then waited for, as ending takes each about 2 s.
page_stop_wineservers() {
  local prefix prefixes
  mapfile -t prefixes < <(page_all_prefixes)
  for prefix in "${prefixes[@]}"; do
    [ -d "$prefix" ] && { WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true; }
  done
  for prefix in "${prefixes[@]}"; do
    [ -d "$prefix" ] && { WINEPREFIX=$prefix wineserver -w >/dev/null 2>&1 || true; }
  done
  return 0
}

page_session_start() {
  page_start_x || return 1
  page_ensure_prefixes || return 1
  page_start_wineservers
}

page_session_stop() {
  page_stop_wineservers
  if [ -n "$PAGE_XVFB_PID" ]; then
    kill "$PAGE_XVFB_PID" 2>/dev/null || true
    wait "$PAGE_XVFB_PID" 2>/dev/null || true
    PAGE_XVFB_PID=
  fi
}
