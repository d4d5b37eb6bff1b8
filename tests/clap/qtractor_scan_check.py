#!/usr/bin/env python3
"""Debian's Qtractor scans a built QUAR2.clap with its own plug-in scanner (the helper program the
Qtractor application runs for every plug-in file it finds, reading "TYPE:path" lines and
answering one line per plug-in) and must list it as a CLAP effect named QUAR2 with 2 audio inputs
and 2 outputs, no MIDI, 10 parameters and a GUI. Skipped (exit status 77) without Qtractor.

Usage: qtractor_scan_check.py PATH/QUAR2.clap"""
import glob
import os
import subprocess
import sys


def main(argv):
    if len(argv) != 1:
        print(__doc__)
        return 2
    path = os.path.abspath(argv[0])
    scanners = glob.glob("/usr/lib/*/qtractor/qtractor_plugin_scan")
    if not scanners:
        print("Qtractor scan skipped: Qtractor (Debian's qtractor) is not installed")
        return 77
    done = subprocess.run([scanners[0]], input=f"CLAP:{path}\n", capture_output=True, text=True,
                          timeout=60)
    lines = [l for l in done.stdout.splitlines() if l.startswith("CLAP|")]
    print(done.stdout.strip() or done.stderr.strip())
    if done.returncode != 0 or len(lines) != 1:
        print(f"Qtractor's scanner listed {len(lines)} CLAP plug-ins (status {done.returncode})")
        return 1
    # type|name|audio in:out|midi in:out|controls in:out|flags|file|index|id
    fields = lines[0].split("|")
    problems = []
    if fields[1:5] != ["QUAR2", "2:2", "0:0", "10:0"]:
        problems.append(f"name, audio, MIDI and control counts {fields[1:5]}")
    if "GUI" not in fields[5].split(","):
        problems.append(f"no GUI among the flags {fields[5]}")
    if os.path.abspath(fields[6]) != path:
        problems.append(f"file {fields[6]}")
    for p in problems:
        print(f"Qtractor: unexpected {p}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
