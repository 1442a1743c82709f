"""What the console's end-to-end tests share: a fresh installation folder
with the block library, a script run by geltaro in it, and the point blocks
of a saved drawing as ezdxf reads them."""
import os
import shutil
import subprocess


def fresh_home(source, work):
    """WORK/home, emptied, with a copy of the block library."""
    home = os.path.join(work, "home")
    shutil.rmtree(home, ignore_errors=True)
    os.makedirs(home)
    shutil.copytree(os.path.join(source, "data", "biblio"), os.path.join(home, "biblio"))
    return home


def run_script(geltaro, home, script, drawing=None, save=None, name="job"):
    """Writes SCRIPT to HOME/NAME.scr and runs it from HOME (echoed), with
    HOME as the installation folder."""
    path = os.path.join(home, name + ".scr")
    with open(path, "w", encoding="utf-8") as f:
        f.write(script)
    args = [geltaro] + ([drawing] if drawing else []) + ["--script", path, "--echo"]
    if save:
        args += ["--save", save]
    return subprocess.run(args, capture_output=True, text=True, env=dict(os.environ, GELTARO_HOME=home),
                          timeout=120, cwd=home)


def point_blocks(doc):
    """Point name -> (insertion point, {attribute tag: text}) of the block
    references of the model space."""
    blocks = {}
    for ins in doc.modelspace().query("INSERT"):
        attribs = {a.dxf.tag: a.dxf.text for a in ins.attribs}
        blocks[attribs.get("NUMPT")] = (ins.dxf.insert, attribs)
    return blocks
