#!/usr/bin/env bash
# Runs the benchmark programs of both Windows targets under Wine and prints their figures.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh win32 win64
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  for preset in win32 win64; do
    prefix=$PWD/build/$preset/wineprefix
    for bench in build/$preset/bin/*bench*.exe; do
      echo "== $preset $(basename "$bench")"
      scripts/wine-run.sh "$prefix" "$bench"
    done
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  done'
