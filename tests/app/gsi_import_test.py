#!/usr/bin/python3
"""A GSI field book analysed at the console: a drawing is opened, IMPORTGSI
opens the dialog, "Fichier..." reads the path of a real field book (CR line
ends only), "Analyser" decodes it, `show` prints the dialog with the
analysis in its lower box, OK closes it; the drawing is saved. The analysis
lines are checked against values converted by hand, and the saved drawing
must hold exactly what the same session saves without the import (ezdxf).

Usage: gsi_import_test.py GELTARO SOURCE_DIR WORK_DIR
"""
import os
import shutil
import sys

import ezdxf

from console_run import fresh_home, run_script, verdict

IMPORT = """IMPORTGSI
press Fichier...
{path}
press Analyser
show
ok
SAVE
"""

# Lines 1 and 7 of RILIEVO.gsi, by hand:
#   110001+00000100 21.102+11545200 22.102+09885300 31..00+00000000 32..00+00000000
#   -> name "     100" (leading zeros blanked), 115.452 gon, 98.853 gon, 0 m, 0 m
#   110003+00000102 21.102+13247100 22.102+10378200 31..00+00005165 32..00+00005156
#   -> 132.471 gon, 103.782 gon, 5.165 m, 5.156 m
EXPECTED = [
    "     100\tah = 115.45200\tav =  98.85300\tdi =  0.00000\tdh =  0.00000",
    "     102\tah = 132.47100\tav =  103.78200\tdi =  5.16500\tdh =  5.15600",
]


def analysis_lines(stdout):
    """The lines of the lower box in the last printout of the dialog."""
    start = stdout.rfind('rich "Analyse"')
    if start < 0:
        return None
    lines = []
    for line in stdout[start:].splitlines()[1:]:
        if not line.startswith("      | "):
            break
        lines.append(line[len("      | "):])
    return lines


def content(path):
    """Every object of the drawing by handle: its type and DXF attributes."""
    doc = ezdxf.readfile(path)
    out = {}
    for e in doc.entitydb.values():
        attribs = {k: str(v) for k, v in e.dxf.all_existing_dxf_attribs().items()}
        out[e.dxf.handle] = (e.dxftype(), attribs)
    return out


def model_space(doc):
    """The model space in order, without handles and owners: the original R12
    drawing gets new ones for its blocks when it is completed."""
    out = []
    for e in doc.modelspace():
        attribs = e.dxf.all_existing_dxf_attribs()
        out.append((e.dxftype(), {k: str(v) for k, v in attribs.items() if k not in ("handle", "owner")}))
    return out


def main():
    geltaro, source, work = sys.argv[1:4]
    home = fresh_home(source, work)
    book = os.path.join(source, "tests", "data", "gsi", "RILIEVO.gsi")
    failures = []

    drawings = {}
    for name, script in (("import", IMPORT.format(path=book)), ("plain", "SAVE\n")):
        drawing = os.path.join(home, name + ".dxf")
        shutil.copyfile(os.path.join(source, "examples", "leve-disto.dxf"), drawing)
        r = run_script(geltaro, home, script, drawing=drawing, name=name)
        if r.returncode != 0:
            print("FAIL geltaro", name, r.returncode, r.stderr)
            return 1
        drawings[name] = drawing
        if name == "import":
            stdout = r.stdout

    lines = analysis_lines(stdout)
    if lines is None:
        failures.append("no analysis box printed")
        lines = []
    if len(lines) != 23:
        failures.append(f"{len(lines)} analysis lines instead of 23 measurements")
    for expected in EXPECTED:
        if expected not in lines:
            failures.append(f"missing analysis line {expected!r}")
    if "=== Import GSI ===" not in stdout:
        failures.append("the dialog was not shown")
    refused = [l for l in stdout.splitlines() if l.startswith("! ")]
    if refused:
        failures.append(f"actions refused: {refused}")

    # The analysis changes nothing in the drawing.
    with_import, without = content(drawings["import"]), content(drawings["plain"])
    if with_import != without:
        changed = sorted(h for h in set(with_import) | set(without) if with_import.get(h) != without.get(h))
        failures.append(f"the drawing differs from a plain save: {changed[:10]}")
    original = ezdxf.readfile(os.path.join(source, "examples", "leve-disto.dxf"))
    saved = ezdxf.readfile(drawings["import"])
    if model_space(original) != model_space(saved):
        failures.append("the model space entities changed")

    return verdict("gsi import", failures)


if __name__ == "__main__":
    sys.exit(main())
