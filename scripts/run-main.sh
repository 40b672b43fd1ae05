#!/usr/bin/env bash
# The main job: build what it runs, then let the reference host drive ZMTCheck.dll under Wine as a
# till would, with nobody at the screen: every dialog is printed and answered with its default
# button. The service check finds the product's service not registered, installs it from the
# fixture program at the product's path (version 2.0.0.0), starts it, and restarts it after it
# was stopped; the database connection is stored beforehand and opens without a prompt.
set -euo pipefail
cd "$(dirname "$0")/.."

# The i686 module where the machine runs 32-bit programs; where i686 runs only under emulation
# (about a minute per program start) the x86_64 module stands in for it.
preset=win32
[ "$(bash scripts/i686.sh kind)" = emulated ] && preset=win64
# Only the preset that runs, and of it only the module, the host and the fixture service program;
# the data source's odbc.ini is written when the preset is configured.
bash scripts/build.sh $preset --target ZMTCheck kvhost zmt_service
if [ $preset = win64 ]; then
  bash scripts/i686.sh describe
  echo "The x86_64 module is run instead of the i686 one."
fi
bits=64
[ $preset = win32 ] && bits=32

export ZMT_PRESET=$preset ZMT_BITS=$bits
# shellcheck disable=SC2016 # the session's own shell expands them
bash scripts/with-display.sh bash -c '
  set -euo pipefail
  prefix=$PWD/build/$ZMT_PRESET/wineprefix
  bin=$PWD/build/$ZMT_PRESET/bin
  export ODBCINI=$PWD/build/$ZMT_PRESET/odbc/odbc.ini
  run() { scripts/wine-run.sh "$prefix" "$@"; }
  run --init
  product="$prefix/drive_c/Program Files/tessinor/quro"

  echo "== setting up the till: no service, the product at c:\\program files\\tessinor\\quro\\zmt.exe"
  if [ -f "$product/zmt.exe" ]; then run "$product/zmt.exe" /uninstall >/dev/null 2>&1 || true; fi
  mkdir -p "$product"
  cp "$bin/zmt_service.exe" "$product/zmt.exe"
  key="HKLM\\Software\\Tessinor\\Quro"
  run reg add "$key" /v Msde-ConnectionString /t REG_SZ /reg:$ZMT_BITS /f \
    /d "Provider=MSDASQL.1;Persist Security Info=False;Data Source=localhost" >/dev/null
  run reg add "$key" /v Msde-Failed /t REG_DWORD /d 0 /reg:$ZMT_BITS /f >/dev/null

  echo "== kvhost: register, Execute (install), stop, Execute (restart), About, DllMessage, free, unload"
  # Between the calls, the service control manager says what state the service is in.
  query="sc query zmtservice"
  run "$bin/kvhost.exe" --unattended "$bin/ZMTCheck.dll" list run "$query" execute run "$query" \
    run "net stop zmtservice" run "$query" execute run "$query" menu About dll-message \
    | tr -d "\r" | grep -vE "^ *(TYPE|WIN32_EXIT_CODE|SERVICE_EXIT_CODE|CHECKPOINT|WAIT_HINT|\(.*\)) *:?|^$"

  echo "== the service afterwards"
  run sc query zmtservice | tr -d "\r" | grep -E "SERVICE_NAME|STATE"'
