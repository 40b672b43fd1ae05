#!/usr/bin/env bash
# kvhost as a script would use it: stable key: value lines and exit statuses.
# usage: kvhost_cli_test.sh WINE_RUN PREFIX BIN_DIR
set -uo pipefail
wine_run=$1 prefix=$2 bin=$3
failures=0 checks=0

run() {  # run ARGS... : sets out and rc
  out=$("$wine_run" "$prefix" "$bin/kvhost.exe" "$@" 2>&1 | tr -d '\r')
  rc=${PIPESTATUS[0]}
}
expect_line() {
  checks=$((checks + 1))
  if ! grep -qxF -- "$1" <<<"$out"; then
    echo "FAIL: expected line '$1' in the output of: $2"
    failures=$((failures + 1))
  fi
}
expect_rc() {
  checks=$((checks + 1))
  if [ "$rc" != "$1" ]; then
    echo "FAIL: expected exit status $1, got $rc: $2"
    failures=$((failures + 1))
  fi
}
expect_order() {  # the first line comes before the second
  checks=$((checks + 1))
  local a b
  a=$(grep -nxF -- "$1" <<<"$out" | head -1 | cut -d: -f1)
  b=$(grep -nxF -- "$2" <<<"$out" | head -1 | cut -d: -f1)
  if [ -z "$a" ] || [ -z "$b" ] || [ "$a" -ge "$b" ]; then
    echo "FAIL: expected '$1' before '$2'"
    failures=$((failures + 1))
  fi
}

dll=$bin/TestPlugin.dll

run --register RegisterBasePlugin --no-file-name "$dll" list
expect_rc 0 "base list"
expect_line "name: Tessinor Plugin" "base list"
expect_line "description: Set TKvPlugin.Description to give your plugin detailed information on what it is about" "base list"
expect_line "extra-info: " "base list"
expect_line "file-name: " "base list"
expect_line "host-tag: 0" "base list"
expect_line "host-context: 0" "base list"
expect_line "host-context-status: 0x00000000" "base list"
expect_line "menu-count: 1" "base list"
expect_line "menu[0].caption: About" "base list"
expect_line "menu[0].flags: 0" "base list"
expect_line "destroy-status: 0x00000000" "base list"
expect_line "unload: ok" "base list"

run "$dll" set-name "Till\\One" set-description $'two\rlines' set-host-tag -42 \
  set-host-context 4294967295 execute notify shift 7 menu "Say Hello" list
expect_rc 0 "round trips"
expect_line 'name: Till\\One' "round trips"
expect_line 'description: two\rlines' "round trips"
expect_line "host-tag: -42" "round trips"
expect_line "host-context: 4294967295" "round trips"
expect_line "set-host-context-status: 0x00000000" "round trips"
expect_line "execute: true" "round trips"
expect_line "extra-info: hello 1" "round trips"
expect_line "menu[1].caption: Say Hello" "round trips"
expect_line "menu[1].flags: 3" "round trips"
expect_order "menu[0].caption: About" "menu[1].caption: Say Hello"
grep -q '^file-name: .*TestPlugin\.dll$' <<<"$out" || { echo "FAIL: FileName is not the module's path"; failures=$((failures + 1)); }

run "$dll" notify fault:host-context 1 set-host-context 3
expect_rc 5 "injected host context failure"
expect_line "set-host-context-status: 0x8000FFFF" "injected host context failure"
expect_line "error-message: injected host context failure" "injected host context failure"
expect_line "destroy-status: 0x00000000" "injected host context failure"

run "$dll" keep-name notify fault:root-destroy 1
expect_rc 5 "destructor failure"
expect_line "destroy-status: 0x80004005" "destructor failure"
expect_line "error-source: EPluginError" "destructor failure"
expect_line "error-message: Error In TKvPlugin.Destroy injected root failure" "destructor failure"
expect_line "unload: ok" "destructor failure"
expect_line "kept-name: Test Plugin" "destructor failure"
expect_line "kept-name-refcount: 1" "destructor failure"
expect_order "unload: ok" "kept-name: Test Plugin"

run "$dll" create
expect_rc 0 "create"
expect_line "create: new object" "create"
expect_line "created.name: Test Plugin" "create"
expect_line "created.file-name: " "create"
expect_line "created.destroy-status: 0x00000000" "create"

run "$dll" notify-values 1,2,3 list notify-values "" list
expect_line "extra-info: values 3 sum 6" "notify-values"
expect_line "extra-info: values 0 sum 0" "notify-values"

run "$dll" dll-message
expect_rc 0 "dll-message"
expect_line "TestPlugin for the Kv host contract" "dll-message"

run "$bin/no-such-plugin.dll" list
expect_rc 2 "missing module"
# A full path longer than the host's buffer: Windows gives the size it needs, Wine refuses it.
deep=$(mktemp -d)/$(printf 'd%.0s' {1..100})/$(printf 'e%.0s' {1..90})
mkdir -p "$deep"
out=$(cd "$deep" && "$wine_run" "$prefix" "$bin/kvhost.exe" "$(printf 'm%.0s' {1..150}).dll" list \
  2>&1 | tr -d '\r')
rc=${PIPESTATUS[0]}
expect_rc 2 "over-long module path"
checks=$((checks + 1))
grep -q '^kvhost: .*module path' <<<"$out" || {
  echo "FAIL: no clear message for an over-long module path: $out"
  failures=$((failures + 1))
}
rm -rf "${deep%/*/*}"
run --register NoSuchExport "$dll" list
expect_rc 3 "missing export"
run "$dll" menu "No Such Entry"
expect_rc 5 "missing menu entry"
run "$dll" frobnicate
expect_rc 1 "unknown command"
run "$dll" set-host-tag 99999999999
expect_rc 1 "host tag out of range"
run
expect_rc 1 "no arguments"

# Nobody at the screen: the module's own dialog is printed and answered with its default button.
run --unattended --no-file-name "$dll" menu About
expect_rc 0 "unattended About"
for line in "dialog: Information" \
  'dialog-text: Test Plugin\r\rExercises the host contract\r\rVersion: 0.0.0.0' \
  "dialog-buttons: OK" "dialog-answer: OK" "menu-status: 0x00000000" "dialog-count: 1"; do
  expect_line "$line" "unattended About"
done
expect_order "dialog-answer: OK" "menu-status: 0x00000000"

# A program run between two calls: its exit code is printed and the commands go on.
run "$dll" run "cmd /c exit 3" execute
expect_rc 0 "run"
expect_line "run-exit-code: 3" "run"
expect_order "run-exit-code: 3" "execute: true"

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
