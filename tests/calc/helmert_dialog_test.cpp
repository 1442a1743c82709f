// The Helmert dialog: pairs typed at the prompts or taken from two
// polylines, the list and the result fields, removing pairs, the refusals,
// the report's markup, the matrix and the transformation of entities.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "calc/helmert_dialog.hpp"
#include "frame/config.hpp"
#include "host/db/entities.hpp"
#include "host/dxf/dxf.hpp"
#include "host/ed/editor.hpp"
#include "host/ui/session.hpp"
#include "support/temp_folder.hpp"

namespace fs = std::filesystem;
using host::ui::Edit;
using host::ui::ListView;
using host::ui::testing::contains;
using host::ui::testing::Session;

namespace {

// The settings are read once per process from "config.ini" in the current
// folder: this program's file asks 5 decimals for X and 2 for Y, and is read
// before any dialog is made.
void reglagesDeTest() {
  static const bool lus = [] {
    const fs::path dossier = geltaro::testing::dossierDeTest("geltaro-helmert-dialog");
    std::ofstream(dossier / "config.ini") << "[VREL]\ngPrecisionCoordonneesX=5\ngPrecisionCoordonneesY=2\n";
    const fs::path avant = fs::current_path();
    fs::current_path(dossier);
    reglagesVrel();
    fs::current_path(avant);
    return true;
  }();
  (void)lus;
}

constexpr const char* kInsuffisant = "[Erreur de données] (attention) Nombre insuffisant de points de calage";

std::string diese(ZcDbObjectId id) {
  char texte[40];
  std::snprintf(texte, sizeof texte, "#%llX", static_cast<unsigned long long>(id.handle().value()));
  return texte;
}

// Typed pairs "x,y" then "X,Y", one per line, ended by Enter.
std::string saisie(const std::vector<std::pair<pointCalage, pointCalage>>& paires) {
  std::string s;
  for (const auto& [d, f] : paires) {
    char ligne[200];
    std::snprintf(ligne, sizeof ligne, "%.17g,%.17g\n%.17g,%.17g\n", d.x, d.y, f.x, f.y);
    s += ligne;
  }
  return s + "\n";
}

class DialogueHelmert : public testing::Test {
 protected:
  void SetUp() override {
    reglagesDeTest();
    precedent_ = zcdbCurDwg();
    zcdbSetCurDwg(&db_);
    d_.init();
  }
  void TearDown() override { zcdbSetCurDwg(precedent_); }

  ZcDbObjectId ajouter(ZcDbEntity* e) {
    ZcDbObjectPointer<ZcDbBlockTableRecord> espace(db_.modelSpaceId(), ZcDb::kForWrite);
    ZcDbObjectId id;
    EXPECT_EQ(espace->appendZcDbEntity(id, e), Zcad::eOk);
    return id;
  }
  ZcDbObjectId polyligne(const std::vector<ZcGePoint2d>& sommets) {
    auto p = std::make_unique<ZcDbPolyline>();
    for (const ZcGePoint2d& s : sommets) p->addVertexAt(p->numVerts(), s);
    return ajouter(p.get());
  }

  std::string champ(int id) const { return d_.get<Edit>(id).text(); }
  const ListView& liste() const { return d_.get<ListView>(CHelmertDLG::kListe); }
  void taper(const std::vector<std::pair<pointCalage, pointCalage>>& paires) {
    Session s(saisie(paires));
    EXPECT_EQ(d_.userPress(CHelmertDLG::kAjouterPoints), "");
    EXPECT_EQ(s.rest(), "");
  }

  ZcDbDatabase db_{true};
  ZcDbDatabase* precedent_ = nullptr;
  CHelmertDLG d_;
};

const int kChamps[] = {CHelmertDLG::kDeplX, CHelmertDLG::kDeplY, CHelmertDLG::kA,  CHelmertDLG::kB,
                       CHelmertDLG::kRotation, CHelmertDLG::kEchelle, CHelmertDLG::kEmq};

// ------------------------------------------------------------ opening

TEST_F(DialogueHelmert, Ouverture) {
  EXPECT_EQ(d_.title(), "Transformation d'helmert");
  const auto& colonnes = liste().columns();
  ASSERT_EQ(colonnes.size(), 5u);
  const char* titres[] = {"Numero", "X", "Y", "X Rattaché ", "Y Rattaché"};
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(colonnes[i].header, titres[i]);
    EXPECT_EQ(colonnes[i].width, 40);  // a fifth of the default 200
    EXPECT_EQ(colonnes[i].align, host::ui::Align::Center);
  }
  EXPECT_EQ(liste().rowCount(), 0);
  const std::pair<int, const char*> libelles[] = {
      {CHelmertDLG::kDeplX, "Depl.X"}, {CHelmertDLG::kDeplY, "Depll. Y"}, {CHelmertDLG::kA, "A"},
      {CHelmertDLG::kB, "B"}, {CHelmertDLG::kRotation, "Rotation (gr)"}, {CHelmertDLG::kEchelle, "Fact.Echelle"},
      {CHelmertDLG::kEmq, "E.M.Q"}};
  for (auto [id, libelle] : libelles) {
    EXPECT_EQ(d_.get<Edit>(id).caption(), libelle);
    EXPECT_TRUE(d_.get<Edit>(id).readOnly());
    EXPECT_EQ(champ(id), "");
  }
  for (const char* bouton : {"Ajouter polyline", "Ajouter points", "Supprimer", "Tout effacer",
                             "Calculer et afficher les résultats", "Appliquer à une SELECTION", "Fermer"})
    EXPECT_EQ(d_.findByCaption(bouton).size(), 1u) << bouton;
}

// ------------------------------------------------------------ typed pairs

TEST_F(DialogueHelmert, PointsTapesTranslation) {
  taper({{{0, 0}, {100.5, 200}}, {{10, 0}, {110.5, 200}}});
  // Two pairs: listed, no result yet.
  ASSERT_EQ(liste().rowCount(), 2);
  EXPECT_EQ(liste().row(1).cells, (std::vector<std::string>{"2", "10.00000", "0.00", "110.50000", "200.00"}));
  for (int id : kChamps) EXPECT_EQ(champ(id), "") << id;

  taper({{{0, 10}, {100.5, 210}}});
  ASSERT_EQ(liste().rowCount(), 3);
  const std::pair<int, const char*> attendus[] = {
      {CHelmertDLG::kDeplX, "100.5000"}, {CHelmertDLG::kDeplY, "200.0000"}, {CHelmertDLG::kA, "1.0000"},
      {CHelmertDLG::kB, "0.0000"},        {CHelmertDLG::kRotation, "0.0000"}, {CHelmertDLG::kEchelle, "1.0000"},
      {CHelmertDLG::kEmq, "0.0000"}};
  for (auto [id, texte] : attendus) EXPECT_EQ(champ(id), texte) << id;
}

TEST_F(DialogueHelmert, RotationDe100GradesHoraires) {
  // A quarter turn clockwise about the centroid (10, 10), scale 2.
  taper({{{0, 0}, {-10, 30}}, {{30, 0}, {-10, -30}}, {{0, 30}, {50, 30}}});
  EXPECT_EQ(champ(CHelmertDLG::kRotation), "100.0000");
  EXPECT_EQ(champ(CHelmertDLG::kEchelle), "2.0000");
  EXPECT_EQ(champ(CHelmertDLG::kB), "2.0000");
  EXPECT_EQ(champ(CHelmertDLG::kA), "0.0000");
}

TEST_F(DialogueHelmert, FinDeSaisie) {
  struct Cas {
    const char* nom;
    std::string script;
    int paires;
  } cas[] = {
      {"Entree au premier point", "1,2\n3,4\n\n", 1},
      {"Entree au second point: la paire entamee est perdue", "1,2\n3,4\n5,6\n\n", 1},
      {"mot-cle Select", "1,2\n3,4\nS\n", 1},
      {"Echap", "1,2\n3,4\n5,6\n^C\n", 1},
      {"fin du script", "1,2\n3,4\n5,6\n", 1},
      {"rien", "\n", 0},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    d_.userPress(CHelmertDLG::kToutEffacer);
    Session s(c.script);
    EXPECT_EQ(d_.userPress(CHelmertDLG::kAjouterPoints), "");
    EXPECT_EQ(int(d_.depart().size()), c.paires);
    EXPECT_TRUE(contains(s.out(), "Selectionnez le point de depart [Coords]")) << s.out();
  }
  // The prompts print as given, in turn.
  d_.userPress(CHelmertDLG::kToutEffacer);
  Session s("1,2\n3,4\n\n");
  d_.userPress(CHelmertDLG::kAjouterPoints);
  const std::string sortie = s.out();
  EXPECT_LT(sortie.find("Selectionnez le point de depart [Coords]"),
            sortie.find("Selectionnez le point de Final [Coords]"));
  ASSERT_EQ(d_.depart().size(), 1u);
  EXPECT_EQ(d_.final()[0].x, 3);
  EXPECT_EQ(d_.final()[0].y, 4);
}

// ------------------------------------------------------------ polylines

TEST_F(DialogueHelmert, DeuxPolylignesDeQuatreSommets) {
  const ZcDbObjectId a = polyligne({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
  const ZcDbObjectId b = polyligne({{100, 100}, {110, 100}, {110, 110}, {100, 110}});
  Session s(diese(a) + "\n" + diese(b) + "\n");
  EXPECT_EQ(d_.userPress(CHelmertDLG::kAjouterPolyline), "");
  EXPECT_EQ(s.rest(), "");
  EXPECT_TRUE(contains(s.out(), "Selectionnez la polyline de départ ")) << s.out();
  EXPECT_TRUE(contains(s.out(), "Selectionnez la polyline transformee ")) << s.out();
  ASSERT_EQ(liste().rowCount(), 4);
  EXPECT_EQ(liste().row(2).cells, (std::vector<std::string>{"3", "10.00000", "10.00", "110.00000", "110.00"}));
  EXPECT_EQ(champ(CHelmertDLG::kDeplX), "100.0000");
  EXPECT_EQ(champ(CHelmertDLG::kEchelle), "1.0000");
}

TEST_F(DialogueHelmert, PolylignesRefusees) {
  const ZcDbObjectId quatre = polyligne({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
  const ZcDbObjectId trois = polyligne({{0, 0}, {10, 0}, {10, 10}});
  auto ligne = std::make_unique<ZcDbLine>(ZcGePoint3d(0, 0, 0), ZcGePoint3d(5, 5, 0));
  const ZcDbObjectId l = ajouter(ligne.get());
  ligne.reset();
  struct Cas {
    const char* nom;
    std::string script;
    const char* alerte;
  } cas[] = {
      {"nombres de sommets differents", diese(quatre) + "\n" + diese(trois) + "\n",
       "[alerte] Erreur, les deux polylines n'ont pas le meme nombre de sommets !"},
      {"une ligne en premier", diese(l) + "\n", "[alerte] Selection invalide"},
      {"une ligne en second", diese(quatre) + "\n" + diese(l) + "\n", "[alerte] Selection invalide"},
      {"Echap", "^C\n", nullptr},
      {"rien de designe", "\n", nullptr},
  };
  taper({{{1, 1}, {2, 2}}});  // pairs already there stay
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    Session s(c.script);
    EXPECT_EQ(d_.userPress(CHelmertDLG::kAjouterPolyline), "");
    EXPECT_EQ(s.rest(), "");
    if (c.alerte) EXPECT_TRUE(contains(s.out(), c.alerte)) << s.out();
    else EXPECT_FALSE(contains(s.out(), "[alerte]")) << s.out();
    EXPECT_EQ(d_.depart().size(), 1u);
    EXPECT_EQ(liste().rowCount(), 1);
  }
}

// ------------------------------------------------------------ removing

TEST_F(DialogueHelmert, SupprimerEtToutEffacer) {
  taper({{{0, 0}, {5, 5}}, {{10, 0}, {15, 5}}, {{0, 10}, {5, 15}}, {{10, 10}, {15, 15}}});
  EXPECT_EQ(champ(CHelmertDLG::kDeplX), "5.0000");

  // No row selected: nothing changes.
  d_.userSelect(CHelmertDLG::kListe, {});
  d_.userPress(CHelmertDLG::kSupprimer);
  EXPECT_EQ(liste().rowCount(), 4);
  EXPECT_EQ(d_.depart().size(), 4u);

  // Rows 0 and 2 go; the others are numbered again, and two pairs leave no
  // result.
  d_.userSelect(CHelmertDLG::kListe, {0, 2});
  d_.userPress(CHelmertDLG::kSupprimer);
  ASSERT_EQ(liste().rowCount(), 2);
  EXPECT_EQ(liste().row(0).cells, (std::vector<std::string>{"1", "10.00000", "0.00", "15.00000", "5.00"}));
  EXPECT_EQ(liste().row(1).cells, (std::vector<std::string>{"2", "10.00000", "10.00", "15.00000", "15.00"}));
  for (int id : kChamps) EXPECT_EQ(champ(id), "") << id;

  // After sorting the list on a column, the selected row still names its pair.
  d_.userPress(CHelmertDLG::kToutEffacer);
  taper({{{3, 0}, {0, 0}}, {{1, 0}, {0, 0}}, {{2, 0}, {0, 0}}});
  d_.userHeaderClick(CHelmertDLG::kListe, 1);  // X upwards: 1, 2, 3
  ASSERT_EQ(liste().cell(0, 1), "1.00000");
  d_.userSelect(CHelmertDLG::kListe, {0});
  d_.userPress(CHelmertDLG::kSupprimer);
  ASSERT_EQ(d_.depart().size(), 2u);
  EXPECT_EQ(d_.depart()[0].x, 3);
  EXPECT_EQ(d_.depart()[1].x, 2);

  d_.userPress(CHelmertDLG::kToutEffacer);
  EXPECT_EQ(liste().rowCount(), 0);
  EXPECT_TRUE(d_.depart().empty() && d_.final().empty());
}

// ------------------------------------------------------------ refusals

TEST_F(DialogueHelmert, MoinsDeTroisPairesRefusees) {
  for (int paires : {0, 1, 2}) {
    SCOPED_TRACE(paires);
    d_.userPress(CHelmertDLG::kToutEffacer);
    for (int i = 0; i < paires; ++i) d_.ajouterPaire({double(i), 0}, {double(i), 1});
    for (int bouton : {CHelmertDLG::kCalculer, CHelmertDLG::kAppliquer}) {
      Session s("all\n");
      EXPECT_EQ(d_.userPress(bouton), "");
      EXPECT_TRUE(contains(s.out(), kInsuffisant)) << s.out();
      EXPECT_FALSE(contains(s.out(), "Rapport"));
      EXPECT_FALSE(contains(s.out(), "Selectionnez Elements"));
      EXPECT_EQ(s.rest(), "all\n");  // no selection was asked
    }
  }
}

TEST_F(DialogueHelmert, PointsDeDepartConfondusRefuses) {
  auto ligne = std::make_unique<ZcDbLine>(ZcGePoint3d(0, 0, 0), ZcGePoint3d(5, 5, 0));
  const ZcDbObjectId l = ajouter(ligne.get());
  ligne.reset();
  for (int i = 0; i < 3; ++i) d_.ajouterPaire({0.1, 0.7}, {double(i), 2.0 * i});
  for (int id : kChamps) EXPECT_EQ(champ(id), "") << id;
  for (int bouton : {CHelmertDLG::kCalculer, CHelmertDLG::kAppliquer}) {
    Session s("all\n");
    EXPECT_EQ(d_.userPress(bouton), "");
    EXPECT_TRUE(contains(s.out(), "[Erreur de données] (attention) Calcul impossible : les points de départ sont "
                                  "tous confondus"))
        << s.out();
    EXPECT_FALSE(contains(s.out(), "Rapport"));
    EXPECT_EQ(s.rest(), "all\n");
  }
  ZcDbObjectPointer<ZcDbLine> lue(l, ZcDb::kForRead);
  EXPECT_EQ(lue->endPoint(), ZcGePoint3d(5, 5, 0));
}

TEST_F(DialogueHelmert, EchelleNulleNonAppliquee) {
  auto ligne = std::make_unique<ZcDbLine>(ZcGePoint3d(0, 0, 0), ZcGePoint3d(5, 5, 0));
  const ZcDbObjectId l = ajouter(ligne.get());
  ligne.reset();
  for (double x : {0.0, 10.0, 20.0}) d_.ajouterPaire({x, x * x}, {7, 8});
  EXPECT_EQ(champ(CHelmertDLG::kEchelle), "0.0000");  // a result, shown
  Session s("all\n");
  EXPECT_EQ(d_.userPress(CHelmertDLG::kAppliquer), "");
  EXPECT_TRUE(contains(s.out(), "(attention) Calcul impossible : facteur d'echelle nul")) << s.out();
  EXPECT_EQ(s.rest(), "all\n");
  ZcDbObjectPointer<ZcDbLine> lue(l, ZcDb::kForRead);
  EXPECT_EQ(lue->endPoint(), ZcGePoint3d(5, 5, 0));
}

// ------------------------------------------------------------ report

std::string td(const std::string& attributs, const std::string& texte) {
  return "<td " + attributs + ">" + texte + "</td>";
}
const std::string kTable =
    "<table align=\"center\" style=\"margin-left:auto;margin-right:auto\" border=\"0\" cellpadding=\"9\" "
    "cellspacing =\"0\">\n";
const std::string kN = "class=celnorm align=right";
const std::string kG = "CLASS=celgris";

TEST(RapportHelmert, Balisage) {
  const std::vector<pointCalage> depart = {{0, 0}, {10, 0}, {0, 10}};
  const std::vector<pointCalage> final = {{100, 200}, {110, 200}, {100.5, 210}};
  const resultatHelmert r = estimerHelmert(depart, final);
  ASSERT_TRUE(r.ok);
  htmlDocument document;
  rapportHelmert(document, depart, final, r);
  const auto& f = document.bodyFragments();
  ASSERT_EQ(f.size(), 16u);

  EXPECT_EQ(f[0], "<P CLASS=grand>Transformation d'helmert</P>");
  EXPECT_EQ(f[1], "<P CLASS=titre>Donn\xe9" "es</P>");
  EXPECT_EQ(f[2], kTable + "<tr >" + td(kG, "X Depart (m)") + td(kG, "Y Depart (m)") + td(kG, "X Final (m)") +
                      td(kG, "Y Final (m)") + "</tr><tr >" + td(kN, "0.000") + td(kN, "0.000") + td(kN, "100.000") +
                      td(kN, "200.000") + "</tr><tr >" + td(kN, "10.000") + td(kN, "0.000") + td(kN, "110.000") +
                      td(kN, "200.000") + "</tr><tr >" + td(kN, "0.000") + td(kN, "10.000") + td(kN, "100.500") +
                      td(kN, "210.000") + "</tr></table>");
  EXPECT_EQ(f[3], "<P CLASS=titre>Resultats</P>");
  const char* petits[] = {"Deplacement", "Echelle", "Rotation", "Transformation affine", "Resultats finaux",
                          "Erreurs"};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(f[4 + 2 * k], std::string("<P CLASS=petit>") + petits[k] + "</P>");

  // Values as the reports print them (no negative zero).
  auto n = [&](double v, int dec) { return texteNombre(v, dec); };
  // Every label is a grey header cell, with its unit.
  EXPECT_EQ(f[5], kTable + "<tr >" + td(kG, "Deplacement (m)") + td(kN, n(r.tx, 3)) + td(kN, n(r.ty, 3)) +
                      "</tr></table>");
  EXPECT_EQ(f[7], kTable + "<tr >" + td(kG, "Echelle") + td(kN, n(r.echelle, 3)) + "</tr></table>");
  EXPECT_EQ(f[9], kTable + "<tr >" + td(kG, "Rotation (gr)") + td(kN, n(r.rotationGrades(), 3)) + "</tr></table>");
  EXPECT_EQ(f[11], kTable + "<tr >" + td(kG, "Parametre A") + td(kN, n(r.a, 6)) + "</tr><tr >" +
                       td(kG, "Parametre B") + td(kN, n(r.b, 6)) + "</tr></table>");
  // The fit is not exact here. By hand: Σ(dx² + dy²) = 1200/9,
  // Σ(dx dX + dy dY) = 1185/9 and Σ(dy dX - dx dY) = 30/9.
  EXPECT_EQ(n(r.a, 6), "0.987500");
  EXPECT_EQ(n(r.b, 6), "0.025000");

  std::string finaux = kTable + "<tr >";
  for (const char* titre :
       {"X Final (m)", "Y Final (m)", "X Corrig\xe9 (m)", "Y Corrig\xe9 (m)", "DX (m)", "DY (m)", "Dist (m)"})
    finaux += td(kG, titre);
  finaux += "</tr>";
  double inf = 1e36, sup = -1e36, somme = 0, carres = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    const pointCalage& p = r.transformes[i];
    finaux += "<tr >" + td(kN, n(final[i].x, 3)) + td(kN, n(final[i].y, 3)) + td(kN, n(p.x, 3)) + td(kN, n(p.y, 3)) +
              td(kN, n(p.x - final[i].x, 3)) + td(kN, n(p.y - final[i].y, 3)) + td(kN, n(r.ecarts[i], 3)) + "</tr>";
    inf = std::min(inf, r.ecarts[i]);
    sup = std::max(sup, r.ecarts[i]);
    somme += r.ecarts[i];
    carres += r.ecarts[i] * r.ecarts[i];
  }
  EXPECT_EQ(f[13], finaux + "</table>");
  EXPECT_EQ(f[15], kTable + "<tr >" + td(kG, "Err Inf (m)") + td(kN, n(inf, 3)) + "</tr><tr >" +
                       td(kG, "Err Sup (m)") + td(kN, n(sup, 3)) + "</tr><tr >" + td(kG, "Err Moyenne (m)") +
                       td(kN, n(somme / 3, 3)) + "</tr><tr >" + td(kG, "Err moy quad (m)") +
                       td(kN, n(std::sqrt(carres / 2), 3)) +
                       "</tr></table>");
  EXPECT_GT(sup, inf);
}

TEST_F(DialogueHelmert, CalculerMontreLeRapport) {
  taper({{{0, 0}, {-10, 30}}, {{30, 0}, {-10, -30}}, {{0, 30}, {50, 30}}});
  Session s("cancel\n");
  EXPECT_EQ(d_.userPress(CHelmertDLG::kCalculer), "");
  EXPECT_EQ(s.rest(), "");
  const std::string sortie = s.out();
  const auto debut = sortie.find("Rapport : ");
  ASSERT_NE(debut, std::string::npos) << sortie;
  const std::string chemin = sortie.substr(debut + 10, sortie.find('\n', debut) - debut - 10);
  std::ifstream in(chemin, std::ios::binary);
  const std::string html((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_TRUE(contains(html, ".celgris{")) << html;  // the standard style sheet
  EXPECT_TRUE(contains(html, "<P CLASS=grand>Transformation d'helmert</P>"));
  EXPECT_TRUE(contains(html, td(kG, "Rotation (gr)") + td(kN, "100.000")));
  EXPECT_TRUE(contains(html, td(kG, "Parametre B") + td(kN, "2.000000")));
  std::error_code ec;
  fs::remove(chemin, ec);
}

// ------------------------------------------------------------ applying

TEST(MatriceHelmert, EnvoieLesPointsCommeLEstimation) {
  const std::vector<std::vector<pointCalage>> sources = {
      {{121.622, -128.066}, {141.228, 187.718}, {175.802, 135.728}},
      {{0, 0}, {30, 0}, {0, 30}},
  };
  const std::vector<std::vector<pointCalage>> cibles = {
      {{1049422.40, 51089.20}, {1049413.95, 49659.30}, {1049244.95, 49884.95}},
      {{-10, 30}, {-10, -30}, {50, 30}},
  };
  for (std::size_t k = 0; k < sources.size(); ++k) {
    const resultatHelmert r = estimerHelmert(sources[k], cibles[k]);
    ASSERT_TRUE(r.ok);
    const ZcGeMatrix3d m = matriceHelmert(r);
    for (std::size_t i = 0; i < sources[k].size(); ++i) {
      const ZcGePoint3d p = m * ZcGePoint3d(sources[k][i].x, sources[k][i].y, 0);
      EXPECT_NEAR(p.x, r.transformes[i].x, 1e-6) << k << " " << i;
      EXPECT_NEAR(p.y, r.transformes[i].y, 1e-6) << k << " " << i;
      EXPECT_NEAR(p.z, 0, 1e-9);
    }
    EXPECT_NEAR(m.scale(), r.echelle, 1e-9);
  }
}

TEST(AppliquerHelmert, EntitesDeplaceesEtEchecsComptes) {
  reglagesDeTest();
  // A hatch is a kind the host cannot transform: it must stay as it was and
  // be counted.
  const std::string dxf =
      "  0\nSECTION\n  2\nENTITIES\n"
      "  0\nHATCH\n  5\n52\n100\nAcDbEntity\n  8\n0\n100\nAcDbHatch\n 10\n0.0\n 20\n0.0\n 30\n0.0\n"
      "  0\nENDSEC\n  0\nEOF\n";
  ZcDbDatabase db(false);
  std::string erreur;
  ASSERT_TRUE(host::dxf::readDxf(db, dxf, "h.dxf", erreur)) << erreur;
  ZcDbDatabase* precedent = zcdbCurDwg();
  zcdbSetCurDwg(&db);

  ZcDbObjectId ligne, cercle, poly, texte;
  {
    ZcDbObjectPointer<ZcDbBlockTableRecord> espace(db.modelSpaceId(), ZcDb::kForWrite);
    auto l = std::make_unique<ZcDbLine>(ZcGePoint3d(0, 0, 0), ZcGePoint3d(30, 0, 0));
    espace->appendZcDbEntity(ligne, l.get());
    auto c = std::make_unique<ZcDbCircle>(ZcGePoint3d(10, 10, 0), 5);
    espace->appendZcDbEntity(cercle, c.get());
    auto p = std::make_unique<ZcDbPolyline>();
    p->addVertexAt(0, ZcGePoint2d(0, 30));
    p->addVertexAt(1, ZcGePoint2d(30, 0));
    espace->appendZcDbEntity(poly, p.get());
    auto t = std::make_unique<ZcDbText>(ZcGePoint3d(5, 5, 0), L"Borne", ZcDbObjectId(), 2.0, 0.0);
    espace->appendZcDbEntity(texte, t.get());
  }

  CHelmertDLG d;
  d.init();
  // A quarter turn clockwise about (10, 10) with the scale doubled.
  for (auto [s, f] : {std::pair<pointCalage, pointCalage>{{0, 0}, {-10, 30}},
                      {{30, 0}, {-10, -30}}, {{0, 30}, {50, 30}}})
    d.ajouterPaire(s, f);
  const resultatHelmert r = estimerHelmert(d.depart(), d.final());
  auto image = [&](double x, double y) {
    const pointCalage p = r.transformer({x, y});
    return ZcGePoint3d(p.x, p.y, 0);
  };
  {
    Session s("all\n");
    EXPECT_EQ(d.userPress(CHelmertDLG::kAppliquer), "");
    EXPECT_EQ(s.rest(), "");
    const std::string sortie = s.out();
    EXPECT_TRUE(contains(sortie, "Selectionnez Elements pour lesquels vous voulez appliquer la transformation :"))
        << sortie;
    EXPECT_TRUE(contains(sortie, "1 objet(s) n'ont pas pu être transformé(s)")) << sortie;
    EXPECT_TRUE(contains(sortie, "[alerte] Transformation terminee")) << sortie;
  }
  const ZcGeTol tol;
  {
    ZcDbObjectPointer<ZcDbLine> l(ligne, ZcDb::kForRead);
    EXPECT_TRUE(l->startPoint().isEqualTo(image(0, 0), tol));
    EXPECT_TRUE(l->endPoint().isEqualTo(image(30, 0), tol));
    ZcDbObjectPointer<ZcDbCircle> c(cercle, ZcDb::kForRead);
    EXPECT_TRUE(c->center().isEqualTo(image(10, 10), tol));
    EXPECT_NEAR(c->radius(), 10, 1e-9);
    ZcDbObjectPointer<ZcDbPolyline> p(poly, ZcDb::kForRead);
    ZcGePoint3d v;
    p->getPointAt(1, v);
    EXPECT_TRUE(v.isEqualTo(image(30, 0), tol));
    ZcDbObjectPointer<ZcDbText> t(texte, ZcDb::kForRead);
    EXPECT_TRUE(t->position().isEqualTo(image(5, 5), tol));
    EXPECT_NEAR(t->height(), 4, 1e-9);
    // Clockwise by a quarter turn: the text now reads downwards.
    EXPECT_NEAR(std::remainder(t->rotation() + std::acos(-1.0) / 2, 2 * std::acos(-1.0)), 0, 1e-9);
  }

  // A cancelled selection changes nothing and says nothing.
  {
    Session s("^C\n");
    EXPECT_EQ(d.userPress(CHelmertDLG::kAppliquer), "");
    EXPECT_FALSE(contains(s.out(), "Transformation terminee")) << s.out();
    ZcDbObjectPointer<ZcDbLine> l(ligne, ZcDb::kForRead);
    EXPECT_TRUE(l->startPoint().isEqualTo(image(0, 0), tol));
  }
  zcdbSetCurDwg(precedent);
}

}  // namespace
