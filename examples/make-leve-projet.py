#!/usr/bin/python3
"""Writes examples/leve-projet.dxf: the laser distance meter's drawing
(leve-disto.dxf) as a current drawing, with the survey project that the
office's other software left in it: table "LEVE" holds the eleven measured
points (named as the meter numbered them) and the instrument station S1,
which has no altitude.

Run from the repository root: /usr/bin/python3 examples/make-leve-projet.py
"""
import ezdxf

src = ezdxf.readfile("examples/leve-disto.dxf")
doc = ezdxf.new("R2018")
for layer in src.layers:
    if layer.dxf.name not in doc.layers:
        doc.layers.add(layer.dxf.name, color=layer.dxf.color)
msp = doc.modelspace()
points = []
for e in src.modelspace():
    kind = e.dxftype()
    if kind == "POINT":
        msp.add_point(e.dxf.location, dxfattribs={"layer": e.dxf.layer})
        points.append(tuple(e.dxf.location))
    elif kind == "LINE":
        msp.add_line(e.dxf.start, e.dxf.end, dxfattribs={"layer": e.dxf.layer})
    elif kind == "TEXT":
        msp.add_text(e.dxf.text, dxfattribs={"layer": e.dxf.layer, "insert": e.dxf.insert,
                                             "height": e.dxf.height})


def point(name, code, x, y, z):
    raw = name.encode("cp1252")[:9]
    return [(92, 10), (310, raw + b"\0" * (10 - len(raw))), (90, code), (40, x), (40, y), (40, z),
            (90, -9999999)]


table = [(str(i + 1), 1, x, y, z) for i, (x, y, z) in enumerate(points)]
table.append(("S1", 100, 0.5, -0.3, 1e38))
tags = [(90, 0), (90, 1), (300, "LEVE"), (90, len(table))]
for p in table:
    tags += point(*p)
record = doc.layers.get("0").new_extension_dict().add_xrecord("GELTARO4_VREL_DATA")
record.reset(tags)
doc.saveas("examples/leve-projet.dxf")
