#!/usr/bin/env python3
"""Runs the CLAP project's clap-info on a built QUAR2.clap and checks its JSON: the descriptor,
one stereo input and output port, the ten parameters, latency 64, a 260-byte state and the
editor's window API. The tool comes from the folder QUAR2_FORMAT_TOOLS names (its win/ copy under
Wine with --wine RUNNER); without it the check says that it skipped (exit status 77).

Usage: clap_info_check.py [--wine RUNNER] PATH/QUAR2.clap"""
import json
import os
import subprocess
import sys

SKIP = 77

PARAMETERS = [
    ("SC Filter", 0, 1, 0), ("LF Filter", 0, 8, 0), ("Attack Mode", 0, 11, 0),
    ("Push Down", -30, 0, 0), ("Pull Up", 0, 30, 0), ("Recovery", -10, 0, -5),
    ("Emphasis", 0, 10, 0), ("Output", -20, 20, 0), ("Display Speed", 1, 10, 10),
    ("Brake", -80, 0, 0),
]


def check(report, windows):
    problems = []

    def expect(condition, what):
        if not condition:
            problems.append(what)

    expect(report.get("plugin_count") == 1, "one plug-in in the file")
    plugin = report["plugins"][0]
    d = plugin["descriptor"]
    expect(d.get("id") == "com.tesselaudio.quar2", f"id {d.get('id')}")
    expect(d.get("name") == "QUAR2", f"name {d.get('name')}")
    expect(d.get("vendor") == "Tessel Audio", f"vendor {d.get('vendor')}")
    expect(d.get("features") == ["audio-effect", "stereo", "compressor"],
           f"features {d.get('features')}")
    ext = plugin["extensions"]

    ports = ext.get("clap.audio-ports", {})
    expect(ports.get("implemented") is True, "audio-ports implemented")
    for side in ("input", "output"):
        listed = ports.get(f"{side}-ports", [])
        expect(ports.get(f"{side}-port-count") == 1 and len(listed) == 1, f"one {side} port")
        if listed:
            p = listed[0]
            expect(p.get("channel-count") == 2 and p.get("port-type") == "stereo",
                   f"{side} port stereo: {p}")
            expect("CLAP_AUDIO_PORT_IS_MAIN" in p["flags"]["fields"] and
                   "CLAP_AUDIO_PORT_SUPPORTS_64BITS" in p["flags"]["fields"],
                   f"{side} port main, 64-bit: {p['flags']}")

    params = ext.get("clap.params", {})
    expect(params.get("param-count") == 10, f"ten parameters, not {params.get('param-count')}")
    infos = params.get("param-info", [])
    for i, (name, low, high, default) in enumerate(PARAMETERS):
        if i >= len(infos):
            break
        info = infos[i]
        values = info.get("values", {})
        expect(info.get("name") == name, f"parameter {i} named {info.get('name')}")
        expect((values.get("min"), values.get("max"), values.get("default")) ==
               (low, high, default), f"{name} range/default {values}")
        expect(values.get("current") == default, f"{name} starts at its default: {values}")
        expect("auto" in info.get("flags", []), f"{name} automatable")

    expect(ext.get("clap.latency", {}).get("latency") == 64, f"latency {ext.get('clap.latency')}")
    state = ext.get("clap.state", {})
    expect(state.get("implemented") is True and state.get("bytes-written") == 260,
           f"state {state}")
    api = "win32" if windows else "x11"
    gui = ext.get("clap.gui", {})
    expect(gui.get("api_supported") == [api] and
           gui.get("preferred_api") == {"api": api, "floating": False}, f"gui {gui}")
    expect(ext.get("clap.timer-support", {}).get("implemented") is True, "timer-support")
    if not windows:
        expect(ext.get("clap.posix-fd-support", {}).get("implemented") is True,
               "posix-fd-support")
    return problems


def main(argv):
    runner = None
    if len(argv) > 2 and argv[0] == "--wine":
        runner, argv = argv[1], argv[2:]
    if len(argv) != 1:
        print(__doc__)
        return 2
    path = os.path.abspath(argv[0])
    tools = os.environ.get("QUAR2_FORMAT_TOOLS", "")
    tool = os.path.join(tools, "win", "clap-info.exe") if runner else os.path.join(tools, "clap-info")
    if not tools or not os.path.isfile(tool):
        print(f"clap-info check skipped: QUAR2_FORMAT_TOOLS does not name the format checkers "
              f"({tool if tools else 'QUAR2_FORMAT_TOOLS is not set'})")
        return SKIP
    command = [runner, tool, "Z:" + path.replace("/", "\\")] if runner else [tool, path]
    done = subprocess.run(command, capture_output=True, text=True, timeout=100)
    start = done.stdout.find("{")
    try:
        report = json.loads(done.stdout[start:]) if start >= 0 else None
    except json.JSONDecodeError as e:
        report = None
        print(f"clap-info's output is not JSON: {e}")
    if done.returncode != 0 or report is None:
        print(f"clap-info failed (status {done.returncode}):\n{done.stdout}\n{done.stderr}")
        return 1
    problems = check(report, windows=runner is not None)
    for p in problems:
        print(f"clap-info: unexpected {p}")
    print(f"clap-info on {path}: {'OK' if not problems else f'{len(problems)} problems'}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
