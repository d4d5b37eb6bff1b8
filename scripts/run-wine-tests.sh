#!/usr/bin/env bash
# Runs the win64 build's CTest suite under Wine, inside an X server (the editor tests open real
# windows). Usage: scripts/run-wine-tests.sh BUILD_DIR [ctest args...]
# Makes the build's own Wine prefix on first use, with the font replacements that give GDI+ an
# "Arial", a "Courier New" and a "Verdana", and keeps one wineserver for the whole run.
set -euo pipefail
build=$(cd "$1" && pwd); shift
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

run() {
  "$here/wine-prefix.sh"
  wineserver -p
  status=0
  ctest --test-dir "$build" --output-on-failure "$@" || status=$?
  wineserver -k || true
  return $status
}

if [ -n "${QUAR2_IN_XVFB:-}" ]; then
  run "$@"
else
  # A wineserver started without a display cannot open windows later: stop ours first.
  wineserver -k 2>/dev/null || true
  QUAR2_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" "$@"
fi
