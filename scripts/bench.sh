#!/usr/bin/env bash
# Runs the benchmark programs of both Windows targets under Wine and prints their figures.
set -euo pipefail
cd "$(dirname "$0")/.."
# Figures of an emulated i686 build would measure the emulator, so it is not even built there.
presets="win32 win64"
[ "$(bash scripts/i686.sh kind)" = emulated ] && presets=win64
# shellcheck disable=SC2086 # one word per preset
bash scripts/build.sh $presets
if [ "$presets" = win64 ]; then
  echo "$(bash scripts/i686.sh describe); the i686 benchmarks are left out"
fi
ZMT_PRESETS=$presets xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  for preset in $ZMT_PRESETS; do
    prefix=$PWD/build/$preset/wineprefix
    for bench in build/$preset/bin/*bench*.exe; do
      echo "== $preset $(basename "$bench")"
      export ODBCINI=$PWD/build/$preset/odbc/odbc.ini
      scripts/wine-run.sh "$prefix" "$bench"
    done
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  done'
