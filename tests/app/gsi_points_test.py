#!/usr/bin/python3
"""A real field book turned into points at the console: IMPORTGSI, the book
opened and analysed, "Calculer les points" (the station of the lines before
the first set-up typed, every name conflict kept beside with a suffix), the
report closed, the drawing saved. The saved drawing is read back with ezdxf:
the points measured after the set-up STAZLIB3 lie within 2 mm of the
coordinates the instrument stored on their lines (read here from the book
itself), their altitude texts agree, codes unknown to the codification fall
back to code 1 with the field code kept in the observation. A book without
distances places nothing.

Usage: gsi_points_test.py GELTARO SOURCE_DIR WORK_DIR
"""
import os
import sys

import ezdxf

from console_run import fresh_home, point_blocks, run_script, verdict

SCRIPT = """IMPORTGSI
press "Fichier..."
{path}
press Analyser
press "Calculer les points"
500,500
gt
cancel
ok
"""


def book_lines(path):
    """Word index -> (units digit, sign, data) for each line of a GSI-8 book."""
    with open(path, "rb") as f:
        text = f.read().decode("ascii")
    for line in text.replace("\r\n", "\n").replace("\r", "\n").split("\n"):
        words = {}
        for w in line.split():
            words[int(w[:2])] = (w[5], w[6], w[7:])
        if words:
            yield words


def metres(word):
    units, sign, data = word
    value = int(data) / {"0": 1000.0, "6": 10000.0, "8": 100000.0}[units]
    return -value if sign == "-" else value


def main():
    geltaro, source, work = sys.argv[1:4]
    home = fresh_home(source, work)
    failures = []

    book = os.path.join(source, "tests", "data", "gsi", "leica_gsi8_ertola.gsi")
    saved = os.path.join(home, "points.dxf")
    r = run_script(geltaro, home, SCRIPT.format(path=book), save=saved, name="ertola")
    if r.returncode != 0:
        print("FAIL geltaro", r.returncode, r.stderr)
        return 1
    if "693 points placés, 0 ignoré, 1 direction seule (sans distance)." not in r.stdout:
        failures.append("summary line missing: " + r.stdout[-800:])
    if "Rapport : " not in r.stdout:
        failures.append("no report shown")
    refused = [l for l in r.stdout.splitlines() if l.startswith("! ")]
    if refused:
        failures.append(f"actions refused: {refused}")

    # The lines after the set-up STAZLIB3, up to the next set-up, that carry
    # the instrument's coordinates.
    expected, inside = {}, False
    for words in book_lines(book):
        name = words[11][2].lstrip("0.")
        if 84 in words:
            inside = name == "STAZLIB3"
            continue
        if inside and 21 in words and 81 in words:
            expected[name] = (metres(words[81]), metres(words[82]), metres(words[83]), words[71][2].lstrip("0."))
    if len(expected) != 25:
        failures.append(f"{len(expected)} lines after STAZLIB3 instead of 25")

    blocks = {}
    for ins in ezdxf.readfile(saved).modelspace().query("INSERT"):
        attribs = {a.dxf.tag: a.dxf.text for a in ins.attribs}
        blocks.setdefault(attribs.get("NUMPT", "").split("_")[0], []).append((ins.dxf.insert, attribs))
    if sum(len(v) for v in blocks.values()) != 693:
        failures.append(f"{sum(len(v) for v in blocks.values())} point blocks instead of 693")
    for name, (x, y, z, code) in expected.items():
        near = [(p, a) for p, a in blocks.get(name, []) if abs(p.x - x) <= 0.002 and abs(p.y - y) <= 0.002]
        if not near:
            failures.append(f"no block of {name} within 2 mm of {x}, {y}")
            continue
        position, attribs = near[0]
        if abs(float(attribs["Z"]) - z) > 0.005 + 0.002:
            failures.append(f"{name}: altitude {attribs['Z']} instead of {z}")
        if attribs["CODE"] != "1" or attribs["OBS"] != code:
            failures.append(f"{name}: code {attribs['CODE']!r}, observation {attribs['OBS']!r} (field code {code})")

    # Angles only: directions, no point.
    angles = os.path.join(home, "angles.gsi")
    with open(angles, "w") as f:
        f.write("110001+000000S1 25...2+00000000 84...0+01000000 85...0+02000000 \r\n"
                "110002+0000000A 21...2+00000000 22...2+10000000 \r\n"
                "110003+0000000B 21...2+10000000 22...2+10000000 \r\n")
    saved2 = os.path.join(home, "angles.dxf")
    r2 = run_script(geltaro, home, SCRIPT.replace("500,500\ngt\n", "").format(path=angles), save=saved2,
                    name="angles")
    if r2.returncode != 0 or "0 point placé, 0 ignoré, 2 directions seules" not in r2.stdout:
        failures.append("angles only: " + r2.stdout[-600:] + r2.stderr)
    elif point_blocks(ezdxf.readfile(saved2)):
        failures.append("angles only: point blocks were placed")

    return verdict("gsi points", failures)


if __name__ == "__main__":
    sys.exit(main())
