#!/usr/bin/env bash
# reproducible_test.sh PRESET SOURCE EPOCH PACKAGE WORK
#   The release built twice from the same sources, in two folders of different names and depths,
#   one after the other, unsigned: the stripped ZMTCheck.dll and kvhost.exe, their symbol files and
#   both archives must be the same bytes. Both archives pack the guide's pictures of PACKAGE (the
#   package zip of this build): the pictures come from Wine, not from the compiler, and rendering
#   them twice would cost the suites' time. Only the two programs and the archives are built.
set -euo pipefail
preset=$1 source=$2 epoch=$3 package=$4 work=$5

rm -rf "$work"
mkdir -p "$work"
python3 -m zipfile -e "$package" "$work/shipped"
pictures=$(find "$work/shipped" -type d -path '*/docs/images')

copy_sources() {  # DESTINATION
  mkdir -p "$1"
  if git -C "$source" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    (cd "$source" && git ls-files -z --cached --others --exclude-standard |
      tar --null --ignore-failed-read -T - -cf -) | tar -C "$1" -xf -
  else
    tar -C "$source" --exclude=./build -cf - . | tar -C "$1" -xf -
  fi
}

# Each step's output is shown only when it fails.
quietly() {
  "$@" >"$work/step.log" 2>&1 || { tail -n 40 "$work/step.log"; return 1; }
}

trees=("$work/a/zmt" "$work/second/build-folder/ZMTCheck-sources")
for tree in "${trees[@]}"; do
  copy_sources "$tree"
  (
    cd "$tree"
    export ZMT_GUIDE_PICTURES_FROM=$pictures
    unset SOURCE_DATE_EPOCH ZMT_SIGN_PKCS12 ZMT_SIGN_PASSWORD ZMT_SIGN_TIMESTAMP_URL
    # The copies are no git checkouts: the date is given where the commit's would be read, to the
    # configuration only, which must carry it to every step that writes a date.
    SOURCE_DATE_EPOCH=$epoch quietly cmake --preset "$preset"
    quietly cmake --build --preset "$preset" --target ZMTCheck-release kvhost-release
    cd "build/$preset" && quietly cpack
  )
done

archive=$(basename "$package" .zip)
failures=0
for file in release/ZMTCheck.dll release/ZMTCheck.dll.debug release/kvhost.exe \
  release/kvhost.exe.debug "package/$archive.zip" "package/$archive-symbols.zip"; do
  cmp "${trees[0]}/build/$preset/$file" "${trees[1]}/build/$preset/$file" || {
    echo "FAIL: $file differs between the two builds (the first difference is above)"
    failures=$((failures + 1))
  }
done
[ "$failures" -eq 0 ] || exit 1
echo "two builds in two folders gave the same programs, symbols and archives"
