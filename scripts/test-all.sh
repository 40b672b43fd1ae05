#!/usr/bin/env bash
# Builds the three presets and runs every suite: native (ASan/UBSan, fuzz corpus replay), then the
# Windows suites of both targets under Wine, each target on a headless X server of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
# x86_64 is built and tested before i686 is set up: where i686 runs only under emulation, set-up
# registers the emulation for it, and an x86_64 prefix made after that would start Wine's 32-bit
# helpers under qemu for minutes.
bash scripts/build.sh native win64
bash scripts/i686.sh describe
if [ "$(bash scripts/i686.sh kind)" = emulated ]; then
  echo "i686: the smoke suites run under emulation; the other i686 suites are reported as skipped"
fi

status=0
ctest --preset native -j2 || status=1
bash scripts/with-display.sh ctest --preset win64 || status=1
bash scripts/build.sh win32
bash scripts/with-display.sh ctest --preset win32 || status=1
exit $status
