#!/usr/bin/env bash
# The main job: build everything, then let the reference host load the plug-in under Wine and
# print what it sees.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh win32 win64

# Where i686 runs only under emulation (about a minute per program start) the x86_64 build stands
# in for it.
presets="win32 win64"
if [ "$(bash scripts/i686.sh kind)" = emulated ]; then
  bash scripts/i686.sh describe
  presets=win64
fi
ZMT_PRESETS=$presets xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  for preset in $ZMT_PRESETS; do
    bin=build/$preset/bin
    echo "== $preset"
    scripts/wine-run.sh "build/$preset/wineprefix" "$bin/kvhost.exe" "$bin/TestPlugin.dll" \
      list execute list
    WINEPREFIX=$PWD/build/$preset/wineprefix wineserver -k 2>/dev/null || true
  done'
