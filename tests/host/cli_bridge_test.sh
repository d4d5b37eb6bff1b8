#!/usr/bin/env bash
# End-to-end test of quar2-host driving Windows plug-ins through quar2-bridge.exe under Wine.
# Usage: cli_bridge_test.sh NATIVE_BUILD BRIDGE_EXE TEST_DLL CRASH_DLL [QUAR2_DLL]
# Needs the native build's quar2-host and test plug-in (make test builds them first); without
# them it reports a skip (status 77). WINEPREFIX comes from the Wine test runner.
set -u
native=$1 bridge=$2 dll=$3 crash=$4 quar2=${5:-}
host=$native/host/cli/quar2-host
so=$native/tests/host/cli_test_plugin.so
if [ ! -x "$host" ] || [ ! -f "$so" ]; then
  echo "skipped: no native quar2-host and test plug-in in $native"
  exit 77
fi
export QUAR2_BRIDGE=$bridge
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
check() { # check NAME COMMAND...: the command must succeed
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); echo "ok: $name"
  else failed=$((failed + 1)); echo "FAILED: $name"; fi
}

sox -n -r 48000 -c 2 -b 16 "$work/in.wav" synth 2 sine 300 sine 500 vol 0.25 2>/dev/null

"$host" info "$dll" >"$work/info.txt" 2>&1
check "info through the bridge" grep -q '0x51485444 "QHTD"' "$work/info.txt"

"$host" process "$dll" "$work/in.wav" "$work/w.wav" --set "Gain [dB]=-6" --set Mode=Hard \
  --save-preset "$work/w.fxp" >"$work/w.txt" 2>&1
"$host" process "$so" "$work/in.wav" "$work/n.wav" --set "Gain [dB]=-6" --set Mode=Hard \
  --save-preset "$work/n.fxp" >"$work/n.txt" 2>&1
check "process through the bridge" grep -q "latency: 100 frames (compensated)" "$work/w.txt"
check "same audio as the Linux build" cmp -s "$work/w.wav" "$work/n.wav"
check "same preset as the Linux build" cmp -s "$work/w.fxp" "$work/n.fxp"
"$host" process "$dll" "$work/in.wav" "$work/p.wav" --preset "$work/n.fxp" >/dev/null 2>&1
check "preset loaded through the bridge" cmp -s "$work/p.wav" "$work/n.wav"

# Many files through the bridge, two at a time (one bridge per job): the bytes of the Linux
# build's one-by-one runs, and a file that is not audio fails alone.
mkdir "$work/many"
for g in 3 6 9; do
  sox "$work/in.wav" "$work/many/g$g.wav" gain -$g trim 0 1 2>/dev/null
done
echo "not audio" >"$work/many/broken.wav"
"$host" process "$dll" --out-dir "$work/many-out" -j 2 --set "Gain [dB]=-6" --loudness -20 \
  "$work/many" >"$work/many.txt" 2>&1
status=$?
check "a batch through the bridge says which file failed" test "$status" -eq 1
check "and levels the others" grep -q "levelled 3 of 4 files" "$work/many.txt"
same=0
for g in 3 6 9; do
  "$host" process "$so" "$work/many/g$g.wav" "$work/one-g$g.wav" --set "Gain [dB]=-6" \
    --loudness -20 >/dev/null 2>&1
  cmp -s "$work/many-out/g$g.wav" "$work/one-g$g.wav" && same=$((same + 1))
done
check "with the bytes of the Linux build one by one" test "$same" -eq 3
rm -rf "$work/many" "$work/many-out"

"$host" process "$crash" "$work/in.wav" "$work/c.wav" --set Mode=Off >/dev/null 2>"$work/c.err"
status=$?
check "a crashing plug-in fails the command" test "$status" -eq 1
check "with one line naming the crash" test "$(wc -l <"$work/c.err")" -eq 1
check "that says the bridge ended" grep -q "the Wine bridge ended with status 3 (the plug-in crashed" "$work/c.err"
check "and leaves no output" test ! -e "$work/c.wav"
check "and no temporary file" test -z "$(ls -A "$work" | grep partial)"

# Temporary files go under TMPDIR, and an interrupted run leaves none behind (nor a partial output).
mkdir "$work/tmp"
TMPDIR="$work/none" "$host" info "$dll" >/dev/null 2>"$work/t.err"
check "the bridge's temporary file is made under TMPDIR" grep -q "no temporary file in $work/none" "$work/t.err"
sox -n -r 48000 -c 2 -b 16 "$work/long.wav" synth 300 sine 300 vol 0.25 2>/dev/null
leftBefore=$(find /tmp -maxdepth 1 -name 'quar2-bridge-*' | wc -l)
TMPDIR="$work/tmp" "$host" process "$dll" "$work/long.wav" "$work/long-out.wav" >/dev/null 2>&1 &
pid=$!
for _ in $(seq 1 400); do
  ls -A "$work" | grep -q 'long-out.wav.partial' && break
  sleep 0.05
done
sleep 0.5
kill -INT "$pid"
wait "$pid"
check "an interrupted run through the bridge leaves no partial output" \
  test -z "$(ls -A "$work" | grep partial)"
# (Wine keeps its own server folder, wine-*, under the TMPDIR it is given.)
check "and no temporary file in TMPDIR" test -z "$(ls -A "$work/tmp" | grep -v '^wine-')"
check "nor in /tmp" test "$(find /tmp -maxdepth 1 -name 'quar2-bridge-*' | wc -l)" -le "$leftBefore"

"$host" bench "$so" "$dll" --seconds 1 --runs 1 >"$work/b.txt" 2>&1
check "bench through the bridge" grep -q "^cli_test_plugin.dll " "$work/b.txt"

"$host" render-editor "$dll" "$work/editor.png" --seconds 2 --input "$work/in.wav" >"$work/r.txt" 2>&1
check "render-editor through the bridge" grep -q "editor 200x100 after 2 s of audio" "$work/r.txt"
# The test editor repaints on every idle call: dozens of timed paints in 2 s, in order.
check "render-editor reports the paint times" /usr/bin/python3 -c "
import re
m = re.search(r'paint times over (\d+) frames while the audio played: median ([0-9.]+) ms, '
              r'90th percentile ([0-9.]+) ms, 99th percentile ([0-9.]+) ms, worst ([0-9.]+) ms',
              open('$work/r.txt').read())
assert m, 'no paint times'
n, median, p90, p99, worst = int(m[1]), *map(float, m.groups()[1:])
assert n >= 20, n
assert 0 <= median <= p90 <= p99 <= worst, m.groups()
"
# The test editor paints red and blue halves and a green bar as wide as the blocks processed.
check "the picture shows the editor after audio ran" /usr/bin/python3 -c "
from PIL import Image
im = Image.open('$work/editor.png').convert('RGB')
assert im.size == (200, 100), im.size
assert im.getpixel((50, 50)) == (255, 0, 0), im.getpixel((50, 50))
assert im.getpixel((150, 50)) == (0, 0, 255), im.getpixel((150, 50))
assert im.getpixel((100, 5)) == (0, 255, 0), im.getpixel((100, 5))
"
DISPLAY= "$host" render-editor "$dll" "$work/none.png" >/dev/null 2>"$work/nd.err"
check "render-editor without a display says so" grep -q "needs an X display" "$work/nd.err"
# The Linux build shows the same editor natively, in an X11 window of quar2-host's own.
"$host" render-editor "$so" "$work/so.png" --seconds 1 -v >"$work/so.txt" 2>&1
check "render-editor of the Linux build natively" grep -q "editor 200x100 after 1 s" "$work/so.txt"
QUAR2_TEST_PLUGIN_FAULT=no-editor "$host" render-editor "$so" "$work/none.png" >/dev/null \
  2>"$work/so.err"
check "render-editor of a plug-in without an editor says why not" grep -q "has no editor" \
  "$work/so.err"
check "no picture after a failure" test ! -e "$work/none.png"

# QUAR2 itself: the Windows build under Wine must level exactly like the Linux build.
if [ -n "$quar2" ] && [ -f "$quar2" ] && [ -f "$native/plugin/QUAR2.so" ]; then
  sox -n -r 48000 -c 1 -b 16 "$work/a.wav" synth 1 sine 200 vol 0.5 : synth 1 sine 300 vol 0.01 \
    : synth 1 sine 250 vol 0.2 2>/dev/null
  set_voice=(--set "Push Down [dB]=-18" --set "Pull Up [dB]=30" --set "Attack Mode=5ms")
  "$host" process "$native/plugin/QUAR2.so" "$work/a.wav" "$work/qn.wav" "${set_voice[@]}" \
    --save-preset "$work/q.fxp" >/dev/null 2>&1
  "$host" process "$quar2" "$work/a.wav" "$work/qw.wav" --preset "$work/q.fxp" \
    --save-preset "$work/qw.fxp" >"$work/q.txt" 2>&1
  check "QUAR2.dll through the bridge" grep -q "latency: 64 frames" "$work/q.txt"
  check "QUAR2.dll levels like QUAR2.so" cmp -s "$work/qn.wav" "$work/qw.wav"
  check "QUAR2.dll saves the preset it loaded" cmp -s "$work/q.fxp" "$work/qw.fxp"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
