#!/usr/bin/env bash
# build.sh PRESET...: installs what is missing, then configures and builds each preset.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
for preset in "$@"; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
