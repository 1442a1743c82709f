"""What the console's end-to-end tests share: a fresh installation folder
with the block library, a script run by geltaro in it, the point blocks of a
saved drawing as ezdxf reads them, and the tables of a report."""
import html.parser
import os
import shutil
import subprocess


def fresh_home(source, work):
    """WORK/home, emptied, with a copy of the block library and the title
    blocks."""
    home = os.path.join(work, "home")
    shutil.rmtree(home, ignore_errors=True)
    os.makedirs(home)
    for folder in ("biblio", "Cartouches"):
        shutil.copytree(os.path.join(source, "data", folder), os.path.join(home, folder))
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


class _Cells(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.tables, self.cell = [], None

    def handle_starttag(self, tag, attrs):
        if tag == "table":
            self.tables.append([])
        elif tag == "tr":
            self.tables[-1].append([])
        elif tag == "td":
            self.cell = ""

    def handle_endtag(self, tag):
        if tag == "td" and self.cell is not None:
            self.tables[-1][-1].append(self.cell.strip())
            self.cell = None

    def handle_data(self, data):
        if self.cell is not None:
            self.cell += data


def report_tables(markup):
    """The tables of a report: a list of rows per table, each row the texts of
    its cells."""
    parser = _Cells()
    parser.feed(markup)
    return parser.tables


def verdict(title, failures):
    """Prints each failure and the test's verdict; the exit status."""
    for f in failures:
        print("FAIL", f)
    print(f"{title}:", "FAILED" if failures else "passed")
    return 1 if failures else 0
