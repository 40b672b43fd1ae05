#!/usr/bin/env bash
# check-system-imports.sh finds what it is there for, in this build's real module: an import the
# table does not list, one newer than the floor, one of a DLL that must not be imported, and a PE
# header that asks for another version.
# usage: imports_check_test.sh OBJDUMP FLOOR TABLE MODULE WORK_DIR
set -uo pipefail
objdump=$1 floor=$2 table=$3 module=$4 work=$5
check=$(dirname "$0")/../../../scripts/check-system-imports.sh
mkdir -p "$work"
failures=0

expect_finding() {  # FLOOR TABLE PATTERN: the check fails and says PATTERN
  local out rc
  out=$(bash "$check" "$objdump" "$1" "$2" "$module" 2>&1)
  rc=$?
  if [ $rc = 0 ] || ! grep -q -- "$3" <<<"$out"; then
    echo "FAIL: with floor $1 and $(basename "$2"), exit $rc and no '$3'; it said:"
    echo "$out"
    failures=$((failures + 1))
  fi
}

# The module waits on events of its own; take that row out, then date it after the floor.
row='^KERNEL32\.dll[[:space:]]\+CreateEventW[[:space:]]'
grep -q "$row" "$table" || { echo "FAIL: the table has no CreateEventW row"; exit 1; }
grep -v "$row" "$table" >"$work/missing.txt"
sed "s/\($row.*\)[0-9]\.[0-9]\$/\16.0/" "$table" >"$work/newer.txt"
expect_finding "$floor" "$work/missing.txt" "KERNEL32.dll!CreateEventW, which the table does not list"
expect_finding "$floor" "$work/newer.txt" "KERNEL32.dll!CreateEventW, first in Windows 6.0, newer than the floor $floor"
{ cat "$table"; echo "KERNEL32.dll * never"; } >"$work/never.txt"
expect_finding "$floor" "$work/never.txt" "imports KERNEL32.dll!CreateEventW; KERNEL32.dll must not be imported by name"
expect_finding 5.0 "$table" "asks for OS version $floor and subsystem version $floor, not 5.0"

[ $failures = 0 ] && echo "every finding reported"
exit $((failures > 0))
