#!/usr/bin/env bash
# setup.sh [PRESET...]: installs what the build and the test bench need on a Debian 12 machine, as
# root. Where the kernel runs no 32-bit programs, and the PRESETs include win32 (or none is named),
# it also registers their emulation with the kernel, which running the i686 build needs there.
# These are the only changes to the system that the build and the tests make; the registration
# is printed when it is made. Quick when everything is present: it asks dpkg and runs a tiny probe.
set -euo pipefail

# The database suites reach a SQLite file through ODBC, which Wine bridges to unixODBC: both
# Wine architectures need their own driver manager and driver.
# The toolchain's shared run-time DLLs are loaded by a suite that plays a host built with them.
# The package tests sign the release with a certificate made for the test.
packages=(cmake ninja-build g++ clang libclang-rt-14-dev googletest clang-format
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  gcc-mingw-w64-i686-win32-runtime gcc-mingw-w64-x86-64-win32-runtime
  wine wine64 wine32:i386 xvfb xauth fonts-wine python3
  unixodbc odbcinst libodbc2:i386 libsqliteodbc libsqliteodbc:i386 osslsigncode openssl)
# Where the kernel runs no 32-bit programs, the i686 build's smoke runs under qemu user emulation.
# shellcheck source=scripts/i686.sh
source "$(dirname "${BASH_SOURCE[0]}")/i686.sh"
kind=$(zmt_i686_kind)
if [ "$kind" = emulated ]; then
  packages+=(qemu-user-static)
fi

install_packages() {  # PACKAGE...
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing packages ($*); run as root to install them" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  # A mirror that is mid-sync can leave one index stale; the install below copes with that.
  apt-get update -q || true
  if ! apt-get install -y -q --no-install-recommends "$@"; then
    # When the security index of one architecture is missing, amd64 and i386 candidates differ in
    # version and multiarch refuses them; the release's own versions always match.
    apt-get install -y -q --no-install-recommends -t bookworm "$@"
  fi
}

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  install_packages "${missing[@]}"
fi

# The i686 suites' gate and wine-run.sh only check that the emulation works. It is left out for the
# x86_64 build alone: a prefix made while it is registered starts Wine's 32-bit helpers under qemu,
# minutes that the x86_64 suites and the main job do not need. Without root the rest of the build
# and the tests can still run.
i686_runs=1
if [ $# -gt 0 ] && [[ " $* " != *" win32 "* ]]; then
  i686_runs=0
fi
if [ "$kind" = emulated ] && [ $i686_runs = 1 ]; then
  if [ "$(id -u)" -ne 0 ] && ! zmt_i686_emulation_ready; then
    echo "setup: i386 programs run here only under qemu-i386, which is not registered with the" \
      "kernel; run this as root to register it (until then the i686 smoke suites fail)" >&2
  else
    zmt_i686_emulate
  fi
fi
