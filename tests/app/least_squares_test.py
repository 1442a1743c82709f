#!/usr/bin/python3
"""A least-squares network at the console: CORRMCARRES, "Données" with the
example network (four known points, three to compute, angles in grades,
distances and height differences with a few millimetres of noise),
"Calculer X,Y", "Calculer Z", both placements; the computation text read from
the console and the saved drawing checked with ezdxf.

Usage: least_squares_test.py GELTARO SOURCE_DIR WORK_DIR
"""
import math
import os
import re
import shutil
import sys

import ezdxf

from console_run import fresh_home, point_blocks, run_script, verdict

SCRIPT = """CORRMCARRES
press Données
reseau.mc
show
press "Calculer X,Y"
show
press "Calculer Z"
show
press "Placer Canevas"
press "Placer !!!"
ok
"""

KNOWN = {"A": (1000, 2000, 100), "B": (1400, 2050, 102.5), "C": (1250, 2450, 98.2), "D": (880, 2320, 101)}
# The positions the observations were made from.
TRUE = {"P1": (1120, 2150, 99.4), "P2": (1260, 2230, 100.8), "P3": (1040, 2290, 100.1)}


def main():
    geltaro, source, work = sys.argv[1:4]
    home = fresh_home(source, work)
    shutil.copy(os.path.join(source, "examples", "reseau.mc"), home)
    saved = os.path.join(home, "reseau.dxf")
    r = run_script(geltaro, home, SCRIPT, save=saved)
    if r.returncode != 0:
        print("FAIL geltaro:", r.stderr)
        return 1
    failures = []
    out = r.stdout

    # The listing after loading names every point.
    for name in KNOWN:
        if not re.search(r"\d+ Point +%s +X= +[\d.]+ Y= +[\d.]+ Z= +[\d.]+" % name, out):
            failures.append(f"known point {name} not listed")
    if "Points à calculer:" not in out:
        failures.append("no list of points to compute")

    # The last planimetric text: "[P1]\t(x\ty)"; the altimetric one:
    # "\t[P1]\t(x\ty\tz\t)".
    plani, alti = {}, {}
    for m in re.finditer(r"\| \[(\w+)\]\s+\(\s*([-\d.]+)\s+([-\d.]+)\s*\)", out):
        plani[m.group(1)] = (float(m.group(2)), float(m.group(3)))
    for m in re.finditer(r"\|\s+\[(\w+)\]\s+\(\s*([-\d.]+)\s+([-\d.]+)\s+([-\d.]+)\s*\)", out):
        alti[m.group(1)] = float(m.group(4))
    for name, (x, y, z) in TRUE.items():
        if name not in plani or math.hypot(plani[name][0] - x, plani[name][1] - y) > 0.02:
            failures.append(f"{name} adjusted to {plani.get(name)} instead of about {(x, y)}")
        if name not in alti or abs(alti[name] - z) > 0.02:
            failures.append(f"{name} altitude {alti.get(name)} instead of about {z}")
    if "Valeur du chi 2=" not in out:
        failures.append("no chi 2 line")

    doc = ezdxf.readfile(saved)
    blocks = point_blocks(doc)
    if sorted(blocks) != sorted(list(KNOWN) + list(TRUE)):
        failures.append(f"point blocks {sorted(blocks)}")
    expected = {n: (x, y) for n, (x, y, _) in KNOWN.items()}
    expected.update(plani)
    for name, (x, y) in expected.items():
        if name in blocks:
            at, attribs = blocks[name]
            if math.hypot(at[0] - x, at[1] - y) > 1e-3 or attribs.get("CODE") != "100":
                failures.append(f"{name} block at {tuple(at)} code {attribs.get('CODE')}")
    if doc.audit().has_errors:
        failures.append("the saved drawing does not pass the audit")

    return verdict("least squares", failures)


if __name__ == "__main__":
    sys.exit(main())
