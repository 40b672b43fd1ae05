#!/usr/bin/env bash
# check-system-imports.sh OBJDUMP FLOOR TABLE FILE...: every function that each FILE imports is
# listed in TABLE (lines "DLL function first-version", # comments) with a first Windows version
# no newer than FLOOR (an NT version such as 5.1), and each FILE's PE header asks for exactly
# FLOOR as its OS and subsystem version. A line "DLL * never" forbids importing DLL at all. Prints one line per finding and fails if there is any.
set -euo pipefail
[ $# -ge 4 ] || { echo "usage: check-system-imports.sh OBJDUMP FLOOR TABLE FILE..." >&2; exit 2; }
objdump=$1 floor=$2 table=$3
shift 3

status=0
for file in "$@"; do
  name=$(basename "$file")
  if ! dump=$("$objdump" -p "$file" 2>&1); then
    echo "FAIL: $name: $objdump cannot read it: $dump"
    status=1
    continue
  fi
  # One awk pass per binary: the header's versions, then each import against the table.
  if ! printf '%s\n' "$dump" | awk -v floor="$floor" -v name="$name" -v table="$table" '
    function number(version,   parts) {
      split(version, parts, ".")
      return parts[1] * 100 + parts[2]
    }
    BEGIN {
      while ((getline line < table) > 0) {
        if (line ~ /^[ \t]*(#|$)/) continue
        split(line, f, /[ \t]+/)
        if (f[2] == "*" && f[3] == "never") never[toupper(f[1])] = 1
        else first[toupper(f[1]) "!" f[2]] = f[3]
      }
      close(table)
      bad = 0
      count = 0
    }
    $1 == "MajorOSystemVersion" { os = $2 }
    $1 == "MinorOSystemVersion" { os = os "." $2 }
    $1 == "MajorSubsystemVersion" { sub_ = $2 }
    $1 == "MinorSubsystemVersion" { sub_ = sub_ "." $2 }
    /^The Import Tables/ { imports = 1 }
    /^The (Export|Function|Debug)/ || /^PE File Base Relocations/ { imports = 0 }
    imports && /DLL Name:/ { dll = $3; next }
    imports && dll != "" && /^\t[0-9a-f]+\t/ {
      # An entry: address, hint or ordinal, name (absent for an import by ordinal).
      if (NF < 3) {
        printf "FAIL: %s imports ordinal %s of %s by number; import it by name\n", name, $2, dll
        bad = 1
        next
      }
      count++
      key = toupper(dll) "!" $3
      if (toupper(dll) in never) {
        printf "FAIL: %s imports %s!%s; %s must not be imported by name\n", name, dll, $3, dll
        bad = 1
      } else if (!(key in first)) {
        printf "FAIL: %s imports %s!%s, which the table does not list\n", name, dll, $3
        bad = 1
      } else if (number(first[key]) > number(floor)) {
        printf "FAIL: %s imports %s!%s, first in Windows %s, newer than the floor %s\n",
               name, dll, $3, first[key], floor
        bad = 1
      }
    }
    END {
      if (os != floor || sub_ != floor) {
        printf "FAIL: %s asks for OS version %s and subsystem version %s, not %s\n",
               name, os, sub_, floor
        bad = 1
      }
      if (count == 0) {
        printf "FAIL: %s: no imports found (is this a PE file?)\n", name
        bad = 1
      }
      if (!bad) printf "%s: %d imports, all in Windows %s or earlier\n", name, count, floor
      exit bad
    }'; then
    status=1
  fi
done
exit $status
