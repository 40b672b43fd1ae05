#!/usr/bin/env bash
# check-imports.sh OBJDUMP DIR: every Windows binary in DIR imports only system DLLs, never a
# compiler run-time (libgcc, libstdc++, winpthread), so it runs on a till without them.
set -euo pipefail
objdump=$1 dir=$2
status=0 count=0
for f in "$dir"/*.exe "$dir"/*.dll; do
  [ -e "$f" ] || continue
  count=$((count + 1))
  bad=$("$objdump" -p "$f" | sed -n 's/^\s*DLL Name: //p' | grep -i -E 'libgcc|libstdc|pthread|mingw' || true)
  if [ -n "$bad" ]; then
    echo "FAIL: $(basename "$f") imports: $bad"
    status=1
  fi
done
[ "$count" -gt 0 ] || { echo "FAIL: no binaries in $dir"; exit 1; }
echo "$count binaries checked"
exit $status
