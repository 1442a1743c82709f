#!/usr/bin/python3
"""The survey project kept in a drawing, end to end through the console.

A drawing written by another program (ezdxf here) holds the project record
on layer "0"; geltaro opens it, PTSEN3D places the current table's points,
and the saved drawing must hold the very same record, value for value, as
ezdxf reads it. Of a cut or damaged record the tables that read are kept,
the drawing still opens, and the record stays as it was unless the user
says to save over it.

Usage: survey_project_test.py GELTARO WORK_DIR
"""
import os
import struct
import subprocess
import sys

import ezdxf

from console_run import verdict

KEY = "GELTARO4_VREL_DATA"


def name_field(name):
    raw = name.encode("cp1252")[:9]
    return raw + b"\0" * (10 - len(raw))


def point_tags(name, code, x, y, z, handle=None):
    tags = [(92, 10), (310, name_field(name)), (90, code), (40, x), (40, y), (40, z)]
    tags.append((330, handle) if handle else (90, -9999999))
    return tags


def project_tags(current, tables):
    tags = [(90, current), (90, len(tables))]
    for name, points in tables:
        tags += [(300, name), (90, len(points))]
        for p in points:
            tags += point_tags(*p)
    return tags


def write_drawing(path, tags):
    doc = ezdxf.new("R2018")
    msp = doc.modelspace()
    marker = msp.add_point((10, 20, 30))
    xdict = doc.layers.get("0").new_extension_dict()
    record = xdict.add_xrecord(KEY)
    record.reset([(c, marker.dxf.handle if v == "MARKER" else v) for c, v in tags])
    doc.saveas(path)
    return marker.dxf.handle


def stored(path):
    doc = ezdxf.readfile(path)
    layer = doc.layers.get("0")
    if not layer.has_extension_dict:
        return None
    xdict = layer.get_extension_dict()
    if KEY not in xdict:
        return None
    out = []
    for tag in xdict[KEY].tags:
        value = tag.value
        if isinstance(value, (bytes, bytearray)):
            value = bytes(value)
        out.append((tag.code, value))
    return out


def run(geltaro, drawing, script, out):
    return subprocess.run([geltaro, drawing, "--script", script, "--save", out],
                          capture_output=True, text=True, timeout=60)


def normalise(tags):
    """Values as ezdxf gives them back from a file: floats, ints, str, bytes."""
    out = []
    for code, value in tags:
        if code == 40:
            value = float(value)
        out.append((code, value))
    return out


def main():
    geltaro, work = sys.argv[1], sys.argv[2]
    os.makedirs(work, exist_ok=True)
    failures = []
    script = os.path.join(work, "ptsen3d.scr")
    with open(script, "w") as f:
        f.write("PTSEN3D\n")

    # A project of three tables; the current one (index 1) holds four points,
    # one of them without altitude and one linked to a drawing entity.
    tables = [
        ("LEVE", [("1", 1, 100.0, 200.0, 10.0)]),
        ("Terrain \u00e9t\u00e9", [("A1", 10, 1000.125, 2000.5, 12.25, "MARKER"),
                                   ("A2", 10, 1001.0, 2001.0, 1e38),
                                   ("Station\u00e9X", 100, -5.5, 0.001, 0.0),
                                   ("a1", 3, 7.0, 8.0, -2.5)]),
        ("Vide", []),
    ]
    src = os.path.join(work, "other-program.dxf")
    handle = write_drawing(src, project_tags(1, tables))
    expected = normalise([(c, handle if v == "MARKER" else v) for c, v in project_tags(1, tables)])
    if stored(src) != expected:
        failures.append("the fixture was not written as intended")
    out = os.path.join(work, "saved.dxf")
    r = run(geltaro, src, script, out)
    if r.returncode != 0:
        failures.append(f"geltaro failed: {r.stderr}")
    if "Lecture des donn\u00e9es Topo" not in r.stdout:
        failures.append("the project was not read when the drawing opened")
    if "\n 3 points plac\u00e9s" not in r.stdout:
        failures.append(f"PTSEN3D did not place the 3 points with altitude: {r.stdout!r}")
    got = stored(out) if r.returncode == 0 else None
    if got != expected:
        failures.append(f"saved record differs:\n  expected {expected}\n  got      {got}")
    else:
        doc = ezdxf.readfile(out)
        points = [e.dxf.location for e in doc.modelspace().query("POINT")]
        placed = sorted((round(p.x, 4), round(p.y, 4), round(p.z, 4)) for p in points[1:])
        if placed != sorted([(1000.125, 2000.5, 12.25), (-5.5, 0.001, 0.0), (7.0, 8.0, -2.5)]):
            failures.append(f"points placed at {placed}")
        if doc.audit().has_errors:
            failures.append("the saved drawing does not pass the audit")

    # Reopening our own file restores the same project: saved again unchanged.
    if not failures:
        again = os.path.join(work, "saved-again.dxf")
        r2 = run(geltaro, out, script, again)
        if stored(again) != expected:
            failures.append("reopening the saved drawing did not restore the same project")

    # Damaged records: the tables that read are kept, what could not be read
    # is said, and the stored record is not saved over without the user's
    # word: at the end of the script (no answer to the question at save) it
    # stays as it was.
    full = project_tags(0, [("T", [("P", 1, 1.0, 2.0, 3.0), ("Q", 1, 4.0, 5.0, 6.0)])])
    bad_then_good = project_tags(1, [("Abime", [("P", 1, 1.0, 2.0, 3.0)]),
                                     ("Bon", [("R", 1, 7.0, 8.0, 9.0), ("S", 1, 1.0, 1.0, 1.0)])])
    bad_then_good[6] = (1, "pas un code")  # the code of Abime's point
    damaged = {
        "cut inside a point": (full[:-3], "Table T illisible : ignor\u00e9e", 0),
        "more points claimed than stored": (full[:3] + [(90, 3)] + full[4:], "Table T illisible : ignor\u00e9e", 0),
        "wrong type for the table count": ([(90, 0), (40, 1.0)] + full[2:],
                                           "Donn\u00e9es Topo illisibles : ignor\u00e9es", 0),
        "absurd table count": ([(90, 0), (90, 1000000001)], "Donn\u00e9es Topo illisibles : ignor\u00e9es", 0),
        "binary field of the wrong size": (full[:4] + [(92, 9), (310, b"P" + b"\0" * 8)] + full[6:],
                                           "Table T illisible : ignor\u00e9e", 0),
        "a good table after a damaged one": (bad_then_good, "Table Abime illisible : ignor\u00e9e", 2),
    }
    for what, (tags, said, placed) in damaged.items():
        path = os.path.join(work, "damaged.dxf")
        write_drawing(path, tags)
        saved = os.path.join(work, "damaged-saved.dxf")
        r = run(geltaro, path, script, saved)
        if r.returncode != 0:
            failures.append(f"{what}: the drawing did not open: {r.stderr}")
            continue
        if said not in r.stdout:
            failures.append(f"{what}: {said!r} not said: {r.stdout!r}")
        if f"\n {placed} points plac\u00e9s" not in r.stdout:
            failures.append(f"{what}: not {placed} points placed: {r.stdout!r}")
        if "Donn\u00e9es Topo du dessin conserv\u00e9es telles quelles." not in r.stdout:
            failures.append(f"{what}: the question at save was not answered No: {r.stdout!r}")
        if stored(saved) != normalise(tags):
            failures.append(f"{what}: the stored record changed: {stored(saved)}")

    return verdict("survey project", failures)


if __name__ == "__main__":
    sys.exit(main())
