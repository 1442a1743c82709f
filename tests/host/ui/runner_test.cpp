// The dialog run headless: a script of actions on a string console, the
// printed dialog and the final values.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "host/ui/runner.hpp"
#include "session.hpp"
#include "survey_dialog.hpp"

namespace host::ui {
namespace {

using testing::contains;
using testing::Session;
using testing::SurveyDialog;
using namespace testing;

// A line "! ..." holding `message`: the runner refused an action.
bool refused(const std::string& out, const std::string& message) {
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("! ", 0) == 0 && contains(line, message)) return true;
  return false;
}

TEST(Render, ShowsEveryVisibleControlWithItsValue) {
  Session s("");
  SurveyDialog dlg;
  dlg.init();
  dlg.get<ListView>(IDC_POINTS).select(2);
  dlg.get<ListView>(IDC_POINTS).setChecked(0, true);
  dlg.get<ListView>(IDC_POINTS).sortByHeader(1);
  dlg.get<RichText>(IDC_RAPPORT).setText("ligne 1\nligne 2");
  const std::string text = renderDialog(dlg);
  const char* expected =
      "=== Paramètres du calcul ===\n"
      "[-] static \"Rayon :\"\n"
      "[523] edit \"Rayon\" : \"12.50\"\n"
      "[524] edit \"Nombre de points\" : \"8\"  (grisé)\n"
      "[525] check [ ] \"Arrondir\"\n"
      "[526] radio (o) \"Mètres\"\n"
      "[527] radio ( ) \"Pieds\"\n"
      "[528] combo \"Type\" : \"Ligne\"\n"
      "        0: Point\n"
      "      * 1: Ligne\n"
      "        2: Arc\n"
      "[530] list \"Points\" : 3 ligne(s), 1 sélectionnée(s)\n"
      "      #      | Nom | X ^ |   Y\n"
      "      0  [x] | P10 | 7.5 |   1\n"
      "      1  [ ] | p2  |  12 |  -3\n"
      "      2 >[ ] | P1  | 100 | 0.5\n"
      "[540] button \"Calculer !\"\n"
      "[541] button \"Exporter\"  (grisé)\n"
      "[542] static \"\"\n"
      "[543] rich \"Rapport\"\n"
      "      | ligne 1\n"
      "      | ligne 2\n"
      "[544] picture \"Fichier...\"\n"
      "[601] menu \"Outils > Placer !!!\"\n"
      "[1] button \"OK\"\n"
      "[2] button \"Annuler\"\n"
      "===\n";
  EXPECT_EQ(text, expected);
  EXPECT_FALSE(contains(text, "Caché")) << "hidden controls are not shown";
}

TEST(Runner, ScriptOfActionsEndsWithOk) {
  Session s(
      "; a comment line is skipped\n"
      "set Rayon 40\n"
      "check &Arrondir on\n"
      "set \"nombre de points\" 12\n"
      "check 527 on\n"
      "pick Type Arc\n"
      "header Points 0\n"
      "select Points 0 2\n"
      "press \"Calculer !\"\n"
      "press Exporter\n"
      "yes\n"
      "show\n"
      "help\n"
      "ok\n"
      "left over\n");
  SurveyDialog dlg;
  EXPECT_EQ(dlg.doModal(), IDOK);
  EXPECT_DOUBLE_EQ(dlg.rayon, 40);
  EXPECT_EQ(dlg.nombre, 12);
  EXPECT_TRUE(dlg.arrondir);
  EXPECT_EQ(dlg.unite, 1);
  EXPECT_EQ(dlg.type, 2);
  EXPECT_TRUE(dlg.exported);
  EXPECT_EQ(dlg.closes, 1);
  // Sorted on the name: P1, P10, p2; rows 0 and 2 are P1 and p2.
  EXPECT_EQ(dlg.get<ListView>(IDC_POINTS).selectedData(), (std::vector<std::int64_t>{300, 200}));
  const std::string out = s.out();
  EXPECT_TRUE(contains(out, "[Export] (question) Exporter 2 points ?\nRéponse (yes/no) :\n")) << out;
  EXPECT_TRUE(contains(out, "      | P1 : 100, 0.5\n      | p2 : 12, -3\n")) << "show prints the report";
  EXPECT_TRUE(contains(out, "Actions : show | set CTRL TEXTE")) << "help lists the actions";
  EXPECT_FALSE(contains(out, "! ")) << "no action was refused:\n" << out;
  EXPECT_EQ(s.rest(), "left over\n") << "nothing read after ok";
}

TEST(Runner, WrongActionsAreExplainedAndTheUserGoesOn) {
  struct Case {
    const char* why;
    const char* line;
    const char* message;
  } cases[] = {
      {"unknown action", "frobnicate 523", "Action inconnue « frobnicate »"},
      {"unknown control", "press Imprimer", "Pas de contrôle « Imprimer »"},
      {"unknown id", "press 999", "Pas de contrôle « 999 »"},
      {"caption of several words unquoted", "press Calculer !", "Pas de contrôle « Calculer »"},
      {"missing quote", "press \"Calculer !", "Guillemet fermant manquant"},
      {"missing control", "press", "contrôle manquant"},
      {"disabled button", "press Exporter", "désactivé"},
      {"hidden edit", "set 545 1", "masqué"},
      {"check without on/off", "check Arrondir peut-être", "Syntaxe : check CTRL on|off"},
      {"list row check without row", "check Points on", "Syntaxe : check LISTE LIGNE on|off"},
      {"combo item unknown", "pick Type Cercle", "Pas d'élément « Cercle »"},
      {"combo index too big", "pick Type 7", "hors de la liste"},
      {"row not a number", "select Points 1 x", "« x » n'est pas un numéro de ligne"},
      {"row out of range", "select Points 3", "Ligne 3 hors de la liste"},
      {"header without column", "header Points", "Syntaxe : header"},
      {"dblclick out of range", "dblclick Points 8", "Ligne 8"},
      {"button given text", "press Calculer extra", "Pas de contrôle"},
      {"ok with an argument", "ok now", "ok ne prend pas d'argument"},
      {"press a check box", "press Arrondir", "n'est pas un bouton"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    Session s(std::string(c.line) + "\n" + "set Rayon 3\n");
    SurveyDialog dlg;
    EXPECT_EQ(dlg.doModal(), IDCANCEL) << "end of input cancels";
    EXPECT_TRUE(refused(s.out(), c.message)) << s.out();
    EXPECT_EQ(dlg.get<Edit>(IDC_RAYON).text(), "3") << "the next action still ran";
    EXPECT_DOUBLE_EQ(dlg.rayon, 12.5) << "cancel keeps the members";
    EXPECT_EQ(dlg.closes, 1);
  }
}

TEST(Runner, ControlReferences) {
  struct Case {
    const char* why;
    const char* line;
    int pressedOrSet;
  } cases[] = {
      {"id", "press 540", IDC_CALCULER},
      {"quoted caption with blanks", "press \"Calculer !\"", IDC_CALCULER},
      {"quoted caption, other case", "press \"CALCULER !\"", IDC_CALCULER},
      {"caption with its & mark", "check &Arrondir on", IDC_ARRONDIR},
      {"caption without its & mark", "check arrondir on", IDC_ARRONDIR},
      {"accented caption", "check Mètres on", IDC_METRES},
      {"picture button by its caption", "press Fichier...", IDC_FICHIER},
      {"menu item by its caption", "press \"Placer !!!\"", ID_PLACER},
      {"verb in capitals", "PRESS 540", IDC_CALCULER},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    Session s(std::string(c.line) + "\n\n\ncancel\n");
    SurveyDialog dlg;
    dlg.doModal();
    EXPECT_FALSE(contains(s.out(), "! ")) << s.out();
    EXPECT_EQ(dlg.log.at(1), "press " + std::to_string(c.pressedOrSet));
  }
}

TEST(Runner, SameCaptionOnALabelAndAnEditPicksTheOneTheActionFits) {
  struct LabelledDialog : Dialog {
    LabelledDialog() : Dialog("Étiquettes") {
      add<Static>(10, "Hauteur");
      add<Edit>(11, "Hauteur");
      add<Button>(12, "Go");
      add<Button>(13, "go");
    }
  } dlg;
  Session s("set Hauteur 2.5\npress Go\nok\n");
  EXPECT_EQ(dlg.doModal(), IDOK);
  EXPECT_EQ(dlg.get<Edit>(11).text(), "2.5");
  EXPECT_TRUE(contains(s.out(), "! « Go » est ambigu : 12 13")) << s.out();
}

TEST(Runner, EscapeAndEndOfInputCancel) {
  struct Case {
    const char* why;
    const char* script;
  } cases[] = {
      {"empty input", ""},
      {"end of input after actions", "set Rayon 40\ncheck Arrondir on\n"},
      {"^C", "set Rayon 40\n^C\nok\n"},
      {"blank lines are no action", "\n   \n"},
      {"cancel", "cancel\n"},
      {"cancel button", "press Annuler\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    Session s(c.script);
    SurveyDialog dlg;
    EXPECT_EQ(dlg.doModal(), IDCANCEL);
    EXPECT_EQ(dlg.log.back(), "cancel");
    EXPECT_DOUBLE_EQ(dlg.rayon, 12.5);
    EXPECT_EQ(dlg.closes, 1);
  }
}

TEST(Runner, OkRefusedKeepsTheDialogOpen) {
  Session s("set Rayon 0\nok\nset Rayon 2,5\nok\n");
  SurveyDialog dlg;
  EXPECT_EQ(dlg.doModal(), IDOK);
  EXPECT_DOUBLE_EQ(dlg.rayon, 2.5);
  const std::string out = s.out();
  // Once on leaving the edit, once on OK.
  const std::string box = "[Paramètres du calcul] (attention) Entrez un nombre entre 0.1 et 1000.\n";
  size_t first = out.find(box);
  ASSERT_NE(first, std::string::npos) << out;
  EXPECT_NE(out.find(box, first + 1), std::string::npos) << out;
  EXPECT_TRUE(contains(out, "! OK refusé")) << out;
}

TEST(Runner, PickingInTheDrawingReadsTheSameStreamThenShowsAgain) {
  Session s("press \"Placer !!!\"\n250\nok\n");
  SurveyDialog dlg;
  EXPECT_EQ(dlg.doModal(), IDOK);
  EXPECT_DOUBLE_EQ(dlg.rayon, 250);
  const std::string out = s.out();
  size_t hidden = out.find("masqué pour désigner");
  size_t prompt = out.find("Point : ");
  size_t again = out.find("=== Paramètres du calcul ===", prompt);
  ASSERT_NE(hidden, std::string::npos) << out;
  EXPECT_LT(hidden, prompt);
  EXPECT_NE(again, std::string::npos) << "shown again after the pick:\n" << out;
  EXPECT_FALSE(dlg.hidden());
}

TEST(Runner, FileButtonAsksForAPath) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("geltaro_ui_runner_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string existing = (dir / "points.txt").string();
  { std::ofstream(existing) << "x"; }
  Session s("press Fichier...\n" + existing + "\nno\n" + (dir / "autre").string() + "\nok\n");
  SurveyDialog dlg;
  EXPECT_EQ(dlg.doModal(), IDOK);
  EXPECT_EQ(dlg.exportPath, (dir / "autre.txt").string());
  EXPECT_TRUE(contains(s.out(), "existe déjà")) << s.out();
  fs::remove_all(dir);
}

TEST(Runner, HeaderClicksAndDoubleClicks) {
  Session s(
      "header Points 1\nshow\nheader Points 1\ndblclick Points 0\ncheck Points 2 on\n"
      "select Points 0 1\nselect Points\nok\n");
  SurveyDialog dlg;
  EXPECT_EQ(dlg.doModal(), IDOK);
  auto& list = dlg.get<ListView>(IDC_POINTS);
  EXPECT_EQ(list.sortColumn(), 1);
  EXPECT_FALSE(list.sortAscending());
  EXPECT_EQ(list.row(0).data, 300) << "X downwards: 100 first";
  EXPECT_EQ(dlg.get<Static>(IDC_RESULTAT).text(), "Point P1");
  EXPECT_EQ(list.checkedRows(), (std::vector<int>{2}));
  EXPECT_TRUE(list.selectedRows().empty()) << "select without rows clears";
  EXPECT_TRUE(contains(s.out(), "      #      | Nom | X ^ |   Y\n      0  [ ] | P10 | 7.5 |   1\n")) << s.out();
}

TEST(Runner, DialogOpenedFromAHandlerReadsTheSameStream) {
  struct Child : Dialog {
    Child() : Dialog("Options") { add<Edit>(10, "Tolérance", "0.01").setRange(0, 1); }
  };
  struct Parent : Dialog {
    Parent() : Dialog("Principal") {
      add<Button>(20, "&Options...");
      add<Static>(21, "");
    }
    void onPress(int id) override {
      Child child;
      int r = child.doModal();
      get<Static>(21).setText(std::to_string(r) + " " + child.get<Edit>(10).text());
    }
  };
  struct Case {
    const char* why;
    const char* script;
    int result;
    const char* shown;
  } cases[] = {
      {"child confirmed", "press Options...\nset Tolérance 0.5\nok\nok\n", IDOK, "1 0.5"},
      {"child cancelled, parent goes on", "press Options...\ncancel\nok\n", IDOK, "2 0.01"},
      {"end of input cancels both", "press &Options...\n", IDCANCEL, "2 0.01"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    Session s(c.script);
    Parent dlg;
    EXPECT_EQ(dlg.doModal(), c.result);
    EXPECT_EQ(dlg.get<Static>(21).text(), c.shown);
    EXPECT_TRUE(contains(s.out(), "=== Options ===")) << s.out();
  }
}

TEST(Runner, HandlerThatEndsTheDialogStopsReading) {
  struct Quick : Dialog {
    Quick() : Dialog("Rapide") { add<MenuItem>(700, "Fichier", "&Quitter"); }
    void onPress(int id) override { endDialog(77); }
  } dlg;
  Session s("press quitter\nok\n");
  EXPECT_EQ(dlg.doModal(), 77);
  EXPECT_EQ(s.rest(), "ok\n");
  // A dialog can run again.
  Session again("cancel\n");
  EXPECT_EQ(dlg.doModal(), IDCANCEL);
}

}  // namespace
}  // namespace host::ui
