// XYZ point files and the working table of COORDSXYZ: reading, writing,
// ordering, renumbering, placing in the drawing, and the dialog's menu.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/app/console_io.hpp"
#include "host/app/host_app.hpp"
#include "host/db/entities.hpp"
#include "host/ed/editor.hpp"
#include "points/project.hpp"
#include "points/codification.hpp"
#include "tools/points_export.hpp"
#include "tools/xyz_dialog.hpp"
#include "tools/xyz_table.hpp"

namespace fs = std::filesystem;

namespace {

std::string tempPath(const std::string& name) {
  const fs::path dir = fs::path(testing::TempDir()) / ("geltaro-xyz-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  return (dir / name).string();
}

std::string write(const std::string& name, const std::string& text) {
  const std::string path = tempPath(name);
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

std::string read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The console for the time of a test: what is typed, what is printed.
struct Console {
  std::istringstream in;
  std::ostringstream out;
  host::ConsoleIO io{in, out};
  host::ConsoleIO* previous;
  explicit Console(const std::string& input = {}) : in(input), previous(host::setConsole(&io)) {}
  ~Console() { host::setConsole(previous); }
};

std::wstring w(const std::string& s) { return host::fromUtf8(s); }

TEST(FichierXYZ, LinesOfTheFile) {
  const std::string path = write("lignes.xyz",
                                 "\r\n"
                                 "P1 100.5 200.25\r\n"
                                 "  P2\t1 2 3 0\r\n"
                                 "P3 1 2 3 7 mur   est\r\n"
                                 "P4 1,5 2 3\r\n"
                                 "P5 1 2\n"
                                 "\t\r\n"
                                 "P6 -1.5E3 2.25 4.5abc 12x\n"
                                 "P7 1\n"
                                 "P8 1. 2\n");
  Console console;
  tableObsXYZ t;
  ASSERT_TRUE(t.charger(w(path)));
  struct Expected {
    const wchar_t* nom;
    double x, y, z;
    int code;
    const wchar_t* obs;
  } expected[] = {{L"P1", 100.5, 200.25, kIndefini, 1, L""},
                  {L"P2", 1, 2, 3, 1, L""},
                  {L"P3", 1, 2, 3, 7, L"mur est"},
                  {L"P5", 1, 2, kIndefini, 1, L""},
                  {L"P6", -1500, 2.25, 4.5, 12, L""}};
  ASSERT_EQ(t.points.size(), std::size(expected));
  for (std::size_t i = 0; i < t.points.size(); ++i) {
    const pointXYZ& p = t.points[i];
    EXPECT_EQ(p.nom, expected[i].nom);
    EXPECT_EQ(p.x, expected[i].x) << i;
    EXPECT_EQ(p.y, expected[i].y) << i;
    EXPECT_EQ(p.z, expected[i].z) << i;
    EXPECT_EQ(p.code, expected[i].code) << i;
    EXPECT_EQ(p.obs, expected[i].obs) << i;
    EXPECT_EQ(p.etat, 0);
    if (i) {
      EXPECT_LT(t.points[i - 1].identifiant, p.identifiant);
    }
  }
  EXPECT_EQ(console.out.str(), "");  // skipped lines are not reported
}

TEST(FichierXYZ, NoAltitudeAndOutOfRangeNumbers) {
  // "." is what the export writes for a point without altitude; NaN and
  // infinities are no altitude either. A number too large for a double is
  // not read as 0: its line is refused and reported.
  const std::string path = write("limites.xyz",
                                 "A 1 2 nan\r\n"
                                 "B 1 2 inf\r\n"
                                 "C 1 2 -INF\r\n"
                                 "D 1 2 .\r\n"
                                 "E 1.0E999 2 3\r\n"
                                 "F 1 2 1e999\r\n"
                                 "G 1 2 1e-999\r\n");
  Console console;
  tableObsXYZ t;
  ASSERT_TRUE(t.charger(w(path)));
  ASSERT_EQ(t.points.size(), 5u) << console.out.str();
  for (int i = 0; i < 4; ++i) EXPECT_EQ(t.points[std::size_t(i)].z, kIndefini) << i;
  EXPECT_EQ(t.points[4].nom, L"G");
  EXPECT_EQ(t.points[4].z, 0.0);
  EXPECT_NE(console.out.str().find("Ligne 5 : nombre hors limites, ligne ignorée"), std::string::npos)
      << console.out.str();
  EXPECT_NE(console.out.str().find("Ligne 6 : nombre hors limites, ligne ignorée"), std::string::npos);

  // A point without altitude exported as text reads back without altitude.
  pointDuDessin sans;
  sans.setParams(L"S1", {10, 20, kIndefini}, 100);
  tableObsXYZ relu;
  ASSERT_TRUE(relu.charger(w(write("export.xyz", lignePoint(sans)))));
  ASSERT_EQ(relu.points.size(), 1u);
  EXPECT_EQ(relu.points[0].z, kIndefini);
}

TEST(FichierXYZ, LongLinesAreReportedAndSkipped) {
  const std::string longue = "LONG 1 2 3 1 " + std::string(1100, 'x');
  const std::string path = write("longue.xyz", "A 1 2\n" + longue + "\nB 3 4\n");
  Console console;
  tableObsXYZ t;
  ASSERT_TRUE(t.charger(w(path)));
  ASSERT_EQ(t.points.size(), 2u);
  EXPECT_EQ(t.points[1].nom, L"B");
  EXPECT_NE(console.out.str().find("Ligne 2 trop longue"), std::string::npos);
  EXPECT_EQ(console.out.str().find("Erreur ouverture"), std::string::npos);
}

TEST(FichierXYZ, PathsAndFailures) {
  Console console;
  tableObsXYZ t;
  EXPECT_FALSE(t.charger(L" ;. "));
  EXPECT_FALSE(t.charger(w(tempPath("absent.xyz"))));
  EXPECT_EQ(console.out.str(), "");  // a file that cannot be opened: no message

  // The table's own file name, trimmed; appending or emptying first.
  const std::string path = write("propre.xyz", "A 1 2\n");
  t.fichier = w(path) + L" ;";
  ASSERT_TRUE(t.charger());
  ASSERT_TRUE(t.charger({}, false));
  EXPECT_EQ(t.points.size(), 2u);
  ASSERT_TRUE(t.charger());
  EXPECT_EQ(t.points.size(), 1u);

  // Writing where no file can be made.
  const std::string bloque = write("fichier-ordinaire", "x");
  EXPECT_FALSE(t.sauvegarder(w(bloque + "/dessous.xyz")));
  EXPECT_NE(console.out.str().find("[erreur]"), std::string::npos);
  EXPECT_NE(console.out.str().find("Erreur ouverture de fichier"), std::string::npos);
  EXPECT_FALSE(t.sauvegarder(L"  "));
}

TEST(FichierXYZ, WrittenAndReadBack) {
  tableObsXYZ t;
  pointXYZ a;
  a.nom = L"S\u00e91";
  a.x = 651234.125;
  a.y = 6862345.5;
  a.z = 12.25;
  a.code = 100;
  a.obs = L"borne OGE";
  pointXYZ b;
  b.nom = L"B";
  b.x = -1;
  b.y = 2;
  b.z = kIndefini;
  t.points = {a, b};
  const std::string path = tempPath("releve.txt");
  ASSERT_TRUE(t.sauvegarder(w(path)));
  EXPECT_FALSE(fs::exists(path));
  const std::string texte = read(path + ".xyz");
  EXPECT_EQ(texte.substr(0, 2), "\r\n");
  EXPECT_EQ(texte.substr(2, 55), "       S\xe9" "1\t 651234.125000\t6862345.500000\t     12.250000");
  EXPECT_NE(texte.find("\t   100\tborne OGE\r\n"), std::string::npos);
  EXPECT_NE(texte.back(), '\n');

  tableObsXYZ relue;
  ASSERT_TRUE(relue.charger(w(path + ".xyz")));
  ASSERT_EQ(relue.points.size(), 2u);
  EXPECT_EQ(relue.points[0].nom, a.nom);
  EXPECT_EQ(relue.points[0].obs, L"borne OGE");
  EXPECT_EQ(relue.points[0].x, a.x);
  EXPECT_EQ(relue.points[1].z, kIndefini);  // 1e38 in full comes back exactly
  EXPECT_EQ(relue.points[1].code, 1);
}

TEST(TableObsXYZ, OrderOfColumns) {
  tableObsXYZ t;
  for (auto [nom, x, z, code] : {std::tuple{L"P10", 3.0, kIndefini, 5}, std::tuple{L"P2", 1.0, 2.0, 7},
                                 std::tuple{L"10", 2.0, 1.0, -3}}) {
    pointXYZ p;
    p.nom = nom;
    p.x = x;
    p.z = z;
    p.code = code;
    t.points.push_back(p);
  }
  const uint32_t p10 = t.points[0].identifiant, p2 = t.points[1].identifiant, n10 = t.points[2].identifiant;
  EXPECT_EQ(t.comparer(p2, p10, 0), -1);
  EXPECT_EQ(t.comparer(p10, n10, 0), -1);  // a name with a prefix first
  EXPECT_EQ(t.comparer(p10, p2, 1), 1);
  EXPECT_EQ(t.comparer(p10, n10, 3), 1);  // no altitude last
  EXPECT_EQ(t.comparer(n10, p2, 4), -1);
  EXPECT_EQ(t.comparer(p10, p2, 5), -1);  // load order
  EXPECT_EQ(t.comparer(p10, p2, 6), 0);
  EXPECT_EQ(t.comparer(p10, 12345, 1), 0);
  EXPECT_EQ(t.indiceDe(n10), 2);
  EXPECT_EQ(t.indiceDe(n10 + 1000), -1);

  t.renumeroterPoints(L"S", 100, L"b");
  EXPECT_EQ(t.points[0].nom, L"S100b");
  EXPECT_EQ(t.points[2].nom, L"S102b");
}

// The dialog driven through its menu, as a user does at the console.
class FormulaireXYZ : public testing::Test {
 protected:
  void SetUp() override {
    previous_ = zcdbCurDwg();
    zcdbSetCurDwg(&db_);
    tablesPoints = &projet_;
  }
  void TearDown() override {
    tablesPoints = nullptr;
    zcdbSetCurDwg(previous_);
  }
  ZcDbDatabase db_{true};
  ZcDbDatabase* previous_ = nullptr;
  projetsTopo projet_;
};

TEST_F(FormulaireXYZ, LoadMergeSortRenumberPlaceSave) {
  const std::string un = write("un.xyz", "P1 10 20 1 42\nP2 11 21\nP1 12 22 3\n");
  const std::string deux = write("deux.xyz", "Q1 30 40 5 100 station\n");
  tableObsXYZ table;
  table.codification = &codification();
  CformulaireXYZ dialogue(table);
  dialogue.init();
  Console console(un + "\n" + deux + "\n");
  ASSERT_EQ(dialogue.userPress(CformulaireXYZ::kCharger), "");
  ASSERT_EQ(table.points.size(), 3u);
  EXPECT_EQ(table.fichier, w(un));
  const auto& liste = dialogue.get<host::ui::ListView>(CformulaireXYZ::kListe);
  EXPECT_EQ(liste.cell(1, 3), "");  // no altitude
  EXPECT_EQ(liste.cell(0, 4), "Code N\u00b0 42");
  EXPECT_GE(codification().indexDuCode(42), 0);

  ASSERT_EQ(dialogue.userPress(CformulaireXYZ::kFusionner), "");
  ASSERT_EQ(table.points.size(), 4u);
  EXPECT_EQ(table.points[3].nom, L"Q1");
  EXPECT_EQ(liste.cell(3, 5), "station");

  // Sorting by Z puts the point without altitude last, twice the same.
  dialogue.userHeaderClick(CformulaireXYZ::kListe, 3);
  dialogue.userHeaderClick(CformulaireXYZ::kListe, 3);
  EXPECT_EQ(liste.cell(3, 0), "P2");

  // Renumbering follows the load order, whatever the order shown.
  console.in.str("set 331 P\nok\n");
  console.in.clear();
  ASSERT_EQ(dialogue.userPress(CformulaireXYZ::kRenumeroter), "");
  EXPECT_EQ(table.points[0].nom, L"P1");
  EXPECT_EQ(table.points[3].nom, L"P4");
  EXPECT_EQ(liste.cell(3, 0), "P4");

  ASSERT_EQ(dialogue.userPress(CformulaireXYZ::kPlacer), "");
  ASSERT_EQ(projet_.currTable()->nbPoint(), 4);
  for (const auto& p : projet_.currTable()->points()) EXPECT_TRUE(p.getId().isValid());

  const std::string sortie = tempPath("sortie.txt");
  console.in.str(sortie + "\n");
  console.in.clear();
  ASSERT_EQ(dialogue.userPress(CformulaireXYZ::kSauvegarder), "");
  tableObsXYZ relue;
  ASSERT_TRUE(relue.charger(w(sortie + ".xyz")));
  EXPECT_EQ(relue.points.size(), 4u);
  EXPECT_EQ(table.fichier, w(deux));  // saving does not change the file name
}

TEST_F(FormulaireXYZ, SameNamesReplaceEachOtherWhenPlaced) {
  const std::string path = write("doublons.xyz", "P1 10 20 1\nP1 30 40 2\nLONGNOM123A 1 1 1\nLONGNOM123B 2 2 2\n");
  tableObsXYZ table(w(path));
  ASSERT_EQ(table.points.size(), 4u);
  // A point the current table already has is replaced, block and all.
  pointDuDessin ancien;
  ancien.setParams(L"P1", {0, 0, 0}, 1);
  ancien.creer(true, nullptr);
  const ZcDbObjectId ancienBloc = ancien.getId();
  projet_.currTable()->Ajouter(ancien);
  Console console;
  table.placerDansLeDessin();
  ASSERT_EQ(projet_.currTable()->nbPoint(), 2);
  int pos;
  ASSERT_TRUE(projet_.currTable()->existPoint(L"p1", pos));
  EXPECT_EQ(projet_.currTable()->getData(pos)->getX(), 30);
  ASSERT_TRUE(projet_.currTable()->existPoint(L"LONGNOM12", pos));
  EXPECT_EQ(projet_.currTable()->getData(pos)->getX(), 2);
  EXPECT_TRUE(ancienBloc.isErased());
}

}  // namespace
