#!/usr/bin/env bash
# Times the leveller editor's paints under Wine + Xvfb while audio plays (both paint paths), or
# with --profile one frame's toolkit calls. Usage: scripts/bench-editor.sh BUILD_DIR [--frames N]
# [--profile]. BUILD_DIR is a win64 build (make win64); the build's own Wine prefix is used.
set -euo pipefail
build=$(cd "$1" && pwd); shift
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -z "${QUAR2_IN_XVFB:-}" ]; then
  wineserver -k 2>/dev/null || true # a server started without a display cannot open windows
  QUAR2_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" "$@"
fi
"$here/wine-prefix.sh"
"$here/wine-run.sh" "$build/tests/bench/editor_paint_bench.exe" "$@"
wineserver -k 2>/dev/null || true
