#!/usr/bin/env bash
# process --loudness podcast on 10 minutes of stereo 24-bit speech (espeak-ng and sox) next to
# ffmpeg's loudnorm on the same file, alternating, in one run; prints the wall times and the
# ratio. Usage: scripts/bench-loudness.sh QUAR2-HOST QUAR2.so [OTHER-QUAR2-HOST] [RUNS]
set -euo pipefail
abs() { [ -z "$1" ] || realpath "$1"; }
host=$(abs "$1") plugin=$(abs "$2") other=$(abs "${3:-}") runs=${4:-2}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
text="Good evening, and welcome to the programme. Tonight we talk about the weather in the
mountains, the roads that were closed for weeks, and the people who kept the villages going
through the long winter. Our guest joins us from far away. Thank you, it is a pleasure!"
espeak-ng -v en-gb -s 160 -w a.wav "$text"
espeak-ng -v en-us -s 150 -p 30 -w b.wav "$text"
sox a.wav -r 48000 -c 2 -b 24 a2.wav norm -3 pad 0 0.7
sox b.wav -r 48000 -c 2 -b 24 b2.wav norm -9 pad 0 0.5
sox a2.wav b2.wav ab.wav
sox ab.wav ab.wav ab.wav ab.wav ab.wav ab.wav ab.wav ab.wav ab.wav ab.wav ab.wav ab.wav ab.wav \
  ab.wav ab.wav ab.wav ab.wav ab.wav ab.wav ab.wav ab.wav ab.wav ab.wav ab.wav ab.wav long.wav
sox long.wav -b 24 in.wav trim 0 600
seconds() { local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null 2>&1; t1=$(date +%s.%N); echo "$t1 - $t0" | bc; }
best() { sort -g | head -1; }
declare -A times
for ((i = 0; i < runs; ++i)); do
  times[host]+="$(seconds "$host" process "$plugin" in.wav out.wav --loudness podcast -q)"$'\n'
  times[ffmpeg]+="$(seconds ffmpeg -nostats -y -i in.wav -af loudnorm=I=-16:TP=-1 -c:a pcm_s24le ff.wav)"$'\n'
  if [ -n "$other" ]; then
    times[other]+="$(seconds "$other" process "$plugin" in.wav out2.wav --loudness podcast -q)"$'\n'
  fi
done
ff=$(printf %s "${times[ffmpeg]}" | best)
printf '%-28s %8s %8s\n' "" "seconds" "/ffmpeg"
printf '%-28s %8.2f %8.2f\n' "ffmpeg loudnorm" "$ff" 1
h=$(printf %s "${times[host]}" | best)
printf '%-28s %8.2f %8.2f\n' "$host" "$h" "$(echo "$h / $ff" | bc -l)"
if [ -n "$other" ]; then
  o=$(printf %s "${times[other]}" | best)
  printf '%-28s %8.2f %8.2f\n' "$other" "$o" "$(echo "$o / $ff" | bc -l)"
fi
