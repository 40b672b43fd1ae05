#!/usr/bin/env bash
# Installs what the build and the test bench need on a Debian 12 machine, as root.
# Quick when everything is present: it only asks dpkg.
set -euo pipefail

# The database suites reach a SQLite file through ODBC, which Wine bridges to unixODBC: both
# Wine architectures need their own driver manager and driver.
# The toolchain's shared run-time DLLs are loaded by a suite that plays a host built with them.
packages=(cmake ninja-build g++ clang libclang-rt-14-dev googletest clang-format
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  gcc-mingw-w64-i686-win32-runtime gcc-mingw-w64-x86-64-win32-runtime
  wine wine64 wine32:i386 xvfb xauth fonts-wine python3
  unixodbc odbcinst libodbc2:i386 libsqliteodbc libsqliteodbc:i386)
# Where the kernel runs no 32-bit programs, the i686 build's smoke runs under qemu user emulation;
# it is registered with the kernel only when an i686 suite needs it (scripts/i686.sh).
source "$(dirname "${BASH_SOURCE[0]}")/i686.sh"
if [ "$(zmt_i686_kind)" = emulated ]; then
  packages+=(qemu-user-static)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: missing packages (${missing[*]}); run as root to install them" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
# A mirror that is mid-sync can leave one index stale; the install below copes with that.
apt-get update -q || true
if ! apt-get install -y -q --no-install-recommends "${missing[@]}"; then
  # When the security index of one architecture is missing, amd64 and i386 candidates differ in
  # version and multiarch refuses them; the release's own versions always match.
  apt-get install -y -q --no-install-recommends -t bookworm "${missing[@]}"
fi
