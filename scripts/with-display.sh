#!/usr/bin/env bash
# with-display.sh COMMAND [ARGS...]: runs COMMAND on a headless X server of its own, with the screen
# that the dialog tests expect, then stops the wineservers that it left running in this tree's
# prefixes, whatever its exit status (each would otherwise wait two minutes for more programs).
# Exits with COMMAND's status.
set -euo pipefail
if [ $# -eq 0 ]; then
  echo "usage: with-display.sh COMMAND [ARGS...]" >&2
  exit 2
fi
tree=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)
# shellcheck disable=SC2016 # the session's own shell expands them
exec xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  tree=$1
  shift
  # wine-run.sh notes in each prefix the display its server was started for: only the servers of
  # this display are ours.
  stop_servers() {
    local prefix
    for prefix in "$tree"/build/*/wineprefix; do
      if [ "$(cat "$prefix/.zmt-display" 2>/dev/null)" = "$DISPLAY" ]; then
        WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
      fi
    done
  }
  trap stop_servers EXIT
  "$@"' with-display "$tree" "$@"
