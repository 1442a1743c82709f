#!/usr/bin/python3
"""Writes the title blocks of the installation folder, drawn in paper
millimetres from their lower-left corner (0, 0), which is the drawing's
insertion base:

  cartouche_a4.dxf  180 x 60 mm, for the width of an A4 sheet
  cartouche_a3.dxf  260 x 70 mm, for the width of an A3 sheet

Each holds a frame, its boxes and captions, and attribute definitions the
sheet command turns into attributes: TITRE, LIEU, ECHELLE, DATE, AUTEUR and
PLANCHE, with default texts; the office's name is a constant attribute
(it stays in the block). Run from the repository root:
/usr/bin/python3 data/Cartouches/make-cartouches.py
"""
import ezdxf


def cartouche(path, width, height):
    doc = ezdxf.new("R2018")
    doc.header["$INSUNITS"] = 4  # millimetres
    doc.header["$INSBASE"] = (0, 0, 0)
    msp = doc.modelspace()
    msp.add_lwpolyline([(0, 0), (width, 0), (width, height), (0, height)], close=True)
    title = height * 0.45          # the band of the title, at the top
    msp.add_line((0, height - title), (width, height - title))
    col = width / 3
    row = (height - title) / 2
    for k in (1, 2):
        msp.add_line((col * k, 0), (col * k, height - title))
    msp.add_line((0, row), (width, row))

    def caption(text, x, y):
        msp.add_text(text, height=2.0, dxfattribs={"insert": (x + 1.5, y - 3.5)})

    def field(tag, default, x, y, h, prompt, constant=False):
        a = msp.add_attdef(tag, (x, y), default, height=h, dxfattribs={"prompt": prompt})
        if constant:
            a.is_const = True

    caption("Titre", 0, height)
    field("TITRE", "Plan topographique", 3, height - title / 2 - 1, 6.0, "Titre du plan")
    field("SOCIETE", "Geltaro - levés topographiques", width - 3, height - 6, 2.5, "Bureau", constant=True)
    boxes = [("Lieu", "LIEU", "Commune", "Lieu"), ("Echelle", "ECHELLE", "1/500", "Echelle"),
             ("Date", "DATE", "JJ/MM/AAAA", "Date"), ("Dessiné par", "AUTEUR", "Nom", "Auteur"),
             ("Planche", "PLANCHE", "1/1", "Numéro de planche"), ("Système", "SYSTEME", "Lambert 93",
                                                                    "Système de coordonnées")]
    for k, (cap, tag, default, prompt) in enumerate(boxes):
        x = col * (k % 3)
        y = height - title - row * (k // 3)
        caption(cap, x, y)
        field(tag, default, x + 3, y - row + 3, 3.5, prompt)
    # The office's name, right-aligned in the title band.
    for e in msp.query("ATTDEF"):
        if e.dxf.tag == "SOCIETE":
            e.dxf.halign = 2
            e.dxf.align_point = (width - 3, height - 6)
    doc.saveas(path)


cartouche("data/Cartouches/cartouche_a4.dxf", 180, 60)
cartouche("data/Cartouches/cartouche_a3.dxf", 260, 70)
