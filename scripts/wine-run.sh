#!/usr/bin/env bash
# Runs one Windows program under Wine. CTest uses this as the cross-compiling emulator; the
# test's environment names the Wine prefix (WINEPREFIX), which scripts/run-wine-tests.sh made.
export WINEDEBUG=${WINEDEBUG:--all}
exec wine "$@"
