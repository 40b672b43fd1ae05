#!/usr/bin/env bash
# Runs the benchmark programs of both Windows targets under Wine and prints their figures.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh win32 win64
# Figures of an emulated i686 build would measure the emulator.
presets="win32 win64"
if [ "$(bash scripts/i686.sh kind)" = emulated ]; then
  echo "$(bash scripts/i686.sh describe); the i686 benchmarks are left out"
  presets=win64
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
