#!/usr/bin/env bash
# QUAR2 in Ardour 7, headless (its Lua session tool on the dummy backend, then its export tool):
# Ardour's own scanners index QUAR2.vst3 and QUAR2.so, a session per format levels a speech-like
# test voice through the plug-in with the same settings, Ardour reports latency 64 as soon as
# the plug-in is inserted, and both sessions export the same samples.
# Usage: ardour_check.sh BUNDLE VST2_SO   (exit 77, CTest's "skipped", without Ardour)
#
# Ardour 7.3's headless tools here abort now and then with a heap error while they shut down
# or export, also with no plug-in in the session at all, and now and then hang instead; each
# step has a time limit and is retried a few times.
set -uo pipefail
bundle=$1 vst2=$2
here=$(cd "$(dirname "$0")" && pwd)
if ! command -v ardour7-lua >/dev/null || ! command -v ardour7-export >/dev/null; then
  echo "vst3_ardour: skipped (Ardour 7 is not installed: scripts/install-deps.sh installs it)"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A home of its own: Ardour's configuration, caches and the plug-in folders it searches.
export HOME=$work/home
mkdir -p "$HOME/.vst3" "$HOME/.lxvst" "$HOME/.config/ardour7/scripts"
ln -s "$bundle" "$HOME/.vst3/QUAR2.vst3"
ln -s "$vst2" "$HOME/.lxvst/QUAR2.so"
cp "$here/ardour/quar2_test_voice.lua" "$HOME/.config/ardour7/scripts/"
export LXVST_PATH=$HOME/.lxvst

scanner() { LD_LIBRARY_PATH=/usr/lib/ardour7 "/usr/lib/ardour7/ardour-$1-scanner" -f "$2" 2>&1; }
scanner vst3 "$HOME/.vst3/QUAR2.vst3" >"$work/scan3.log"
grep -q "Found Plugin: QUAR2" "$work/scan3.log" ||
  { cat "$work/scan3.log"; echo "Ardour's VST3 scanner did not find QUAR2"; exit 1; }
scanner vst "$HOME/.lxvst/QUAR2.so" >"$work/scan2.log"
grep -q "Found Plugin: .* QUAR2" "$work/scan2.log" ||
  { cat "$work/scan2.log"; echo "Ardour's VST2 scanner did not find QUAR2"; exit 1; }
echo "Ardour's scanners found QUAR2.vst3 and QUAR2.so"

# Runs "$@" until it exits normally (not killed by a signal, not stopped by the time limit), at
# most three times. A step takes a few seconds; one still running after 40 s has hung.
step_limit=${QUAR2_ARDOUR_STEP_SECONDS:-40}
retry() {
  local status
  for attempt in 1 2 3; do
    "$@" >"$work/step.log" 2>&1
    status=$?
    if [ $status -eq 124 ] || [ $status -eq 137 ]; then
      echo "  ($1: Ardour hung, stopped after $step_limit s, attempt $attempt)"
    elif [ $status -lt 128 ]; then
      return $status
    else
      echo "  ($1: Ardour aborted with status $status, attempt $attempt)"
    fi
    aborted=1
  done
  return $status
}

# Each attempt starts from nothing: a tool that aborted after saving leaves a session behind,
# which a second create_session would open and add a second bus to.
limited() { timeout -k 5 "$step_limit" "$@"; }
make_session() { rm -rf "$dir"; limited ardour7-lua "$here/ardour/session.lua" "$dir" check "$format"; }
export_session() {
  rm -f "$work/$format.wav"
  limited ardour7-export -b float -o "$work/$format.wav" "$dir" check
}

# Both sessions, their exports and the comparison: 0 the same samples, 2 different ones.
check_once() {
  for format in vst3 vst2; do
    dir=$work/$format
    if ! retry make_session ||
      ! grep -q '^saved' "$work/step.log"; then
      cat "$work/step.log"; echo "$format: no session"; exit 1
    fi
    latency=$(sed -n 's/^latency //p' "$work/step.log")
    echo "$format: latency $latency as inserted"
    [ "$latency" = 64 ] || { cat "$work/step.log"; echo "$format: latency is not 64"; exit 1; }
    # Ten seconds of session range to export (superclock ticks: 282240000 per second).
    sed -i 's|<Locations/>|<Locations><Location id="9001" name="session" start="a0" end="a2822400000" flags="IsSessionRange" locked="0" timestamp="0" cue="0"/></Locations>|' \
      "$dir/check.ardour"
    if ! retry export_session || [ ! -s "$work/$format.wav" ]; then
      cat "$work/step.log"; echo "$format: export failed"; exit 1
    fi
    sox -V1 "$work/$format.wav" -t f32 "$work/$format.raw"
  done
  peak=$(sox -V1 "$work/vst3.wav" -n stat 2>&1 | sed -n 's/^Maximum amplitude: *//p')
  echo "exported 10 s each, peak $peak"
  awk -v p="$peak" 'BEGIN { exit !(p > 0.01) }' || { echo "the export is silent"; exit 1; }
  if cmp -s "$work/vst3.raw" "$work/vst2.raw"; then
    echo "QUAR2.vst3 and QUAR2.so exported the same samples in Ardour"
  else
    cmp "$work/vst3.raw" "$work/vst2.raw" | head -1
    echo "QUAR2.vst3 and QUAR2.so exported different audio in Ardour"
    return 2
  fi
}

aborted=0
check_once
status=$?
# A run in which Ardour aborted and was retried leaves its own state behind in ways that have
# made the first export of a session differ once: such a run is done again whole, once, before a
# difference counts.
if [ $status -eq 2 ] && [ $aborted -eq 1 ]; then
  echo "Ardour aborted during that run: both sessions once more from the start"
  aborted=0
  check_once
  status=$?
fi
exit $status
