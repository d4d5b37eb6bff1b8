#!/usr/bin/env bash
# make demo: levels a spoken-word recording with strong level swings through QUAR2, once as the
# Windows plug-in under Wine (QUAR2.dll through quar2-bridge.exe) and once as the Linux plug-in
# (QUAR2.so), checks that both agree, and writes under out/:
#   input.wav      the recording (espeak-ng sentences at very different levels, with pauses)
#   levelled.wav   the levelled recording, brought to the podcast target (-16 LUFS, -1 dBTP)
#   report.json    every measurement before and after, the settings and the versions
#   voice.fxp      the preset used
#   levels.csv     per-block input level, output level and gain; levels.png draws them
#   editor.png     the Windows plug-in's editor while the recording plays (under Wine)
#   editor-linux.png  the Linux plug-in's editor, the same way (natively, in an X11 window)
#   QUAR2.vst3     the VST3 bundle for both platforms (Contents/x86_64-win, Contents/x86_64-linux)
# and ends with the loudness before and after, as quar2-host and as ffmpeg measure it. Runs as root with no display: the Wine part
# runs inside xvfb-run with a Wine prefix under the build folder.
# Build folders: NATIVE_BUILD (default build/native) and WIN_BUILD (default build/win64).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
native=${NATIVE_BUILD:-build/native}
win=${WIN_BUILD:-build/win64}
export WINEPREFIX="$root/$win/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

if [ -z "${QUAR2_IN_XVFB:-}" ]; then
  # A wineserver started without a display cannot open the editor's window later.
  wineserver -k 2>/dev/null || true
  QUAR2_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

host=$native/host/cli/quar2-host
so=$native/plugin/QUAR2.so
dll=$win/plugin/QUAR2.dll
export QUAR2_BRIDGE="$root/$win/host/bridge/quar2-bridge.exe"
for f in "$host" "$so" "$dll" "$QUAR2_BRIDGE" "$native/QUAR2.vst3/Contents/x86_64-linux/QUAR2.so" \
  "$win/QUAR2.vst3/Contents/x86_64-win/QUAR2.vst3"; do
  [ -f "$f" ] || { echo "demo: $f is missing (run make demo, which builds it)" >&2; exit 1; }
done
py=/usr/bin/python3 # Debian's, with matplotlib and numpy
out=out
work=$(mktemp -d)
trap 'rm -rf "$work"; wineserver -k 2>/dev/null || true' EXIT
mkdir -p "$out"
rm -f "$out/editor.png" "$out/editor-linux.png" # never show a picture left from an earlier run

echo "== making a spoken-word recording with strong level swings"
# Sentence, gain in dB, pause after it in seconds: from close and loud to far and quiet.
lines=(
  "Good evening, and welcome to the programme.|-1|0.8"
  "Tonight we talk about the weather in the mountains.|-26|1.0"
  "It was a cold winter, and the roads were closed for weeks.|-8|0.6"
  "Our guest joins us from a very small studio far away.|-32|1.2"
  "Thank you for having me, it is a pleasure to be here!|-3|0.7"
  "Let us begin with the first question from our listeners.|-20|0.9"
  "Why does the snow stay so long on the northern slopes?|-12|1.0"
)
parts=()
i=0
for entry in "${lines[@]}"; do
  IFS='|' read -r text gain pause <<<"$entry"
  espeak-ng -v en-gb -s 150 -w "$work/s$i.wav" "$text"
  # Peak-normalise each sentence first, so the gains alone set the swings.
  sox "$work/s$i.wav" -r 48000 -c 1 -b 16 "$work/p$i.wav" norm -1 gain "$gain" pad 0 "$pause"
  parts+=("$work/p$i.wav")
  i=$((i + 1))
done
sox "${parts[@]}" "$out/input.wav"
echo "   $out/input.wav: $(soxi -D "$out/input.wav") s"

# The factory preset for one voice at a desk microphone ("podcast", presets/podcast.fxp): loud
# passages pushed down towards -24 dB, quiet ones pulled up by as much as 30 dB, and the Brake at
# -50 dB, so that the gain holds in the pauses instead of lifting the room with the quiet words.
# Then one static gain to the podcast target, -16 LUFS.
settings=(--preset podcast)

echo "== levelling through QUAR2.so (Linux)"
"$host" process "$so" "$out/input.wav" "$out/levelled.wav" "${settings[@]}" \
  --loudness podcast --report "$out/report.json" \
  --save-preset "$out/voice.fxp" --levels "$out/levels.csv" | tee "$work/so.txt"

echo "== levelling through QUAR2.dll (Windows, under Wine)"
"$root/scripts/wine-prefix.sh"
"$host" process "$dll" "$out/input.wav" "$work/levelled-dll.wav" --preset "$out/voice.fxp" \
  --loudness podcast | tee "$work/dll.txt"

echo "== comparing the two"
"$py" - "$out/levelled.wav" "$work/levelled-dll.wav" <<'PY'
import sys, wave
import numpy as np
def load(path):
    with wave.open(path) as w:
        return np.frombuffer(w.readframes(w.getnframes()), dtype="<i2").astype(np.float64) / 32768
a, b = load(sys.argv[1]), load(sys.argv[2])
if a.shape != b.shape:
    sys.exit(f"demo: the outputs differ in length ({a.size} and {b.size} samples)")
diff = np.max(np.abs(a - b)) if a.size else 0.0
print(f"   largest difference: {diff * 32768:.0f} of 32768 (16-bit steps)")
# The two builds use different compilers and maths libraries; their outputs may differ in the
# last bits of a float, which is at most a step or two once written as 16-bit audio.
if diff > 4 / 32768:
    sys.exit("demo: QUAR2.dll and QUAR2.so do not agree")
print("   QUAR2.dll and QUAR2.so agree")
PY

echo "== drawing $out/levels.png"
"$py" "$root/scripts/plot_levels.py" "$out/levels.csv" "$out/levels.png"

# picture PLUGIN OUT: the plug-in's editor while the recording plays, with the demo's preset.
picture() {
  if ! "$host" info "$1" | grep -q "HasEditor"; then
    echo "   $(basename "$1") has no editor; $2 not written"
  elif ! "$host" render-editor "$1" "$2" --input "$out/input.wav" --preset "$out/voice.fxp" \
    --seconds 8; then
    echo "   the editor could not be pictured; $2 not written"
  fi
}
echo "== picturing the editor of QUAR2.dll (Windows, under Wine)"
picture "$dll" "$out/editor.png"
echo "== picturing the editor of QUAR2.so (Linux, natively)"
picture "$so" "$out/editor-linux.png"

echo "== assembling $out/QUAR2.vst3 (one bundle for Windows and Linux)"
rm -rf "$out/QUAR2.vst3"
cp -r "$native/QUAR2.vst3" "$out/QUAR2.vst3"
cp -r "$win/QUAR2.vst3/Contents/x86_64-win" "$out/QUAR2.vst3/Contents/"
(cd "$out" && find QUAR2.vst3 -type f | sort | sed 's/^/   /')

# The table's rows: label, input figure and unit, output figure and unit.
row() { sed -n "s/^$1  *\([^ ]*\) [A-Za-z]*  *\([^ ]*\) [A-Za-z]*\$/\\$2/p" "$work/so.txt"; }
ff=$(ffmpeg -nostats -hide_banner -i "$out/levelled.wav" -af ebur128=peak=true -f null - 2>&1 |
  sed -n '/Summary:/,$p')
ffmpeg_i=$(sed -n 's/^ *I: *\(.*\) LUFS$/\1/p' <<<"$ff")
ffmpeg_tp=$(sed -n '/True peak:/,$p' <<<"$ff" | sed -n 's/^ *Peak: *\(.*\) dBFS$/\1/p' | head -1)
echo
echo "results in $out/: input.wav levelled.wav report.json voice.fxp levels.csv levels.png QUAR2.vst3$([ -f "$out/editor.png" ] && echo " editor.png")$([ -f "$out/editor-linux.png" ] && echo " editor-linux.png")"
echo "loudness range before: $(row "loudness range" 1) LU"
echo "loudness range after:  $(row "loudness range" 2) LU"
echo "integrated loudness before: $(row integrated 1) LUFS, after: $(row integrated 2) LUFS (target -16, podcast)"
echo "true peak after: $(row "true peak" 2) dBTP (ceiling -1)"
echo "pauses against the speech: $(row "pauses vs speech" 1) dB before, $(row "pauses vs speech" 2) dB after"
echo "ffmpeg's ebur128 measures levelled.wav at $ffmpeg_i LUFS, true peak $ffmpeg_tp dBTP"
echo "CLAP plug-ins built beside the VST 2.4 ones: $native/clap/QUAR2.clap (Linux), $win/clap/QUAR2.clap (Windows)"
