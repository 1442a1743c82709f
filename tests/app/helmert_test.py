#!/usr/bin/python3
"""A Helmert transformation at the console: a drawing written by ezdxf
(lines, a circle, a lightweight polyline, a text, a block reference and a
hatch), HELMERT with four pairs typed at the prompts, "Calculer et afficher
les résultats" (the report's tables), "Appliquer à une SELECTION" on every
entity, "Fermer"; the saved drawing checked with ezdxf against the
transformation computed here, independently, in plain Python. The hatch is
a kind the host cannot transform: it stays in place and is counted.

Usage: helmert_test.py GELTARO SOURCE_DIR WORK_DIR
"""
import math
import os
import re
import sys

import ezdxf

from console_run import fresh_home, report_tables, run_script

# Four calage pairs: the targets come from a turn of 30 gr clockwise, a scale
# of 1.0005 and a shift, with a few millimetres of noise so that the fit is a
# real least-squares one.
SOURCE = [(100.0, 100.0), (300.0, 120.0), (280.0, 310.0), (90.0, 290.0)]
NOISE = [(0.004, -0.002), (-0.003, 0.005), (0.002, 0.001), (-0.003, -0.004)]
TURN = 30 * math.pi / 200
SCALE = 1.0005
SHIFT = (1000.0, 2000.0)


def target(x, y, noise):
    c, s = math.cos(TURN), math.sin(TURN)
    return (SCALE * (c * x + s * y) + SHIFT[0] + noise[0], SCALE * (c * y - s * x) + SHIFT[1] + noise[1])


TARGET = [target(x, y, n) for (x, y), n in zip(SOURCE, NOISE)]


def estimate(src, dst):
    """Least squares about the centroids: X = A dx + B dy, Y = A dy - B dx."""
    n = len(src)
    xm, ym = sum(p[0] for p in src) / n, sum(p[1] for p in src) / n
    Xm, Ym = sum(p[0] for p in dst) / n, sum(p[1] for p in dst) / n
    norm = sa = sb = 0.0
    for (x, y), (X, Y) in zip(src, dst):
        dx, dy, dX, dY = x - xm, y - ym, X - Xm, Y - Ym
        norm += dx * dx + dy * dy
        sa += dx * dX + dy * dY
        sb += dy * dX - dx * dY
    a, b = sa / norm, sb / norm

    def move(p):
        dx, dy = p[0] - xm, p[1] - ym
        return (a * dx + b * dy + Xm, a * dy - b * dx + Ym)

    return a, b, move


def pair_lines():
    lines = []
    for (x, y), (X, Y) in zip(SOURCE, TARGET):
        lines += [f"{x!r},{y!r}", f"{X!r},{Y!r}"]
    return "\n".join(lines)


SCRIPT = f"""HELMERT
press "Ajouter points"
{pair_lines()}

press "Calculer et afficher les résultats"
cancel
press "Appliquer à une SELECTION"
all
press Fermer
"""


def make_drawing(path):
    doc = ezdxf.new("R2010")
    block = doc.blocks.new("BORNE")
    block.add_circle((0, 0), 0.5)
    msp = doc.modelspace()
    msp.add_line((120, 130), (250, 140))
    msp.add_line((150, 280), (260, 200))
    msp.add_circle((200, 200), 12.5)
    msp.add_lwpolyline([(110, 110), (290, 130), (270, 300)])
    msp.add_text("Borne 12", dxfattribs={"insert": (140, 160), "height": 2.5, "rotation": 10})
    msp.add_blockref("BORNE", (180, 220), dxfattribs={"rotation": 20})
    hatch = msp.add_hatch()
    hatch.paths.add_polyline_path([(0, 0), (10, 0), (10, 10)], is_closed=True)
    doc.saveas(path)


def close(p, q, tol=1e-6):
    return math.hypot(p[0] - q[0], p[1] - q[1]) <= tol


def angle_diff(a, b):
    """Difference of two angles in degrees, within half a turn."""
    return abs((a - b + 180) % 360 - 180)


def main():
    geltaro, source, work = sys.argv[1:4]
    home = fresh_home(source, work)
    drawing = os.path.join(home, "plan.dxf")
    make_drawing(drawing)
    saved = os.path.join(home, "plan-out.dxf")
    r = run_script(geltaro, home, SCRIPT, drawing=drawing, save=saved)
    failures = []
    if r.returncode != 0:
        print("FAIL geltaro:", r.returncode, r.stderr, r.stdout[-2000:])
        return 1
    out = r.stdout

    a, b, move = estimate(SOURCE, TARGET)
    s = math.hypot(a, b)
    theta = math.atan2(b, a)  # clockwise

    # The report.
    m = re.search(r"Rapport : (\S+)", out)
    if not m:
        failures.append("no report shown")
    else:
        with open(m.group(1), "rb") as f:
            markup = f.read().decode("cp1252")
        os.remove(m.group(1))
        t = report_tables(markup)
        if len(t) != 7:
            failures.append(f"{len(t)} tables in the report")
        else:
            if t[0][0] != ["X Depart (m)", "Y Depart (m)", "X Final (m)", "Y Final (m)"] or len(t[0]) != 5:
                failures.append(f"data table {t[0][:2]}")
            elif [float(v) for v in t[0][4]] != [round(v, 3) for v in SOURCE[3] + TARGET[3]]:
                failures.append(f"data row {t[0][4]}")
            if t[2][0][0] != "Echelle" or float(t[2][0][1]) != round(s, 3):
                failures.append(f"scale row {t[2]}")
            if t[3][0][0] != "Rotation (gr)" or abs(float(t[3][0][1]) - theta * 200 / math.pi) > 0.0005:
                failures.append(f"rotation row {t[3]}")
            if [row[0] for row in t[4]] != ["Parametre A", "Parametre B"] or \
                    abs(float(t[4][0][1]) - a) > 5e-7 or abs(float(t[4][1][1]) - b) > 5e-7:
                failures.append(f"parameters {t[4]}")
            if t[5][0] != ["X Final (m)", "Y Final (m)", "X Corrigé (m)", "Y Corrigé (m)", "DX (m)", "DY (m)",
                           "Dist (m)"] or len(t[5]) != 5:
                failures.append(f"final table {t[5][:1]}")
            else:
                for row, src, dst in zip(t[5][1:], SOURCE, TARGET):
                    p = move(src)
                    d = math.hypot(p[0] - dst[0], p[1] - dst[1])
                    if abs(float(row[2]) - p[0]) > 6e-4 or abs(float(row[3]) - p[1]) > 6e-4 or \
                            abs(float(row[6]) - d) > 6e-4:
                        failures.append(f"final row {row} instead of {p} {d}")
            if [row[0] for row in t[6]] != ["Err Inf (m)", "Err Sup (m)", "Err Moyenne (m)", "Err moy quad (m)"]:
                failures.append(f"errors table {t[6]}")
    if "1 objet(s) n'ont pas pu être transformé(s)" not in out:
        failures.append("the hatch left in place is not reported")
    if "[alerte] Transformation terminee" not in out:
        failures.append("no end alert")

    # The saved drawing.
    doc = ezdxf.readfile(saved)
    msp = doc.modelspace()
    lines = sorted(msp.query("LINE"), key=lambda e: e.dxf.start[0])
    before = [((120, 130), (250, 140)), ((150, 280), (260, 200))]
    expected_lines = sorted((move(p), move(q)) for p, q in before)
    got = sorted(((l.dxf.start[0], l.dxf.start[1]), (l.dxf.end[0], l.dxf.end[1])) for l in lines)
    if len(got) != 2 or not all(close(g[0], e[0]) and close(g[1], e[1]) for g, e in zip(got, expected_lines)):
        failures.append(f"lines {got} instead of {expected_lines}")

    circles = list(msp.query("CIRCLE"))
    if len(circles) != 1 or not close(circles[0].dxf.center, move((200, 200))) or \
            abs(circles[0].dxf.radius - 12.5 * s) > 1e-9:
        failures.append("circle not moved")

    polylines = list(msp.query("LWPOLYLINE"))
    if len(polylines) != 1:
        failures.append(f"{len(polylines)} polylines")
    else:
        points = [(p[0], p[1]) for p in polylines[0].get_points("xy")]
        wanted = [move(p) for p in [(110, 110), (290, 130), (270, 300)]]
        if len(points) != 3 or not all(close(p, q) for p, q in zip(points, wanted)):
            failures.append(f"polyline {points} instead of {wanted}")

    turn_deg = -math.degrees(theta)  # the host turns counter-clockwise
    texts = list(msp.query("TEXT"))
    if len(texts) != 1:
        failures.append(f"{len(texts)} texts")
    else:
        t = texts[0]
        if not close(t.dxf.insert, move((140, 160))) or abs(t.dxf.height - 2.5 * s) > 1e-9 or \
                angle_diff(t.dxf.rotation, 10 + turn_deg) > 1e-7:
            failures.append(f"text at {t.dxf.insert} height {t.dxf.height} rotation {t.dxf.rotation}")

    inserts = list(msp.query("INSERT"))
    if len(inserts) != 1:
        failures.append(f"{len(inserts)} block references")
    else:
        i = inserts[0]
        if not close(i.dxf.insert, move((180, 220))) or abs(i.dxf.xscale - s) > 1e-9 or \
                abs(i.dxf.yscale - s) > 1e-9 or angle_diff(i.dxf.rotation, 20 + turn_deg) > 1e-7:
            failures.append(f"block reference at {i.dxf.insert} scale {i.dxf.xscale} rotation {i.dxf.rotation}")

    hatches = list(msp.query("HATCH"))
    if len(hatches) != 1:
        failures.append(f"{len(hatches)} hatches")
    else:
        vertices = [(v[0], v[1]) for v in hatches[0].paths[0].vertices]
        if vertices != [(0, 0), (10, 0), (10, 10)]:
            failures.append(f"the hatch moved: {vertices}")
    if doc.audit().has_errors:
        failures.append("the saved drawing does not pass the audit")

    for f in failures:
        print("FAIL", f)
    if failures:
        print(out[-3000:])
    print("helmert:", "FAILED" if failures else "passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
