#!/usr/bin/env bash
# Runs the benchmark programs of both Windows targets under Wine and prints their figures; fails
# when one of them failed, after running the others.
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
status=0
for preset in $presets; do
  # shellcheck disable=SC2016 # the session's own shell expands them
  ODBCINI=$PWD/build/$preset/odbc/odbc.ini bash scripts/with-display.sh bash -c '
    status=0
    for bench in "build/$1/bin/"*bench*.exe; do
      echo "== $1 $(basename "$bench")"
      scripts/wine-run.sh "$PWD/build/$1/wineprefix" "$bench" || status=1
    done
    exit $status' bench "$preset" || status=1
done
exit $status
