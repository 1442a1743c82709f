#!/usr/bin/python3
"""Independent check of DXF files written by geltaro, with the ezdxf library.

  dxf_audit.py audit FILE        load, run ezdxf's auditor; exit 1 on unfixed errors
  dxf_audit.py same A B          content of A and B compared (entities by type and
                                 layer per space/block, block references with their
                                 attributes, extended data, XRecords, groups);
                                 prints the differences, exit 1 when any
"""
import json
import sys

import ezdxf
from ezdxf import recover


def load(path):
    try:
        return ezdxf.readfile(path)
    except Exception:
        doc, _ = recover.readfile(path)
        return doc


def rounded(v):
    if isinstance(v, float):
        r = round(v, 6)
        return 0.0 if r == 0 else r
    if isinstance(v, (tuple, list)) or hasattr(v, "__iter__") and not isinstance(v, str):
        try:
            return [rounded(x) for x in v]
        except TypeError:
            return str(v)
    return v


def layer_of(e):
    try:
        return e.dxf.get("layer", "0")
    except Exception:  # entities ezdxf keeps as raw tags
        return "?"


def anonymous(name):
    # *U12 and *U3 are the same kind of block under another number.
    if name.startswith("*") and len(name) > 2 and name[2:].isdigit():
        return name[:2] + "#"
    return name


def owner_label(doc, handle):
    obj = doc.entitydb.get(handle) if handle else None
    if obj is None:
        return "?"
    if obj.dxftype() in ("LAYER", "BLOCK_RECORD", "STYLE", "APPID", "LTYPE", "DIMSTYLE"):
        return obj.dxftype() + ":" + anonymous(obj.dxf.name)
    return obj.dxftype()


def xrecord_contents(doc, dictionary, path, out, depth=0):
    if depth > 8:
        return
    for key, value in dictionary.items():
        obj = doc.entitydb.get(value) if isinstance(value, str) else value
        if obj is None:
            continue
        here = path + "/" + key
        if obj.dxftype() == "XRECORD":
            tags = []
            for t in obj.tags:
                code, v = t[0], t[1]
                if 320 <= code <= 369 or 390 <= code <= 399 or code in (480, 481):
                    v = "@" + owner_label(doc, v)
                tags.append([code, rounded(v)])
            out[here] = tags
        elif obj.dxftype() in ("DICTIONARY", "ACDBDICTIONARYWDFLT"):
            xrecord_contents(doc, obj, here, out, depth + 1)


def summary(doc):
    s = {"layers": sorted(l.dxf.name for l in doc.layers), "entities": {}, "inserts": [],
         "xdata": [], "xrecords": {}, "groups": []}

    def spaces():
        yield "model", doc.modelspace()
        for layout in doc.layouts:
            if layout.name != "Model":
                yield "paper:" + layout.name, layout
        for block in doc.blocks:
            if not block.name.lower().startswith(("*model_space", "*paper_space")):
                yield "block:" + anonymous(block.name), block

    for label, space in spaces():
        counts = {}
        for e in space:
            kind = e.dxftype()
            if kind == "POLYLINE":
                kind += ":" + e.get_mode()
            layer = layer_of(e)
            counts.setdefault(kind, {}).setdefault(layer, 0)
            counts[kind][layer] += 1
            if kind == "INSERT":
                attribs = sorted([a.dxf.tag, a.dxf.text] for a in e.attribs)
                s["inserts"].append(json.dumps([label, anonymous(e.dxf.name), e.dxf.layer,
                                                rounded(list(e.dxf.insert)), attribs]))
            if getattr(e, "xdata", None):
                for app, tags in e.xdata.data.items():
                    s["xdata"].append(json.dumps([label, kind, app,
                                                  [[t[0], rounded(t[1]) if t[0] != 1005 else "@"] for t in tags]]))
        if counts:
            s["entities"][label] = counts
    for table in (doc.layers, doc.block_records, doc.styles, doc.appids):
        for rec in table:
            if rec.xdata:
                for app, tags in rec.xdata.data.items():
                    s["xdata"].append(json.dumps([rec.dxftype() + ":" + anonymous(rec.dxf.name), app,
                                                  [[t[0], rounded(t[1])] for t in tags]]))
            if rec.has_extension_dict:
                xrecord_contents(doc, rec.get_extension_dict().dictionary,
                                 rec.dxftype() + ":" + anonymous(rec.dxf.name), s["xrecords"])
    xrecord_contents(doc, doc.rootdict, "NOD", s["xrecords"])
    s["xrecords"] = {k: v for k, v in s["xrecords"].items() if "/ACAD_GROUP" not in k}
    s["groups"] = sorted([name, len(list(g))] for name, g in doc.groups)
    s["inserts"].sort()
    s["xdata"].sort()
    return s


def flatten(s):
    lines = set()
    for key, value in s.items():
        if isinstance(value, list):
            for v in value:
                lines.add(key + " " + (v if isinstance(v, str) else json.dumps(v)))
        elif isinstance(value, dict):
            for k, v in value.items():
                lines.add(key + " " + k + " " + json.dumps(v, sort_keys=True))
        else:
            lines.add(key + " " + json.dumps(value, sort_keys=True))
    return lines


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "audit":
        doc = load(sys.argv[2])
        auditor = doc.audit()
        print("fixes:", len(auditor.fixes), "errors:", len(auditor.errors))
        for e in auditor.errors:
            print("error:", e.message)
        return 1 if auditor.has_errors else 0
    if len(sys.argv) == 4 and sys.argv[1] == "same":
        a, b = (flatten(summary(load(p))) for p in sys.argv[2:4])
        for line in sorted(a - b):
            print("-", line[:300])
        for line in sorted(b - a):
            print("+", line[:300])
        return 0 if a == b else 1
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main())
