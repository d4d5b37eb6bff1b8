#!/usr/bin/env python3
"""Writes pattern.png, the small RGBA image the drawing tests load from a "DATA" resource.

4 x 2 pixels, non-interlaced 8-bit RGBA, no colour-management chunks (so decoding must give the
exact bytes back):
  row 0: opaque red, opaque green, opaque blue, white at alpha 128
  row 1: opaque black, opaque white, fully transparent, opaque (10, 20, 30)
Only the standard library is used, so anyone can regenerate it.
"""
import struct
import sys
import zlib

PIXELS = [
    [(255, 0, 0, 255), (0, 255, 0, 255), (0, 0, 255, 255), (255, 255, 255, 128)],
    [(0, 0, 0, 255), (255, 255, 255, 255), (0, 0, 0, 0), (10, 20, 30, 255)],
]


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def main(path):
    width, height = len(PIXELS[0]), len(PIXELS)
    raw = b"".join(b"\x00" + b"".join(bytes(p) for p in row) for row in PIXELS)
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "pattern.png")
