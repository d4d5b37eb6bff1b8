#!/usr/bin/python3
"""Draws the levels that `quar2-host process --levels` wrote: the input's level, the output's
level and the gain applied, over time.

usage: plot_levels.py LEVELS.csv OUT.png [--title TEXT]

Run it with Debian's /usr/bin/python3, which has python3-matplotlib.
"""
import argparse
import csv
import math
import sys

import matplotlib

matplotlib.use("Agg")  # no display needed
import matplotlib.pyplot as plt  # noqa: E402

FLOOR_DB = -70.0  # quieter blocks are drawn at the floor


def smooth(values, window):
    """Centred moving average of a list that may hold None (no value)."""
    out = []
    half = window // 2
    for i in range(len(values)):
        part = [v for v in values[max(0, i - half):i + half + 1] if v is not None]
        out.append(sum(part) / len(part) if part else None)
    return out


def power_smooth(db_values, window):
    """Moving average in the power domain, so short silences do not drag a level to -inf."""
    powers = [10.0 ** (v / 10.0) for v in db_values]
    avg = smooth(powers, window)
    return [max(FLOOR_DB, 10.0 * math.log10(p)) if p and p > 0 else FLOOR_DB for p in avg]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("csv")
    parser.add_argument("png")
    parser.add_argument("--title", default="QUAR2: input level, output level and gain")
    args = parser.parse_args()

    times, level_in, level_out, gain = [], [], [], []
    with open(args.csv, newline="") as f:
        reader = csv.DictReader(f)
        expected = {"time_s", "input_dbfs", "output_dbfs", "gain_db"}
        if reader.fieldnames is None or not expected.issubset(reader.fieldnames):
            sys.exit(f"{args.csv}: not a levels file (columns {sorted(expected)} expected)")
        for row in reader:
            times.append(float(row["time_s"]))
            level_in.append(float(row["input_dbfs"]))
            level_out.append(float(row["output_dbfs"]))
            gain.append(float(row["gain_db"]) if row["gain_db"] else None)
    if not times:
        sys.exit(f"{args.csv}: no rows")

    step = times[1] - times[0] if len(times) > 1 else 0.01
    window = max(1, int(round(0.1 / step)))  # about 100 ms
    fig, (top, bottom) = plt.subplots(2, 1, figsize=(12, 7), sharex=True,
                                      gridspec_kw={"height_ratios": [3, 2]})
    top.plot(times, power_smooth(level_in, window), color="#c0392b", lw=1.0, label="input")
    top.plot(times, power_smooth(level_out, window), color="#2471a3", lw=1.0, label="output")
    top.set_ylabel("level (dBFS, 100 ms RMS)")
    top.set_ylim(FLOOR_DB, 0)
    top.grid(alpha=0.3)
    top.legend(loc="lower right")
    top.set_title(args.title)

    bottom.plot(times, smooth(gain, window), color="#1e8449", lw=1.2)
    bottom.axhline(0, color="grey", lw=0.8)
    bottom.set_ylabel("gain (dB)")
    bottom.set_xlabel("time (s)")
    bottom.grid(alpha=0.3)
    fig.tight_layout()
    fig.savefig(args.png, dpi=100)


if __name__ == "__main__":
    main()
