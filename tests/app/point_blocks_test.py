#!/usr/bin/python3
"""Point blocks end to end: points added from LISP at the console, saved,
checked with ezdxf; the codification file of the first run; the drawing
reopened with its points.

Usage: point_blocks_test.py GELTARO SOURCE_DIR WORK_DIR
"""
import math
import os
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET

import ezdxf

from console_run import verdict

SCRIPT = """(add_pt "A1" 3 '(100.0 200.0) "12,5")
(add_pt "A2" 5 '(110.0 205.0 0.0) 10.0)
(add_pt "A3" 1 '(120.0 210.0) 11.256 "regard")
(gltraddpt "S1" 100 '(105.0 195.0) nil "ancienne")
(gltraddpt "S1" 100 '(106.0 196.0) nil "station")
(sslength (select_all))
(updarxttxt 0.5)
(add_pt "B1" 1 '(130.0 220.0) 1.0)
(reg_pts)
"""

FIELDS = ["code", "libelle", "chemin", "tailleBlock", "precisionAltitudes", "layerBlock", "layerAltitudes",
          "layerNumero", "layerObs", "layerCode", "coulLayerBlock", "coulLayerAltitudes", "coulLayerNumero",
          "coulLayerObs", "coulLayerCode"]


def run(geltaro, home, args, script):
    path = os.path.join(home, "job.scr")
    with open(path, "w") as f:
        f.write(script)
    env = dict(os.environ, GELTARO_HOME=home)
    return subprocess.run([geltaro] + args + ["--script", path, "--echo"], capture_output=True, text=True,
                          env=env, timeout=60, cwd=home)


def close(a, b):
    return all(math.isclose(x, y, abs_tol=1e-9) for x, y in zip(a, b))


def main():
    geltaro, source, work = sys.argv[1:4]
    home = os.path.join(work, "home")
    shutil.rmtree(home, ignore_errors=True)
    os.makedirs(home)
    shutil.copytree(os.path.join(source, "data", "biblio"), os.path.join(home, "biblio"))
    failures = []
    saved = os.path.join(home, "points.dxf")
    r = run(geltaro, home, ["--save", saved], SCRIPT)
    if r.returncode != 0:
        print("FAIL geltaro:", r.stderr)
        return 1
    if "\n4\n" not in r.stdout:
        failures.append("select_all did not give the four point blocks")

    # The codification file of the first run: the two default entries.
    root = ET.parse(os.path.join(home, "defcodif")).getroot()
    entries = root.findall("./TBdata/codifPoint") if root.tag == "codifPoints" else []
    if [e.findtext("code") for e in entries] != ["1", "100"]:
        failures.append(f"defcodif entries: {[e.findtext('code') for e in entries]}")
    for e in entries:
        if [c.tag for c in e] != FIELDS:
            failures.append(f"defcodif fields: {[c.tag for c in e]}")
        if e.findtext("tailleBlock") != "1.000000" or e.find("libelle").get("mode") != "utf8":
            failures.append("defcodif values are not in the documented form")
    if [e.findtext("libelle") for e in entries] != ["Point topo", "Station"]:
        failures.append("defcodif labels")
    with open(os.path.join(home, "defcodif"), "rb") as f:
        if f.read(5) == b"<?xml":
            failures.append("defcodif starts with an XML declaration")

    doc = ezdxf.readfile(saved)
    if doc.audit().has_errors:
        failures.append("the saved drawing does not pass the audit")
    inserts = {}
    for ins in doc.modelspace().query("INSERT"):
        attribs = {a.dxf.tag: a for a in ins.attribs}
        inserts[attribs["NUMPT"].dxf.text] = (ins, attribs)
    if sorted(inserts) != ["A1", "A2", "A3", "B1", "S1"]:
        failures.append(f"point blocks: {sorted(inserts)}")
        inserts = {}
    # name: (block, scale, position, code text, altitude text, observation)
    expected = {
        "A1": ("vrelblk1", 1.0, (100, 200), "3", "", ""),
        "A2": ("vrelblk1", 1.0, (110, 205), "5", "10.00", ""),
        "A3": ("vrelblk1", 1.0, (120, 210), "1", "11.26", "regard"),
        "S1": ("vrelblk3", 1.0, (106, 196), "100", "", "station"),
        "B1": ("vrelblk1", 0.5, (130, 220), "1", "1.00", ""),
    }
    for name, (ins, attribs) in inserts.items():
        block, h, (x, y), code, alti, obs = expected[name]
        if ins.dxf.name != block or not close((ins.dxf.xscale, ins.dxf.yscale, ins.dxf.zscale), (h, h, h)):
            failures.append(f"{name}: block {ins.dxf.name} scale {ins.dxf.xscale}")
        if not close(ins.dxf.insert, (x, y, 0)) or ins.dxf.layer != "0":
            failures.append(f"{name}: inserted at {ins.dxf.insert} on {ins.dxf.layer}")
        if ins.get_xdata("VRELPLUS") != [(1070, 1)]:
            failures.append(f"{name}: extended data {ins.get_xdata('VRELPLUS')}")
        layout = {"CODE": (code, 2.0, "_ Codes Points", True), "NUMPT": (name, 0.5, "_ Numero Points", False),
                  "Z": (alti, -1.0, "_ Altitudes Points", False), "OBS": (obs, -2.5, "_ Obs Points", False)}
        if list(attribs) != ["CODE", "NUMPT", "Z", "OBS"]:
            failures.append(f"{name}: attributes {list(attribs)}")
            continue
        for tag, (text, dy, layer, invisible) in layout.items():
            a = attribs[tag]
            if a.dxf.text != text or a.dxf.layer != layer or a.is_invisible != invisible:
                failures.append(f"{name} {tag}: {a.dxf.text!r} on {a.dxf.layer} invisible={a.is_invisible}")
            if not close(a.dxf.insert, (x + 0.75 * h, y + dy * h, 0)) or not math.isclose(a.dxf.height, h):
                failures.append(f"{name} {tag}: at {a.dxf.insert} height {a.dxf.height}")
    for layer in ["_ Altitudes Points", "_ Numero Points", "_ Obs Points", "_ Codes Points"]:
        if layer not in doc.layers or doc.layers.get(layer).color != 7:
            failures.append(f"layer {layer} missing or not colour 7")
    for block in ["vrelblk1", "vrelblk3"]:
        if block not in doc.blocks or len(doc.blocks[block]) == 0:
            failures.append(f"block definition {block} missing or empty")
    if "VRELPLUS" not in doc.appids:
        failures.append("application VRELPLUS not registered")

    # Reopened, the project still knows its points and their blocks.
    again = run(geltaro, home, [saved], '(ename_pt "s1")\n(sslength (seloncode 1))\nPTSEN3D\n')
    if "<Entity name:" not in again.stdout or "\n2\n" not in again.stdout or " 3 points plac" not in again.stdout:
        failures.append(f"reopened drawing: {again.stdout[-400:]}")

    return verdict("point blocks", failures)


if __name__ == "__main__":
    sys.exit(main())
