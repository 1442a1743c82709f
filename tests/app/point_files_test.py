#!/usr/bin/python3
"""Point files end to end through the console: an XYZ file of a few hundred
points loaded with COORDSXYZ and placed in the drawing; EXPORTPOINTS of some
rows to a text file, a Word document and an HTML document; the text read
back through the XYZ reader (COORDSXYZ again) gives the same points; the
documents parse as one table.

Usage: point_files_test.py GELTARO SOURCE_DIR WORK_DIR
"""
import html.parser
import os
import random
import re
import sys

import ezdxf

from console_run import fresh_home, run_script, verdict


class Tables(html.parser.HTMLParser):
    """Counts tables, rows and cells, and checks that they nest and close."""

    def __init__(self):
        super().__init__()
        self.stack, self.tables, self.rows, self.cells, self.errors = [], 0, [], [], []
        self.text = None

    def handle_starttag(self, tag, attrs):
        if tag in ("table", "tr", "td"):
            expected = {"table": None, "tr": "table", "td": "tr"}[tag]
            if (self.stack[-1] if self.stack else None) != expected:
                self.errors.append(f"<{tag}> inside {self.stack[-1:]}")
            self.stack.append(tag)
            if tag == "table":
                self.tables += 1
            elif tag == "tr":
                self.rows.append([])
            else:
                self.text = ""

    def handle_endtag(self, tag):
        if tag in ("table", "tr", "td"):
            if not self.stack or self.stack[-1] != tag:
                self.errors.append(f"</{tag}> does not close {self.stack[-1:]}")
                return
            self.stack.pop()
            if tag == "td":
                self.rows[-1].append(self.text.strip())
                self.text = None

    def handle_data(self, data):
        if self.text is not None:
            self.text += data


def rtf_rows(text):
    """The rows of the tables of an RTF document, each the texts of its
    cells (\\'hh bytes in Windows-1252, \\~ a no-break space, as blank)."""
    def decode(cell):
        cell = re.sub(r"\\'([0-9a-f]{2})", lambda m: bytes([int(m.group(1), 16)]).decode("cp1252"), cell)
        return cell.replace("\\~", " ").replace("\\{", "{").replace("\\}", "}").replace("\\\\", "\\").strip()
    rows = []
    for row in text.split("\\row")[:-1]:
        rows.append([decode(c) for c in re.findall(r"\\intbl\\q[lrcj]\{\S* ((?:[^{}\\]|\\.)*)\}\\cell", row)])
    return rows


def main():
    geltaro, source, work = sys.argv[1:4]
    home = fresh_home(source, work)
    failures = []

    # A survey of 300 points: some without altitude, codes 1, 3 and 100,
    # a few observations.
    random.seed(7)
    points = []
    with open(os.path.join(home, "leve.xyz"), "w", newline="") as f:
        for i in range(300):
            name = f"P{i + 1}"
            x, y = round(651000 + random.random() * 200, 3), round(6862000 + random.random() * 200, 3)
            z = round(100 + random.random() * 5, 3) if i % 17 else None
            code = [1, 1, 1, 3, 100][i % 5]
            line = f"{name} {x:.3f} {y:.3f}"
            if z is not None:
                line += f" {z:.3f} {code}" + (" talus" if i % 7 == 0 else "")
            else:
                code = 1
            f.write(line + "\r\n")
            points.append((name, x, y, z, code))

    script = f"""COORDSXYZ
press 523
{home}/leve.xyz
press 527
press 526
EXPORTPOINTS
select 269 3 1 7
press 267
{home}/export.txt
press 267
{home}/export.doc
select 269
press 267
{home}/export.htm
ok
PTSEN3D
"""
    saved = os.path.join(home, "plan.dxf")
    r = run_script(geltaro, home, script, save=saved)
    if r.returncode != 0:
        print("FAIL geltaro:", r.stderr)
        return 1
    with_z = sum(1 for p in points if p[3] is not None)
    if f" {with_z} points plac" not in r.stdout:
        failures.append(f"PTSEN3D did not place the {with_z} points with altitude")

    # The drawing holds one point block a point.
    doc = ezdxf.readfile(saved)
    inserts = doc.modelspace().query("INSERT")
    if len(inserts) != 300:
        failures.append(f"{len(inserts)} point blocks instead of 300")

    # The text export: the three selected rows, in display order, in the
    # fixed format; no altitude as ".".
    with open(os.path.join(home, "export.txt"), "rb") as f:
        text = f.read().decode("cp1252")
    lines = text.split("\r\n")
    if lines[-1] != "" or len(lines) != 4:
        failures.append(f"export.txt has {len(lines) - 1} lines")
    expected = [points[1], points[3], points[7]]  # display order, whatever the order of selection
    for line, (name, x, y, z, code) in zip(lines, expected):
        zt = f"{z:15.4f}" if z is not None else f"{'.':>15}"
        want = f"{name:>10}\t{x:15.4f}\t{y:15.4f}\t{zt}\t{code:5d}"
        if line != want:
            failures.append(f"export line {line!r} instead of {want!r}")

    # Read back through the XYZ reader, then written by it.
    again = run_script(geltaro, home, f"COORDSXYZ\npress 523\n{home}/export.txt\npress 524\n{home}/relu.xyz\npress 526\n")
    with open(os.path.join(home, "relu.xyz"), "rb") as f:
        records = [l.split("\t") for l in f.read().decode("cp1252").split("\r\n") if l]
    back = [(rec[0].strip(), float(rec[1]), float(rec[2]), float(rec[3]), int(rec[4])) for rec in records]
    want = [(n, x, y, z if z is not None else 1e38, c) for n, x, y, z, c in expected]
    if [(n, round(x, 4), round(y, 4), z if z == 1e38 else round(z, 4), c) for n, x, y, z, c in back] != \
            [(n, round(x, 4), round(y, 4), z if z == 1e38 else round(z, 4), c) for n, x, y, z, c in want]:
        failures.append(f"read back {back} instead of {want}")
    if again.returncode != 0:
        failures.append("the second session failed")

    # The documents: one table, a header row and one row a point; the Word
    # document is Rich Text, the other HTML.
    for name, rows, word in (("export.doc", 3, True), ("export.htm", 300, False)):
        with open(os.path.join(home, name), "rb") as f:
            markup = f.read().decode("cp1252")
        if word:
            if not markup.startswith("{\\rtf1\\ansi\\ansicpg1252"):
                failures.append(f"{name}: not a Rich Text document: {markup[:40]!r}")
            table = rtf_rows(markup)
        else:
            parser = Tables()
            parser.feed(markup)
            parser.close()
            if parser.errors or parser.stack:
                failures.append(f"{name}: {parser.errors[:3]} {parser.stack}")
            if parser.tables != 1:
                failures.append(f"{name}: {parser.tables} tables")
            table = parser.rows
        if len(table) != rows + 1:
            failures.append(f"{name}: {len(table)} rows")
            continue
        if table[0] != ["N\u00b0", "X (m)", "Y (m)", "Z (m)", "Code"]:
            failures.append(f"{name}: header {table[0]}")
        body = table[1:]
        wanted = expected if word else points
        for cells, (pname, x, y, z, code) in zip(body, wanted):
            want_cells = [pname, f"{x:.4f}", f"{y:.4f}", f"{z:.4f}" if z is not None else "", str(code)]
            if cells != want_cells:
                failures.append(f"{name}: row {cells} instead of {want_cells}")
                break

    # The saved drawing again: a coordinate table of three points, and the
    # point tables manager (create two tables, rename one, merge, delete).
    script = f"""TABLEXYZ
select 269 0 1 2
press 268
ok
651000,6862300
ok
gererLeves
press 399
press 399
select 403 1
set 398 Parcelle
press 402
select 403 0 1
press 400
select 403 2
press 401
cancel
"""
    final = os.path.join(home, "final.dxf")
    r = run_script(geltaro, home, script, save=final, drawing=saved)
    if r.returncode != 0:
        failures.append(f"third session: {r.stderr}")
    else:
        doc = ezdxf.readfile(final)
        groups = [g for _, g in doc.groups]
        if len(groups) != 1:
            failures.append(f"{len(groups)} groups instead of the coordinate table's one")
        else:
            kinds = {}
            for e in groups[0]:
                kinds[e.dxftype()] = kinds.get(e.dxftype(), 0) + 1
            # 4 headers + 3 rows of 4 cells (an empty Z cell has no text);
            # 3 column lines + the header line; the frame.
            cells = 4 + 12 - sum(1 for p in points[:3] if p[3] is None)
            if kinds != {"TEXT": cells, "LINE": 4, "LWPOLYLINE": 1}:
                failures.append(f"coordinate table entities {kinds}")
            texts = {e.dxf.text for e in groups[0] if e.dxftype() == "TEXT"}
            for name, x, y, z, code in points[:3]:
                if name not in texts or f"{x:.4f}" not in texts:
                    failures.append(f"coordinate table lacks {name} or {x:.4f}")
        tags = [t.value for t in doc.layers.get("0").get_extension_dict()["GELTARO4_VREL_DATA"].tags]
        names = [v for t, v in zip(doc.layers.get("0").get_extension_dict()["GELTARO4_VREL_DATA"].tags, tags)
                 if t.code == 300]
        if names != ["LEVE", "Parcelle", "LEVE + Parcelle"]:
            failures.append(f"tables stored: {names}")

    return verdict("point files", failures)


if __name__ == "__main__":
    sys.exit(main())
