#!/usr/bin/env bash
# guide-pictures.sh BUILD win32|win64 GUIDE DESTINATION
#   Copies into DESTINATION every picture that GUIDE names (images/<name>.png): the dialogs as the
#   Wine suites of BUILD save them in BUILD/screenshots. A picture that is missing, or older than
#   the suite program that renders it, is rendered first by running that suite's picture-taking
#   tests under Wine, on a display of its own when there is none.
#
#   The i686 suites that render them run only where the machine runs 32-bit programs natively.
#   Elsewhere the x86_64 build of the same tree (build/win64, configured and its suites built when
#   missing) renders them: the same dialog code, drawn by the same Wine.
#
# The package build runs it; it fails, naming the picture, when one cannot be rendered. With
# ZMT_GUIDE_PICTURES_FROM set to a folder, it takes the pictures from there as they are and renders
# none: a rebuild compared with a release packs the release's own pictures.
set -euo pipefail
if [ $# -ne 4 ]; then
  echo "usage: guide-pictures.sh BUILD win32|win64 GUIDE DESTINATION" >&2
  exit 2
fi
build=$(cd "$1" && pwd -P) system=$2 guide=$3 destination=$4
tree=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)

# The suite that renders a picture, and the tests of it that do.
data_tests=DataModule.FirstUseOffersTheDefaultAndReportsTheProvidersRefusalOnce
data_tests+=:DataModule.AStandardUsersTillUsesWhatTheOperatorChoseAndReportsTheProvidersReason
module_tests=ZmtCheckModule.PresentsItselfAndItsVersion:ZmtCheckModule.DllMessageIdentifiesTheModule
module_tests+=:ZmtCheckModule.ExecuteInstallsStartsAndRestartsTheService
module_tests+=:ZmtCheckModule.ExecuteWarnsWhenTheServiceWillNotStart
renderer() {
  case $1 in
    connection-*.png) echo "wine_database_tests $data_tests" ;;
    zmtcheck-about.png | dll-message.png | service-*.png)
      echo "wine_zmtcheck_module_tests $module_tests" ;;
    *) return 1 ;;
  esac
}

mapfile -t pictures < <(grep -o 'images/[A-Za-z0-9._-]*\.png' "$guide" | sed 's|^images/||' |
  sort -u)
if [ ${#pictures[@]} -eq 0 ]; then
  echo "guide-pictures: $guide names no pictures" >&2
  exit 1
fi

if [ -n "${ZMT_GUIDE_PICTURES_FROM:-}" ]; then
  from=$ZMT_GUIDE_PICTURES_FROM
  for picture in "${pictures[@]}"; do
    [ -f "$from/$picture" ] || {
      echo "guide-pictures: $from lacks $picture" >&2
      exit 1
    }
  done
else
  render=$build
  if [ "$system" = win32 ] && [ "$(bash "$tree/scripts/i686.sh" kind)" = emulated ]; then
    render=$tree/build/win64
    echo "guide-pictures: i686 programs run only under emulation here; the x86_64 suites render"
    [ -f "$render/CMakeCache.txt" ] || (cd "$tree" && cmake --preset win64 >/dev/null)
    (cd "$tree" && cmake --build --preset win64 --target wine_database_tests \
      wine_zmtcheck_module_tests >/dev/null)
  fi

  # A picture is stale when it is missing or older than the suite program that renders it.
  stale() {  # PICTURE SUITE
    [ ! -f "$render/screenshots/$1" ] || [ "$render/screenshots/$1" -ot "$render/bin/$2.exe" ]
  }

  # Each suite with the pictures of it that are missing or stale, run once for all of them.
  declare -A filters=()
  for picture in "${pictures[@]}"; do
    read -r suite tests <<<"$(renderer "$picture")" || {
      echo "guide-pictures: no suite renders $picture, which the guide names" >&2
      exit 1
    }
    if stale "$picture" "$suite"; then
      filters[$suite]=$tests
    fi
  done

  display=()
  [ -n "${DISPLAY:-}" ] || display=(bash "$tree/scripts/with-display.sh")
  for suite in "${!filters[@]}"; do
    echo "guide-pictures: rendering with $suite"
    if ! "${display[@]}" env ODBCINI="$render/odbc/odbc.ini" bash "$tree/scripts/wine-run.sh" \
      "$render/wineprefix" "$render/bin/$suite.exe" --gtest_filter="${filters[$suite]}" \
      --gtest_color=no >"$render/screenshots-$suite.log" 2>&1; then
      tail -n 40 "$render/screenshots-$suite.log" >&2
      echo "guide-pictures: $suite failed while rendering (log: $render/screenshots-$suite.log)" >&2
      exit 1
    fi
  done

  for picture in "${pictures[@]}"; do
    read -r suite _ <<<"$(renderer "$picture")"
    if stale "$picture" "$suite"; then
      echo "guide-pictures: $suite ran but did not render $picture" >&2
      exit 1
    fi
  done
  from=$render/screenshots
fi

mkdir -p "$destination"
for picture in "${pictures[@]}"; do
  cp "$from/$picture" "$destination/$picture"
done
echo "guide-pictures: ${#pictures[@]} pictures from $from"
