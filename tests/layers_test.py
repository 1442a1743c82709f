#!/usr/bin/python3
"""The folders' layers hold: every include of src/ and app/ names a header of
its own folder or of a folder on a lower floor, and every library of a
folder links only libraries of lower floors (or external ones).

Floors, from the bottom: the host stand-in (geometry; the database; the
DXF files, the application services and the terrain; the command line, the
dialogs and LISP), the services every feature uses (frame/), the survey model and the
report writer, the features, the module's wiring, the console (app/).
Folders on one floor do not use each other.

Usage: layers_test.py SOURCE_DIR
"""
import os
import re
import sys

FLOORS = {
    "host/geom": 0, "host/files": 0,
    "host/db": 1,
    "host/dxf": 2, "host/app": 2, "host/terrain": 2, "host/plot": 2,
    "host/ed": 3, "host/lisp": 3, "host/ui": 3,
    "frame": 4,
    "points": 5, "report": 5,
    "tools": 6, "calc": 6, "field": 6, "aids": 6,
    "module": 7,
    "app": 8,
}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
LINK = re.compile(r"target_link_libraries\(\s*(\S+)([^)]*)\)", re.S)
LIBRARY = re.compile(r"add_library\(\s*(\S+)")


def folder_of(path):
    """The layer folder of a path relative to src/ (or "app" for app/)."""
    parts = path.split("/")
    if parts[0] == "host" and len(parts) > 2:
        return "host/" + parts[1]
    return parts[0] if len(parts) > 1 else None


def source_folders(root):
    for base, prefix in (("src", ""), ("app", "app/")):
        top = os.path.join(root, base)
        for dirpath, _, files in os.walk(top):
            rel = os.path.relpath(dirpath, top).replace(os.sep, "/")
            rel = prefix + ("" if rel == "." else rel)
            yield dirpath, ("app" if base == "app" else folder_of(rel + "/x")), files


def main():
    root = sys.argv[1]
    failures = []
    checked = 0
    libraries = {}
    links = []
    for dirpath, folder, files in source_folders(root):
        if folder not in FLOORS:
            if any(f.endswith((".cpp", ".hpp")) for f in files):
                failures.append(f"{dirpath}: a folder without a floor (add it to the layers)")
            continue
        for name in files:
            path = os.path.join(dirpath, name)
            if name == "CMakeLists.txt":
                text = open(path, encoding="utf-8").read()
                for lib in LIBRARY.findall(text):
                    libraries[lib] = folder
                for target, rest in LINK.findall(text):
                    links.append((path, target, rest.split()))
                continue
            if not name.endswith((".cpp", ".hpp")):
                continue
            text = open(path, encoding="utf-8", errors="replace").read()
            for header in INCLUDE.findall(text):
                target = folder_of(header)
                if target is None or target not in FLOORS:
                    continue  # a header beside the file (app/), or an external one
                checked += 1
                if target != folder and FLOORS[target] >= FLOORS[folder]:
                    failures.append(f"{os.path.relpath(path, root)}: includes {header} ({target}, "
                                    f"floor {FLOORS[target]}) from {folder} (floor {FLOORS[folder]})")
    for path, target, names in links:
        here = libraries.get(target)
        if here is None:
            continue  # an executable: it may link what it needs
        for name in names:
            there = libraries.get(name)
            if there is not None and there != here and FLOORS[there] >= FLOORS[here]:
                failures.append(f"{os.path.relpath(path, root)}: {target} ({here}) links {name} ({there})")
    if checked < 100 or len(libraries) < 10:
        failures.append(f"only {checked} includes and {len(libraries)} libraries found under {root}")
    for f in failures:
        print("FAIL", f)
    print(f"layers: {checked} includes, {len(libraries)} libraries,", "FAILED" if failures else "passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
