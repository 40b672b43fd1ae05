#!/usr/bin/env bash
# wine-run.sh PREFIX PROGRAM [ARGS...]   run a Windows program of this build under Wine
# wine-run.sh PREFIX --init             only make sure the prefix exists
#
# PREFIX is a build's own prefix: "wineprefix" in a CMake build directory of this source tree
# (build/<preset>/wineprefix for the presets). It is initialised once without any interaction and
# reused; one without the stamp of a finished initialisation is deleted and made again. Any other
# folder, a real Wine prefix given by mistake above all, is refused before anything is touched.
set -euo pipefail
if [ $# -lt 2 ]; then
  echo "usage: wine-run.sh PREFIX PROGRAM [ARGS...] | wine-run.sh PREFIX --init" >&2
  exit 2
fi
tree=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)
prefix=$(realpath -m -- "$1")
shift
source_of_build=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$(dirname "$prefix")/CMakeCache.txt" \
  2>/dev/null || true)
if [ "$(basename "$prefix")" != wineprefix ] || [ -z "$source_of_build" ] ||
  [ "$(realpath -m -- "$source_of_build")" != "$tree" ]; then
  echo "wine-run: refusing $prefix: it is not the Wine prefix of a build of $tree" \
    "(BUILD_DIRECTORY/wineprefix, beside the build's CMakeCache.txt); nothing was changed" >&2
  exit 2
fi
export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko install prompts: nothing here needs .NET or the HTML engine.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEARCH=win64

# shellcheck source=scripts/i686.sh
source "$tree/scripts/i686.sh"
wine=(wine)
needs_i386=0
if [ "$(zmt_i686_kind)" = emulated ]; then
  # Debian's wine wrapper always picks the 32-bit loader when wine32 is installed, and here that
  # loader runs only under emulation. The 64-bit loader runs 64-bit programs itself and hands
  # 32-bit ones on to the 32-bit loader.
  export WINELOADER=/usr/lib/wine/wine64
  wine=("$WINELOADER")
  # A 32-bit program needs the emulation before anything starts in the prefix: wineboot sets up
  # the prefix's 32-bit side only when it can run 32-bit helpers. scripts/setup.sh registers it.
  if pe_offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null) &&
    [ "$(od -An -tx2 -j$((pe_offset + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')" = 014c ]; then
    needs_i386=1
    zmt_i686_require_emulation || exit 1
  fi
fi

if [ -z "${DISPLAY:-}" ]; then
  echo "wine-run: no X display; run it under scripts/with-display.sh (see README)" >&2
  exit 1
fi

init_prefix() {
  exec 9>"$prefix.lock"
  flock 9
  local stamp="$prefix/.zmt-ready"
  # A prefix made where no 32-bit program could run has no 32-bit side; it is made again when a
  # 32-bit program needs one.
  if [ ! -f "$stamp" ] || { [ $needs_i386 = 1 ] && grep -qx no-i386 "$stamp"; }; then
    rm -rf "$prefix"
    local log="$prefix.init.log" status=0 side=""
    "${wine[@]}" wineboot -i </dev/null >"$log" 2>&1 || status=$?
    if [ $status = 0 ]; then
      # Let Wine draw caption and frame itself, so that screenshots show real dialogs without a
      # window manager on the X server.
      "${wine[@]}" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
      "${wine[@]}" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
    fi
    wineserver -w
    if [ $status != 0 ] || [ ! -f "$prefix/system.reg" ]; then
      echo "wine-run: cannot initialise the Wine prefix $prefix with ${wine[*]} (exit $status)" >&2
      zmt_i686_describe >&2
      echo "wineboot's output ($log):" >&2
      tail -n 40 "$log" >&2
      exit 1
    fi
    zmt_i686_run_probe '\x00' || side=no-i386
    echo "$side" >"$stamp"
  fi
  # Wine 8 as Debian ships it looks for its own fonts (Tahoma among them) under a data path that
  # it does not normalise, and misses them; the prefix's Fonts folder is always searched.
  if [ -d /usr/share/wine/fonts ] && [ ! -f "$prefix/drive_c/windows/Fonts/tahoma.ttf" ]; then
    mkdir -p "$prefix/drive_c/windows/Fonts"
    cp /usr/share/wine/fonts/*.ttf "$prefix/drive_c/windows/Fonts/"
  fi
  flock -u 9
}

# One persistent wineserver per prefix and display, started detached from our output: Wine's
# background processes inherit the stdio of whoever starts them, and a pipe they hold open makes
# every caller that reads our output (ctest, $(...)) wait for them to exit.
start_server() {
  local stamp="$prefix/.zmt-display"
  if [ -f "$stamp" ] && [ "$(cat "$stamp")" != "$DISPLAY" ]; then
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
  fi
  if wineserver -p120 </dev/null >/dev/null 2>&1; then
    "${wine[@]}" wineboot </dev/null >/dev/null 2>&1 || true
  fi
  echo "$DISPLAY" >"$stamp"
}

init_prefix
start_server
if [ "$1" = "--init" ]; then
  exit 0
fi
exec "${wine[@]}" "$@"
