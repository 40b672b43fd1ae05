#!/usr/bin/env bash
# wine-run.sh deletes a prefix that lacks the stamp of a finished initialisation and makes it again,
# so it must refuse every folder that is not the prefix of a build of its own source tree, before
# it touches anything, and still take a build's prefix wherever that build lives.
# usage: wine_run_refusal_test.sh WINE_RUN WORK_DIR
set -uo pipefail
wine_run=$1 work=$2
tree=$(cd "$(dirname "$wine_run")/.." && pwd -P)
failures=0

rm -rf "$work"
build_of() {  # DIR SOURCE: DIR looks like a CMake build directory of SOURCE
  mkdir -p "$1"
  printf 'CMAKE_HOME_DIRECTORY:INTERNAL=%s\n' "$2" >"$1/CMakeCache.txt"
}
real_prefix() {  # DIR: a Wine prefix as Wine leaves it, without this build's stamp
  mkdir -p "$1/drive_c/windows"
  echo "WINE REGISTRY Version 2" >"$1/system.reg"
  echo keep >"$1/drive_c/windows/win.ini"
}
real_prefix "$work/home/.wine"
real_prefix "$work/plain/wineprefix"
build_of "$work/other-build" "$work/other-source"
real_prefix "$work/other-build/wineprefix"
build_of "$work/build" "$tree"
mkdir -p "$work/build/bin" && echo keep >"$work/build/bin/kvhost.exe"
build_of "$work/linked-build" "$tree"
ln -s ../home/.wine "$work/linked-build/wineprefix"
build_of "$work/elsewhere" "$tree/."

snapshot() { (cd "$work" && find . -printf '%p %y %s\n' | sort); }
before=$(snapshot)

# PREFIX | what it is | refused
cases="$work/home/.wine|a user's own prefix|yes
$work/plain/wineprefix|a folder named wineprefix outside any build|yes
$work/other-build/wineprefix|the prefix of another source tree's build|yes
$work/build|a build directory of this tree itself|yes
$work/build/bin|a folder inside a build of this tree|yes
$work/build/wineprefix/..|a path that leads out of the prefix again|yes
$work/linked-build/wineprefix|a link named wineprefix to a user's prefix|yes
$work/build/wineprefix|the prefix of a build of this tree outside build/|no
$work/elsewhere/wineprefix|the prefix of a build that names this tree another way|no"

while IFS='|' read -r prefix what refused; do
  # Without a display a prefix that is taken goes no further than the display check.
  out=$(env -u DISPLAY bash "$wine_run" "$prefix" --init 2>&1)
  rc=$?
  if [ "$refused" = yes ]; then
    if [ $rc = 0 ] || ! grep -q "^wine-run: refusing .*nothing was changed" <<<"$out"; then
      echo "FAIL: $what ($prefix) was not refused: exit $rc, it said: $out"
      failures=$((failures + 1))
    fi
  elif grep -q refusing <<<"$out" || ! grep -q "no X display" <<<"$out"; then
    echo "FAIL: $what ($prefix) was not taken: exit $rc, it said: $out"
    failures=$((failures + 1))
  fi
  if [ "$(snapshot)" != "$before" ]; then
    echo "FAIL: the folders changed when wine-run.sh was given $what ($prefix)"
    diff <(echo "$before") <(snapshot)
    failures=$((failures + 1))
    before=$(snapshot)
  fi
done <<<"$cases"

out=$(bash "$wine_run" "$work/build/wineprefix" 2>&1)
rc=$?
if [ $rc = 0 ] || ! grep -q "^usage: wine-run.sh" <<<"$out"; then
  echo "FAIL: a prefix without a program gave exit $rc and no usage: $out"
  failures=$((failures + 1))
fi

[ $failures = 0 ] && echo "wine-run.sh refused every folder that is not a build's prefix"
exit $((failures > 0))
