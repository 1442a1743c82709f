// The dialog model driven directly, as a concrete dialog's code and the
// runner use it.
#include <gtest/gtest.h>

#include <climits>

#include "host/ui/dialog.hpp"
#include "session.hpp"
#include "survey_dialog.hpp"

namespace host::ui {
namespace {

using testing::contains;
using testing::Session;
using testing::SurveyDialog;
using namespace testing;  // control ids

TEST(Captions, MatchWithAndWithoutAcceleratorsAnyCase) {
  struct Case {
    const char* why;
    const char* caption;
    const char* written;
    bool match;
  } cases[] = {
      {"exact", "Calculer !", "Calculer !", true},
      {"marks dropped by the user", "E&xporter", "Exporter", true},
      {"marks written by the user", "E&xporter", "E&xporter", true},
      {"case-insensitive", "E&xporter", "EXPORTER", true},
      {"accented capitals fold", "Élévation", "élévation", true},
      {"accents are not dropped", "Élévation", "elevation", false},
      {"'&&' is a literal ampersand", "Points && lignes", "Points & lignes", true},
      {"prefix is not enough", "Exporter", "Export", false},
      {"empty never matches", "", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(captionMatches(c.caption, c.written), c.match);
  }
  EXPECT_EQ(stripAccelerators("&Fichier && &Edition&"), "Fichier & Edition");
}

TEST(Edit, RangeValidation) {
  struct Case {
    const char* why;
    bool integer;
    double min, max;
    const char* text;
    bool valid;
  } cases[] = {
      {"inside", false, 0.1, 1000, "12.5", true},
      {"decimal comma", false, 0.1, 1000, "12,5", true},
      {"blanks around", false, 0.1, 1000, "  7 ", true},
      {"bounds are inclusive", false, 0.1, 1000, "1000", true},
      {"below", false, 0.1, 1000, "0.05", false},
      {"above", false, 0.1, 1000, "1000.01", false},
      {"empty", false, 0.1, 1000, "", false},
      {"trailing junk", false, 0.1, 1000, "12m", false},
      {"two numbers", false, 0.1, 1000, "1 2", false},
      {"not a number", false, -1e300, 1e300, "nan", false},
      {"infinity", false, -1e300, 1e300, "inf", false},
      {"integer inside", true, 1, 100, "42", true},
      {"integer with a fraction", true, 1, 100, "4.5", false},
      {"integer overflow", true, INT_MIN, INT_MAX, "99999999999", false},
      {"negative integer in range", true, -5, 5, "-5", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    Edit e(1, "x", c.text);
    if (c.integer) e.setIntRange(int(c.min), int(c.max));
    else e.setRange(c.min, c.max);
    EXPECT_EQ(e.validate().empty(), c.valid) << e.validate();
  }
  Edit free(2, "libre", "n'importe quoi");
  EXPECT_TRUE(free.validate().empty()) << "no range, no check";
  EXPECT_THROW(free.setRange(2, 1), std::invalid_argument);
}

TEST(ListView, SortingKeepsRowDataSelectionAndChecks) {
  ListView list(1, "Points");
  list.addColumn("Nom");
  list.addColumn("Z", 1, Align::Right);
  list.setMultiSelect(true);
  list.setCheckBoxes(true);
  list.addRow({"b", "10"}, 1);
  list.addRow({"A", "9"}, 2);
  list.addRow({"c", "-1.5"}, 3);
  list.addRow({"a", "n/a"}, 4);
  list.setSelection({0, 3});
  list.setChecked(2, true);

  auto data = [&] {
    std::vector<std::int64_t> out;
    for (auto& r : list.rows()) out.push_back(r.data);
    return out;
  };
  struct Case {
    const char* why;
    int column;
    std::vector<std::int64_t> order;
  } cases[] = {
      {"text column, case-insensitive, stable", 0, {2, 4, 1, 3}},
      {"same header again sorts downwards", 0, {3, 1, 2, 4}},
      {"numbers by value, text after them", 1, {3, 2, 1, 4}},
      {"and downwards", 1, {4, 1, 2, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    list.sortByHeader(c.column);
    EXPECT_EQ(data(), c.order);
    EXPECT_EQ(list.sortColumn(), c.column);
  }
  // Selection and checks travelled with their rows; selection is reported in
  // display order.
  EXPECT_EQ(list.selectedData(), (std::vector<std::int64_t>{4, 1}));
  EXPECT_EQ(list.selectedRows(), (std::vector<int>{0, 1}));
  EXPECT_EQ(list.checkedRows(), (std::vector<int>{3}));

  // A comparator of the dialog replaces the default order.
  list.setComparator([](const ListView::Row& a, const ListView::Row& b, int) {
    return a.cells[0].size() == b.cells[0].size() ? 0 : (a.cells[0].size() < b.cells[0].size() ? -1 : 1);
  });
  list.setCell(0, 0, "long");
  list.sort(0);
  EXPECT_EQ(list.cell(3, 0), "long");
  EXPECT_THROW(list.sort(2), std::out_of_range);
  EXPECT_THROW(list.cell(4, 0), std::out_of_range);
}

TEST(ListView, CellsFollowColumnsAndSingleSelection) {
  ListView list(1, "L");
  list.addColumn("A");
  list.addColumn("B");
  list.addRow({"1", "2", "3 dropped"});
  list.addRow({"only"});
  EXPECT_EQ(list.row(0).cells.size(), 2u);
  EXPECT_EQ(list.cell(1, 1), "");
  list.select(0);
  list.select(1);
  EXPECT_EQ(list.selectedRows(), (std::vector<int>{1})) << "single selection replaces";
  EXPECT_THROW(list.setSelection({0, 1}), std::invalid_argument);
  EXPECT_EQ(list.selectedRows(), (std::vector<int>{1})) << "a refused selection changes nothing";
  list.removeRow(0);
  EXPECT_EQ(list.firstSelected(), 0);
  EXPECT_THROW(list.removeRow(5), std::out_of_range);
}

TEST(ComboBox, SelectionTextAndData) {
  ComboBox fixed(1, "Type");
  fixed.addItem("Point", 10);
  fixed.addItem("Ligne", 20);
  EXPECT_EQ(fixed.selection(), -1);
  EXPECT_FALSE(fixed.selectedData());
  fixed.setSelection(1);
  EXPECT_EQ(fixed.text(), "Ligne");
  EXPECT_EQ(fixed.selectedData(), 20);
  EXPECT_EQ(fixed.find("ligne"), 1);
  EXPECT_EQ(fixed.findData(10), 0);
  EXPECT_THROW(fixed.setSelection(2), std::out_of_range);
  fixed.setSelection(-1);
  EXPECT_EQ(fixed.text(), "");

  ComboBox editable(2, "Échelle", true);
  editable.addItem("500");
  editable.addItem("1000");
  editable.setText("1000");
  EXPECT_EQ(editable.selection(), 1) << "typing an item's text selects it";
  editable.setText("250");
  EXPECT_EQ(editable.selection(), -1);
  EXPECT_EQ(editable.text(), "250");
}

TEST(RichText, LinesWithoutPhantomLastLine) {
  struct Case {
    const char* why;
    const char* text;
    std::vector<std::string> lines;
  } cases[] = {
      {"empty", "", {}},
      {"one line", "abc", {"abc"}},
      {"final line end", "a\nb\n", {"a", "b"}},
      {"blank line kept", "a\n\nb", {"a", "", "b"}},
      {"CRLF", "a\r\nb\r\n", {"a", "b"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    RichText r(1, "r");
    r.setText(c.text);
    EXPECT_EQ(r.lines(), c.lines);
  }
  RichText r(1, "r");
  r.appendLine("un");
  r.appendLine("deux");
  EXPECT_EQ(r.text(), "un\ndeux");
}

TEST(Dialog, ControlsByIdAndCaption) {
  SurveyDialog dlg;
  EXPECT_EQ(dlg.find(IDC_RAYON)->caption(), "&Rayon");
  EXPECT_EQ(dlg.find(IDC_STATIC), nullptr) << "labels without id are never found by id";
  EXPECT_EQ(dlg.findByCaption("exporter").size(), 1u);
  EXPECT_TRUE(dlg.findByCaption("Inconnu").empty());
  EXPECT_THROW(dlg.add<Button>(IDC_RAYON, "double"), std::logic_error);
  EXPECT_NO_THROW(dlg.add<Static>(IDC_STATIC, "another label"));
  EXPECT_THROW(dlg.get<CheckBox>(IDC_RAYON), std::logic_error) << "wrong kind";
  EXPECT_THROW(dlg.get<Edit>(999), std::logic_error);
}

TEST(Dialog, UserActionsFireHandlersAndChangeOtherControls) {
  Session s("");
  SurveyDialog dlg;
  dlg.init();
  EXPECT_EQ(dlg.get<Edit>(IDC_RAYON).text(), "12.50") << "members went to the controls";
  EXPECT_FALSE(dlg.get<Edit>(IDC_NOMBRE).enabled());

  EXPECT_EQ(dlg.userCheck(IDC_ARRONDIR, true), "");
  EXPECT_TRUE(dlg.get<Edit>(IDC_NOMBRE).enabled()) << "the check box handler enables the edit";
  EXPECT_EQ(dlg.userSetText(IDC_RAYON, "40"), "");
  EXPECT_EQ(dlg.get<Static>(IDC_RESULTAT).text(), "Diamètre : 80");
  EXPECT_EQ(dlg.userCheck(IDC_PIEDS, true), "");
  EXPECT_TRUE(dlg.get<Radio>(IDC_PIEDS).checked());
  EXPECT_FALSE(dlg.get<Radio>(IDC_METRES).checked()) << "radios of a group exclude each other";
  EXPECT_EQ(dlg.userPick(IDC_TYPE, 2), "");
  EXPECT_EQ(dlg.userSelect(IDC_POINTS, {2, 0}), "");
  EXPECT_EQ(dlg.userPress(IDC_CALCULER), "");
  EXPECT_EQ(dlg.get<RichText>(IDC_RAPPORT).lines(), (std::vector<std::string>{"P10 : 7.5, 1", "P1 : 100, 0.5"}));
  EXPECT_TRUE(dlg.get<Button>(IDC_EXPORTER).enabled());
  EXPECT_EQ(dlg.userDoubleClick(IDC_POINTS, 1), "");
  EXPECT_EQ(dlg.get<Static>(IDC_RESULTAT).text(), "Point p2");
  EXPECT_EQ(dlg.get<ListView>(IDC_POINTS).selectedRows(), (std::vector<int>{1})) << "double click selects";

  EXPECT_EQ(dlg.userOk(), "");
  EXPECT_EQ(dlg.result(), IDOK);
  EXPECT_DOUBLE_EQ(dlg.rayon, 40);
  EXPECT_TRUE(dlg.arrondir);
  EXPECT_EQ(dlg.unite, 1);
  EXPECT_EQ(dlg.type, 2);
  EXPECT_EQ(dlg.log, (std::vector<std::string>{"init", "press 525", "killfocus 523", "press 527", "selchange 528",
                                                "selchange 530", "press 540", "selchange 530", "dblclick 1", "ok"}));
  EXPECT_NE(dlg.userPress(IDC_CALCULER), "") << "a closed dialog takes no more actions";
}

TEST(Dialog, RefusedActionsChangeNothing) {
  Session s("");
  SurveyDialog dlg;
  dlg.init();
  dlg.get<ListView>(IDC_POINTS).setMultiSelect(false);
  struct Case {
    const char* why;
    std::function<std::string()> act;
    const char* message;
  } cases[] = {
      {"disabled edit", [&] { return dlg.userSetText(IDC_NOMBRE, "5"); }, "désactivé"},
      {"disabled button", [&] { return dlg.userPress(IDC_EXPORTER); }, "désactivé"},
      {"hidden edit", [&] { return dlg.userSetText(IDC_CACHE, "x"); }, "masqué"},
      {"unknown id", [&] { return dlg.userPress(4242); }, "Pas de contrôle 4242"},
      {"press a check box", [&] { return dlg.userPress(IDC_ARRONDIR); }, "n'est pas un bouton"},
      {"type in a button", [&] { return dlg.userSetText(IDC_CALCULER, "x"); }, "zone de texte"},
      {"uncheck a radio", [&] { return dlg.userCheck(IDC_METRES, false); }, "radio"},
      {"combo index too big", [&] { return dlg.userPick(IDC_TYPE, 3); }, "hors de la liste (0 à 2)"},
      {"combo index negative", [&] { return dlg.userPick(IDC_TYPE, -1); }, "hors de la liste"},
      {"row out of range", [&] { return dlg.userSelect(IDC_POINTS, {3}); }, "Ligne 3"},
      {"two rows in a single-selection list", [&] { return dlg.userSelect(IDC_POINTS, {0, 1}); }, "qu'une ligne"},
      {"header out of range", [&] { return dlg.userHeaderClick(IDC_POINTS, 3); }, "Colonne 3"},
      {"double click out of range", [&] { return dlg.userDoubleClick(IDC_POINTS, -1); }, "Ligne -1"},
      {"row check out of range", [&] { return dlg.userCheckRow(IDC_POINTS, 9, true); }, "Ligne 9"},
      {"typing a non-item in a fixed combo", [&] { return dlg.userSetText(IDC_TYPE, "Cercle"); }, "Cercle"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_TRUE(contains(c.act(), c.message)) << c.act();
  }
  dlg.get<Edit>(IDC_RAYON).setReadOnly(true);
  EXPECT_TRUE(contains(dlg.userSetText(IDC_RAYON, "1"), "lecture seule"));
  EXPECT_EQ(dlg.get<Edit>(IDC_RAYON).text(), "12.50");
  EXPECT_EQ(dlg.log, (std::vector<std::string>{"init"})) << "no handler ran";
  EXPECT_EQ(dlg.get<ComboBox>(IDC_TYPE).selection(), 1);
  EXPECT_TRUE(dlg.get<ListView>(IDC_POINTS).selectedRows().empty());
  EXPECT_FALSE(dlg.ended());
}

TEST(Edit, RangeBoundsPrintInFull) {
  host::ui::Edit e(1, "n");
  e.setIntRange(INT_MIN, INT_MAX);
  e.setText("x");
  EXPECT_EQ(e.validate(), "Entrez un entier entre -2147483648 et 2147483647.");
  e.setRange(-1e7, 2500000.5);
  EXPECT_EQ(e.validate(), "Entrez un nombre entre -10000000 et 2500000.5.");
}

TEST(Dialog, OkRefusedOnInvalidInputAndFocusGoesThere) {
  struct Case {
    const char* why;
    int id;
    const char* text;
    const char* message;
  } cases[] = {
      {"radius out of range", IDC_RAYON, "0", "Entrez un nombre entre 0.1 et 1000."},
      {"radius not a number", IDC_RAYON, "douze", "Entrez un nombre entre 0.1 et 1000."},
      {"count not an integer", IDC_NOMBRE, "2.5", "Entrez un entier entre 1 et 100."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    Session s("");
    SurveyDialog dlg;
    dlg.init();
    dlg.get<Edit>(IDC_NOMBRE).enable(true);
    EXPECT_EQ(dlg.userSetText(c.id, c.text), "") << "typing is allowed";
    EXPECT_TRUE(contains(s.out(), c.message)) << "told on leaving the edit: " << s.out();
    EXPECT_EQ(dlg.focus(), c.id) << "focus stays";
    EXPECT_TRUE(std::find(dlg.log.begin(), dlg.log.end(), "killfocus " + std::to_string(c.id)) == dlg.log.end())
        << "handlers never see an invalid value";
    EXPECT_NE(dlg.userOk(), "");
    EXPECT_FALSE(dlg.ended());
    EXPECT_DOUBLE_EQ(dlg.rayon, 12.5) << "members untouched";
    EXPECT_EQ(dlg.nombre, 8);
  }
  // A disabled edit is not checked: its value is not the user's.
  Session s("");
  SurveyDialog dlg;
  dlg.init();
  dlg.get<Edit>(IDC_NOMBRE).setText("abc");
  EXPECT_FALSE(dlg.get<Edit>(IDC_NOMBRE).enabled());
  // ...but the exchange reads it, so it must refuse rather than store junk.
  EXPECT_NE(dlg.userOk(), "");
  EXPECT_EQ(dlg.nombre, 8);
}

TEST(Dialog, OkRefusedByTheDialogsOwnCheck) {
  Session s("");
  SurveyDialog dlg;
  dlg.init();
  dlg.get<ComboBox>(IDC_TYPE).setSelection(-1);
  EXPECT_NE(dlg.userOk(), "");
  EXPECT_TRUE(contains(s.out(), "[Paramètres du calcul] (erreur) Choisissez un type.")) << s.out();
  EXPECT_EQ(dlg.focus(), IDC_TYPE);
  EXPECT_EQ(dlg.userPick(IDC_TYPE, 0), "");
  EXPECT_EQ(dlg.userOk(), "");
  EXPECT_EQ(dlg.result(), IDOK);
}

TEST(Dialog, OkAndCancelButtonsCloseLikeTheirActions) {
  Session s("");
  SurveyDialog a, b, c;
  a.init();
  b.init();
  c.init();
  EXPECT_EQ(a.userPress(IDOK), "");
  EXPECT_EQ(a.result(), IDOK);
  EXPECT_EQ(b.userPress(IDCANCEL), "");
  EXPECT_EQ(b.result(), IDCANCEL);
  EXPECT_EQ(b.log.back(), "cancel");
  c.endDialog(42);
  EXPECT_EQ(c.result(), 42);
  EXPECT_NE(c.userCancel(), "") << "already closed";
}

}  // namespace
}  // namespace host::ui
