#!/usr/bin/env bash
# check-module.sh NM module FILE [--remove-on-failure]
#   FILE, a plug-in module, carries none of the static GCC run-time's parts that break or grow the
#   host it is loaded into: the module's own start-up object and exception state replaced them.
# check-module.sh NM unwinder FILE [--remove-on-failure]
#   FILE, the i686 modules' copy of libgcc's unwinder object, makes its lock semaphore through the
#   module's slot, not through the system's import.
#
# The build runs it on every module it links; a finding fails the build and, with
# --remove-on-failure, removes FILE so that the next build makes it again.
set -euo pipefail
nm=$1 mode=$2 file=$3 remove=${4:-}
findings=()

symbols=$("$nm" "$file" 2>&1) || {
  echo "check-module: $nm cannot read $file: $symbols" >&2
  exit 1
}

case $mode in
  module)
    if [ -z "$(grep -E ' [TtDdBbRr] ' <<<"$symbols" | head -1)" ]; then
      findings+=("it has no symbol table, so nothing here can be checked; check it before stripping")
    fi
    named=$(LC_ALL=C grep -a -o -i -E 'libgcc_s[a-z0-9_-]*\.dll' "$file" | sort -u | tr '\n' ' ' || true)
    if [ -n "$named" ]; then
      findings+=("it names ${named% }: the toolchain's crtbegin.o was linked, which hands the module's unwind tables to a shared libgcc that the host may have loaded (the module's own start-up object must replace it)")
    fi
    if grep -q -E ' T _*__cxa_guard_acquire$' <<<"$symbols"; then
      findings+=("it contains __cxa_guard_acquire: a function-local static with a run-time guard, whose lock is never freed at unload (define the object at namespace scope, or make it constant)")
    fi
    if grep -q -E ' T _*__emutls_get_address$' <<<"$symbols"; then
      findings+=("it contains __emutls_get_address: an emulated thread-local, whose TLS index and lock are never freed at unload (a thread_local variable, or libstdc++'s exception state linked instead of the module's own)")
    fi
    ;;
  unwinder)
    if grep -q -E ' U __imp__CreateSemaphoreW@16$' <<<"$symbols"; then
      findings+=("it still imports CreateSemaphoreW, so its lock semaphore would be left behind at every unload (the renaming of the import did not take)")
    fi
    if ! grep -q -E ' U __imp__zmt_unwinder_CreateSemaphoreW$' <<<"$symbols"; then
      findings+=("it does not call the module's semaphore slot __imp__zmt_unwinder_CreateSemaphoreW (the renaming of the import did not take)")
    fi
    ;;
  *)
    echo "usage: check-module.sh NM module|unwinder FILE [--remove-on-failure]" >&2
    exit 2
    ;;
esac

[ ${#findings[@]} -eq 0 ] && exit 0
for finding in "${findings[@]}"; do
  echo "check-module: $(basename "$file"): $finding" >&2
done
if [ "$remove" = --remove-on-failure ]; then
  rm -f "$file"
fi
exit 1
