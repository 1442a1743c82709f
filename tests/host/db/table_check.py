#!/usr/bin/python3
"""A table written by the database, as another reader sees it.

Usage: table_check.py DRAWING EXPECTED

EXPECTED is a UTF-8 text file: the table's layer, the X and Y of its
upper-left corner, then one line per non-empty cell text (one line each), in any order.

The drawing must load with ezdxf without recovery and pass its audit; it
holds one ACAD_TABLE on that layer, whose cell data (codes 1 and 2 of
AcDbTable) give the expected texts; ezdxf's drawing add-on draws the texts
and the grid lines at the table's place. (Its drawing of a table's graphics
does not pass the table's colour to what is by block: colours are not
checked.) Exits 1 with the reasons when something differs.
"""
import sys

import ezdxf
from ezdxf.addons.drawing import Frontend, RenderContext
from ezdxf.addons.drawing.debug_backend import BasicBackend


def cell_texts(table):
    """Texts of the cells, from the table's own data."""
    tags = table.xtags.get_subclass("AcDbTable")
    texts, chunks, in_cells = [], "", False
    for tag in tags:
        if tag.code == 171:
            in_cells = True
            chunks = ""
        elif in_cells and tag.code == 2:
            chunks += tag.value
        elif in_cells and tag.code == 1:
            texts.append(chunks + tag.value)
    return texts


def main():
    drawing, expected_file = sys.argv[1], sys.argv[2]
    with open(expected_file, encoding="utf-8") as f:
        lines = f.read().split("\n")
    layer, x, y = lines[0], float(lines[1]), float(lines[2])
    expected = sorted(t for t in lines[3:] if t)
    errors = []

    doc = ezdxf.readfile(drawing)
    auditor = doc.audit()
    if auditor.has_errors:
        errors.append("audit errors: %s" % [e.message for e in auditor.errors])
    tables = doc.modelspace().query("ACAD_TABLE")
    if len(tables) != 1:
        sys.exit("expected one table, found %d" % len(tables))
    table = tables[0]
    # ezdxf keeps a table as raw tags: the layer is the 8 of AcDbEntity.
    table_layer = table.xtags.get_subclass("AcDbEntity").get_first_value(8, None)
    if table_layer != layer:
        errors.append("layer %r, expected %r" % (table_layer, layer))
    data = sorted(cell_texts(table))
    if data != expected:
        errors.append("cell data %r, expected %r" % (data, expected))

    backend = BasicBackend()
    Frontend(RenderContext(doc), backend).draw_entities([table])
    drawn = [c for c in backend.collector if c[0] in ("line", "text")]
    texts = sorted(c[1] for c in drawn if c[0] == "text")
    if texts != expected:
        errors.append("texts drawn %r, expected %r" % (texts, expected))
    segments = [c for c in drawn if c[0] == "line"]
    if not segments:
        errors.append("no grid line drawn")
    else:
        xs = [p.x for c in segments for p in (c[1], c[2])]
        ys = [p.y for c in segments for p in (c[1], c[2])]
        if abs(min(xs) - x) > 1e-6 or abs(max(ys) - y) > 1e-6:
            errors.append("grid's upper-left corner at %g,%g, expected %g,%g" % (min(xs), max(ys), x, y))
    if errors:
        sys.exit("\n".join(errors))


if __name__ == "__main__":
    main()
