#!/usr/bin/env python3
"""Checks of the LV2 bundle against the effect's parameter table, read
straight from its header (an independent reading of the same rows).

  lv2_check.py ports HEADER LV2INFO_OUTPUT   every port's name, range, default,
                                             properties and scale points
  lv2_check.py normalised HEADER SYM=UNITS.. parfelle-host --set options giving
                                             the VST plug-in the same stored values
                                             (SYM a port symbol or #INDEX)
  lv2_check.py same A.wav B.wav              two float WAV files equal exactly
"""
import math
import os
import re
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "ardour"))
from stage_audio import read_float_wav  # noqa: E402

ROW = re.compile(r'X\((k\w+), "([^"]+)", (kUnit\w+), ([-\d.]+)f, ([-\d.]+)f, ([-\d.]+)f, (k\w+), ')
LIST = re.compile(r'(k\w+Names)\[\] = \{([^}]*)\}')


def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def symbol(name):
    return "_".join(w.lower() for w in re.split(r"[^A-Za-z0-9]+", name) if w)


def read_table(header):
    text = open(header).read()
    lists = {k: re.findall(r'"([^"]*)"', v) for k, v in LIST.findall(text)}
    rows = []
    for enum, name, unit, lo, hi, default, texts, in ROW.findall(text):
        names = lists.get(texts.replace("Texts", "Names"), [])
        rows.append(dict(enum=enum, name=name, unit=unit, lo=f32(float(lo)), hi=f32(float(hi)),
                         default=f32(float(default)), texts=names, symbol=symbol(name)))
    if len(rows) != 21:
        sys.exit("read %d rows from %s, not 21" % (len(rows), header))
    return rows


def read_ports(lv2info):
    ports, port = {}, None
    for line in open(lv2info):
        m = re.match(r"\s*Port (\d+):", line)
        if m:
            port = ports.setdefault(int(m.group(1)), {"props": set(), "points": {}})
            continue
        if port is None:
            continue
        m = re.match(r"\s*(Symbol|Name|Minimum|Maximum|Default):\s+(.*)", line)
        if m:
            port[m.group(1)] = m.group(2).strip()
        m = re.search(r"#(\w+)\s*$", line)
        if m and ("Properties" in line or "Type" in line or re.match(r"\s+http", line)):
            port["props"].add(m.group(1))
        m = re.match(r'\s*([-\d.]+) = "(.*)"', line)
        if m:
            port["points"][float(m.group(1))] = m.group(2)
    return ports


def check_ports(header, lv2info):
    rows, ports, bad = read_table(header), read_ports(lv2info), []
    for i, row in enumerate(rows):
        p = ports.get(i)
        if p is None:
            bad.append("no port %d for %s" % (i, row["name"]))
            continue
        want = {"Symbol": row["symbol"], "Name": row["name"]}
        for key, value in want.items():
            if p.get(key) != value:
                bad.append("port %d %s: %r, not %r" % (i, key, p.get(key), value))
        for key, value in (("Minimum", row["lo"]), ("Maximum", row["hi"]), ("Default", row["default"])):
            if key not in p or abs(float(p[key]) - value) > 5e-7 * max(1.0, abs(value)):
                bad.append("port %d %s: %s, not %.9g" % (i, key, p.get(key), value))
        props = set()
        if row["unit"] == "kUnitBoolean":
            props.add("toggled")
        if row["enum"] in ("kResync", "kLfoResync"):
            props.add("trigger")
        if row["unit"] in ("kUnitIndexed", "kUnitBeats"):
            props.add("integer")
        if row["unit"] == "kUnitIndexed":
            props.add("enumeration")
        if row["unit"] == "kUnitHertz":
            props.add("logarithmic")
        if (p["props"] - {"InputPort", "ControlPort"}) != props:
            bad.append("port %d properties %s, not %s" % (i, sorted(p["props"]), sorted(props)))
        points = {row["lo"] + k: t for k, t in enumerate(row["texts"])}
        if p["points"] != points:
            bad.append("port %d scale points %s, not %s" % (i, p["points"], points))
    audio = [k for k, p in ports.items() if "AudioPort" in p["props"]]
    if sorted(audio) != [21, 22, 23, 24] or len(ports) != 26:
        bad.append("ports %s, audio ports %s: expected 26 ports with audio at 21-24" % (sorted(ports), audio))
    for line in bad:
        print(line)
    print("%d ports checked against %d table rows: %s" % (len(ports), len(rows), "bad" if bad else "ok"))
    return not bad


def normalised(header, settings):
    """The host value the effect's mapping gives a port value: the same
    double arithmetic, rounded to float as the plug-in rounds it."""
    table = read_table(header)
    rows = {r["symbol"]: (i, r) for i, r in enumerate(table)}
    rows.update({"#%d" % i: (i, r) for i, r in enumerate(table)})
    out = []
    for setting in settings:
        sym, value = setting.split("=")
        i, r = rows[sym]
        u, lo, hi = f32(float(value)), r["lo"], r["hi"]
        if u == r["default"]:
            continue  # the plug-in keeps its default as it is; a VST host sends nothing

        n = math.log(u / lo) / math.log(hi / lo) if r["unit"] == "kUnitHertz" else (u - lo) / (hi - lo)
        out += ["--set", "#%d=%.9gn" % (i, f32(n))]
    print("\n".join(out))


def same(a, b):
    x, y = read_float_wav(a), read_float_wav(b)
    if len(x) != len(y):
        print("%s has %d frames, %s %d" % (a, len(x), b, len(y)))
        return False
    diffs = [k for k in range(len(x)) if x[k] != y[k]]
    if diffs:
        k = diffs[0]
        print("%d of %d frames differ; first at %d: %s against %s" % (len(diffs), len(x), k, x[k], y[k]))
        return False
    energy = sum(abs(v) for frame in x for v in frame)
    print("%d frames equal (sum of magnitudes %.6g)" % (len(x), energy))
    return energy > 0


if __name__ == "__main__":
    mode, args = sys.argv[1], sys.argv[2:]
    if mode == "ports":
        sys.exit(0 if check_ports(*args) else 1)
    elif mode == "normalised":
        normalised(args[0], args[1:])
    elif mode == "same":
        sys.exit(0 if same(*args) else 1)
    else:
        sys.exit(__doc__)
