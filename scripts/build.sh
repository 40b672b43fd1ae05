#!/usr/bin/env bash
# build.sh PRESET... [--target TARGET...]: installs what they need, then configures each preset
# and builds it whole, or only the TARGETs and what they need.
set -euo pipefail
cd "$(dirname "$0")/.."
presets=()
while [ $# -gt 0 ] && [ "$1" != --target ]; do
  presets+=("$1")
  shift
done
build_options=()
if [ $# -gt 0 ]; then
  build_options=("$@")
fi
if [ ${#presets[@]} -eq 0 ] || [ "${build_options[*]}" = --target ]; then
  echo "usage: build.sh PRESET... [--target TARGET...]" >&2
  exit 2
fi
bash scripts/setup.sh "${presets[@]}"
for preset in "${presets[@]}"; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" "${build_options[@]}"
done
