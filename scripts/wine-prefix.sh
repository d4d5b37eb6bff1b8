#!/usr/bin/env bash
# Makes the Wine prefix named by WINEPREFIX on first use, with the font replacements that give
# GDI+ an "Arial", a "Courier New" and a "Verdana". Shared by the Wine test runner and the demo.
set -euo pipefail
: "${WINEPREFIX:?set WINEPREFIX to the prefix to make}"
here=$(cd "$(dirname "$0")" && pwd)
export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
if [ ! -f "$WINEPREFIX/.quar2-ready" ]; then
  rm -rf "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wine regedit "$here/wine-fonts.reg" >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.quar2-ready"
fi
