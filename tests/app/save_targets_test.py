#!/usr/bin/python3
"""Where the console saves a drawing, and what stays there: `--save -` prints
a drawing ezdxf loads (the transcript goes to the standard error); a FIFO
receives the drawing through its reader and stays a FIFO; a symbolic link
stays a link to its file, which holds the new drawing; a read-only file
keeps its mode bits; a null device made by the test stays a device (skipped
where device nodes cannot be made); a folder, or a missing folder, fails
with exit status 1 and writes nothing. The console reading its input from
one pipe and writing to another ends at the end of its input and never
reads back what it wrote.

Usage: save_targets_test.py GELTARO SOURCE_DIR WORK_DIR
"""
import io
import os
import shutil
import stat
import subprocess
import sys
import threading

import ezdxf

from console_run import verdict

DRAWING = "examples/leve-disto.dxf"


def run(geltaro, source, save, script="(+ 1 2)\n", timeout=60):
    return subprocess.run([geltaro, os.path.join(source, DRAWING), "--save", save], input=script.encode(),
                          capture_output=True, timeout=timeout)


def loads(data):
    """Whether ezdxf loads these bytes as a drawing with entities."""
    try:
        doc = ezdxf.read(io.StringIO(data.decode("utf-8"), newline=None))
        return len(doc.modelspace()) > 0
    except Exception as e:
        print("ezdxf:", e)
        return False


def main():
    geltaro, source, work = sys.argv[1:4]
    work = os.path.join(work, "targets")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    failures = []

    r = run(geltaro, source, "-")
    if r.returncode != 0 or not loads(r.stdout):
        failures.append(f"--save -: exit {r.returncode}, stdout not a drawing ({r.stdout[:60]!r})")
    if b"Commande:" not in r.stderr:
        failures.append("--save -: the transcript is not on the standard error")

    fifo = os.path.join(work, "pipe.dxf")
    os.mkfifo(fifo)
    got = {}
    reader = threading.Thread(target=lambda: got.setdefault("data", open(fifo, "rb").read()))
    reader.start()
    r = run(geltaro, source, fifo)
    reader.join(60)
    if r.returncode != 0 or not loads(got.get("data", b"")):
        failures.append(f"FIFO: exit {r.returncode}, the reader got no drawing")
    if not stat.S_ISFIFO(os.lstat(fifo).st_mode):
        failures.append("FIFO: replaced by another kind of file")

    os.makedirs(os.path.join(work, "real"))
    real = os.path.join(work, "real", "plan.dxf")
    with open(real, "w") as f:
        f.write("old")
    link = os.path.join(work, "link.dxf")
    os.symlink("real/plan.dxf", link)
    r = run(geltaro, source, link)
    if r.returncode != 0 or not os.path.islink(link) or os.readlink(link) != "real/plan.dxf":
        failures.append(f"link: exit {r.returncode}, no longer the same link")
    with open(real, "rb") as f:
        if not loads(f.read()):
            failures.append("link: its file does not hold the drawing")

    readonly = os.path.join(work, "readonly.dxf")
    with open(readonly, "w") as f:
        f.write("old")
    os.chmod(readonly, 0o444)
    r = run(geltaro, source, readonly)
    mode = stat.S_IMODE(os.stat(readonly).st_mode)
    if r.returncode != 0 or mode != 0o444:
        failures.append(f"read-only file: exit {r.returncode}, mode {oct(mode)}")

    null = os.path.join(work, "null")
    try:
        os.mknod(null, 0o666 | stat.S_IFCHR, os.makedev(1, 3))
    except OSError as e:
        print(f"skipped: the device target (no device node can be made here: {e})")
        null = None
    if null:
        r = run(geltaro, source, null)
        if r.returncode != 0 and "accès refusé" in r.stderr.decode():
            print("skipped: the device target (devices cannot be opened on this file system)")
        elif r.returncode != 0 or not stat.S_ISCHR(os.lstat(null).st_mode):
            failures.append(f"device: exit {r.returncode}, {'still' if stat.S_ISCHR(os.lstat(null).st_mode) else 'no longer'} a device")

    for target, message in ((work, "c'est un dossier"), (os.path.join(work, "missing", "plan.dxf"), "n'existe pas")):
        before = sorted(os.listdir(work))
        r = run(geltaro, source, target)
        if r.returncode != 1 or message not in r.stderr.decode():
            failures.append(f"{target}: exit {r.returncode}, {r.stderr.decode().strip()!r}")
        if sorted(os.listdir(work)) != before:
            failures.append(f"{target}: files written {sorted(set(os.listdir(work)) - set(before))}")

    # Input and output on separate pipes: the end of the input ends the run.
    r = subprocess.run([geltaro], input=b"(+ 1 2)\n", capture_output=True, timeout=30)
    out = r.stdout.decode()
    if r.returncode != 0 or "3" not in out or "Commande inconnue" in out:
        failures.append(f"pipes: exit {r.returncode}, output {out[-200:]!r}")
    return verdict("save targets", failures)


if __name__ == "__main__":
    sys.exit(main())
