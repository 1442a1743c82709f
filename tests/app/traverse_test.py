#!/usr/bin/python3
"""A closed traverse at the console: CORRPOLFERMEE, the start station kept
at its defaults (ST1 at 1000, 1000, 100, north 0), four rows typed (a square
of 100 m in grades, one angle 0.004 gr too large, heights closing with 2 cm
of error, simple levelling), "Calculer !" (the report's "Coordonnées
finales"), "Placer !!!" with altitudes and both polylines; the saved drawing
checked with ezdxf.

Usage: traverse_test.py GELTARO SOURCE_DIR WORK_DIR
"""
import math
import os
import re
import sys

import ezdxf

from console_run import fresh_home, point_blocks, report_tables, run_script, verdict

SCRIPT = """CORRPOLFERMEE
pick 1001 1
set 1003 ST2
set 1004 300
set 1005 100
set 1006 1.0
press 1008
set 1003 ST3
set 1006 -0.5
press 1008
set 1003 ST4
set 1006 0.2
press 1008
set 1003 ST1
set 1004 300.004
set 1006 -0.68
press 1008
press 1010
cancel
press 1011
check 2002 on
check 2003 on
check 2004 on
ok
ok
"""


def main():
    geltaro, source, work = sys.argv[1:4]
    home = fresh_home(source, work)
    saved = os.path.join(home, "traverse.dxf")
    r = run_script(geltaro, home, SCRIPT, save=saved)
    failures = []
    if r.returncode != 0:
        print("FAIL geltaro:", r.stderr)
        return 1
    m = re.search(r"Rapport : (\S+)", r.stdout)
    final = {}
    if not m:
        failures.append("no report shown")
    else:
        with open(m.group(1), "rb") as f:
            markup = f.read().decode("cp1252")
        if "Coordonnées finales" not in markup:
            failures.append("the report has no final coordinates")
        table = report_tables(markup)[-1]
        if table[0] != ["Station", "X (m)", "Y (m)", "Z (m)"] or len(table) != 5:
            failures.append(f"final coordinates table {table[:2]}")
        for row in table[1:]:
            final[row[0]] = tuple(float(v) for v in row[1:])
        os.remove(m.group(1))

    # The corners of the square, to the centimetre; the start station and
    # its altitude are kept exactly.
    corners = {"ST1": (1000, 1000), "ST2": (1000, 1100), "ST3": (1100, 1100), "ST4": (1100, 1000)}
    for name, (x, y) in corners.items():
        if name not in final or math.hypot(final[name][0] - x, final[name][1] - y) > 0.01:
            failures.append(f"{name} adjusted to {final.get(name)}")
    if final.get("ST1", (0, 0, 0))[2] != 100.0:
        failures.append("the start station's altitude changed")

    doc = ezdxf.readfile(saved)
    blocks = point_blocks(doc)
    if sorted(blocks) != sorted(corners):
        failures.append(f"station blocks {sorted(blocks)}")
    for name, (x, y, z) in final.items():
        if name in blocks:
            at, attribs = blocks[name]
            if math.hypot(at[0] - x, at[1] - y) > 1e-3 or attribs.get("CODE") != "100":
                failures.append(f"{name} block at {at} code {attribs.get('CODE')}")
            if abs(float(attribs.get("Z") or "nan") - z) > 0.006:
                failures.append(f"{name} altitude text {attribs.get('Z')} instead of {z}")
    polylines = {p.dxf.color: p for p in doc.modelspace().query("LWPOLYLINE")}
    if sorted(polylines) != [1, 3]:
        failures.append(f"polyline colours {sorted(polylines)}")
    elif not polylines[3].closed:
        failures.append("the adjusted traverse is not closed")
    if doc.audit().has_errors:
        failures.append("the saved drawing does not pass the audit")

    return verdict("traverse", failures)


if __name__ == "__main__":
    sys.exit(main())
