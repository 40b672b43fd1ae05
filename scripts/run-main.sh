#!/usr/bin/env bash
# The main job: build everything, then let the reference host load the plug-in under Wine and
# print what it sees.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh win32 win64

xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  for preset in win32 win64; do
    bin=build/$preset/bin
    echo "== $preset"
    scripts/wine-run.sh "build/$preset/wineprefix" "$bin/kvhost.exe" "$bin/TestPlugin.dll" \
      list execute list
    WINEPREFIX=$PWD/build/$preset/wineprefix wineserver -k 2>/dev/null || true
  done'
