#!/usr/bin/env bash
# Steinberg's VST3 validator and moduleinfo tool on a built QUAR2.vst3, natively or (win) the
# Windows programs under Wine. Usage: validate.sh BUNDLE native|win [WINEPREFIX]
# The tools come from the folder QUAR2_FORMAT_TOOLS names; without it the check says that it
# skipped and exits 77 (CTest's "skipped").
set -uo pipefail
bundle=$1 flavour=$2
tools=${QUAR2_FORMAT_TOOLS:-}
if [ -z "$tools" ] || [ ! -x "$tools/vst3-validator" ]; then
  echo "vst3_validator: skipped (QUAR2_FORMAT_TOOLS does not name the format checkers' folder)"
  exit 77
fi
if [ "$flavour" = win ]; then
  export WINEPREFIX=${3:?wine prefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  run() { wine "$tools/win/$1.exe" "${@:2}"; }
  path="Z:${bundle//\//\\}"
else
  run() { "$tools/$1" "${@:2}"; }
  path=$bundle
fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
run vst3-moduleinfotool -validate -path "$path" >"$log" 2>&1 || status=$?
if [ $status -ne 0 ]; then
  cat "$log"
  echo "moduleinfo.json: not valid (status $status)"
  exit 1
fi
echo "moduleinfo.json: valid"
run vst3-validator "$path" >"$log" 2>&1 || status=$?
# Every failure line, the warnings, and the summary.
grep -aE '\[(Failed|Error|Warning)|ERROR|Result:' "$log" | tr -d '\r'
if [ $status -ne 0 ] || ! grep -aqE 'Result: [0-9]+ tests passed, 0 tests failed' "$log"; then
  echo "vst3-validator failed (status $status); the whole log:"
  tr -d '\r' <"$log"
  exit 1
fi
