// Message boxes, file dialogs, the progress window and the report viewer on
// a string console.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "host/ui/filedialog.hpp"
#include "host/ui/messagebox.hpp"
#include "host/ui/progress.hpp"
#include "host/ui/reportviewer.hpp"
#include "session.hpp"

namespace host::ui {
namespace {

using testing::contains;
using testing::Session;
namespace fs = std::filesystem;

TEST(MessageBox, AnswersAllowedByItsButtons) {
  struct Case {
    const char* why;
    unsigned type;
    const char* input;
    int result;
    const char* left;  // input not read
  } cases[] = {
      {"OK box reads nothing", MB_OK | MB_ICONINFORMATION, "yes\n", IDOK, "yes\n"},
      {"yes", MB_YESNO, "yes\nrest\n", IDYES, "rest\n"},
      {"no", MB_YESNO, "no\n", IDNO, ""},
      {"French and any case", MB_YESNO, "OUI\n", IDYES, ""},
      {"blanks around", MB_YESNOCANCEL, "  non \n", IDNO, ""},
      {"cancel in a yes/no/cancel box", MB_YESNOCANCEL, "cancel\n", IDCANCEL, ""},
      {"ok in an ok/cancel box", MB_OKCANCEL, "ok\n", IDOK, ""},
      {"yes is no answer to ok/cancel, asked again", MB_OKCANCEL, "yes\ncancel\n", IDCANCEL, ""},
      {"cancel is not a button of yes/no, asked again", MB_YESNO, "cancel\nyes\n", IDYES, ""},
      {"end of input cancels", MB_YESNOCANCEL, "", IDCANCEL, ""},
      {"^C cancels", MB_OKCANCEL, "^C\nok\n", IDCANCEL, "ok\n"},
      {"Escape in a yes/no box is no", MB_YESNO, "", IDNO, ""},
      {"three wrong answers give up", MB_YESNOCANCEL, "peut-être\n?\nbof\nyes\n", IDCANCEL, "yes\n"},
      {"comment lines are not answers", MB_YESNO, "; pourquoi pas\nyes\n", IDYES, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    Session s(c.input);
    EXPECT_EQ(zcMessageBox("Remplacer le fichier ?", "Export", c.type), c.result);
    EXPECT_EQ(s.rest(), c.left);
    EXPECT_EQ(s.out().rfind("[Export] ", 0), 0u) << s.out();
  }
}

TEST(MessageBox, PrintsCaptionIconAndText) {
  Session s("");
  zcMessageBox("Calcul terminé.", "", MB_OK);
  zcMessageBox("Rayon nul.", "Arc", MB_ICONERROR);
  zcedAlert("Aucun point sélectionné.");
  EXPECT_EQ(s.out(),
            "[Message] Calcul terminé.\n"
            "[Arc] (erreur) Rayon nul.\n"
            "[alerte] Aucun point sélectionné.\n");
}

class TempDir {
 public:
  TempDir() {
    path_ = fs::temp_directory_path() / ("geltaro_ui_" + std::to_string(::getpid()) + "_" + std::to_string(counter()++));
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string file(const std::string& name, bool create = false) const {
    std::string p = (path_ / name).string();
    if (create) std::ofstream(p) << "x";
    return p;
  }

 private:
  static int& counter() {
    static int n = 0;
    return n;
  }
  fs::path path_;
};

TEST(FileDialog, ParsesTheFilterList) {
  auto filters = FileDialog::parseFilter("Fichiers texte (*.txt)|*.txt|Points (*.pts;*.xyz)|*.pts; *.xyz|Tous (*.*)|*.*||");
  ASSERT_EQ(filters.size(), 3u);
  EXPECT_EQ(filters[1].name, "Points (*.pts;*.xyz)");
  EXPECT_EQ(filters[1].patterns, (std::vector<std::string>{"*.pts", "*.xyz"}));
  EXPECT_TRUE(FileDialog::parseFilter("").empty());
  EXPECT_EQ(FileDialog::parseFilter("Sans fin|*.a").size(), 1u) << "missing final || tolerated";
  EXPECT_EQ(FileDialog::parseFilter("Nom sans motif").size(), 0u);
}

TEST(FileDialog, OpenAnswers) {
  TempDir dir;
  const std::string there = dir.file("mesures.txt", true);
  const std::string pts = dir.file("levé.pts", true);
  const std::string filter = "Fichiers texte (*.txt)|*.txt|Points (*.pts;*.xyz)|*.pts;*.xyz|Tous (*.*)|*.*||";
  struct Case {
    const char* why;
    unsigned flags;
    std::string input;
    int result;
    std::string path;
    int filterIndex;
    const char* printed;
  } cases[] = {
      {"existing file", OFN_FILEMUSTEXIST, there + "\n", IDOK, there, 1, ""},
      {"default extension appended", OFN_FILEMUSTEXIST, dir.file("mesures") + "\n", IDOK, there, 1, ""},
      {"second filter by extension", OFN_FILEMUSTEXIST, pts + "\n", IDOK, pts, 2, ""},
      {"quoted path", OFN_FILEMUSTEXIST, "\"" + there + "\"\n", IDOK, there, 1, ""},
      {"missing file asked again", OFN_FILEMUSTEXIST, dir.file("absent.txt") + "\n" + there + "\n", IDOK, there, 1,
       "Fichier introuvable"},
      {"missing file allowed without the flag", 0, dir.file("nouveau.txt") + "\n", IDOK, dir.file("nouveau.txt"), 1, ""},
      {"other extension falls in the catch-all filter", 0, dir.file("a.dxf") + "\n", IDOK, dir.file("a.dxf"), 3, ""},
      {"a trailing dot asks for no extension", 0, dir.file("brut.") + "\n", IDOK, dir.file("brut."), 3, ""},
      {"folder refused", OFN_FILEMUSTEXIST, dir.file("") + "\n" + there + "\n", IDOK, there, 1, "n'est pas un nom"},
      {"empty line cancels", OFN_FILEMUSTEXIST, "\n" + there + "\n", IDCANCEL, "", 0, ""},
      {"end of input cancels", OFN_FILEMUSTEXIST, dir.file("absent.txt") + "\n", IDCANCEL, "", 0, "Fichier introuvable"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    Session s(c.input);
    FileDialog dlg(true, "txt", "", c.flags, filter);
    EXPECT_EQ(dlg.doModal(), c.result);
    EXPECT_EQ(dlg.pathName(), c.path);
    EXPECT_EQ(dlg.filterIndex(), c.filterIndex);
    EXPECT_TRUE(contains(s.out(), c.printed)) << s.out();
    EXPECT_TRUE(contains(s.out(), "[Ouvrir] Types : Fichiers texte (*.txt), Points (*.pts;*.xyz), Tous (*.*)")) << s.out();
  }
  Session s(pts + "\n");
  FileDialog dlg(true, "txt", "", 0, filter);
  ASSERT_EQ(dlg.doModal(), IDOK);
  EXPECT_EQ(dlg.fileName(), "levé.pts");
  EXPECT_EQ(dlg.fileExt(), "pts");
  EXPECT_EQ(dlg.fileTitle(), "levé");
}

TEST(FileDialog, SaveAnswers) {
  TempDir dir;
  const std::string there = dir.file("export.txt", true);
  const std::string fresh = dir.file("neuf.txt");
  struct Case {
    const char* why;
    unsigned flags;
    std::string input;
    int result;
    std::string path;
    const char* printed;
  } cases[] = {
      {"new file", OFN_OVERWRITEPROMPT, fresh + "\n", IDOK, fresh, ""},
      {"overwrite confirmed", OFN_OVERWRITEPROMPT, there + "\nyes\n", IDOK, there, "existe déjà"},
      {"overwrite refused, other name", OFN_OVERWRITEPROMPT, there + "\nno\n" + fresh + "\n", IDOK, fresh, "existe déjà"},
      {"overwrite refused by end of input", OFN_OVERWRITEPROMPT, there + "\n", IDCANCEL, "", "existe déjà"},
      {"no prompt without the flag", 0, there + "\n", IDOK, there, ""},
      {"default extension then the prompt", OFN_OVERWRITEPROMPT, dir.file("export") + "\nyes\n", IDOK, there, "existe déjà"},
      {"missing folder asked again", 0, dir.file("nulle/part.txt") + "\n" + fresh + "\n", IDOK, fresh, "Dossier introuvable"},
      {"^C cancels", 0, "^C\n", IDCANCEL, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    Session s(c.input);
    FileDialog dlg(false, ".txt", "export.txt", c.flags, "Fichiers texte (*.txt)|*.txt||");
    EXPECT_EQ(dlg.doModal(), c.result);
    EXPECT_EQ(dlg.pathName(), c.path);
    EXPECT_TRUE(contains(s.out(), c.printed)) << s.out();
    EXPECT_TRUE(contains(s.out(), "Fichier <export.txt>")) << "initial name shown: " << s.out();
  }
}

TEST(Progress, PercentOverRanges) {
  struct Case {
    const char* why;
    int lo, hi, pos;
    int percent;
    const char* text;
  } cases[] = {
      {"start", 0, 100, 0, 0, "0%"},
      {"middle", 0, 200, 84, 42, "42%"},
      {"end", 0, 100, 100, 100, "100%"},
      {"offset range", 1000, 2000, 1500, 50, "50%"},
      {"beyond the end is kept at the end", 0, 10, 50, 100, "100%"},
      {"before the start is kept at the start", 10, 20, -5, 0, "0%"},
      {"reversed range", 100, 0, 25, 25, "25%"},
      {"empty range is complete", 5, 5, 5, 100, "100%"},
      {"whole int span does not overflow", INT_MIN, INT_MAX, 0, 50, "50%"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    ProgressDialog p("Calcul", nullptr);
    p.setRange(c.lo, c.hi);
    p.setPos(c.pos);
    EXPECT_EQ(p.percent(), c.percent);
    EXPECT_EQ(p.percentText(), c.text);
  }
}

TEST(Progress, StepsCancelAndDrawing) {
  std::ostringstream bar;
  {
    ProgressDialog p("Calcul", &bar);
    p.setRange(0, 4);
    p.setStep(3);
    p.stepIt();
    EXPECT_EQ(p.pos(), 3);
    p.stepIt();
    EXPECT_EQ(p.pos(), 4) << "steps stop at the end";
    p.setPos(4);
    EXPECT_FALSE(p.cancelled());
    p.cancel();
    EXPECT_TRUE(p.cancelled());
  }
  const std::string drawn = bar.str();
  EXPECT_TRUE(contains(drawn, "\rCalcul [" + std::string(22, '#') + std::string(8, '.') + "] 75%")) << drawn;
  EXPECT_EQ(std::count(drawn.begin(), drawn.end(), '\r'), 3) << "0%, 75%, 100%: once per change";
  EXPECT_EQ(drawn.back(), '\n') << "closing ends the bar line";

  ProgressDialog silent("Calcul", nullptr);
  silent.setPos(50);
  EXPECT_FALSE(silent.drawing());
}

TEST(ReportViewer, PrintsThePathOrSaysItIsMissing) {
  TempDir dir;
  const std::string report = dir.file("rapport.html", true);
  Session s("");
  EXPECT_TRUE(showReport(report));
  EXPECT_FALSE(showReport(dir.file("absent.html")));
  EXPECT_FALSE(showReport(""));
  EXPECT_EQ(s.out(), "Rapport : " + report + "\nRapport introuvable : " + dir.file("absent.html") + "\nRapport introuvable : \n");
}

}  // namespace
}  // namespace host::ui
