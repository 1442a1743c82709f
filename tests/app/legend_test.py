#!/usr/bin/python3
"""The legend of a plan and block descriptions, end to end at the console.

A drawing written by ezdxf holds symbols (blocks), layers, a text and a
multiline text. decrireblock describes two blocks (one from a picked text,
one typed, a block without entities); tablegendes then draws the legend of
the blocks used in model space and of the layers, grouped. The saved
drawing is read with ezdxf: the descriptions (comments of the block and the
"BLOCKINFO_GELTARO" records on the block record and on its first entity),
the legend's layout and its group.

Usage: legend_test.py GELTARO SOURCE_DIR WORK_DIR
"""
import math
import os
import sys

import ezdxf
from ezdxf import bbox

from console_run import fresh_home, run_script, verdict

KEY = "BLOCKINFO_GELTARO"
SIGNATURE = 12744721
PROMPT = "Position des la table des légendes"


def write_drawing(path):
    """Symbols, layers and texts; the handles the script picks."""
    doc = ezdxf.new("R2018")
    for name, colour in [("VOIRIE", 1), ("RESEAUX", 5)]:
        doc.layers.add(name, color=colour)
    regard = doc.blocks.new("REGARD", base_point=(1, 0))
    # 4 x 2, away from the base point.
    regard.add_lwpolyline([(1, 3), (5, 3), (5, 5), (1, 5)], close=True)
    regard.add_line((1, 3), (5, 5))
    borne = doc.blocks.new("BORNE")
    borne.add_circle((0, 0), 0.5)
    arbre = doc.blocks.new("ARBRE")  # defined, never inserted in model space
    arbre.add_circle((0, 0), 2)
    doc.blocks.new("VIDE")  # no entities
    msp = doc.modelspace()
    handles = {}
    handles["regard"] = msp.add_blockref("REGARD", (100, 100)).dxf.handle
    msp.add_blockref("REGARD", (120, 100))
    msp.add_blockref("BORNE", (140, 100))
    handles["vide"] = msp.add_blockref("VIDE", (160, 100)).dxf.handle
    handles["texte"] = msp.add_text("Regard de visite", dxfattribs={"height": 1}).set_placement((100, 150)).dxf.handle
    handles["mtexte"] = msp.add_mtext("Borne\\Pgéomètre", dxfattribs={"char_height": 1,
                                                                      "insert": (100, 170)}).dxf.handle
    doc.saveas(path)
    return handles


def record(entity):
    """The description record under KEY of an entity or a block record, as
    a list of (code, value); None when there is none."""
    if not entity.has_extension_dict:
        return None
    xdict = entity.get_extension_dict()
    if KEY not in xdict:
        return None
    return [(t.code, t.value) for t in xdict[KEY].tags]


def check_description(doc, name, text, failures):
    if name not in doc.blocks:
        failures.append(f"block {name} missing")
        return
    layout = doc.blocks[name]
    if layout.block.dxf.get("description", "") != text:
        failures.append(f"{name}: comments {layout.block.dxf.get('description')!r}, expected {text!r}")
    want = [(90, SIGNATURE), (300, text)]
    if record(layout.block_record) != want:
        failures.append(f"{name}: block record's record {record(layout.block_record)}")
    entities = list(layout)
    if entities and record(entities[0]) != want:
        failures.append(f"{name}: first entity's record {record(entities[0])}")
    for e in entities[1:]:
        if record(e) is not None:
            failures.append(f"{name}: a record on {e.dxftype()} beyond the first entity")


def close(a, b, tol=1e-9):
    return all(math.isclose(x, y, abs_tol=tol) for x, y in zip(a, b))


def check_legend(doc, failures):
    groups = list(doc.groups)
    if len(groups) != 1:
        failures.append(f"{len(groups)} groups, expected one")
        return
    name, group = groups[0]
    if not name.startswith("*A") or not group.dxf.unnamed:
        failures.append(f"the group {name} is not anonymous")
    # ezdxf gives a group's entities in no particular order: the legend's
    # order is that of model space.
    handles = {e.dxf.handle for e in group}
    members = [e for e in doc.modelspace() if e.dxf.handle in handles]
    layers = [layer.dxf.name for layer in doc.layers]
    # Text 0.5, block size 1, line distance 1: lines 1.2 apart; line length
    # max(5 x 0.5, 3) = 3, names 3 + 1.5 from x.
    x, y, step = 200.0, 100.0, 1.2
    symbols = [("REGARD", "Regard de visite"), ("BORNE", "Borne géomètre")]
    expected = 2 * len(symbols) + 2 * len(layers)
    if len(handles) != expected or len(members) != expected:
        failures.append(f"the group holds {len(handles)} entities ({len(members)} in model space), "
                        f"expected {expected}")
        return
    cache = bbox.Cache()
    for i, (block, text) in enumerate(symbols):
        ins, label = members[2 * i], members[2 * i + 1]
        cy = y - i * step
        if ins.dxftype() != "INSERT" or ins.dxf.name != block:
            failures.append(f"line {i}: {ins.dxftype()} {ins.dxf.get('name')} instead of {block}")
            continue
        box = bbox.extents([ins], cache=cache)
        size = box.size
        if not close(box.extmin.vec2, (x, cy)) or not math.isclose(max(size.x, size.y), 1.0, abs_tol=1e-9):
            failures.append(f"{block}: extents {box.extmin} .. {box.extmax}, expected lower-left {(x, cy)}, size 1")
        if not (ins.dxf.xscale == ins.dxf.yscale == ins.dxf.zscale) or ins.dxf.get("color", 256) != 256:
            failures.append(f"{block}: scale {ins.dxf.xscale} {ins.dxf.yscale} colour {ins.dxf.get('color')}")
        if label.dxftype() != "TEXT" or label.dxf.text != text:
            failures.append(f"line {i}: text {label.dxftype()} {label.dxf.get('text')!r}, expected {text!r}")
            continue
        if not close(label.dxf.insert.vec2, (x + 2.5, cy)) or label.dxf.height != 0.5 or label.dxf.rotation != 0:
            failures.append(f"{block}: text at {label.dxf.insert} height {label.dxf.height}")
    if block_sizes := [(e.dxf.name, e.dxf.xscale) for e in members if e.dxftype() == "INSERT"]:
        if dict(block_sizes) != {"REGARD": 0.25, "BORNE": 1.0}:
            failures.append(f"scales {block_sizes}")
    for k, layer in enumerate(layers):
        line, label = members[2 * len(symbols) + 2 * k], members[2 * len(symbols) + 2 * k + 1]
        cy = y - (len(symbols) + k) * step
        if line.dxftype() != "LINE" or line.dxf.layer != layer:
            failures.append(f"layer {layer}: {line.dxftype()} on {line.dxf.layer}")
            continue
        if not close(line.dxf.start.vec2, (x, cy)) or not close(line.dxf.end.vec2, (x + 3, cy)):
            failures.append(f"layer {layer}: line {line.dxf.start} .. {line.dxf.end}")
        if line.dxf.get("linetype", "BYLAYER").upper() != "BYLAYER" or line.dxf.get("color", 256) != 256:
            failures.append(f"layer {layer}: linetype {line.dxf.get('linetype')} colour {line.dxf.get('color')}")
        if label.dxftype() != "TEXT" or label.dxf.text != layer or label.dxf.layer != layer:
            failures.append(f"layer {layer}: name {label.dxf.get('text')!r} on {label.dxf.layer}")
        elif not close(label.dxf.insert.vec2, (x + 4.5, cy)) or label.dxf.height != 0.5:
            failures.append(f"layer {layer}: name at {label.dxf.insert}")


def main():
    geltaro, source, work = sys.argv[1:4]
    home = fresh_home(source, work)
    drawing = os.path.join(home, "plan.dxf")
    saved = os.path.join(home, "plan-legende.dxf")
    h = write_drawing(drawing)
    script = "\n".join([
        # The picked text proposed, then written.
        "decrireblock", "press 392", f"#{h['regard']}", f"#{h['texte']}", "press 395", "press Fermer",
        # A block without entities, typed.
        "decrireblock", "press 392", f"#{h['vide']}", "", "set 396 Bloc réservé", "press 395", "press Fermer",
        # Picked by a point on it, the multiline text proposed, closed without writing.
        "(c:decrireblock)", "press 392", "140,100.5", f"#{h['mtexte']}", "press Fermer",
        # Written this time.
        "(c:decrireblock)", "press 392", "140,100.5", f"#{h['mtexte']}", "press 395", "press Fermer",
        "tablegendes", "press 390", "set 385 0.5", "check 381 on", "set 386 3", "check 380 on", "ok",
        "200,100", "",
    ])
    r = run_script(geltaro, home, script, drawing=drawing, save=saved)
    failures = []
    if r.returncode != 0:
        print("FAIL geltaro:", r.returncode, r.stdout[-2000:], r.stderr)
        return 1
    if PROMPT not in r.stdout:
        failures.append("the position of the legend was not asked")
    if "Infos block" not in r.stdout or "Table des légendes" not in r.stdout:
        failures.append("the dialogs were not shown")
    # The dialog listed the blocks, unticked until "Utilisés": VIDE and ARBRE are not drawn.
    doc = ezdxf.readfile(saved)
    auditor = doc.audit()
    if auditor.has_errors:
        failures.append(f"the saved drawing does not pass the audit: {[str(e) for e in auditor.errors]}")
    check_description(doc, "REGARD", "Regard de visite", failures)
    check_description(doc, "VIDE", "Bloc réservé", failures)
    check_description(doc, "BORNE", "Borne géomètre", failures)
    if len(doc.blocks["VIDE"]) != 0:
        failures.append("the block without entities got some")
    for name in ("ARBRE",):
        if doc.blocks[name].block.dxf.get("description", "") or record(doc.blocks[name].block_record):
            failures.append(f"{name} was described")
    check_legend(doc, failures)
    if failures:
        print(r.stdout[-4000:])
    return verdict("legend end to end", failures)


if __name__ == "__main__":
    sys.exit(main())
