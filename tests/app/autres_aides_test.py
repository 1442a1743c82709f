#!/usr/bin/python3
"""The other drawing aids at the console, each on a drawing written by
ezdxf, the saved drawing read back with ezdxf: RECT3PT (side, diagonal,
Escape); POL3DTOPOL2D (a closed 3D polyline flattened onto "{LAYER}-2D",
its source erased); VRAJUSTERZ (100 -> 101.25 on every point, then -0.5 on
a selection; PTSEN3D shows the tables' altitudes beside the blocks');
projpoly (a polyline redrawn through point entities and code-1 point
blocks within 1.5, in order); pointsParDecalage (the parallel through the
passage point, new points opposite the old ones at Z + dZ); VRDEPORTPNTS
(blocks within 0.8 of a path with an arc moved onto it, no other).

Usage: autres_aides_test.py GELTARO SOURCE_DIR WORK_DIR
"""
import math
import os
import sys

import ezdxf

from console_run import fresh_home, point_blocks, run_script, verdict


def near(a, b, tol=1e-6):
    return all(math.isclose(x, y, abs_tol=tol) for x, y in zip(a, b))


def drawing(home, name, build):
    doc = ezdxf.new("R2010")
    handles = build(doc, doc.modelspace())
    path = os.path.join(home, name + ".dxf")
    doc.saveas(path)
    return path, handles


def run(geltaro, home, name, build, script, failures):
    path, handles = drawing(home, name, build)
    saved = os.path.join(home, name + "-out.dxf")
    r = run_script(geltaro, home, script(handles), drawing=path, save=saved, name=name)
    if r.returncode != 0:
        failures.append(f"{name}: geltaro exited {r.returncode}: {r.stderr}")
        return None, r.stdout
    return ezdxf.readfile(saved), r.stdout


def rectangles(geltaro, home, failures):
    doc, out = run(geltaro, home, "rect", lambda doc, msp: {},
                   lambda h: "RECT3PT\n0,0\n10,0\n3,4\nRECT3PT\n0,0\n10,0\n3,-4\n"
                             "RECT3PT\n0,0\n10,0\nD\n6,2\nRECT3PT\n0,0\n10,0\n^C\n", failures)
    if doc is None:
        return
    got = [[tuple(round(c, 9) for c in p[:2]) for p in pl.get_points()] for pl in doc.modelspace().query("LWPOLYLINE")]
    want = [[(0, 0), (10, 0), (10, 4), (0, 4)], [(0, 0), (10, 0), (10, -4), (0, -4)],
            [(0, 0), (6, 0), (6, 2), (0, 2)]]
    if got != want:
        failures.append(f"RECT3PT drew {got}, expected {want}")
    if not all(pl.closed for pl in doc.modelspace().query("LWPOLYLINE")):
        failures.append("RECT3PT: a rectangle is not closed")


def pol3d(geltaro, home, failures):
    def build(doc, msp):
        doc.layers.add("PROJET_PLINES")
        ring = msp.add_polyline3d([(0, 0, 1), (10, 0, 5), (10, 10, 3)], close=True,
                                  dxfattribs={"layer": "PROJET_PLINES"})
        other = msp.add_polyline3d([(20, 0, 2), (30, 0, 4)], dxfattribs={"layer": "PROJET_PLINES"})
        return {"ring": ring.dxf.handle, "other": other.dxf.handle}

    handles = {}

    def keep(doc, msp):
        handles.update(build(doc, msp))
        return handles

    doc, out = run(geltaro, home, "pol3d", keep,
                   lambda h: "POL3DTOPOL2D\npress Selectionner\n#%s\nshow\n"
                             "check \"Creer un layer à partir du layer d'origine\" on\n"
                             "check \"La moyenne\" on\ncheck \"Supprimer les polylines de départ\" on\nok\n" % h["ring"],
                   failures)
    if doc is None:
        return
    if "1 polylines selectionnees" not in out:
        failures.append("POL3DTOPOL2D: the count is not shown")
    flat = list(doc.modelspace().query("LWPOLYLINE"))
    if len(flat) != 1:
        return failures.append(f"POL3DTOPOL2D made {len(flat)} polylines")
    pl = flat[0]
    if pl.dxf.layer != "PROJET_PLINES-2D" or not pl.closed or not math.isclose(pl.dxf.elevation, 3):
        failures.append(f"POL3DTOPOL2D: layer {pl.dxf.layer}, closed {pl.closed}, elevation {pl.dxf.elevation}")
    if [tuple(p[:2]) for p in pl.get_points()] != [(0, 0), (10, 0), (10, 10)]:
        failures.append(f"POL3DTOPOL2D vertices {pl.get_points()}")
    if "PROJET_PLINES-2D" not in doc.layers or doc.layers.get("PROJET_PLINES-2D").dxf.color != 7:
        failures.append("POL3DTOPOL2D: the layer is missing or not of colour 7")
    left = [p.dxf.handle for p in doc.modelspace().query("POLYLINE")]
    if left != [handles["other"]]:
        failures.append(f"POL3DTOPOL2D: 3D polylines left {left}, expected the unselected one only")


POINTS = [("1", 0, 0, "100.0"), ("2", 10, 0, "100.0"), ("3", 20, 0, "50.5"), ("4", 30, 0, "nil")]


def add_points(points, code=1):
    return "".join(f"(add_pt \"{n}\" {code} '({float(x)!r} {float(y)!r}) {z} \"\")\n" for n, x, y, z in points)


def altitudes(geltaro, home, failures):
    script = (add_points(POINTS)
              + "VRAJUSTERZ\nset \"Ancienne altitude\" 100\nset \"Nouvelle altitude\" 101.25\nshow\nok\n"
              + "VRAJUSTERZ\ncheck \"Différence d'altitudes\" on\nset Différence -0.5\n"
              + "check \"Sélection de points seulement\" on\nok\nw 5,-5 35,5\nPTSEN3D\n")
    doc, out = run(geltaro, home, "altitudes", lambda doc, msp: {}, lambda h: script, failures)
    if doc is None:
        return
    if '"1.2500"' not in out:
        failures.append("VRAJUSTERZ: the difference 1.2500 is not shown")
    blocks = point_blocks(doc)
    want = {"1": "101.25", "2": "100.75", "3": "51.25", "4": ""}
    got = {n: blocks[n][1].get("Z") for n in want if n in blocks}
    if got != want:
        failures.append(f"VRAJUSTERZ: block altitudes {got}, expected {want}")
    table = {(round(p.dxf.location.x, 6), round(p.dxf.location.y, 6)): p.dxf.location.z
             for p in doc.modelspace().query("POINT")}
    for n, (at, attribs) in blocks.items():
        key = (round(at[0], 6), round(at[1], 6))
        if attribs.get("Z", "") == "":
            if key in table:
                failures.append(f"VRAJUSTERZ: point {n} without altitude got {table[key]} in its table")
        elif key not in table or not math.isclose(table[key], float(attribs["Z"]), abs_tol=1e-9):
            failures.append(f"VRAJUSTERZ: point {n} block {attribs['Z']} table {table.get(key)}")


def projpoly(geltaro, home, failures):
    def build(doc, msp):
        pl = msp.add_lwpolyline([(0, 0), (50, 0), (100, 0)])
        msp.add_point((80, 1.2))
        msp.add_point((45, 3))  # too far
        return {"pl": pl.dxf.handle}

    points = [("10", 20, -1, "5.0"), ("11", 60, 1, "5.0"), ("13", 95, 3, "5.0")]
    script = lambda h: (add_points(points) + add_points([("12", 70, 0, "5.0")], code=2)
                        + f"projpoly\n#{h['pl']}\n1.5\n1\n")
    doc, out = run(geltaro, home, "projpoly", build, script, failures)
    if doc is None:
        return
    pls = list(doc.modelspace().query("LWPOLYLINE"))
    got = [tuple(round(c, 9) for c in p[:2]) for p in pls[0].get_points()] if pls else None
    if got != [(20, -1), (60, 1), (80, 1.2)]:
        failures.append(f"projpoly: vertices {got}")


def decalage(geltaro, home, failures):
    def build(doc, msp):
        return {"pl": msp.add_lwpolyline([(0, 0), (20, 0), (20, 20)]).dxf.handle}

    points = [("5", 0, 0, "10.0"), ("6", 20, 0, "11.0"), ("7", 20, 20, "nil")]
    script = lambda h: add_points(points) + f"pointsParDecalage\n#{h['pl']}\n10,-2\n\n0.5\n"
    doc, out = run(geltaro, home, "decalage", build, script, failures)
    if doc is None:
        return
    if "Distance :[2.0000]" not in out:
        failures.append("pointsParDecalage: the default distance is not offered")
    pls = list(doc.modelspace().query("LWPOLYLINE"))
    if len(pls) != 2:
        return failures.append(f"pointsParDecalage: {len(pls)} polylines")
    got = [tuple(round(c, 9) for c in p[:2]) for p in pls[1].get_points()]
    if got != [(0, -2), (22, -2), (22, 20)]:
        failures.append(f"pointsParDecalage: parallel {got}")
    blocks = point_blocks(doc)
    want = {"8": ((0, -2), "10.50"), "9": ((22, -2), "11.50"), "10": ((22, 20), "")}
    for n, (xy, z) in want.items():
        if n not in blocks:
            failures.append(f"pointsParDecalage: no point {n}")
        elif not near((blocks[n][0].x, blocks[n][0].y), xy) or blocks[n][1].get("Z") != z:
            failures.append(f"pointsParDecalage: point {n} at {blocks[n][0]} Z {blocks[n][1].get('Z')!r}")


def deport(geltaro, home, failures):
    def build(doc, msp):
        # A straight run, then a half circle of radius 10 about (30, 10).
        return {"path": msp.add_lwpolyline([(0, 0, 0), (30, 0, 1), (30, 20, 0)], format="xyb").dxf.handle}

    points = [("1", 10, 0.6, "5.0"), ("2", 40.5, 10, "5.0"), ("3", 20, 2, "5.0"), ("4", 30, -0.9, "5.0")]
    script = lambda h: add_points(points) + f"VRDEPORTPNTS\n#{h['path']}\n0.8\nall\n"
    doc, out = run(geltaro, home, "deport", build, script, failures)
    if doc is None:
        return
    blocks = point_blocks(doc)
    want = {"1": (10, 0), "2": (40, 10), "3": (20, 2), "4": (30, -0.9)}
    for n, xy in want.items():
        if n not in blocks or not near((blocks[n][0].x, blocks[n][0].y), xy):
            failures.append(f"VRDEPORTPNTS: point {n} at {blocks.get(n, [None])[0]}, expected {xy}")


def main():
    geltaro, source, work = sys.argv[1:4]
    home = fresh_home(source, work)
    failures = []
    for check in (rectangles, pol3d, altitudes, projpoly, decalage, deport):
        check(geltaro, home, failures)
    return verdict("other drawing aids", failures)


if __name__ == "__main__":
    sys.exit(main())
