#!/usr/bin/env bash
# wine-run.sh PREFIX PROGRAM [ARGS...]   run a Windows program of this build under Wine
# wine-run.sh PREFIX --init             only make sure the prefix exists
#
# Each build has its own prefix, initialised once without any interaction and reused.
set -euo pipefail
prefix=$(realpath -m "$1")
shift
export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko install prompts: nothing here needs .NET or the HTML engine.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEARCH=win64

if [ -z "${DISPLAY:-}" ]; then
  echo "wine-run: no X display; run the tests under xvfb-run (see README)" >&2
  exit 1
fi

init_prefix() {
  mkdir -p "$(dirname "$prefix")"
  exec 9>"$prefix.lock"
  flock 9
  if [ ! -f "$prefix/.zmt-ready" ]; then
    rm -rf "$prefix"
    wineboot -i >/dev/null 2>&1
    # Let Wine draw caption and frame itself, so that screenshots show real dialogs without a
    # window manager on the X server.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
    wineserver -w
    touch "$prefix/.zmt-ready"
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
    wine wineboot </dev/null >/dev/null 2>&1 || true
  fi
  echo "$DISPLAY" >"$stamp"
}

init_prefix
start_server
if [ "${1:-}" = "--init" ]; then
  exit 0
fi
exec wine "$@"
