#!/usr/bin/python3
"""Points imported from a received drawing at the console: a drawing written
by ezdxf with point entities with and without z, altitude texts beside 2D
points, polylines of every kind, a line, a 3D face, both meshes, point
blocks, blocks with other tags and a block at an altitude. IMPORTPOINTS,
"Importer" with the tags set by example ("configurer") and the text offset
taken from a text ("Prélever"), then "Placer": the saved drawing, read by
ezdxf, keeps every entity it had and gains one point block a new point, at
the position, altitude and code the rules give; the point blocks taken over
are updated, not doubled.

Usage: import_test.py GELTARO SOURCE_DIR WORK_DIR
"""
import math
import os
import sys
from collections import Counter

import ezdxf

from console_run import fresh_home, point_blocks, run_script, verdict


def received(path):
    doc = ezdxf.new("R2010")
    msp = doc.modelspace()
    msp.add_point((10, 10, 101.5))
    msp.add_point((20, 10, 0))
    msp.add_point((30, 10))
    msp.add_point((10.0000000001, 10, 102))  # the first point again, in plan
    texts = {}
    for x, value in ((100, "98.40"), (110, "0"), (120, "98,40"), (130, "1.0E999")):
        # 2D points with their altitudes written beside them.
        msp.add_point((x, 200))
        texts[value] = msp.add_text(value, dxfattribs={"insert": (x, 200), "height": 0.5}).dxf.handle
    msp.add_mtext("97.25", dxfattribs={"insert": (140, 200), "char_height": 0.5})
    msp.add_lwpolyline([(0, 50), (10, 50), (10, 60)], dxfattribs={"elevation": 55.0})
    old = msp.add_polyline2d([(0, 70), (10, 70), (20, 75)], dxfattribs={"elevation": (0, 0, 65.0)})
    old.vertices[1].dxf.flags = 16  # a spline control vertex: not on the curve
    msp.add_polyline3d([(0, 90, 0), (10, 90, 102.5), (20, 90, 103)])
    msp.add_line((0, 0, 0), (10, 0, 5))
    msp.add_3dface([(50, 50, 1), (60, 50, 2), (60, 60, 3), (60, 60, 3)])
    mesh = msp.add_polymesh(size=(2, 2))
    for m in range(2):
        for n in range(2):
            mesh.set_mesh_vertex((m, n), (200 + m * 10, 200 + n * 10, 50 + m + n))
    msp.add_polyface().append_face([(300, 300, 10), (310, 300, 11), (310, 310, 12)])
    ptb = doc.blocks.new("PTB")
    ptb.add_circle((0, 0), 0.5)
    other = doc.blocks.new("AUTRE")
    other.add_circle((0, 0), 0.3)
    handles = {}
    for name, at, attribs in (("PTB", (500, 500), [("NUMPT", "12"), ("Z", "105.25"), ("CODE", "3")]),
                              ("PTB", (510, 500), [("NUMPT", "A7"), ("Z", "haut")]),
                              ("AUTRE", (600, 600), [("NUM", "B1"), ("ALT", "44.5"), ("COD", "0")]),
                              ("AUTRE", (610, 600), [("NUM", "B2"), ("ALT", "45.5"), ("COD", "12345")]),
                              ("AUTRE", (620, 600), [("NUM", "B3"), ("ALT", "46.5"), ("COD", "77")])):
        ref = msp.add_blockref(name, at)
        for k, (tag, text) in enumerate(attribs):
            a = ref.add_attrib(tag, text, (at[0] + 0.5, at[1] + 0.5 - 0.5 * k), dxfattribs={"height": 0.3})
            handles[(attribs[0][1], tag)] = a.dxf.handle
    msp.add_blockref("AUTRE", (700, 700, 88.0))
    doc.saveas(path)
    return texts, handles


# (x, y, z, code) of every point the import must give; the names kept.
EXPECTED = [
    (10, 10, 101.5, 9997),
    (100.5, 199.8, 98.4, 9988),
    (140, 199.5, 97.25, 9988),
    (0, 50, 55, 9992), (10, 50, 55, 9992), (10, 60, 55, 9992),
    (0, 70, 65, 9998), (20, 75, 65, 9998),
    (10, 90, 102.5, 9999), (20, 90, 103, 9999),
    (10, 0, 5, 9993),
    (50, 50, 1, 9994), (60, 50, 2, 9994), (60, 60, 3, 9994),
    (200, 200, 50, 9996), (200, 210, 51, 9996), (210, 200, 51, 9996), (210, 210, 52, 9996),
    (300, 300, 10, 9995), (310, 300, 11, 9995), (310, 310, 12, 9995),
    (500, 500, 105.25, 3), (510, 500, None, 9991),
    (600, 600, 44.5, 9989), (610, 600, 45.5, 9989), (620, 600, 46.5, 77),
    (700, 700, 88, 9990),
]
NAMED = {(500, 500): "12", (510, 500): "A7", (600, 600): "B1", (610, 600): "B2", (620, 600): "B3"}
CODES = ["0003   Import Code", "0077   Import Code", "9989   Points importes a partir des blocs avec attributs",
         "9988   Sommets importes a partir des Textes", "9995   Sommets importes a partir de PolyfaceMesh",
         "9991   Points importes a partir des blocs"]


def main():
    geltaro, source, work = sys.argv[1:4]
    home = fresh_home(source, work)
    drawing = os.path.join(home, "recu.dxf")
    texts, handles = received(drawing)
    before = Counter(e.dxftype() for e in ezdxf.readfile(drawing).modelspace())
    script = "\n".join([
        "IMPORTPOINTS", "press 271",
        "press 407", "#" + handles[("B1", "NUM")], "#" + handles[("B1", "ALT")], "#" + handles[("B1", "COD")],
        "press 410", "#" + texts["98.40"], "100.5,199.8",
        "ok", "all", "press 257", "ok", ""])
    saved = os.path.join(home, "importe.dxf")
    r = run_script(geltaro, home, script, drawing=drawing, save=saved)
    failures = []
    if r.returncode != 0:
        return verdict("import", [f"geltaro exited {r.returncode}: {r.stderr}"])
    for line in ('[411] edit "Tag numéro" : "NUM"', '[413] edit "Tag code" : "COD"',
                 '[408] edit "Decalage X" : "0.5000"', '[409] edit "Decalaye Y" : "-0.2000"',
                 "[269] list \"Points\" : 27 ligne(s)"):
        if line not in r.stdout:
            failures.append(f"not shown: {line}")
    for code in CODES:
        if code not in r.stdout:
            failures.append(f"code filter lacks {code!r}")

    doc = ezdxf.readfile(saved)
    after = Counter(e.dxftype() for e in doc.modelspace())
    for kind, n in before.items():
        if kind != "INSERT" and after[kind] != n:
            failures.append(f"{kind}: {after[kind]} after the import, {n} before")
    blocks = point_blocks(doc)
    by_place = {}
    for name, (at, attribs) in blocks.items():
        if name is not None:
            by_place.setdefault((round(at[0], 6), round(at[1], 6)), []).append((name, attribs))
    for x, y, z, code in EXPECTED:
        found = by_place.get((round(x, 6), round(y, 6)), [])
        if len(found) != 1:
            failures.append(f"({x}, {y}): {len(found)} point blocks")
            continue
        name, attribs = found[0]
        want_z = "" if z is None else f"{z:.2f}"
        if attribs.get("Z") != want_z or attribs.get("CODE", str(code)) != str(code):
            failures.append(f"({x}, {y}): Z {attribs.get('Z')!r} code {attribs.get('CODE')!r}, "
                            f"expected {want_z!r} and {code}")
        if (x, y) in NAMED and name != NAMED[(x, y)]:
            failures.append(f"({x}, {y}) named {name!r}, expected {NAMED[(x, y)]!r}")
    expected_inserts = before["INSERT"] + len(EXPECTED) - 2  # the two point blocks are taken over
    if after["INSERT"] != expected_inserts:
        failures.append(f"{after['INSERT']} block references, expected {expected_inserts}")
    names = [n for n in blocks if n is not None]
    numbers = sorted(int(n) for n in names if n.isdigit() and n != "12")
    if numbers != list(range(13, 13 + len(numbers))):
        failures.append(f"numbers given {numbers}, expected 13 onwards")
    if any(math.isclose(at[0], 20) and math.isclose(at[1], 10) for at, _ in blocks.values()):
        failures.append("a point without altitude became a point")
    return verdict("import", failures)


if __name__ == "__main__":
    sys.exit(main())
