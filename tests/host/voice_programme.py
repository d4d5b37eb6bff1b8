#!/usr/bin/python3
"""A spoken-word test programme and the measurements a voice producer judges a leveller by.

make:    sentences spoken by espeak-ng, their levels spread over about 30 dB, pauses of 0.3 to
         1.1 s, pink room tone at about -60 dBFS under everything, a touch of reverb (sox).
measure: the standard deviation of the sentence levels (each sentence's mean square), the room
         tone in the pauses relative to the speech (median pause against median sentence), and (by ffmpeg's ebur128) the integrated loudness and the true peak.

The measurements are this script's own (plus ffmpeg's), independent of quar2-host's report.

    voice_programme.py make DIR            writes DIR/programme.wav and DIR/sentences.txt
    voice_programme.py measure DIR FILE    prints the figures of FILE (levelled DIR/programme.wav)
    voice_programme.py check HOST PLUGIN DIR
        makes the programme in DIR, levels it with quar2-host's "podcast" preset to the podcast
        loudness, and fails unless the sentence levels spread by at most 2.5 dB, the pauses rise
        by at most 3 dB relative to the speech, the loudness is -16 +- 0.5 LUFS and the true
        peak at most -1 dBTP
"""

import array
import math
import os
import random
import re
import subprocess
import sys

RATE = 48000
TAIL = 0.15  # seconds of reverb after a sentence that do not count as pause

SENTENCES = [
    "Welcome back to the programme, where we talk about small things that matter.",
    "Today we look at the old railway bridge and the people who kept it standing.",
    "It was built in eighteen ninety, from iron brought up the river by barge.",
    "Nobody expected it to last more than forty years.",
    "And yet the trains still cross it every morning at a quarter past six.",
    "My guest worked on the bridge for most of his life.",
    "He remembers the winter when the river froze from bank to bank.",
    "The ice pushed against the piers for three weeks without a pause.",
    "Every night the crew went out with lamps to listen to the iron.",
    "If it groaned, they said, it was still alive.",
    "If it went quiet, it was time to worry.",
    "In the spring the ice broke up with a noise like thunder.",
    "The bridge held, and the town held a party on the bank.",
    "These days the work is done with sensors and laptops.",
    "But some of the old crew still walk across it on Sundays.",
    "Thank you for listening, and see you next week.",
]


def run(*cmd):
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def read_mono(path):
    """The file as mono float samples at RATE (sox mixes and converts)."""
    raw = subprocess.run(["sox", path, "-t", "f32", "-r", str(RATE), "-c", "1", "-"],
                         check=True, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
    samples = array.array("f")
    samples.frombytes(raw)
    return samples


def db(power):
    return 10.0 * math.log10(max(power, 1e-20))


def mean_square(x, a, b):
    n = max(1, b - a)
    return sum(v * v for v in x[a:b]) / n


def make(folder):
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(25)
    count = len(SENTENCES)
    # Levels spread evenly over 30 dB, in a shuffled order (loud and quiet next to each other).
    offsets = [-30.0 * i / (count - 1) for i in range(count)]
    rng.shuffle(offsets)
    parts, spans, at = [], [], 0.0
    lead = os.path.join(folder, "lead.wav")
    run("sox", "-n", "-r", str(RATE), "-c", "1", "-b", "32", "-e", "floating-point", lead,
        "trim", "0", "0.8")
    parts.append(lead)
    at = 0.8
    for i, (text, offset) in enumerate(zip(SENTENCES, offsets)):
        spoken = os.path.join(folder, "s%02d_tts.wav" % i)
        sentence = os.path.join(folder, "s%02d.wav" % i)
        run("espeak-ng", "-v", "en-gb" if i % 2 else "en-us", "-s", "155", "-w", spoken, text)
        # Each sentence peaks at -3 dBFS before its offset; the voice's own silences trimmed.
        run("sox", spoken, "-r", str(RATE), "-c", "1", "-b", "32", "-e", "floating-point",
            sentence, "silence", "1", "0.01", "0.5%", "reverse", "silence", "1", "0.01", "0.5%",
            "reverse", "norm", "-3", "gain", "%.2f" % offset)
        length = float(subprocess.run(["soxi", "-D", sentence], check=True,
                                      stdout=subprocess.PIPE).stdout)
        spans.append((at, at + length, offset))
        parts.append(sentence)
        at += length
        pause = os.path.join(folder, "p%02d.wav" % i)
        seconds = rng.uniform(0.3, 1.1)
        run("sox", "-n", "-r", str(RATE), "-c", "1", "-b", "32", "-e", "floating-point", pause,
            "trim", "0", "%.3f" % seconds)
        parts.append(pause)
        at += seconds
    voice = os.path.join(folder, "voice.wav")
    run("sox", *parts, voice)
    total = float(subprocess.run(["soxi", "-D", voice], check=True,
                                 stdout=subprocess.PIPE).stdout)
    # The room: a little reverb on the voice, pink room tone at about -60 dBFS RMS under it all.
    room = os.path.join(folder, "room.wav")
    run("sox", "-R", "-n", "-r", str(RATE), "-c", "1", "-b", "32", "-e", "floating-point", room,
        "synth", "%.3f" % total, "pinknoise", "gain", "-41.5")
    wet = os.path.join(folder, "wet.wav")
    run("sox", voice, wet, "reverb", "15", "50", "40", "100", "0", "0")
    run("sox", "-m", wet, room, "-c", "2", "-b", "32", "-e", "floating-point",
        os.path.join(folder, "programme.wav"), "remix", "1", "1", "trim", "0", "%.3f" % total)
    with open(os.path.join(folder, "sentences.txt"), "w") as f:
        for start, end, offset in spans:
            f.write("%.4f %.4f %.1f\n" % (start, end, offset))
    for name in os.listdir(folder):
        if re.match(r"(s\d\d|p\d\d|s\d\d_tts|lead|voice|wet|room)\.wav$", name):
            os.remove(os.path.join(folder, name))


def sentence_spans(folder):
    with open(os.path.join(folder, "sentences.txt")) as f:
        return [tuple(float(v) for v in line.split()) for line in f if line.strip()]


def ebur128(path):
    """Integrated loudness (LUFS) and true peak (dBTP) by ffmpeg's ebur128 filter."""
    err = subprocess.run(["ffmpeg", "-nostats", "-hide_banner", "-i", path, "-af",
                          "ebur128=peak=true", "-f", "null", "-"], check=True,
                         stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True).stderr
    summary = err[err.rfind("Summary:"):]
    loudness = float(re.search(r"I:\s+(-?[\d.]+|-inf) LUFS", summary).group(1))
    peak = float(re.search(r"Peak:\s+(-?[\d.]+|-inf) dBFS", summary).group(1))
    return loudness, peak


def measure(folder, path):
    """Sentence-level spread, pauses relative to the speech, loudness and true peak."""
    x = read_mono(path)
    spans = sentence_spans(folder)
    levels = [db(mean_square(x, int(a * RATE), int(b * RATE))) for a, b, _ in spans]
    mean = sum(levels) / len(levels)
    spread = math.sqrt(sum((l - mean) ** 2 for l in levels) / len(levels))
    # Each pause from 150 ms after a sentence (past the reverb's tail) to the next sentence.
    pauses = []
    for (_, end, _), (start, _, _) in zip(spans, spans[1:]):
        pauses.append(db(mean_square(x, int((end + TAIL) * RATE), int(start * RATE))))
    pauses.sort()
    speech = sorted(levels)
    loudness, peak = ebur128(path)
    return {"spread": spread, "pauses": pauses[len(pauses) // 2] - speech[len(speech) // 2],
            "lufs": loudness,
            "peak": peak}


def check(host, plugin, folder):
    make(folder)
    programme = os.path.join(folder, "programme.wav")
    levelled = os.path.join(folder, "podcast.wav")
    run(host, "process", plugin, programme, levelled, "--preset", "podcast", "--loudness",
        "podcast")
    before, after = measure(folder, programme), measure(folder, levelled)
    raised = after["pauses"] - before["pauses"]
    print("input:  spread %.2f dB, pauses %.2f dB below the speech" %
          (before["spread"], -before["pauses"]))
    print("output: spread %.2f dB, pauses %.2f dB below the speech (raised by %.1f dB), "
          "%.2f LUFS, %.2f dBTP" % (after["spread"], -after["pauses"], raised, after["lufs"],
                                    after["peak"]))
    failures = []
    if after["spread"] > 2.5:
        failures.append("sentence levels spread by %.2f dB (at most 2.5)" % after["spread"])
    if raised > 3.0:
        failures.append("pauses raised by %.1f dB (at most 3)" % raised)
    if abs(after["lufs"] + 16.0) > 0.5:
        failures.append("%.2f LUFS (-16 +- 0.5)" % after["lufs"])
    if after["peak"] > -1.0:
        failures.append("true peak %.2f dBTP (at most -1)" % after["peak"])
    for failure in failures:
        print("FAILED: " + failure)
    return 1 if failures else 0


def main():
    if len(sys.argv) == 5 and sys.argv[1] == "check":
        sys.exit(check(sys.argv[2], sys.argv[3], sys.argv[4]))
    if len(sys.argv) == 3 and sys.argv[1] == "make":
        make(sys.argv[2])
    elif len(sys.argv) == 4 and sys.argv[1] == "measure":
        m = measure(sys.argv[2], sys.argv[3])
        print("spread %.2f dB  pauses %.2f dB  %.2f LUFS  %.2f dBTP" %
              (m["spread"], m["pauses"], m["lufs"], m["peak"]))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
