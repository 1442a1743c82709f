#!/usr/bin/python3
"""Writes the block library of the installation folder: the symbols inserted
at survey points. Each file's model space is the symbol, drawn around the
origin for a block scale of 1 (the point's texts start 0.75 to the right).

  vrelblk1.dxf  a survey point: a circle of radius 0.25 and a cross
  vrelblk3.dxf  a station: a triangle around a circle of radius 0.15 and a dot

Both register the application VRELPLUS, whose extended data marks the point
blocks. Run from the repository root: /usr/bin/python3 data/biblio/make-blocks.py
"""
import ezdxf


def new_drawing():
    doc = ezdxf.new("R2018")
    doc.appids.new("VRELPLUS")
    doc.header["$INSUNITS"] = 6  # metres
    return doc


point = new_drawing()
msp = point.modelspace()
msp.add_circle((0, 0), 0.25)
msp.add_line((-0.4, 0), (0.4, 0))
msp.add_line((0, -0.4), (0, 0.4))
point.saveas("data/biblio/vrelblk1.dxf")

station = new_drawing()
msp = station.modelspace()
h = 0.6
msp.add_lwpolyline([(-h * 0.866, -h * 0.5), (h * 0.866, -h * 0.5), (0, h)], close=True)
msp.add_circle((0, 0), 0.15)
msp.add_point((0, 0))
station.saveas("data/biblio/vrelblk3.dxf")
