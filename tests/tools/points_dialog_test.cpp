// The point table dialog: its buttons by mode, the code filter, the list and
// its sorting, the export to text files and documents, placing and
// refreshing the point blocks, closing, and the commands that open it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

#include "host/app/host_app.hpp"
#include "host/db/entities.hpp"
#include "host/ed/editor.hpp"
#include "host/ui/session.hpp"
#include "points/project.hpp"
#include "host/db/objects.hpp"
#include "support/current_drawing.hpp"
#include "support/temp_folder.hpp"
#include "points/codification.hpp"
#include "tools/points_dialog.hpp"

namespace fs = std::filesystem;
using host::ui::Align;
using host::ui::Button;
using host::ui::ComboBox;
using host::ui::ListView;
using host::ui::testing::contains;
using host::ui::testing::Session;

namespace {

// The test folder goes away with the program.
fs::path dossier() { return geltaro::testing::dossierDeTest("geltaro-points-dialog"); }

// A path in the test folder where no file is yet.
std::string nouveauChemin(const std::string& nom) {
  const fs::path p = dossier() / nom;
  std::error_code ec;
  fs::remove(p, ec);
  return p.string();
}

std::string lire(const std::string& chemin) {
  std::ifstream in(chemin, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

struct Pt {
  const wchar_t* nom;
  double x, y, z;
  int code;
};

// Table order. The X of "A10" and "2" differ only beyond the 3 decimals
// shown; "a2" is in lower case; "2" has no altitude.
const Pt kPoints[] = {{L"A10", 10.0004, 200.5, 12.25, 1},  {L"2", 10.0001, 150.25, kIndefini, 100},
                      {L"B1", -5.5, 300.0, 8.0, 7},        {L"a2", 42.125, 100.0, 15.5, 1},
                      {L"1", 0.0, 250.75, -3.0, 7},        {L"A1", 1234567.891, 6543210.5, 100.0, 100}};

// The line of each point above in the text file.
const char* const kLignes[] = {
    "       A10\t        10.0004\t       200.5000\t        12.2500\t    1\r\n",
    "         2\t        10.0001\t       150.2500\t              .\t  100\r\n",
    "        B1\t        -5.5000\t       300.0000\t         8.0000\t    7\r\n",
    "        a2\t        42.1250\t       100.0000\t        15.5000\t    1\r\n",
    "         1\t         0.0000\t       250.7500\t        -3.0000\t    7\r\n",
    "        A1\t   1234567.8910\t   6543210.5000\t       100.0000\t  100\r\n",
};

class DialoguePoints : public testing::Test {
 protected:
  void SetUp() override {
    triPoints() = {};
    // Codes in an order of their own; 9 has no point and its own layer.
    codifs_.vider();
    for (auto [code, libelle] : {std::pair{100, L"Station"}, {1, L"Point topo"}, {7, L"Regard"}, {9, L"Vide"}}) {
      codifPoint c;
      c.code = code;
      c.libelle = libelle;
      if (code == 9) c.calques[codifPoint::kCalqueBlock] = L"NEUF";
      codifs_.ajouter(c);
    }
    table_ = projet_.currTable();
    for (const Pt& p : kPoints) table_->Ajouter(point(p));
  }
  void TearDown() override {
    triPoints() = {};
  }

  static pointDuDessin point(const Pt& p) {
    pointDuDessin q;
    q.setParams(p.nom, {p.x, p.y, p.z}, p.code);
    return q;
  }

  // A dialog on the fixture's table, opened.
  std::unique_ptr<DlgPntsDuDessin> ouvrir(int mode = 31, int codeInitial = -1) {
    auto d = std::make_unique<DlgPntsDuDessin>();
    d->mode = mode;
    d->codifs = &codifs_;
    d->table = table_;
    d->codeInitial = codeInitial;
    d->init();
    return d;
  }

  static const ListView& liste(const DlgPntsDuDessin& d) { return d.get<ListView>(DlgPntsDuDessin::kListe); }
  static const ComboBox& combo(const DlgPntsDuDessin& d) { return d.get<ComboBox>(DlgPntsDuDessin::kComboCode); }
  static std::vector<std::int64_t> donnees(const DlgPntsDuDessin& d) {
    std::vector<std::int64_t> out;
    for (const auto& r : liste(d).rows()) out.push_back(r.data);
    return out;
  }
  static std::vector<std::string> colonne(const DlgPntsDuDessin& d, int c) {
    std::vector<std::string> out;
    for (const auto& r : liste(d).rows()) out.push_back(r.cells.at(std::size_t(c)));
    return out;
  }
  // Exports through the file dialog, answering the path (and the overwrite
  // question when the file exists); returns what was printed.
  static std::string exporter(DlgPntsDuDessin& d, const std::string& chemin) {
    Session s(chemin + "\n" + (fs::exists(chemin) ? "yes\n" : ""));
    EXPECT_EQ(d.userPress(DlgPntsDuDessin::kExporter), "");
    EXPECT_EQ(s.rest(), "");
    return s.out();
  }

  ZcDbDatabase db_{true};
  projetsTopo projet_;
  geltaro::testing::DessinCourant courant_{db_, projet_};
  tableCodification codifs_;
  listePointsDuDessin* table_ = nullptr;
};

// ------------------------------------------------------------ opening

TEST_F(DialoguePoints, ModesShowTheirButtons) {
  const int boutons[] = {DlgPntsDuDessin::kExporter, DlgPntsDuDessin::kTableXYZ, DlgPntsDuDessin::kPlacer,
                         DlgPntsDuDessin::kImporter, DlgPntsDuDessin::kRaffraichir};
  struct Case {
    int mode;
    std::vector<int> visibles;
  } cases[] = {{12, {DlgPntsDuDessin::kPlacer, DlgPntsDuDessin::kImporter}},
               {17, {DlgPntsDuDessin::kExporter, DlgPntsDuDessin::kRaffraichir}},
               {16, {DlgPntsDuDessin::kRaffraichir}},
               {18, {DlgPntsDuDessin::kTableXYZ, DlgPntsDuDessin::kRaffraichir}},
               {0, {}},
               {31, {std::begin(boutons), std::end(boutons)}}};
  EXPECT_EQ(DlgPntsDuDessin().mode, 31);
  for (const Case& c : cases) {
    auto d = ouvrir(c.mode);
    for (int id : boutons) {
      const bool attendu = std::find(c.visibles.begin(), c.visibles.end(), id) != c.visibles.end();
      EXPECT_EQ(d->get<Button>(id).visible(), attendu) << "mode " << c.mode << ", bouton " << id;
    }
    EXPECT_TRUE(d->get<Button>(host::ui::IDOK).visible());
    EXPECT_TRUE(combo(*d).visible());
    EXPECT_TRUE(liste(*d).visible());
  }
  // A hidden button cannot be pressed: choosing a point exports nothing.
  auto choix = ouvrir(0);
  EXPECT_NE(choix->userPress(DlgPntsDuDessin::kExporter), "");
}

TEST_F(DialoguePoints, CodeFilterListsTheCodificationAndPreselectsTheInitialCode) {
  auto d = ouvrir();
  const ComboBox& c = combo(*d);
  ASSERT_EQ(c.count(), 5);
  const std::pair<std::string, std::int64_t> attendus[] = {{"*** TOUS LES CODES ***", -1},
                                                           {"0100   Station", 0},
                                                           {"0001   Point topo", 1},
                                                           {"0007   Regard", 2},
                                                           {"0009   Vide", 3}};
  for (int i = 0; i < c.count(); ++i) {
    EXPECT_EQ(c.item(i).text, attendus[i].first);
    EXPECT_EQ(c.item(i).data, attendus[i].second) << i;
  }
  EXPECT_EQ(c.selection(), 0);
  EXPECT_EQ(donnees(*d), (std::vector<std::int64_t>{0, 1, 2, 3, 4, 5}));

  // The initial code's item is selected and the list shows that code only;
  // a code the codification does not have selects all codes.
  struct Case {
    int code, item;
    std::vector<std::int64_t> lignes;
  } cases[] = {{7, 3, {2, 4}}, {100, 1, {1, 5}}, {55, 0, {0, 1, 2, 3, 4, 5}}, {-1, 0, {0, 1, 2, 3, 4, 5}}};
  for (const Case& k : cases) {
    auto e = ouvrir(31, k.code);
    EXPECT_EQ(combo(*e).selection(), k.item) << k.code;
    EXPECT_EQ(donnees(*e), k.lignes) << k.code;
  }
}

TEST_F(DialoguePoints, ListColumnsAndRows) {
  auto d = ouvrir();
  const auto& colonnes = liste(*d).columns();
  ASSERT_EQ(colonnes.size(), 6u);
  const char* titres[] = {"Ordre", "Num", "X", "Y", "Z", "Code"};
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(colonnes[i].header, titres[i]);
    EXPECT_EQ(colonnes[i].align, i == 0 ? Align::Left : Align::Right) << i;
    EXPECT_EQ(colonnes[i].width, i == 0 ? 10 : 18) << i;
  }
  EXPECT_TRUE(liste(*d).multiSelect());
  ASSERT_EQ(liste(*d).rowCount(), 6);
  EXPECT_EQ(liste(*d).row(0).cells, (std::vector<std::string>{"0", "A10", "10.000", "200.500", "12.250", "1"}));
  EXPECT_EQ(liste(*d).row(1).cells, (std::vector<std::string>{"1", "2", "10.000", "150.250", "", "100"}));
  EXPECT_EQ(liste(*d).row(5).cells,
            (std::vector<std::string>{"5", "A1", "1234567.891", "6543210.500", "100.000", "100"}));
}

TEST_F(DialoguePoints, ChangingTheCodeRefillsTheList) {
  auto d = ouvrir();
  struct Case {
    int item;
    std::vector<std::int64_t> lignes;
  } cases[] = {{2, {0, 3}}, {1, {1, 5}}, {4, {}}, {0, {0, 1, 2, 3, 4, 5}}};
  for (const Case& k : cases) {
    ASSERT_EQ(d->userPick(DlgPntsDuDessin::kComboCode, k.item), "");
    EXPECT_EQ(donnees(*d), k.lignes) << k.item;
    // Running numbers of the rows shown, not table positions.
    for (int r = 0; r < liste(*d).rowCount(); ++r) EXPECT_EQ(liste(*d).cell(r, 0), std::to_string(r));
  }
  ASSERT_EQ(d->userPick(DlgPntsDuDessin::kComboCode, 2), "");
  EXPECT_EQ(colonne(*d, 1), (std::vector<std::string>{"A10", "a2"}));
  EXPECT_EQ(d->codeFiltre(), 1);
}

// ------------------------------------------------------------ sorting

TEST_F(DialoguePoints, EachColumnSortsOnItsValues) {
  using Noms = std::vector<std::string>;
  struct Case {
    int colonne;
    Noms croissant;
  } cases[] = {
      {0, {"A10", "2", "B1", "a2", "1", "A1"}},
      {1, {"A1", "a2", "A10", "B1", "1", "2"}},
      // By value, not by the text shown: 10.0001 before 10.0004.
      {2, {"B1", "1", "2", "A10", "a2", "A1"}},
      {3, {"a2", "2", "A10", "1", "B1", "A1"}},
      // No altitude sorts as 1e38.
      {4, {"1", "B1", "A10", "a2", "A1", "2"}},
  };
  for (const Case& c : cases) {
    triPoints() = {};
    auto d = ouvrir();
    ASSERT_EQ(d->userHeaderClick(DlgPntsDuDessin::kListe, c.colonne), "");
    EXPECT_EQ(colonne(*d, 1), c.croissant) << "colonne " << c.colonne;
    ASSERT_EQ(d->userHeaderClick(DlgPntsDuDessin::kListe, c.colonne), "");
    EXPECT_EQ(colonne(*d, 1), Noms(c.croissant.rbegin(), c.croissant.rend())) << "colonne " << c.colonne;
  }
  // Codes as numbers: 7 before 100.
  triPoints() = {};
  auto d = ouvrir();
  d->userHeaderClick(DlgPntsDuDessin::kListe, 5);
  EXPECT_EQ(colonne(*d, 5), (Noms{"1", "1", "7", "7", "100", "100"}));
  d->userHeaderClick(DlgPntsDuDessin::kListe, 5);
  EXPECT_EQ(colonne(*d, 5), (Noms{"100", "100", "7", "7", "1", "1"}));
}

TEST_F(DialoguePoints, SortingKeepsTheRowsAndTheirNumbers) {
  auto d = ouvrir();
  d->userHeaderClick(DlgPntsDuDessin::kListe, 1);
  // Each row keeps its table index and its "Ordre" text.
  EXPECT_EQ(donnees(*d), (std::vector<std::int64_t>{5, 3, 0, 2, 4, 1}));
  EXPECT_EQ(colonne(*d, 0), (std::vector<std::string>{"5", "3", "0", "2", "4", "1"}));
  for (int r = 0; r < 6; ++r)
    EXPECT_EQ(liste(*d).cell(r, 1), host::toUtf8(kPoints[liste(*d).row(r).data].nom)) << r;

  // With a code filter, the rows shown are sorted among themselves.
  ASSERT_EQ(d->userPick(DlgPntsDuDessin::kComboCode, 2), "");  // code 1: A10, a2
  ASSERT_EQ(d->userHeaderClick(DlgPntsDuDessin::kListe, 3), "");
  EXPECT_EQ(donnees(*d), (std::vector<std::int64_t>{3, 0}));
  EXPECT_EQ(colonne(*d, 0), (std::vector<std::string>{"1", "0"}));
}

TEST_F(DialoguePoints, DirectionIsKeptAcrossColumnsAndDialogs) {
  using Noms = std::vector<std::string>;
  {
    auto d = ouvrir();
    d->userHeaderClick(DlgPntsDuDessin::kListe, 1);
    d->userHeaderClick(DlgPntsDuDessin::kListe, 1);
    EXPECT_EQ(colonne(*d, 1), (Noms{"2", "1", "B1", "A10", "a2", "A1"}));
    // Another column: the direction stays downwards.
    d->userHeaderClick(DlgPntsDuDessin::kListe, 5);
    EXPECT_EQ(colonne(*d, 5), (Noms{"100", "100", "7", "7", "1", "1"}));
  }
  EXPECT_EQ(triPoints().colonne, 5);
  EXPECT_FALSE(triPoints().croissant);
  {
    // The next dialog opens in table order but knows the last sort: the
    // same column reverses it.
    auto d = ouvrir();
    EXPECT_EQ(donnees(*d), (std::vector<std::int64_t>{0, 1, 2, 3, 4, 5}));
    d->userHeaderClick(DlgPntsDuDessin::kListe, 5);
    EXPECT_EQ(colonne(*d, 5), (Noms{"1", "1", "7", "7", "100", "100"}));
  }
  {
    auto d = ouvrir();
    d->userHeaderClick(DlgPntsDuDessin::kListe, 2);
    EXPECT_EQ(colonne(*d, 1), (Noms{"B1", "1", "2", "A10", "a2", "A1"}));
  }
}

// ------------------------------------------------------------ export

TEST_F(DialoguePoints, ExportReplacesTheFileWithTheSelectedRowsInDisplayOrder) {
  // The file dialog asks before replacing an existing file: yes replaces it
  // (appending would glue the first point to a last record without line
  // end, as a file saved by COORDSXYZ has).
  const std::string chemin = nouveauChemin("selection.xyz");
  std::ofstream(chemin, std::ios::binary) << "ancien 1 2 3";
  auto d = ouvrir();
  d->userHeaderClick(DlgPntsDuDessin::kListe, 1);  // 5 3 0 2 4 1
  ASSERT_EQ(d->userSelect(DlgPntsDuDessin::kListe, {4, 0, 3}), "");
  exporter(*d, chemin);
  std::string attendu = std::string(kLignes[5]) + kLignes[2] + kLignes[4];
  EXPECT_EQ(lire(chemin), attendu);

  // No selection: every row, still in display order, replacing the above.
  ASSERT_EQ(d->userSelect(DlgPntsDuDessin::kListe, {}), "");
  exporter(*d, chemin);
  attendu.clear();
  for (int i : {5, 3, 0, 2, 4, 1}) attendu += kLignes[i];
  EXPECT_EQ(lire(chemin), attendu);

  // A filter with no point exports nothing (the file is only created).
  const std::string vide = nouveauChemin("vide.txt");
  ASSERT_EQ(d->userPick(DlgPntsDuDessin::kComboCode, 4), "");
  exporter(*d, vide);
  EXPECT_TRUE(fs::exists(vide));
  EXPECT_EQ(lire(vide), "");

  // Cancelling the file dialog writes nothing.
  ASSERT_EQ(d->userPick(DlgPntsDuDessin::kComboCode, 0), "");
  Session s("\n");
  EXPECT_EQ(d->userPress(DlgPntsDuDessin::kExporter), "");
  EXPECT_EQ(lire(chemin), attendu);
  EXPECT_EQ(lire(vide), "");
}

TEST_F(DialoguePoints, DocumentKindFollowsTheExtension) {
  enum Genre { Texte, Html, Word };
  struct Case {
    const char* nom;
    Genre genre;
  } cases[] = {{"points.HTML", Html}, {"points.htm", Html}, {"points.DOC", Word}, {"points.doc.txt", Texte}};
  const std::string cellule = "<td class=celnorm align=right>";
  auto ligne = [&](const char* nom, const char* x, const char* y, const char* z, const char* code) {
    return std::string("<tr ><td class=celnorm align='left'>") + nom + "</td>" + cellule + x + "</td>" + cellule + y +
           "</td>" + cellule + z + "</td>" + cellule + code + "</td></tr>";
  };
  const std::string tableau =
      "<table align=\"center\" style=\"margin-left:auto;margin-right:auto\" border=\"0\" cellpadding=\"9\" "
      "cellspacing =\"0\">\n"
      "<tr ><td CLASS=celgris>N\xB0</td><td CLASS=celgris>X (m)</td><td CLASS=celgris>Y (m)</td>"
      "<td CLASS=celgris>Z (m)</td><td CLASS=celgris>Code</td></tr>" +
      ligne("2", "10.0001", "150.2500", "&nbsp", "100") +
      ligne("A1", "1234567.8910", "6543210.5000", "100.0000", "100") + "</table>";

  for (const Case& c : cases) {
    auto d = ouvrir(17, 100);  // rows 1 ("2", no altitude) and 5 ("A1")
    const std::string chemin = nouveauChemin(c.nom);
    exporter(*d, chemin);
    const std::string texte = lire(chemin);
    if (c.genre == Texte) {
      EXPECT_EQ(texte, std::string(kLignes[1]) + kLignes[5]) << c.nom;
      continue;
    }
    if (c.genre == Word) {
      // A Word document is Rich Text: the same table, cell by cell.
      EXPECT_EQ(texte.rfind("{\\rtf1\\ansi\\ansicpg1252", 0), 0u) << c.nom;
      std::size_t apres = 0;
      for (const char* cellule : {" N\\'b0}", " X (m)}", " Code}", " 2}", " 10.0001}", " 150.2500}", " \\~}", " 100}",
                                  " A1}", " 1234567.8910}", " 6543210.5000}", " 100.0000}", " 100}"}) {
        const std::size_t ici = texte.find(std::string(cellule) + "\\cell", apres);
        EXPECT_NE(ici, std::string::npos) << c.nom << ": " << cellule;
        if (ici != std::string::npos) apres = ici;
      }
      continue;
    }
    EXPECT_EQ(texte.rfind("<html>\n", 0), 0u) << c.nom;
    EXPECT_FALSE(contains(texte, "WordDocument")) << c.nom;
    EXPECT_TRUE(contains(texte, ".celgris{")) << c.nom;  // the standard style sheet
    // The body holds the table and nothing else.
    const std::size_t corps = texte.find("<body ");
    ASSERT_NE(corps, std::string::npos) << c.nom;
    const std::size_t debut = texte.find(">\n\n", corps);
    ASSERT_NE(debut, std::string::npos) << c.nom;
    EXPECT_EQ(texte.substr(debut + 3), tableau + "\n\n</body>\n</html>\n") << c.nom;
  }
}

TEST_F(DialoguePoints, NamesAreEightBitAndLongNumbersWholeInTheFiles) {
  listePointsDuDessin t;
  pointDuDessin p;
  p.setParams(L"\u00c9glise", {1, 2, 3}, 12345);
  t.Ajouter(p);
  // Coordinates written with hundreds of digits each.
  p.setParams(L"LOIN", {-1e200, 1e200, 1e200}, 1);
  t.Ajouter(p);
  Session s("");
  const std::string texte = nouveauChemin("accents.xyz"), document = nouveauChemin("accents.htm");
  ASSERT_TRUE(exporterPoints(t, {0, 1}, texte));
  ASSERT_TRUE(exporterPoints(t, {0}, document));
  const std::string lignes = lire(texte);
  const std::string premiere = "    \xC9glise\t         1.0000\t         2.0000\t         3.0000\t12345\r\n";
  ASSERT_EQ(lignes.substr(0, premiere.size()), premiere);
  char loin[2048];
  std::snprintf(loin, sizeof loin, "      LOIN\t%.4f\t%.4f\t%.4f\t    1\r\n", -1e200, 1e200, 1e200);
  EXPECT_EQ(lignes.substr(premiere.size()), loin);
  EXPECT_TRUE(contains(lire(document), "<td class=celnorm align='left'>\xC9glise</td>"));
  EXPECT_EQ(s.out(), "");
}

TEST_F(DialoguePoints, ExportToAFileThatCannotBeOpenedWritesNothing) {
  // The file dialog accepts a link into a missing folder; opening it fails.
  for (const char* nom : {"lien.xyz", "lien.html", "lien.doc"}) {
    const std::string lien = nouveauChemin(nom);
    const fs::path cible = dossier() / "absent" / nom;
    fs::create_symlink(cible, lien);
    auto d = ouvrir();
    const std::string sortie = exporter(*d, lien);
    EXPECT_TRUE(contains(sortie, "Impossible d'écrire le fichier [" + lien + "]")) << sortie;
    EXPECT_FALSE(fs::exists(cible)) << nom;
    EXPECT_FALSE(fs::exists(dossier() / "absent")) << nom;
    EXPECT_FALSE(d->ended());
    fs::remove(lien);
  }
}

// ------------------------------------------------------------ the drawing

TEST_F(DialoguePoints, PlacerCreatesTheBlocksOfTheCodeShown) {
  EXPECT_FALSE(db_.symbolId("LAYER", "NEUF").isValid());
  auto d = ouvrir(12, 7);
  ASSERT_EQ(d->userPress(DlgPntsDuDessin::kPlacer), "");
  for (int i = 0; i < table_->nbPoint(); ++i)
    EXPECT_EQ(table_->getData(i)->getId().isValid(), kPoints[i].code == 7) << i;
  // The layers of every code, even one without points.
  EXPECT_TRUE(db_.symbolId("LAYER", "NEUF").isValid());
  EXPECT_EQ(donnees(*d), (std::vector<std::int64_t>{2, 4}));

  // All codes: every point gets its block.
  ASSERT_EQ(d->userPick(DlgPntsDuDessin::kComboCode, 0), "");
  ASSERT_EQ(d->userPress(DlgPntsDuDessin::kPlacer), "");
  for (int i = 0; i < table_->nbPoint(); ++i) EXPECT_TRUE(table_->getData(i)->getId().isValid()) << i;
}

TEST_F(DialoguePoints, RaffraichirReadsTheTableFromTheDrawing) {
  for (const Pt& p : {Pt{L"R1", 1, 2, 3, 7}, Pt{L"R2", 4, 5, kIndefini, 1}}) point(p).creer(true, nullptr);
  auto d = ouvrir(16, 7);
  EXPECT_EQ(donnees(*d), (std::vector<std::int64_t>{2, 4}));
  ASSERT_EQ(d->userPress(DlgPntsDuDessin::kRaffraichir), "");
  // The two point blocks of the drawing, and the six points of the table
  // that were never placed (no block to read them back from): kept, not
  // lost with the refresh.
  ASSERT_EQ(table_->nbPoint(), 8);
  int r1 = -1;
  ASSERT_TRUE(table_->existPoint(L"R1", r1));
  EXPECT_EQ(r1, 0);
  for (const Pt& p : kPoints) {
    int pos = -1;
    EXPECT_TRUE(table_->existPoint(p.nom, pos)) << host::toUtf8(p.nom);
  }
  // Refilled with the code still selected.
  EXPECT_EQ(donnees(*d), (std::vector<std::int64_t>{0, 4, 6}));
  EXPECT_EQ(liste(*d).row(0).cells, (std::vector<std::string>{"0", "R1", "1.000", "2.000", "3.000", "7"}));
}

TEST_F(DialoguePoints, TableXYZDrawsTheSelectedRowsInDisplayOrder) {
  auto d = ouvrir(18);
  d->userHeaderClick(DlgPntsDuDessin::kListe, 1);  // A1 a2 A10 B1 1 2
  ASSERT_EQ(d->userSelect(DlgPntsDuDessin::kListe, {2, 0}), "");
  {
    Session s("ok\n0,0\n");
    ASSERT_EQ(d->userPress(DlgPntsDuDessin::kTableXYZ), "");
    EXPECT_EQ(s.rest(), "");
  }
  EXPECT_FALSE(d->hidden());
  // The names drawn, among the texts of the table (names of one point only:
  // "1" and "2" are codes and digits as well).
  std::vector<std::wstring> noms;
  ZcDbObjectPointer<ZcDbBlockTableRecord> espace(db_.modelSpaceId(), ZcDb::kForRead);
  for (const ZcDbObjectId& id : espace->entityIds()) {
    ZcDbObjectPointer<ZcDbEntity> e(id, ZcDb::kForRead);
    if (auto* t = ZcDbText::cast(e.object()))
      for (const wchar_t* nom : {L"A1", L"a2", L"A10", L"B1"})
        if (t->textString() == nom) noms.push_back(nom);
  }
  EXPECT_EQ(noms, (std::vector<std::wstring>{L"A1", L"A10"}));
}

// ------------------------------------------------------------ closing, import

TEST_F(DialoguePoints, FermerGivesTheFirstSelectedPoint) {
  {
    auto d = ouvrir(0);
    d->userHeaderClick(DlgPntsDuDessin::kListe, 1);  // 5 3 0 2 4 1
    ASSERT_EQ(d->userSelect(DlgPntsDuDessin::kListe, {3, 1}), "");
    ASSERT_EQ(d->userPress(host::ui::IDOK), "");
    EXPECT_EQ(d->result(), host::ui::IDOK);
    EXPECT_EQ(d->pointChoisi, 3);
  }
  {
    auto d = ouvrir(0);
    d->pointChoisi = 4;
    ASSERT_EQ(d->userOk(), "");
    EXPECT_EQ(d->pointChoisi, -1);  // no row selected
  }
  {
    auto d = ouvrir(0);
    d->pointChoisi = 4;
    ASSERT_EQ(d->userSelect(DlgPntsDuDessin::kListe, {2}), "");
    ASSERT_EQ(d->userCancel(), "");
    EXPECT_EQ(d->result(), host::ui::IDCANCEL);
    EXPECT_EQ(d->pointChoisi, -1);
  }
}

TEST_F(DialoguePoints, ImporterAddsTheSelectedEntitiesAndKeepsTheFilter) {
  ZcDbDatabase dessin(true);
  geltaro::testing::DessinCourant courant(dessin, projet_);
  {
    ZcDbObjectPointer<ZcDbBlockTableRecord> ms(dessin.modelSpaceId(), ZcDb::kForWrite);
    auto p = std::make_unique<ZcDbPoint>(ZcGePoint3d(500, 600, 7.5));
    ms->appendZcDbEntity(p.get());
  }
  auto d = ouvrir(12, 7);
  {
    // "Importation" cancelled: nothing is asked or added.
    Session s("cancel\n");
    ASSERT_EQ(d->userPress(DlgPntsDuDessin::kImporter), "");
    EXPECT_FALSE(contains(s.out(), "Selectionnez :")) << s.out();
    EXPECT_EQ(table_->nbPoint(), 6);
  }
  {
    Session s("ok\nall\n");
    ASSERT_EQ(d->userPress(DlgPntsDuDessin::kImporter), "");
    EXPECT_TRUE(contains(s.out(), "=== Importation ===")) << s.out();
    EXPECT_TRUE(contains(s.out(), "Selectionnez :")) << s.out();
  }
  EXPECT_FALSE(d->ended());
  ASSERT_EQ(table_->nbPoint(), 7);
  // The filter stays on the same position (code 7), and the list is that
  // of the table after the import (sorted by the duplicate removal).
  EXPECT_EQ(combo(*d).selection(), 3);
  std::vector<std::int64_t> regards;
  for (int i = 0; i < table_->nbPoint(); ++i)
    if (table_->getData(i)->getCode() == 7) regards.push_back(i);
  EXPECT_EQ(donnees(*d), regards);
  int pos;
  ASSERT_TRUE(table_->existPoint(L"3", pos));
  EXPECT_EQ(table_->getData(pos)->getCode(), 9997);
}

// ------------------------------------------------------------ commands

TEST_F(DialoguePoints, CommandsOpenTheCurrentTableInTheirMode) {
  projet_.creerTablePoints(L"AUTRE");
  pointDuDessin q;
  q.setParams(L"Q7", {7, 8, 9}, 1);
  projet_.getTable(1)->Ajouter(q);
  projet_.courant = 1;
  const int boutons[] = {DlgPntsDuDessin::kExporter, DlgPntsDuDessin::kTableXYZ, DlgPntsDuDessin::kPlacer,
                         DlgPntsDuDessin::kImporter, DlgPntsDuDessin::kRaffraichir};
  struct Case {
    const char* nom;
    std::function<void()> commande;
    std::vector<int> visibles;
  } cases[] = {
      {"IMPORTPOINTS", commandeImportPoints, {DlgPntsDuDessin::kPlacer, DlgPntsDuDessin::kImporter}},
      {"EXPORTPOINTS", commandeExportPoints, {DlgPntsDuDessin::kExporter, DlgPntsDuDessin::kRaffraichir}},
      {"MAJPOINTS", commandeMajPoints, {DlgPntsDuDessin::kRaffraichir}},
      {"TABLEXYZ", commandeTableXYZ, {DlgPntsDuDessin::kTableXYZ, DlgPntsDuDessin::kRaffraichir}},
  };
  for (const Case& c : cases) {
    Session s("ok\n");
    c.commande();
    const std::string sortie = s.out();
    EXPECT_TRUE(contains(sortie, "=== Points du dessin ===")) << c.nom;
    for (int id : boutons) {
      const bool attendu = std::find(c.visibles.begin(), c.visibles.end(), id) != c.visibles.end();
      EXPECT_EQ(contains(sortie, "[" + std::to_string(id) + "] button"), attendu) << c.nom << ", bouton " << id;
    }
    EXPECT_TRUE(contains(sortie, "*** TOUS LES CODES ***")) << c.nom;
    EXPECT_TRUE(contains(sortie, " Q7 |")) << c.nom << sortie;
    EXPECT_FALSE(contains(sortie, "A10")) << c.nom;
    EXPECT_EQ(s.rest(), "") << c.nom;
  }
}

TEST_F(DialoguePoints, ExportPointsAtTheConsole) {
  // The default extension completes a name given without one.
  const std::string chemin = nouveauChemin("console");
  const std::string fichier = nouveauChemin("console.XYZ");
  Session s("header 269 1\nselect 269 1 0\npress Exporter\n" + chemin + "\nok\n");
  commandeExportPoints();
  EXPECT_EQ(s.rest(), "");
  EXPECT_EQ(lire(fichier), std::string(kLignes[5]) + kLignes[3]);
  EXPECT_FALSE(fs::exists(chemin));
}

}  // namespace
