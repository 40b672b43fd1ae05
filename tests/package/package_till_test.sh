#!/usr/bin/env bash
# package_till_test.sh WINE_RUN PREFIX PACKAGE_DIR NAME OBJCOPY OBJDUMP VERSION OSSLSIGNCODE CERT
#                      RELEASE_DIR
#   The two archives as an integrator gets them: unpacked, every file summed and its sum right, the
#   stripped programs naming their symbol files (with the CRC that debuggers check), signed by CERT
#   (a changed byte fails the check, and without the signature each is the build's own unsigned
#   file in RELEASE_DIR, byte for byte), and the
#   packaged ZMTCheck.dll driven by the packaged kvhost on a till with no settings yet: the object
#   registers after the first-use prompts, lists itself, shows About with the package's version and
#   is freed, and the module unloads.
set -euo pipefail
run=$1 prefix=$2 dir=$3 name=$4 objcopy=$5 objdump=$6 version=$7 osslsigncode=$8 cert=$9
release=${10}
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

scratch=$(mktemp -d "$dir/till.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
for archive in "$name" "$name-symbols"; do
  python3 -m zipfile -e "$dir/$archive.zip" "$scratch/" || fail "$archive.zip does not unpack"
done
package=$scratch/$name symbols=$scratch/$name-symbols

# Every file is in its archive's sums, and every sum holds.
for root in "$package" "$symbols"; do
  listed=$(sed 's/^[0-9a-f]\{64\} \*//' "$root/SHA256SUMS" | sort)
  present=$(cd "$root" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | sort)
  [ "$listed" = "$present" ] ||
    fail "$(basename "$root")/SHA256SUMS lists:" $listed "; present:" $present
  (cd "$root" && sha256sum --quiet --strict -c SHA256SUMS) ||
    fail "a sum in $(basename "$root") is wrong"
done
for file in ZMTCheck.dll kvhost.exe include/kvplugin.h docs/integrators-guide.md CHANGES.md; do
  [ -f "$package/$file" ] || fail "the package lacks $file"
done

sections() { "$objdump" -h "$1" | awk '{print $2}'; }

# Each stripped program names its symbol file and that file's CRC-32, as gdb checks them.
for program in ZMTCheck.dll kvhost.exe; do
  # Without an output file objcopy would rewrite the packaged program in place.
  "$objcopy" --dump-section .gnu_debuglink="$scratch/link" "$package/$program" "$scratch/copy" \
    2>/dev/null || { fail "$program has no debug link"; continue; }
  python3 - "$scratch/link" "$symbols/$program.debug" "$program.debug" <<'EOF' ||
import sys, zlib
link = open(sys.argv[1], "rb").read()
target = link[:link.index(b"\0")].decode()
crc = int.from_bytes(link[-4:], "little")
actual = zlib.crc32(open(sys.argv[2], "rb").read())
if target != sys.argv[3] or crc != actual:
    sys.exit(f"names {target} with CRC {crc:08x}; the symbols are {sys.argv[3]} with {actual:08x}")
EOF
    fail "$program's debug link"
  sections "$package/$program" | grep -q '^\.debug_' &&
    fail "$program still carries its debug information"
  sections "$symbols/$program.debug" | grep -qx '\.debug_info' ||
    fail "$program.debug carries no debug information"
done

# Each program is signed by the package's certificate, over every byte of it.
for program in ZMTCheck.dll kvhost.exe; do
  "$osslsigncode" verify -CAfile "$cert" -in "$package/$program" >"$scratch/verify.log" 2>&1 ||
    { cat "$scratch/verify.log"; fail "$program's signature does not verify"; }
  python3 -c 'import sys; d = bytearray(open(sys.argv[1], "rb").read()); d[0x500] ^= 0xFF
open(sys.argv[2], "wb").write(d)' "$package/$program" "$scratch/changed"
  "$osslsigncode" verify -CAfile "$cert" -in "$scratch/changed" >/dev/null 2>&1 &&
    fail "$program with one byte changed still verifies"
  "$osslsigncode" remove-signature -in "$package/$program" -out "$scratch/unsigned" >/dev/null
  cmp "$scratch/unsigned" "$release/$program" ||
    fail "$program without its signature is not the unsigned build"
  rm -f "$scratch/changed" "$scratch/unsigned"
done

# A till without settings: the key as it was is put back afterwards.
bits=64
[ "${name%-win32}" = "$name" ] || bits=32
key='HKLM\Software\Tessinor\Quro'
saved=
if "$run" "$prefix" reg export "$key" "$scratch/quro.reg" /reg:$bits /y >/dev/null 2>&1; then
  saved=$scratch/quro.reg
fi
restore() {
  "$run" "$prefix" reg delete "$key" /reg:$bits /f >/dev/null 2>&1 || true
  [ -z "$saved" ] || "$run" "$prefix" reg import "$saved" /reg:$bits >/dev/null 2>&1 ||
    fail "the till's settings could not be put back"
}
"$run" "$prefix" reg delete "$key" /reg:$bits /f >/dev/null 2>&1 || true
status=0
output=$("$run" "$prefix" "$package/kvhost.exe" --unattended "$package/ZMTCheck.dll" list \
  menu About 2>&1) || status=$?
restore
output=$(tr -d '\r' <<<"$output")
echo "$output"
[ "$status" -eq 0 ] || fail "kvhost exited with $status"
for line in "name: ZMTCheckPlugin" "description: Quro ZMTCheckPlugin Plugin" \
  "dialog-text: ZMTCheckPlugin\\r\\rQuro ZMTCheckPlugin Plugin\\r\\rVersion: $version" \
  "dialog-text: Use the following window to specify a connection string for [Quro:Msde]"; do
  grep -qxF "$line" <<<"$output" || fail "kvhost did not print: $line"
done
for line in "destroy-status: 0x00000000" "unload: ok"; do
  grep -qxF "$line" <<<"$output" ||
    fail "kvhost did not print: $line (the object freed, the module unloaded)"
done

[ "$failures" -eq 0 ] || exit 1
echo "the package installs and runs on a till"
