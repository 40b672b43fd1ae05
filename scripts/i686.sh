#!/usr/bin/env bash
# i686.sh: how this machine runs 32-bit (i386) programs, which decides how the i686 build is tested.
#
#   i686.sh kind              prints "native" or "emulated"
#   i686.sh describe          one line for logs: the kind and the probe's result
#   i686.sh emulate           registers qemu-i386 with the kernel (root) where the emulated path
#                             needs it, and says so; scripts/setup.sh runs it
#   i686.sh gate CLASS CMD... runs a Wine suite of the i686 build, CLASS "smoke" or "full"; "full"
#                             suites exit 77 (ctest's skip code) where emulation would have to run
#                             them, "smoke" suites fail there unless the emulation is registered
#
# Some kernels of this project's machines refuse every i386 program (execve gives ENOEXEC). There the
# i686 build runs under qemu user emulation, about a minute per Windows program start, so only a
# smoke runs. ZMT_I686=emulated takes the emulated path on a machine that runs them natively, to
# prove that path where it is not the default. Only "emulate" changes the system; the others look.
#
# Sourced, it only defines the functions.

zmt_i686_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
zmt_binfmt=/proc/sys/fs/binfmt_misc

# Writes a static i386 ELF program that exits with 42 and does nothing else. MARK is the last
# padding byte of its identification: qemu's binfmt_misc entry matches only all-zero padding,
# while the kernel's own ELF loader ignores it, so a marked program runs only natively and an
# unmarked one natively or under emulation.
zmt_i686_probe_program() {  # FILE MARK
  local h='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00'"$2"
  h+='\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'  # exec, 386, entry, phoff
  h+='\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'
  h+='\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'  # one loadable segment
  h+='\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'  # 93 bytes, r-x
  h+='\x31\xdb\xb3\x2a\x31\xc0\x40\xcd\x80'                              # exit(42)
  printf '%b' "$h" >"$1"
  chmod +x "$1"
}

# Runs a probe program; sets zmt_probe_result to what happened. Exit status 0 when it ran.
zmt_i686_run_probe() {  # MARK
  local dir="$zmt_i686_root/build" file rc
  mkdir -p "$dir"
  file=$(mktemp "$dir/.i386-probe.XXXXXX")
  zmt_i686_probe_program "$file" "$1"
  "$file" >/dev/null 2>&1
  rc=$?
  rm -f "$file"
  case $rc in
    42) zmt_probe_result="an i386 program ran (exit 42)"; return 0 ;;
    126) zmt_probe_result="an i386 program was refused (exit 126: Exec format error)" ;;
    *) zmt_probe_result="an i386 program failed (exit $rc)" ;;
  esac
  return 1
}

zmt_i686_native() { zmt_i686_run_probe '\x5a'; }

zmt_i686_kind() {
  if [ "${ZMT_I686:-}" = emulated ]; then
    echo emulated
  elif zmt_i686_native; then
    echo native
  else
    echo emulated
  fi
}

zmt_i686_describe() {
  zmt_i686_native || true
  local probe="probe: $zmt_probe_result"
  if [ "$(zmt_i686_kind)" = native ]; then
    echo "i686: this machine runs 32-bit programs natively ($probe)"
  elif [ "${ZMT_I686:-}" = emulated ]; then
    echo "i686: emulated path chosen by ZMT_I686=emulated ($probe natively)"
  else
    echo "i686: this machine runs no 32-bit programs natively ($probe); they run under qemu-i386"
  fi
}

# Whether the emulated path can run i386 programs; sets zmt_probe_result when it cannot. Under
# ZMT_I686=emulated an unmarked program would run natively anyway, so there only the kernel's
# entry for qemu-i386 tells. Changes nothing.
zmt_i686_emulation_ready() {
  if [ "${ZMT_I686:-}" = emulated ] && ! grep -qx enabled "$zmt_binfmt/qemu-i386" 2>/dev/null; then
    zmt_probe_result="the binfmt_misc entry qemu-i386 is not enabled"
    return 1
  fi
  zmt_i686_run_probe '\x00'
}

# For the scripts that only run programs: a clear failure, naming the step that registers it.
zmt_i686_require_emulation() {
  zmt_i686_emulation_ready && return 0
  echo "i686: i386 programs cannot run here yet ($zmt_probe_result); scripts/setup.sh, run as" \
    "root, registers their emulation with the kernel" >&2
  return 1
}

# Lets i386 programs run under qemu-i386-static where the emulated path needs it, and says what it
# changed: this is a change to the running system, kept until reboot or until the entry is removed.
# The F flag opens the interpreter now, so it keeps working inside other mount namespaces. An
# emulation that already works is kept as it is.
zmt_i686_emulate() {
  if [ "$(zmt_i686_kind)" = native ] || zmt_i686_emulation_ready; then
    return 0
  fi
  if grep -qx enabled "$zmt_binfmt/qemu-i386" 2>/dev/null; then
    echo "i686: the binfmt_misc entry qemu-i386 is enabled, but $zmt_probe_result" >&2
    return 1
  fi
  local qemu=/usr/bin/qemu-i386-static
  if [ ! -x "$qemu" ]; then
    echo "i686: $qemu is missing; scripts/setup.sh installs it (qemu-user-static)" >&2
    return 1
  fi
  if [ "$(id -u)" -ne 0 ]; then
    echo "i686: registering i386 emulation with the kernel needs root" >&2
    return 1
  fi
  if ! mountpoint -q "$zmt_binfmt"; then
    mount -t binfmt_misc binfmt_misc "$zmt_binfmt" || {
      echo "i686: cannot mount binfmt_misc at $zmt_binfmt" >&2
      return 1
    }
    echo "i686: mounted binfmt_misc at $zmt_binfmt"
  fi
  local done_what
  if [ -e "$zmt_binfmt/qemu-i386" ]; then
    echo 1 >"$zmt_binfmt/qemu-i386" || {
      echo "i686: the kernel refused to enable the binfmt_misc entry qemu-i386" >&2
      return 1
    }
    done_what="enabled the kernel's binfmt_misc entry qemu-i386 again"
  else
    local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":qemu-i386:M::$magic:$mask:$qemu:F" >"$zmt_binfmt/register" || {
      echo "i686: the kernel refused the binfmt_misc entry for qemu-i386" >&2
      return 1
    }
    done_what="registered qemu-i386 with the kernel (binfmt_misc entry qemu-i386)"
  fi
  echo "i686: $done_what: i386 programs now run under $qemu;" \
    "echo -1 >$zmt_binfmt/qemu-i386 removes it"
  if ! zmt_i686_emulation_ready; then
    echo "i686: emulation is registered but $zmt_probe_result" >&2
    return 1
  fi
}

# Only looks: the emulation is registered by scripts/setup.sh, never from inside a test run.
zmt_i686_gate() {  # CLASS COMMAND...
  local class=$1
  shift
  if [ "$(zmt_i686_kind)" = emulated ]; then
    if [ "$class" != smoke ]; then
      echo "SKIPPED: $(zmt_i686_describe); only the i686 smoke suites run under emulation"
      exit 77
    fi
    zmt_i686_require_emulation || exit 1
  fi
  exec "$@"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  case "${1:-}" in
    kind) zmt_i686_kind ;;
    describe) zmt_i686_describe ;;
    emulate) zmt_i686_emulate ;;
    gate) shift; zmt_i686_gate "$@" ;;
    *) sed -n '3,10s/^# \{0,1\}//p' "$0" >&2; exit 1 ;;
  esac
fi
