#!/usr/bin/env python3
"""Audio for the Ardour stage: the test signal as a WAV file, and checks of
what Ardour exported.

  stage_audio.py signal OUT SECONDS      the test signal (48 kHz, stereo, float)
  stage_audio.py match RENDER EXPORT     EXPORT equals a stretch of RENDER exactly
  stage_audio.py ramp EXPORT             the level rises quarter by quarter
"""
import math
import struct
import sys

RATE = 48000


def signal_value(k, channel):
    # The same integer steps as the Lua processor, so both are exact floats.
    return (((k * 1103515245 + 12345 * channel) >> 8) & 0xFFFF) / 65536.0 - 0.5


def write_float_wav(path, frames):
    data = struct.pack("<%df" % (2 * len(frames)), *[v for frame in frames for v in frame])
    fmt = struct.pack("<HHIIHH", 3, 2, RATE, RATE * 8, 8, 32)
    with open(path, "wb") as out:
        out.write(b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(data)) + b"WAVE")
        out.write(b"fmt " + struct.pack("<I", len(fmt)) + fmt)
        out.write(b"data" + struct.pack("<I", len(data)) + data)


def read_float_wav(path):
    """Frames of a 32-bit float WAV file as (left, right) pairs."""
    with open(path, "rb") as f:
        blob = f.read()
    if blob[:4] != b"RIFF" or blob[8:12] != b"WAVE":
        sys.exit("%s: not a WAV file" % path)
    pos, channels, tag, bits, data = 12, 0, 0, 0, None
    while pos + 8 <= len(blob):
        cid, size = blob[pos:pos + 4], struct.unpack("<I", blob[pos + 4:pos + 8])[0]
        body = blob[pos + 8:pos + 8 + size]
        if cid == b"fmt ":
            tag, channels = struct.unpack("<HH", body[:4])
            bits = struct.unpack("<H", body[14:16])[0]
            if tag == 0xFFFE:
                tag = struct.unpack("<H", body[24:26])[0]
        elif cid == b"data":
            data = body
        pos += 8 + size + (size & 1)
    if tag != 3 or bits != 32 or channels != 2 or data is None:
        sys.exit("%s: not stereo 32-bit float (format %d, %d bits, %d channels)" % (path, tag, bits, channels))
    values = struct.unpack("<%df" % (len(data) // 4), data[:len(data) // 4 * 4])
    return list(zip(values[0::2], values[1::2]))


def match(render_path, export_path):
    render = read_float_wav(render_path)
    export = read_float_wav(export_path)
    if not export:
        sys.exit("the export is empty")
    # Ardour ran the bus before the export began: the export is a later
    # stretch of the same output. Find where it starts, then every sample.
    probe = 64
    starts = [d for d in range(len(render) - len(export) + 1) if render[d:d + probe] == export[:probe]]
    if not starts:
        sys.exit("no stretch of the render begins as the export does (%d export frames)" % len(export))
    d = starts[0]
    for i, (a, b) in enumerate(zip(render[d:], export)):
        if a != b:
            sys.exit("aligned at frame %d, but frame %d differs: render %r, Ardour %r" % (d, i, a, b))
    loud = max(abs(v) for frame in export for v in frame)
    if loud < 0.05:
        sys.exit("the export is nearly silent (peak %g): nothing to compare" % loud)
    print("equal sample for sample: %d frames of Ardour's export from frame %d of the render (peak %.3f)"
          % (len(export), d, loud))


def ramp(export_path):
    export = read_float_wav(export_path)
    quarter = len(export) // 4
    levels = []
    for q in range(4):
        part = export[q * quarter:(q + 1) * quarter]
        levels.append(math.sqrt(sum(l * l + r * r for l, r in part) / (2 * len(part))))
    print("level by quarter: " + ", ".join("%.4f" % v for v in levels))
    if not all(b > a * 1.05 for a, b in zip(levels, levels[1:])) or levels[3] < 4 * levels[0]:
        sys.exit("the Dry Level ramp does not show in the output")


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "signal":
        frames = int(float(sys.argv[3]) * RATE)
        write_float_wav(sys.argv[2], [(signal_value(k, 1), signal_value(k, 2)) for k in range(frames)])
    elif len(sys.argv) == 4 and sys.argv[1] == "match":
        match(sys.argv[2], sys.argv[3])
    elif len(sys.argv) == 3 and sys.argv[1] == "ramp":
        ramp(sys.argv[2])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
