#!/usr/bin/python3
"""End-to-end runs of the console: a drawing and a script in, the transcript
and the saved drawing checked.

Usage: console_test.py TEST_CONSOLE GELTARO SOURCE_DIR WORK_DIR
TEST_CONSOLE is the console with a small test module (command ESSAI, LISP
functions c:bonjour and somme); GELTARO is the program itself.
"""
import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tools"))
import dxf_audit  # noqa: E402

ESSAI_OK = """ESSAI
10,10
#{line}
all
set Rayon 2.5
press "Centre..."
5,5
ok
"""

# (name, program, drawing, script, lines expected in order in the output,
#  entity counts expected in the saved drawing or None, exit status)
CASES = [
    ("LISP arithmetic and lists", "test", None,
     "(+ 1 2)\n(setq a (list 1 \"x\" 2.5))\n(cons 1 \"Point topo\")\n(/ 1 0)\n(car nil)\n",
     ["Commande: (+ 1 2)", "3", "(1 \"x\" 2.5)", "(1 . \"Point topo\")", "; erreur: division par zéro", "nil"], None, 0),
    ("a LISP expression over several lines", "test", None, "(+ 1\n 2\n 3)\n", ["6"], None, 0),
    ("registered functions and c: commands", "test", None, "(somme 1 2.5)\nbonjour\n(c:bonjour)\n",
     ["3.5", "Bonjour.", "Bonjour."], None, 0),
    ("a command with a point, a pick, a selection and a dialog", "test", "line",
     ESSAI_OK, ["Point de depart: 10,10", "Objet LINE", "1 objets choisis", "=== Cercle d'essai ===",
                "Centre du cercle: 5,5", "Cercle de rayon 2.500."], {"LINE": 2, "CIRCLE": 1}, 0),
    ("Escape at the first prompt ends the command", "test", "line", "ESSAI\n^C\nENTITIES\n",
     ["*Annuler*", "Essai abandonne.", "1 entités"], {"LINE": 1}, 0),
    ("the dialog cancelled adds nothing", "test", "line", "ESSAI\n10,10\n\n\ncancel\n",
     ["Dialogue annule."], {"LINE": 1}, 0),
    ("end of input inside the dialog cancels it", "test", "line", "ESSAI\n10,10\n\n\nset Rayon 3\n",
     ["Dialogue annule."], {"LINE": 1}, 0),
    ("end of input at a prompt cancels the command", "test", "line", "ESSAI\n10,10\n",
     ["*Annuler*"], {"LINE": 1}, 0),
    ("a wrong dialog action is refused and the script goes on", "test", "line",
     "ESSAI\n10,10\n\n\npress Nothing\nset Rayon -5\nset Rayon 4\nok\n",
     ["!", "Cercle de rayon 4.000."], {"LINE": 2, "CIRCLE": 1}, 0),
    ("host commands: ENTITIES, LIST, unknown", "geltaro", "line", "ENTITIES\nLIST\nall\nNOPE\n",
     ["1 entités", "LINE  handle", "Commande inconnue \"NOPE\"."], {"LINE": 1}, 0),
    ("selection from LISP with a filter", "geltaro", "line",
     "(setq s (ssget \"X\" '((0 . \"LINE\"))))\n(sslength s)\n(ssget \"X\" '((0 . \"CIRCLE\")))\n",
     ["<Selection set:", "1", "nil"], None, 0),
    ("OPEN of a missing drawing keeps the current one", "geltaro", "line", "OPEN /nonexistent/plan.dxf\nENTITIES\n",
     ["fichier introuvable", "1 entités"], {"LINE": 1}, 0),
    ("names held across OPEN stay safe to use", "geltaro", "line",
     "(setq e (entlast))\n(setq s (ssget \"X\"))\nOPEN {source}/examples/leve-disto.dxf\n(entget e)\n(ssget \"P\")\nENTITIES\n",
     ["<Entity name: 2F>", "Lu ", "(0 . \"LINE\")", "nil", "32 entités"], None, 0),
    ("QUIT ends the session before the rest", "geltaro", None, "QUIT\n(+ 1 2)\n", ["Commande: QUIT"], {}, 0),
]


def make_line_drawing(path):
    # A drawing with one line of handle 2F.
    with open(path, "w") as f:
        f.write("  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n  5\n2F\n100\nAcDbEntity\n  8\n0\n100\nAcDbLine\n"
                " 10\n0.0\n 20\n0.0\n 30\n0.0\n 11\n20.0\n 21\n0.0\n 31\n0.0\n  0\nENDSEC\n  0\nEOF\n")
    return "2F"


def main():
    test_console, geltaro, source, work = sys.argv[1:5]
    os.makedirs(work, exist_ok=True)
    drawing = os.path.join(work, "line.dxf")
    handle = make_line_drawing(drawing)
    failures, passed = [], 0
    for k, (name, program, dwg, script, expected, counts, status) in enumerate(CASES):
        path = os.path.join(work, f"case{k}.scr")
        with open(path, "w") as f:
            f.write(script.replace("{line}", handle).replace("{source}", source))
        out = os.path.join(work, f"case{k}.dxf")
        exe = test_console if program == "test" else geltaro
        args = [exe] + ([drawing] if dwg else []) + ["--script", path, "--echo", "--save", out]
        r = subprocess.run(args, capture_output=True, text=True, stdin=subprocess.DEVNULL, timeout=60)
        text = r.stdout + r.stderr
        problems = []
        if r.returncode != status:
            problems.append(f"exit {r.returncode}, expected {status}")
        pos = 0
        for want in expected:
            at = text.find(want, pos)
            if at < 0:
                problems.append(f"missing {want!r}")
            else:
                pos = at + len(want)
        if counts is not None and r.returncode == 0:
            doc = dxf_audit.load(out)
            if doc.audit().has_errors:
                problems.append("saved drawing fails the audit")
            got = {}
            for e in doc.modelspace():
                got[e.dxftype()] = got.get(e.dxftype(), 0) + 1
            if got != counts:
                problems.append(f"saved entities {got}, expected {counts}")
        if problems:
            failures.append(f"{name}: " + "; ".join(problems) + "\n--- output ---\n" + text[-1500:])
        else:
            passed += 1
    # Exit statuses: bad arguments 2, a drawing that cannot be read or written 1.
    for args, status, message in [(["--bogus"], 2, "--bogus"),
                                  ([os.path.join(work, "absent.dxf")], 1, "absent.dxf : fichier introuvable"),
                                  (["--save", os.path.join(work, "no", "such", "dir.dxf")], 1, "n'existe pas")]:
        r = subprocess.run([geltaro] + args, capture_output=True, text=True, stdin=subprocess.DEVNULL, timeout=60)
        if r.returncode != status or message not in r.stderr:
            failures.append(f"{args}: exit {r.returncode}, stderr {r.stderr!r}")
        else:
            passed += 1
    # --home wins over GELTARO_HOME, and a missing installation folder is
    # told at start.
    missing = os.path.join(work, "no-such-home")
    r = subprocess.run([geltaro, "--home", missing], capture_output=True, text=True, stdin=subprocess.DEVNULL,
                       timeout=60, env=dict(os.environ, GELTARO_HOME=source))
    if "dossier d'installation introuvable : " + missing not in r.stderr:
        failures.append(f"--home over GELTARO_HOME: stderr {r.stderr!r}")
    else:
        passed += 1
    # The README's example job runs as documented: from a folder holding the
    # examples and out/, with an installation folder of its own.
    run_dir = os.path.join(work, "example-run")
    shutil.rmtree(run_dir, ignore_errors=True)
    shutil.copytree(os.path.join(source, "examples"), os.path.join(run_dir, "examples"))
    os.makedirs(os.path.join(run_dir, "out"))
    shutil.copytree(os.path.join(source, "data", "biblio"), os.path.join(run_dir, "home", "biblio"))
    shutil.copytree(os.path.join(source, "data", "Cartouches"), os.path.join(run_dir, "home", "Cartouches"))
    ex = subprocess.run([geltaro, "examples/leve-projet.dxf", "--script", "examples/leve.scr", "--echo", "--save",
                         "out/leve-projet.dxf"], capture_output=True, text=True, stdin=subprocess.DEVNULL,
                        timeout=120, cwd=run_dir, env=dict(os.environ, GELTARO_HOME=os.path.join(run_dir, "home")))
    bad = ["; erreur", "Commande inconnue", "existe d\u00e9j\u00e0", "est masqu\u00e9", '"0 r\u00e9gions"',
           "Failed to load block", "Fichier introuvable"]
    if ex.returncode != 0 or any(b in ex.stdout for b in bad):
        failures.append("example job: " + ex.stdout[-1500:] + ex.stderr)
    else:
        passed += 1
    # Its stake-out step wrote the report: a table per station.
    report = os.path.join(run_dir, "out", "implantation.htm")
    text = open(report, encoding="cp1252").read() if os.path.exists(report) else ""
    if "Implantations" not in text or text.count("Station :") != 2:
        failures.append("example job: no stake-out report with two stations")
    else:
        passed += 1
    # Its last steps plot the survey sheet: a PDF whose texts hold the
    # stations' names, and a PNG of the A3 sheet at 150 dpi.
    pdf = os.path.join(run_dir, "out", "leve-projet.pdf")
    png = os.path.join(run_dir, "out", "leve-projet.png")
    words = subprocess.run(["pdftotext", pdf, "-"], capture_output=True, text=True).stdout.split() \
        if os.path.exists(pdf) else []
    png_head = open(png, "rb").read(24) if os.path.exists(png) else b""
    if not all(w in words for w in ("ST1", "O2", "1/500")) or png_head[:8] != b"\x89PNG\r\n\x1a\n" \
            or int.from_bytes(png_head[16:20], "big") != 2481:
        failures.append(f"example job: plots missing or wrong ({words[:20]}, {png_head!r})")
    else:
        passed += 1
    # The room at 1/20 on A4 landscape, 150 dpi: 1754 pixels wide.
    room = os.path.join(run_dir, "out", "leve-points.png")
    room_head = open(room, "rb").read(24) if os.path.exists(room) else b""
    if room_head[:8] != b"\x89PNG\r\n\x1a\n" or int.from_bytes(room_head[16:20], "big") != 1754:
        failures.append(f"example job: the room's plot is missing or wrong ({room_head!r})")
    else:
        passed += 1
    for f in failures:
        print("FAIL", f)
    print(f"{passed} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
