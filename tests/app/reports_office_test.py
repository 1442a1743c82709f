#!/usr/bin/python3
"""Reports opened in a word processor (LibreOffice Writer): the points of a
table exported as a Word document and as HTML (EXPORTPOINTS), the report of
a closed traverse and that of a Helmert transformation saved from the
viewer as ".doc" and as ".htm". LibreOffice converts each file to ODT, then
to PDF; the ODT must hold the report's tables with framed cells, and the
PDF's text the report's titles with their accents, the units of the
columns, and every number of the report whole, on one line.

Coordinates are real-world ones (a Lambert projection: 651000, 6862000),
so the traverse's widest table needs a landscape page.

Skipped (exit 77) when soffice or pdftotext (poppler-utils) is missing.

Usage: reports_office_test.py GELTARO SOURCE_DIR WORK_DIR
"""
import os
import re
import shutil
import subprocess
import sys
import zipfile

from console_run import fresh_home, report_tables, run_script, verdict

POINTS = [("Sté1", 651234.5678, 6862345.1234, 102.35, 1), ("A&B", 651300.0, 6862400.25, None, 3),
          ("P3", 651111.111, 6862222.222, 99.5, 100)]

TRAVERSE = """CORRPOLFERMEE
set 1020 Départ
set 1021 651000.1234
set 1022 6862000.5678
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
set 1003 Départ
set 1004 300.004
set 1006 -0.68
press 1008
press 1010
press Sauvegarder
{home}/polygonale.doc
press Sauvegarder
{home}/polygonale.htm
cancel
cancel
"""

HELMERT = """HELMERT
press "Ajouter points"
651100.0,6862100.0
652000.004,6863000.0
651300.0,6862120.0
652200.0,6863019.997
651280.0,6862310.0
652180.002,6863210.001
651090.0,6862290.0
651990.0,6863190.003

press "Calculer et afficher les résultats"
press Sauvegarder
{home}/helmert.doc
press Sauvegarder
{home}/helmert.htm
cancel
press Fermer
"""

# Texts each report must show, accents included. (Titles of columns of
# the widest tables may break at a blank in the HTML forms, whose column
# widths the word processor chooses: those are not looked for.)
TITLES = {
    "points": ["N°", "X (m)", "Z (m)", "Sté1", "A&B"],
    "polygonale": ["Corrections de fermeture polygonale", "Données", "Coordonnées finales", "Angle (gr)",
                   "Distance (m)", "X (m)"],
    "helmert": ["Transformation d'helmert", "Données", "Rotation (gr)", "X Corrigé (m)"],
}

NUMBER = re.compile(r"^-?\d+\.\d+$")


def soffice(args, profile, timeout=240):
    """One LibreOffice run with a profile of its own (two at once on one
    profile would clash)."""
    return subprocess.run(["soffice", f"-env:UserInstallation=file://{profile}", "--headless"] + args,
                          capture_output=True, text=True, timeout=timeout)


def cell_styles_framed(content):
    """Names of the table-cell styles of an ODT's content.xml that draw a
    solid border on every side."""
    framed = set()
    for m in re.finditer(r'<style:style style:name="([^"]+)" style:family="table-cell">(.*?)</style:style>', content):
        props = m.group(2)
        sides = re.findall(r'fo:border(?:-(?:left|right|top|bottom))?="([^"]*)"', props)
        if sides and all("solid" in s for s in sides):
            framed.add(m.group(1))
    return framed


def main():
    geltaro, source, work = sys.argv[1:4]
    missing = [tool for tool in ("soffice", "pdftotext") if shutil.which(tool) is None]
    if missing:
        print("skipped: LibreOffice (soffice) and pdftotext (poppler-utils) are needed;", ", ".join(missing),
              "not found")
        return 77

    home = fresh_home(source, work)
    with open(os.path.join(home, "leve.xyz"), "wb") as f:
        for name, x, y, z, code in POINTS:
            line = f"{name} {x:.4f} {y:.4f}" + (f" {z:.4f} {code}" if z is not None else "")
            f.write((line + "\r\n").encode("cp1252"))
    script = f"""COORDSXYZ
press 523
{home}/leve.xyz
press 527
press 526
EXPORTPOINTS
press 267
{home}/points.doc
press 267
{home}/points.htm
ok
""" + TRAVERSE.format(home=home) + HELMERT.format(home=home)
    r = run_script(geltaro, home, script)
    if r.returncode != 0:
        print("FAIL geltaro:", r.returncode, r.stderr, r.stdout[-2000:])
        return 1
    failures = []
    reports = ["points", "polygonale", "helmert"]
    files = [f"{rep}.{ext}" for rep in reports for ext in ("doc", "htm")]
    for name in files:
        if not os.path.exists(os.path.join(home, name)):
            failures.append(f"{name} was not written")
    if failures:
        for f in failures:
            print("FAIL", f)
        print(r.stdout[-3000:])
        return 1

    # LibreOffice opens ".doc" files by their content; ".htm" ones are
    # opened in Writer with its HTML import (Writer/Web's own PDF export of
    # LibreOffice 7.4 drops the first paragraph of any HTML file).
    out = os.path.join(work, "office")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    profile = os.path.join(work, "lo-profile")
    docs = [os.path.join(home, n) for n in files if n.endswith(".doc")]
    htms = [os.path.join(home, n) for n in files if n.endswith(".htm")]
    runs = [soffice(["--convert-to", "odt", "--outdir", os.path.join(out, "doc")] + docs, profile),
            soffice(["--infilter=HTML (StarWriter)", "--convert-to", "odt", "--outdir", os.path.join(out, "htm")] + htms,
                    profile)]
    for ext in ("doc", "htm"):
        odts = [os.path.join(out, ext, rep + ".odt") for rep in reports]
        runs.append(soffice(["--convert-to", "pdf", "--outdir", os.path.join(out, "pdf", ext)] +
                            [p for p in odts if os.path.exists(p)], profile))
    for run in runs:
        if run.returncode != 0:
            failures.append(f"soffice: {run.returncode} {run.stderr[-500:]}")

    for rep in reports:
        with open(os.path.join(home, rep + ".htm"), "rb") as f:
            markup = f.read().decode("cp1252")
        tables = [t for t in report_tables(markup) if t]
        numbers = {c for t in tables for row in t for c in row if NUMBER.match(c)}
        for ext in ("doc", "htm"):
            label = f"{rep}.{ext}"
            odt = os.path.join(out, ext, rep + ".odt")
            if not os.path.exists(odt):
                failures.append(f"{label}: LibreOffice did not open it")
                continue
            # The structure LibreOffice made of the file: as many tables as
            # the report, their cells framed.
            with zipfile.ZipFile(odt) as z:
                content = z.read("content.xml").decode("utf-8")
            found = len(re.findall(r"<table:table ", content))
            if found != len(tables):
                failures.append(f"{label}: {found} tables instead of {len(tables)}")
            framed = cell_styles_framed(content)
            cells = re.findall(r'<table:table-cell table:style-name="([^"]+)"', content)
            if not cells or sum(1 for c in cells if c in framed) < len(numbers):
                failures.append(f"{label}: {sum(1 for c in cells if c in framed)} framed cells of {len(cells)}")
            pdf = os.path.join(out, "pdf", ext, rep + ".pdf")
            if not os.path.exists(pdf):
                failures.append(f"{label}: no PDF")
                continue
            text = subprocess.run(["pdftotext", "-layout", pdf, "-"], capture_output=True, text=True).stdout
            if "<td" in text or "<html" in text or "\\rtf" in text:
                failures.append(f"{label}: shown as source text")
            for title in TITLES[rep]:
                if title not in text:
                    failures.append(f"{label}: {title!r} missing")
            tokens = set(text.split())
            broken = sorted(n for n in numbers if n not in tokens)
            if broken:
                failures.append(f"{label}: {len(broken)} of {len(numbers)} numbers not whole, e.g. {broken[:4]}")

    return verdict("reports in a word processor", failures)


if __name__ == "__main__":
    sys.exit(main())
