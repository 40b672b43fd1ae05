#!/usr/bin/env bash
# The module build's run-time checks find each fault they are there for, in binaries that have it:
# a test program linked the toolchain's default way (crtbegin.o on i686, function statics with a
# guard, libstdc++'s emulated thread-local), a stripped copy of a module, and on i686 the
# toolchain's own unwinder object, whose semaphore import was never renamed.
# usage: module_checks_test.sh NM STRIP BIN_DIR WORK_DIR [UNWINDER_OBJECT]
set -uo pipefail
nm=$1 strip=$2 bin=$3 work=$4 unwinder=${5:-}
check=$(dirname "$0")/../../../scripts/check-module.sh
failures=0

expect_findings() {  # MODE FILE PATTERN...: the check fails and reports every pattern
  local mode=$1 file=$2 out rc
  shift 2
  out=$(bash "$check" "$nm" "$mode" "$file" 2>&1)
  rc=$?
  if [ $rc != 1 ]; then
    echo "FAIL: check-module $mode $(basename "$file") exited $rc, not 1"
    failures=$((failures + 1))
  fi
  for pattern in "$@"; do
    if ! grep -q -- "$pattern" <<<"$out"; then
      echo "FAIL: check-module $mode $(basename "$file") did not report '$pattern'; it said:"
      echo "$out"
      failures=$((failures + 1))
    fi
  done
}

default_linked=("contains __cxa_guard_acquire" "contains __emutls_get_address")
if [ -n "$unwinder" ]; then default_linked+=("names libgcc_s_dw2-1.dll"); fi
expect_findings module "$bin/wine_plugin_contract_tests.exe" "${default_linked[@]}"

mkdir -p "$work"
"$strip" -o "$work/ZMTCheck-stripped.dll" "$bin/ZMTCheck.dll"
expect_findings module "$work/ZMTCheck-stripped.dll" "has no symbol table"

if [ -n "$unwinder" ]; then
  expect_findings unwinder "$unwinder" "still imports CreateSemaphoreW" \
    "does not call the module's semaphore slot"
fi

# And the modules as built pass.
for module in "$bin/ZMTCheck.dll" "$bin/TestPlugin.dll"; do
  if ! bash "$check" "$nm" module "$module"; then
    echo "FAIL: $(basename "$module") as built fails its check"
    failures=$((failures + 1))
  fi
done
[ $failures = 0 ] && echo "module checks: every fault found"
exit $((failures > 0))
