#!/usr/bin/env bash
# The Linux and the Windows editor of QUAR2 compared at one fixed state, end to end through
# quar2-host render-editor --offline: QUAR2.so natively in an X11 window, QUAR2.dll under Wine
# through the bridge, both with the same settings and the same audio processed before the editor
# opens (so the same gain history and readouts). The background and the knobs must be
# pixel-identical in both pictures (and the background the artwork's own); text and lines may
# differ by anti-aliasing only, and the share of differing pixels is reported. A side-by-side
# picture (Windows | Linux | difference) goes to ARTIFACT.
# Usage: editor_builds_test.sh NATIVE_BUILD QUAR2_DLL BRIDGE_EXE ARTWORK_DIR ARTIFACT
# Skips (status 77) when the native build has no quar2-host or QUAR2.so, or the .so no editor.
set -u
native=$1 dll=$2 bridge=$3 artwork=$4 artifact=$5
host=$native/host/cli/quar2-host
so=$native/plugin/QUAR2.so
if [ ! -x "$host" ] || [ ! -f "$so" ]; then
  echo "skipped: no native quar2-host and QUAR2.so in $native"
  exit 77
fi
if ! "$host" info "$so" | grep -q HasEditor; then
  echo "skipped: $so has no editor"
  exit 77
fi
export QUAR2_BRIDGE=$bridge
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The state: every slider away from its default (the side-chain switch on), 6 s of generated
# speech, the graph showing the last 4.4 s.
state=(--offline --seconds 6
  --set "SC Filter=On" --set "LF Filter=80Hz" --set "Attack Mode=50ms"
  --set "Push Down [dB]=-12" --set "Pull Up [dB]=17" --set "Recovery=-3" --set "Emphasis=4"
  --set "Output [dB]=-6" --set "[Display Speed]=4.4")
"$host" render-editor "$so" "$work/linux.png" "${state[@]}" >"$work/linux.txt" 2>&1 ||
  { cat "$work/linux.txt"; echo "FAILED: the Linux editor was not pictured"; exit 1; }
"$host" render-editor "$dll" "$work/windows.png" "${state[@]}" >"$work/windows.txt" 2>&1 ||
  { cat "$work/windows.txt"; echo "FAILED: the Windows editor was not pictured"; exit 1; }
echo "Linux:   $(grep "paint times" "$work/linux.txt")"
echo "Windows: $(grep "paint times" "$work/windows.txt")"

exec /usr/bin/python3 - "$work/windows.png" "$work/linux.png" "$artwork" "$artifact" <<'PY'
import sys
import numpy as np
from PIL import Image

windows_path, linux_path, artwork, artifact = sys.argv[1:]
win = np.asarray(Image.open(windows_path).convert("RGB")).astype(int)
lin = np.asarray(Image.open(linux_path).convert("RGB")).astype(int)
bg = np.asarray(Image.open(artwork + "/bg.png").convert("RGB")).astype(int)
failures = []
if win.shape != (600, 430, 3) or lin.shape != win.shape:
    sys.exit(f"FAILED: picture sizes {win.shape} and {lin.shape}, not 430 x 600")

# Knobs: left edge x + 1 + (v - min) / (max - min) * (w - 28), top one pixel below the row.
rows = [  # x, y, w, min, max, value
    (115, 50, 200, 0, 8, 3), (115, 80, 200, 0, 11, 7), (115, 110, 200, -30, 0, -12),
    (115, 140, 200, 0, 30, 17), (115, 170, 200, -10, 0, -3), (115, 200, 200, 0, 10, 4),
    (115, 230, 200, -20, 20, -6), (260, 269, 100, 1, 10, 4.4),
    (150, 11, 100, -80, 0, 0)]  # the Brake, in the header band, "Off"
knobs = np.zeros(bg.shape[:2], bool)
for x, y, w, lo, hi, v in rows:
    left = int(x + 1 + (v - lo) / (hi - lo) * (w - 28))
    knobs[y + 1:y + 16, left:left + 32] = True
# Where text and lines go (anti-aliased differently by GDI+ and cairo): captions, values and step
# names beside each row, the switch, the graph, the readouts and the build label.
ink = np.zeros(bg.shape[:2], bool)
for x, y, w, *_ in rows:
    ink[y - 3:y + 23, max(0, x - 160):x] = True
    ink[y - 3:y + 23, x + w:] = True
ink[268:292, 0:130] = True     # switch caption and box
ink[295:506, 25:392] = True    # graph: cursor and curves
ink[530:592, 110:] = True      # readouts
ink[574:, 0:200] = True        # build label
background = ~(ink | knobs)

same = (win == lin).all(axis=2)
def check(name, ok):
    print(("ok: " if ok else "FAILED: ") + name)
    if not ok:
        failures.append(name)
check("background pixel-identical in both builds "
      f"({int((~same & background).sum())} of {int(background.sum())} differ)",
      same[background].all())
check("and the artwork's own", (win == bg).all(axis=2)[background].all())
check(f"knobs pixel-identical in both builds ({int((~same & knobs).sum())} of "
      f"{int(knobs.sum())} differ)", same[knobs].all())
check("knobs drawn (not the bare background)", not (win == bg).all(axis=2)[knobs].all())
differing = ~same
print(f"differing pixels: {int(differing.sum())} of {differing.size} "
      f"({100.0 * differing.mean():.2f} %), all in the text and line areas: "
      f"{bool(not (differing & ~ink).any())}")
for name, zone in [("graph", (slice(295, 506), slice(25, 392))),
                   ("readouts", (slice(530, 592), slice(110, 430)))]:
    print(f"  {name}: {100.0 * differing[zone].mean():.2f} % of its pixels differ")

# Windows | Linux | difference (black where equal, the larger channel difference, brightened).
diff = np.abs(win - lin).max(axis=2)
diff_rgb = np.zeros_like(win)
diff_rgb[..., 0] = np.where(diff > 0, np.clip(64 + diff * 3, 0, 255), 0)
diff_rgb[..., 1] = np.where(diff > 0, np.clip(diff * 2, 0, 255), 0)
gap = np.full((600, 6, 3), 128)
side = np.concatenate([win, gap, lin, gap, diff_rgb], axis=1).astype(np.uint8)
Image.fromarray(side).save(artifact)
print(f"side by side (Windows | Linux | difference): {artifact}")
sys.exit(1 if failures else 0)
PY
