#!/usr/bin/python3
"""The LISP entity and text utilities end to end: a drawing made with ezdxf
(a polyline with an arc, a note, two blocks), point blocks added at the
console and their overlapping labels moved apart with superpos, the other
utilities called from LISP, the drawing saved and checked with ezdxf; then
DISSOCBLOCK typed at the console on the saved drawing turns the labels into
texts.

Usage: entity_utilities_test.py GELTARO SOURCE_DIR WORK_DIR
"""
import logging
import math
import os
import sys

import ezdxf

from console_run import fresh_home, run_script, verdict


def make_drawing(path):
    doc = ezdxf.new("R2010")
    msp = doc.modelspace()
    msp.add_lwpolyline([(100, 0, 0, 0, 0), (110, 0, 0, 0, 0.5), (110, 10, 0, 0, 0), (100, 10, 0, 0, 0)],
                       format="xyseb", dxfattribs={"layer": "AXE"})
    # A note in the way of point 3's name label.
    msp.add_text("Regard", dxfattribs={"insert": (201.5, 201.5), "height": 1.0})
    doc.blocks.new("BOITE").add_line((1, 1), (5, 3))
    doc.blocks.new("VIDE")
    doc.saveas(path)


def label_boxes(doc):
    """(tag or text, box) of the visible attributes and of the texts of the
    model space (all left-aligned and level here): the width as ezdxf
    draws it, which the program's text metric never undercuts, and the
    height from the base line up, as the program measures it. Boxes are
    (x0, y0, x1, y1)."""
    from ezdxf import bbox
    # Measuring texts looks for the drawing's fonts; the stand-in is enough.
    logging.getLogger("matplotlib.font_manager").setLevel(logging.ERROR)
    labels = [(a.dxf.tag, a) for e in doc.modelspace().query("INSERT") for a in e.attribs
              if not a.is_invisible and a.dxf.text]
    labels += [(t.dxf.text, t) for t in doc.modelspace().query("TEXT")]
    boxes = []
    for name, e in labels:
        b = bbox.extents([e], fast=False)
        y = e.dxf.insert.y
        boxes.append((name, (b.extmin.x, y, b.extmax.x, y + e.dxf.height)))
    return boxes


def common(a, b):
    w = min(a[2], b[2]) - max(a[0], b[0])
    h = min(a[3], b[3]) - max(a[1], b[1])
    return w * h if w > 1e-9 and h > 1e-9 else 0.0


def attributes(doc):
    out = {}
    for ins in doc.modelspace().query("INSERT"):
        attribs = {a.dxf.tag: a for a in ins.attribs}
        if "NUMPT" in attribs:
            out[attribs["NUMPT"].dxf.text] = (ins, attribs)
    return out


def main():
    geltaro, source, work = sys.argv[1:4]
    home = fresh_home(source, work)
    failures = []
    drawing = os.path.join(home, "entree.dxf")
    make_drawing(drawing)
    doomed = os.path.join(home, "à supprimer.txt")
    with open(doomed, "w") as f:
        f.write("x")
    os.makedirs(os.path.join(home, "dossier"))

    script = f"""(add_pt "1" 1 '(200.0 200.0) 10.5)
(add_pt "2" 1 '(202.0 200.0) 11.25)
(add_pt "3" 1 '(201.0 201.2) 12.0)
(add_pt "4" 1 '(300.0 300.0) 13.0 "ancien")
(superpos (ssget "X"))
(calctailleblock "boite")
(calctailleblock "VIDE")
(analyse "a, b\\tc")
(analyse ", , ,")
(setq pl (ssname (ssget "X" '((0 . "LWPOLYLINE"))) 0))
(getsegtype pl '(113.0 5.0))
(getsegtype pl '(100.0 10.0))
(setq b4 (ename_pt "4"))
(sxd b4 '("NOM" 1.5))
(sxd b4 '("nom" 2.5 "x"))
(sxd b4 '(7 "sept"))
(sxd b4 "mauvais")
(modif-attrib b4 "obs" "regard")
(attrvisibility b4 '("Z" 2 "code" 1))
(VRELTEXT "C" '(250.0 250.0) 2.0 0.5 "Titre" 0.8)
(vrdelfile "{doomed}")
(vrdelfile "{os.path.join(home, "dossier")}")
(wait_user)
m 1,1
x
(princ "apres attente")
"""
    saved = os.path.join(home, "sortie.dxf")
    r = run_script(geltaro, home, script, drawing=drawing, save=saved)
    out = r.stdout
    if r.returncode != 0:
        failures.append(f"geltaro exit {r.returncode}: {r.stderr}")
    expected_lines = [
        "(4.0 2.0 0.0)", "nil", '("a" "b" "c")',
        '("ARC" (110.0 0.0 0.0) (110.0 10.0 0.0) 0.5)',
        '("LINE" (110.0 10.0 0.0) (100.0 10.0 0.0))',
        "1",
    ]
    lines = out.splitlines()
    for e in expected_lines:
        if e not in lines:
            failures.append(f"no line {e!r} in the console output")
    for text in ["Verification des superpositions", "Iteration 1 Element 1 / 10 (   10.00 %)", "\t Surface commune: ",
                 "\nType 2 eme param=5005", "2 eme param doit etre une liste de Xdata",
                 "\nAppuyez sur une touche pour continuer ", "apres attente"]:
        if text not in out:
            failures.append(f"{text!r} not printed")
    totals = [float(line.split(":")[1]) for line in out.split("\n") if "Surface commune:" in line]
    if not totals or totals[-1] != 0.0:
        failures.append(f"superpos left common surfaces {totals}")
    if os.path.exists(doomed):
        failures.append("vrdelfile did not delete the file")
    if not os.path.isdir(os.path.join(home, "dossier")):
        failures.append("vrdelfile deleted a folder")

    doc = ezdxf.readfile(saved)
    if doc.audit().has_errors:
        failures.append("the saved drawing does not pass the audit")
    # No two labels overlap any more; the note did not move.
    boxes = label_boxes(doc)
    for i in range(len(boxes)):
        for j in range(i + 1, len(boxes)):
            if common(boxes[i][1], boxes[j][1]) > 1e-6:
                failures.append(f"labels {boxes[i][0]} and {boxes[j][0]} still overlap")
    notes = [t for t in doc.modelspace().query("TEXT") if t.dxf.text == "Regard"]
    if len(notes) != 1 or not math.isclose(notes[0].dxf.insert.x, 201.5):
        failures.append("the note moved")
    points = attributes(doc)
    layout = {"NUMPT": (0.75, 0.5), "Z": (0.75, -1.0)}
    moved = [(name, tag) for name in "123" for tag, (dx, dy) in layout.items()
             if not (math.isclose(points[name][1][tag].dxf.insert.x, points[name][0].dxf.insert.x + dx) and
                     math.isclose(points[name][1][tag].dxf.insert.y, points[name][0].dxf.insert.y + dy))]
    if not moved:
        failures.append("superpos moved no label")
    for name in "123":
        ins, attribs = points[name]
        code = attribs["CODE"]
        if not (math.isclose(code.dxf.insert.x, ins.dxf.insert.x + 0.75) and
                math.isclose(code.dxf.insert.y, ins.dxf.insert.y + 2)):
            failures.append(f"the invisible code of point {name} moved")
    ins4, attribs4 = points["4"]
    if ins4.get_xdata("VRELPLUS") != [(1070, 1), (1002, "{"), (1000, "nom"), (1040, 2.5), (1000, "x"), (1002, "}"),
                                      (1002, "{"), (1070, 7), (1000, "sept"), (1002, "}")]:
        failures.append(f"extended data of point 4: {ins4.get_xdata('VRELPLUS')}")
    if attribs4["OBS"].dxf.text != "regard":
        failures.append("modif-attrib did not set the observation")
    if not attribs4["Z"].is_invisible or attribs4["CODE"].is_invisible:
        failures.append("attrvisibility did not hide the altitude and show the code")
    titles = [t for t in doc.modelspace().query("TEXT") if t.dxf.text == "Titre"]
    if len(titles) != 1:
        failures.append("VRELTEXT wrote no text")
    else:
        t = titles[0]
        if (t.dxf.halign != 1 or not math.isclose(t.dxf.align_point.x, 250) or not math.isclose(t.dxf.height, 2)
                or not math.isclose(t.dxf.rotation, math.degrees(0.5)) or not math.isclose(t.dxf.width, 0.8)
                or t.dxf.layer != "0"):
            failures.append("VRELTEXT text properties")

    # The labels become texts where they stand.
    before = {(ins.dxf.handle, a.dxf.tag): (a.dxf.text, tuple(a.dxf.insert), a.dxf.layer, int(a.is_invisible))
              for ins, attribs in points.values() for a in attribs.values() if a.dxf.text}
    final = os.path.join(home, "dissocie.dxf")
    r = run_script(geltaro, home, "DISSOCBLOCK\nall\n", drawing=saved, save=final, name="dissoc")
    if "Selectionnez les elements a dissocier" not in r.stdout:
        failures.append("DISSOCBLOCK did not ask for the blocks")
    doc = ezdxf.readfile(final)
    if doc.audit().has_errors:
        failures.append("the dissociated drawing does not pass the audit")
    left = [a.dxf.text for ins in doc.modelspace().query("INSERT") for a in ins.attribs if a.dxf.text]
    if left:
        failures.append(f"attributes left with a text: {left}")
    # Hidden attributes (the codes) give hidden texts.
    texts = {(t.dxf.text, tuple(t.dxf.insert), t.dxf.layer, t.dxf.invisible) for t in doc.modelspace().query("TEXT")}
    for key, value in before.items():
        if value not in texts:
            failures.append(f"no text for attribute {key}: {value}")
    return verdict("entity utilities", failures)


if __name__ == "__main__":
    sys.exit(main())
