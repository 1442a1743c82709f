#!/usr/bin/python3
"""The stake-out at the console, on drawings written by ezdxf, every figure
checked against first principles computed here.

1. A terrain of 3D faces: a tilted plane with a ridge along y = 50. Stations
   taken by name: S1 with its own altitude, oriented on North; S2 without
   altitude (Z from the terrain), sighted on the named point R1. Points
   picked (Z from the terrain) and taken every 25 m along a 3D polyline. A
   wall and a tree marked in the drawing, a malformed mark, a fence and two
   poles marked at the prompts. Checked: angles (1 cc) and distances
   (1 mm), Z, obstructions (0.01), the lines' colours and groups, the
   crosses and their marks, the report's tables, the marks written back,
   the schematic.
2. A flat terrain at Z = 100: a fence marked 3 m high halfway (a typed 0 is
   asked again), H.Stat 1.5: obstruction 1.50, line colour 1 with H.Min 1;
   a second job reads the mark and draws colour 4 with H.Min 2.
3. A cancelled job leaves nothing; "Générer résultats" with nothing ticked
   keeps the dialog.
4. The prompts: rows removed after a double click (numbering enabled
   again), a station designated by its point block, a reference on the
   station refused, the project's nearest point, the set restricted by a
   window on the graphics and its stations cancelled, "Localiser" and
   "Aperçu" pauses.

Usage: implantation_test.py GELTARO SOURCE_DIR WORK_DIR
"""
import math
import os
import re
import sys

import ezdxf

from console_run import fresh_home, report_tables, run_script, verdict

H_STAT = 1.5


def terrain(x, y):
    """The tilted plane with a ridge along y = 50."""
    return 100 + 0.02 * x + 0.1 * min(y, 100 - y)


def add_terrain(msp, z=terrain, step=10):
    for i in range(0, 200, step):
        for j in range(0, 100, step):
            c = [(i, j), (i + step, j), (i + step, j + step), (i, j + step)]
            msp.add_3dface([(x, y, z(x, y)) for x, y in c])


def register(doc):
    doc.appids.new("VREL_HAUTEURSOBJETS")


def bearing(s, p):
    """Grades clockwise from North."""
    return math.degrees(math.atan2(p[0] - s[0], p[1] - s[1])) / 0.9 % 400


def segment_hits(a, b, c, d):
    """Crossing of the plan segments a-b and c-d, or None."""
    r = (b[0] - a[0], b[1] - a[1])
    s = (d[0] - c[0], d[1] - c[1])
    den = r[0] * s[1] - r[1] * s[0]
    if abs(den) < 1e-12:
        return None
    t = ((c[0] - a[0]) * s[1] - (c[1] - a[1]) * s[0]) / den
    u = ((c[0] - a[0]) * r[1] - (c[1] - a[1]) * r[0]) / den
    if -1e-12 <= t <= 1 + 1e-12 and -1e-12 <= u <= 1 + 1e-12:
        return (a[0] + t * r[0], a[1] + t * r[1])
    return None


def circle_hits(a, b, centre, radius):
    dx, dy = b[0] - a[0], b[1] - a[1]
    fx, fy = a[0] - centre[0], a[1] - centre[1]
    qa, qb, qc = dx * dx + dy * dy, 2 * (fx * dx + fy * dy), fx * fx + fy * fy - radius * radius
    disc = qb * qb - 4 * qa * qc
    if disc < 0:
        return []
    out = []
    for t in ((-qb - math.sqrt(disc)) / (2 * qa), (-qb + math.sqrt(disc)) / (2 * qa)):
        if 0 <= t <= 1:
            out.append((a[0] + t * dx, a[1] + t * dy))
    return out


def obstruction(s, zs, p, zp, lines, circles, ground=terrain):
    """The greatest perpendicular height above the sight line, from first
    principles: the terrain is linear between the ridge and the ends, so its
    candidates are the ends and the ridge crossing; obstacles stand on the
    terrain."""
    D = math.hypot(p[0] - s[0], p[1] - s[1])
    A, B = (0.0, zs + H_STAT), (D, zp + H_STAT)
    cands = [(0.0, ground(*s)), (D, ground(*p))]
    ridge = segment_hits(s, p, (-1, 50), (201, 50))
    if ridge:
        cands.append((math.hypot(ridge[0] - s[0], ridge[1] - s[1]), ground(*ridge)))
    for pts, h in lines:
        for a, b in zip(pts, pts[1:]):
            x = segment_hits(s, p, a, b)
            if x:
                cands.append((math.hypot(x[0] - s[0], x[1] - s[1]), ground(*x) + h))
    for centre, radius, h in circles:
        for x in circle_hits(s, p, centre, radius):
            cands.append((math.hypot(x[0] - s[0], x[1] - s[1]), ground(*x) + h))
    worst = 0.0
    l2 = (B[0] - A[0]) ** 2 + (B[1] - A[1]) ** 2
    for d, z in cands:
        if (A[1] - z) * (B[0] - A[0]) - (B[1] - A[1]) * (A[0] - d) < 0:
            t = ((d - A[0]) * (B[0] - A[0]) + (z - A[1]) * (B[1] - A[1])) / l2
            worst = max(worst, math.hypot(d - (A[0] + t * (B[0] - A[0])), z - (A[1] + t * (B[1] - A[1]))))
    return worst


def last_list(out):
    """Rows of the last rendering of the list "Points": name -> cells."""
    blocks = out.split('list "Points"')
    rows = {}
    for line in blocks[-1].splitlines()[2:]:
        cells = [c.strip() for c in line.split("|")]
        if len(cells) < 10 or not cells[0].isdigit():
            break
        rows[cells[1]] = cells[1:]
    return rows


def xdata(e, app):
    try:
        return [(code, value) for code, value in e.get_xdata(app)]
    except ezdxf.DXFValueError:
        return None


def survey(geltaro, home, failures):
    doc = ezdxf.new("R2010")
    register(doc)
    msp = doc.modelspace()
    add_terrain(msp)
    wall = msp.add_line((60, 0), (60, 40))
    wall.set_xdata("VREL_HAUTEURSOBJETS", [(1071, 71209), (1040, 2.0), (1071, 11)])
    tree_block = doc.blocks.new("ARBRE")
    tree_block.add_circle((0, 0), 1)
    tree = msp.add_blockref("ARBRE", (120, 21))
    tree.set_xdata("VREL_HAUTEURSOBJETS", [(1071, 87340), (1040, 6.0), (1041, 2.0), (1071, 12)])
    bad = msp.add_line((10, 95), (190, 95))
    bad.set_xdata("VREL_HAUTEURSOBJETS", [(1071, 71209), (1040, 50.0)])
    fence = msp.add_lwpolyline([(80, 60), (100, 0)])
    pole_block = doc.blocks.new("POTEAU")
    pole_block.add_circle((0, 0), 0.2)
    pole1 = msp.add_blockref("POTEAU", (130, 38.9))
    pole2 = msp.add_blockref("POTEAU", (60, 71))
    route = [(40, 10), (140, 10), (140, 45)]
    poly = msp.add_polyline3d([(x, y, terrain(x, y)) for x, y in route])
    path = os.path.join(home, "terrain.dxf")
    doc.saveas(path)

    report = os.path.join(home, "implantation.htm")
    script = f"""(gltraddpt "S1" 1 '(20.0 20.0) 103.0 "station")
(gltraddpt "S2" 1 '(20.0 80.0) nil "station")
(gltraddpt "R1" 1 '(180.0 80.0) nil "reference")
IMPLANT2
press Numérotation
set Préfixe P
check "Interpoler sur alignements droits" on
set Distance 25
press Continuer
press Ajouter
100,30
150,20
Select
#{poly.dxf.handle}

press "Gérer obstacles"
0
3
#{fence.dxf.handle}

PO
4
#{pole1.dxf.handle}
0.5
Oui

Q
set H.Stat 1.5
select Points 0 1 2 3 4
press "Mise en station"
S1


select Points 5 6 7 8
press "Mise en station"
S2
D
R1

show
check Dessiner on
check Exporter on
check Schématiser on
press "Générer résultats"
0,-20
{report}
"""
    saved = os.path.join(home, "terrain-out.dxf")
    r = run_script(geltaro, home, script, drawing=path, save=saved, name="terrain")
    if r.returncode != 0:
        failures.append(f"survey: exit {r.returncode}: {r.stderr}")
        return
    out = r.stdout
    if "La hauteur doit être positive." not in out:
        failures.append("survey: a typed obstacle height of 0 was not asked again")

    stations = {"S1": ((20, 20), 103.0), "S2": ((20, 80), terrain(20, 80))}
    ref = (180, 80)
    names = {f"P{i}": None for i in range(1, 10)}
    pts = [(100, 30), (150, 20), (40, 10), (65, 10), (90, 10), (115, 10), (140, 10), (140, 35), (140, 45)]
    for i, p in enumerate(pts):
        names[f"P{i + 1}"] = p
    of_station = {n: "S1" if i < 5 else "S2" for i, n in enumerate(names)}
    lines = [([(60, 0), (60, 40)], 2.0), ([(80, 60), (100, 0)], 3.0)]
    circles = [((120, 21), 2.0, 6.0), ((130, 38.9), 0.5, 4.0), ((60, 71), 0.5, 4.0)]

    rows = last_list(out)
    expected = {}
    for n, p in names.items():
        s, zs = stations[of_station[n]]
        zp = terrain(*p)
        a = bearing(s, p) if of_station[n] == "S1" else (bearing(s, p) - bearing(s, ref)) % 400
        d = math.hypot(p[0] - s[0], p[1] - s[1])
        o = obstruction(s, zs, p, zp, lines, circles)
        expected[n] = (p, zp, a, d, o)
        row = rows.get(n)
        if not row:
            failures.append(f"survey: no row for {n} in {list(rows)}")
            continue
        x, y, z, st, rf, ang, dist, vis = row[1:9]
        if abs(float(x) - p[0]) > 1e-4 or abs(float(y) - p[1]) > 1e-4 or abs(float(z) - zp) > 1e-3:
            failures.append(f"survey: {n} at {x}, {y}, {z}, expected {p}, {zp:.3f}")
        if st != of_station[n] or rf != ("NORD" if st == "S1" else "R1"):
            failures.append(f"survey: {n} station {st} ref {rf}")
        if abs(float(ang) - a) > 1e-4 + 5e-5 or abs(float(dist) - d) > 1e-3:
            failures.append(f"survey: {n} angle {ang} distance {dist}, expected {a:.5f} {d:.4f}")
        if abs(float(vis) - o) > 0.01:
            failures.append(f"survey: {n} obstruction {vis}, expected {o:.3f}")
    if not any(e[4] > 1.0 for e in expected.values()) or not any(e[4] <= 1.0 for e in expected.values()):
        failures.append("survey: the case should hold visible and hidden points: "
                        + str({n: round(e[4], 3) for n, e in expected.items()}))

    got = ezdxf.readfile(saved)
    msp = got.modelspace()
    # Lines of sight: from the station to the point, in the visibility colour.
    sight = {}
    for e in msp.query("LINE[layer=='IMPLANTATION']"):
        x = xdata(e, "VREL_IMPLANTATION")
        for n, (p, zp, a, d, o) in expected.items():
            s = stations[of_station[n]][0]
            if x and e.dxf.start.isclose((s[0], s[1], 0), abs_tol=1e-9) and e.dxf.end.isclose((p[0], p[1], 0), abs_tol=1e-9):
                sight[n] = e
    for n, (p, zp, a, d, o) in expected.items():
        e = sight.get(n)
        if e is None:
            failures.append(f"survey: no line of sight to {n}")
            continue
        want = 4 if o <= 1.0 else 1
        if e.dxf.color != want:
            failures.append(f"survey: line to {n} colour {e.dxf.color}, expected {want} (obstruction {o:.3f})")
    # Texts along the lines.
    texts = [t.dxf.text for t in msp.query("TEXT[layer=='IMPLANTATION']")]
    for n, (p, zp, a, d, o) in expected.items():
        want = [t for t in texts if t.startswith("d=") and abs(float(t.split()[0][2:]) - d) < 1e-3
                and abs(float(t.split()[1][2:]) - a) < 1.5e-4]
        if not want:
            failures.append(f"survey: no text d={d:.4f} A={a:.4f} for {n}")
        if n not in texts:
            failures.append(f"survey: no name text for {n}")
    # Crosses marked with their point.
    marked = [xdata(e, "VREL_IMPLANTATION") for e in msp.query("LINE TEXT")]
    marked = [m for m in marked if m]
    if len({m[1][1] for m in marked}) != 9 or any(m[0] != (1071, 14241) for m in marked):
        failures.append(f"survey: point graphics marks {sorted({m[1][1] for m in marked})}")
    # One group per station.
    groups = list(got.groups)
    if len(groups) != 2:
        failures.append(f"survey: {len(groups)} groups, expected one per station")
    # Obstacle marks: the fence and both poles now marked, the others kept.
    fence_x = xdata(got.entitydb[fence.dxf.handle], "VREL_HAUTEURSOBJETS")
    if not fence_x or fence_x[0] != (1071, 71209) or fence_x[1] != (1040, 3.0):
        failures.append(f"survey: fence mark {fence_x}")
    for pole in (pole1, pole2):
        m = xdata(got.entitydb[pole.dxf.handle], "VREL_HAUTEURSOBJETS")
        if not m or m[0] != (1071, 87340) or m[1] != (1040, 4.0) or m[2] != (1041, 0.5):
            failures.append(f"survey: pole {pole.dxf.handle} mark {m}")
    if xdata(got.entitydb[wall.dxf.handle], "VREL_HAUTEURSOBJETS") != [(1071, 71209), (1040, 2.0), (1071, 11)]:
        failures.append("survey: the wall's mark changed")
    if xdata(got.entitydb[bad.dxf.handle], "VREL_HAUTEURSOBJETS") != [(1071, 71209), (1040, 50.0)]:
        failures.append("survey: the malformed mark changed")
    # The report: one table per station with its points, then the points
    # without station.
    with open(report, encoding="cp1252") as f:
        tables = report_tables(f.read())
    if len(tables) != 3:
        failures.append(f"survey: report has {len(tables)} tables")
    else:
        for table, station in zip(tables[:2], ("S1", "S2")):
            for row in table[1:]:
                n = row[0]
                p, zp, a, d, o = expected[n]
                vals = [float(v) for v in row[1:6]]
                if of_station[n] != station or abs(vals[0] - p[0]) > 1e-4 or abs(vals[2] - zp) > 1e-3 \
                        or abs(vals[3] - a) > 1.5e-4 or abs(vals[4] - d) > 1e-3:
                    failures.append(f"survey: report row {row} under {station}")
        if sum(len(t) - 1 for t in tables[:2]) != 9 or len(tables[2]) != 1:
            failures.append(f"survey: report rows {[len(t) for t in tables]}")
    tables = list(msp.query("ACAD_TABLE"))
    if len(tables) != 1:
        failures.append(f"survey: {len(tables)} schematic tables, expected 1 (no point without station)")


def flat(geltaro, home, failures):
    doc = ezdxf.new("R2010")
    msp = doc.modelspace()
    msp.add_3dface([(-10, -20, 100), (110, -20, 100), (110, 20, 100), (-10, 20, 100)])
    fence = msp.add_line((50, -10), (50, 10))
    path = os.path.join(home, "plat.dxf")
    doc.saveas(path)

    def job(hmin, mark, name, src):
        marking = f'press "Gérer obstacles"\n0\n3\n#{fence.dxf.handle}\n\nQ\n' if mark else ""
        script = f"""IMPLANT2
set H.Min {hmin}
set H.Stat 1.5
press Ajouter
100,0

{marking}press "Mise en station"
0,0


check Dessiner on
press "Générer résultats"
"""
        saved = os.path.join(home, name + ".dxf")
        r = run_script(geltaro, home, script, drawing=src, save=saved, name=name)
        if r.returncode != 0:
            failures.append(f"{name}: exit {r.returncode}: {r.stderr}")
            return None, ""
        return ezdxf.readfile(saved), r.stdout

    first, out = job("1.0", True, "plat-1", path)
    if first is None:
        return
    if last_list(out).get("A1", [""] * 9)[8] != "1.50":
        failures.append(f"flat: obstruction {last_list(out)}")
    colours = [e.dxf.color for e in first.modelspace().query("LINE[layer=='IMPLANTATION']")
               if e.dxf.start.isclose((0, 0, 0)) and e.dxf.end.isclose((100, 0, 0))]
    if colours != [1]:
        failures.append(f"flat: H.Min 1.0 drew colours {colours}, expected [1]")
    second, out = job("2.0", False, "plat-2", os.path.join(home, "plat-1.dxf"))
    if second is None:
        return
    colours = [e.dxf.color for e in second.modelspace().query("LINE[layer=='IMPLANTATION']")
               if e.dxf.start.isclose((0, 0, 0)) and e.dxf.end.isclose((100, 0, 0))]
    if 4 not in colours or last_list(out).get("A1", [""] * 9)[8] != "1.50":
        failures.append(f"flat: the second job (mark read back, H.Min 2.0) drew {colours}")
    # A third job removes every obstacle's mark ("Annuler", "Tous").
    script = 'IMPLANT2\npress "Gérer obstacles"\nA\nT\nQ\ncancel\n'
    saved = os.path.join(home, "plat-3.dxf")
    r = run_script(geltaro, home, script, drawing=os.path.join(home, "plat-2.dxf"), save=saved, name="plat-3")
    third = ezdxf.readfile(saved) if r.returncode == 0 else None
    if third is None or xdata(third.entitydb[fence.dxf.handle], "VREL_HAUTEURSOBJETS") is not None:
        failures.append("flat: 'Annuler' then 'Tous' left the fence's mark")


def cancelled(geltaro, home, failures):
    doc = ezdxf.new("R2010")
    msp = doc.modelspace()
    msp.add_line((0, 0), (1, 1))
    path = os.path.join(home, "vide.dxf")
    doc.saveas(path)
    script = """IMPLANT2
press Ajouter
10,0
20,5

press "Mise en station"
0,0


press Aperçu

press "Générer résultats"
set H.Min -3
set H.Stat abc
show
set H.Min 1e31
show
cancel
"""
    saved = os.path.join(home, "vide-out.dxf")
    r = run_script(geltaro, home, script, drawing=path, save=saved, name="vide")
    if r.returncode != 0:
        failures.append(f"cancelled: exit {r.returncode}")
        return
    if r.stdout.count("=== Implantation ===") < 4 or "show" not in r.stdout:
        failures.append("cancelled: 'Générer résultats' with nothing ticked closed the dialog")
    got = ezdxf.readfile(saved)
    kinds = sorted(e.dxftype() for e in got.modelspace())
    if kinds != ["LINE"] or "IMPLANTATION" in [l.dxf.name for l in got.layers] and len(got.groups):
        failures.append(f"cancelled: the drawing holds {kinds} and {len(got.groups)} groups")
    shows = r.stdout.split("\nshow\n")
    if len(shows) < 3 or 'edit "H.Min" : "0.00"' not in shows[1] or 'edit "H.Stat" : "1.00"' not in shows[1] \
            or 'edit "H.Min" : "1.20"' not in shows[2]:
        failures.append("cancelled: H.Min -3 should show 0.00, 1e31 1.20, and H.Stat keep 1.00 after 'abc'")
    rows = last_list(r.stdout)
    if rows.get("A1", [None] * 7)[6] != "100.0000" or rows.get("A1", [None] * 9)[8] != "*":
        failures.append(f"cancelled: rows {rows}")


def prompts(geltaro, home, failures):
    doc = ezdxf.new("R2010")
    block = doc.blocks.new("PT")
    block.add_attdef("NUMPT", (0, 0))
    block.add_attdef("Z", (0, -1))
    ins = doc.modelspace().add_blockref("PT", (50, 50))
    ins.add_attrib("NUMPT", "B7", (0, 0))
    ins.add_attrib("Z", "101.5", (0, -1))
    path = os.path.join(home, "invites.dxf")
    doc.saveas(path)
    script = f"""(gltraddpt "S2" 1 '(20.0 80.0) nil "station")
IMPLANT2
press Ajouter
10,0
20,0
30,0

dblclick Points 0
press Enlever
show
press Ajouter
10,0
0,-10
30,30

select Points 0 1
press "Mise en station"
D
#{ins.dxf.handle}
50,50

P
21,79

R
w 5,-5 15,5
A

select Points 2
press "Mise en station"
12,34


press Localiser

press Aperçu

check Dessiner on
press "Générer résultats"
"""
    saved = os.path.join(home, "invites-out.dxf")
    r = run_script(geltaro, home, script, drawing=path, save=saved, name="invites")
    if r.returncode != 0:
        failures.append(f"prompts: exit {r.returncode}: {r.stderr}")
        return
    out = r.stdout
    emptied = out.split("press Enlever", 1)[1].split("press Ajouter", 1)[0]
    if 'list "Points" : 0 ligne' not in emptied or 'button "Numérotation"  (grisé)' in emptied:
        failures.append("prompts: the emptied list did not enable the numbering again")
    for text in ("La référence est confondue avec la station", "Pause [Redessiner]:", "Pause :",
                 "Cliquer à proximité de la station à utiliser", "Block Point:"):
        if text not in out:
            failures.append(f"prompts: {text!r} not seen")
    rows = last_list(out)
    a4, a5, a6 = rows.get("A4"), rows.get("A5"), rows.get("A6")
    if not (a4 and a5 and a6):
        failures.append(f"prompts: rows {rows}")
        return
    if a4[4:7] != ["", "", "-"]:
        failures.append(f"prompts: the cancelled row shows {a4}")
    want = bearing((20, 80), (0, -10))
    if a5[4:6] != ["S2", "NORD"] or abs(float(a5[6]) - want) > 1.5e-4:
        failures.append(f"prompts: the row staked from the nearest point shows {a5}, angle {want:.4f}")
    if a6[4] != "X=12.0000,Y=34.0000" or abs(float(a6[7]) - math.hypot(18, 4)) > 1e-4:
        failures.append(f"prompts: the row staked from a picked station shows {a6}")
    got = ezdxf.readfile(saved)
    sight = sorted((tuple(round(c, 6) for c in e.dxf.start)[:2], tuple(round(c, 6) for c in e.dxf.end)[:2])
                   for e in got.modelspace().query("LINE[layer=='IMPLANTATION']")
                   if xdata(e, "VREL_IMPLANTATION") and e.dxf.start.distance(e.dxf.end) > 5)
    if sight != [((12, 34), (30, 30)), ((20, 80), (0, -10))]:
        failures.append(f"prompts: lines of sight {sight}")
    texts = [t.dxf.text for t in got.modelspace().query("TEXT[layer=='IMPLANTATION']")]
    if any("B7" in t for t in texts):
        failures.append("prompts: the station left without points kept its graphics")


def main():
    geltaro, source, work = sys.argv[1:4]
    os.makedirs(work, exist_ok=True)
    home = fresh_home(source, work)
    failures = []
    survey(geltaro, home, failures)
    flat(geltaro, home, failures)
    cancelled(geltaro, home, failures)
    prompts(geltaro, home, failures)
    return verdict("implantation_e2e", failures)


if __name__ == "__main__":
    sys.exit(main())
