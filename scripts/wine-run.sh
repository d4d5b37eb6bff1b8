#!/usr/bin/env bash
# Runs one Windows program under Wine. CTest uses this as the cross-compiling emulator; the
# test's environment names the Wine prefix (WINEPREFIX), which scripts/run-wine-tests.sh made.
# The program's output goes through a file: Wine's helper processes (the desktop process that
# the first window starts) inherit the standard handles and would otherwise keep CTest's pipe
# open, so CTest would wait for them long after the program has ended.
export WINEDEBUG=${WINEDEBUG:--all}
log=$(mktemp "${TMPDIR:-/tmp}/quar2-wine.XXXXXX")
wine "$@" >"$log" 2>&1 </dev/null
status=$?
cat "$log"
rm -f "$log"
exit $status
