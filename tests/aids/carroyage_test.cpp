// The survey grid: crosses at the nodes inside a region, ticks and labels
// at the ends of every grid line, regions refused for too many nodes, the
// drawing with its group, and the dialog.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "aids/carroyage.hpp"
#include "aids/carroyage_dialog.hpp"
#include "host/app/console_io.hpp"
#include "host/db/entities.hpp"
#include "host/db/objects.hpp"
#include "host/ed/editor.hpp"
#include "host/geom/point.hpp"
#include "host/ui/session.hpp"

namespace {

using geltaro::geom::kHalfPi;

Path polygone(std::vector<PathVertex> sommets, bool ferme = true) { return Path::polyline(std::move(sommets), ferme); }

// The nodes that got a cross (the centre of each horizontal arm).
std::set<std::pair<long, long>> croix(const elementsCarroyage& e, double taille) {
  std::set<std::pair<long, long>> out;
  for (const auto& l : e.lignes)
    if (l.debut.y == l.fin.y && std::abs(l.fin.x - l.debut.x - taille) < 1e-9)
      out.insert({std::lround((l.debut.x + l.fin.x) / 2), std::lround(l.debut.y)});
  return out;
}

const elementsCarroyage::Texte* texte(const elementsCarroyage& e, double x, double y) {
  for (const auto& t : e.textes)
    if (std::abs(t.position.x - x) < 1e-9 && std::abs(t.position.y - y) < 1e-9) return &t;
  return nullptr;
}

TEST(Carroyage, AFrameOnRoundCoordinatesWithLabelsInside) {
  paramsCarroyage p;
  p.pasX = p.pasY = 50;
  p.tailleCroix = 6;
  p.tailleTextes = 3;
  p.precision = 0;
  p.ecrituresInternes = true;
  elementsCarroyage e;
  double noeuds;
  ASSERT_TRUE(calculerCarroyage(polygone({{{300, 0, 0}}, {{500, 0, 0}}, {{500, 200, 0}}, {{300, 200, 0}}}), p, e,
                                noeuds));
  // Interior nodes only: none on the frame, although its edges lie on grid
  // lines.
  std::set<std::pair<long, long>> attendues;
  for (long x = 350; x <= 450; x += 50)
    for (long y = 50; y <= 150; y += 50) attendues.insert({x, y});
  EXPECT_EQ(croix(e, 6), attendues);
  // Five horizontal and five vertical lines, two labels each, on the frame.
  EXPECT_EQ(e.textes.size(), 20u);
  const auto* gauche = texte(e, 300 + 6, 0 - 1.5);  // y = 0 on the bottom edge, inside: left-aligned
  ASSERT_NE(gauche, nullptr);
  EXPECT_EQ(gauche->texte, "0");
  EXPECT_FALSE(gauche->aDroite);
  const auto* droite = texte(e, 500 - 6, 200 - 1.5);
  ASSERT_NE(droite, nullptr);
  EXPECT_EQ(droite->texte, "200");
  EXPECT_TRUE(droite->aDroite);
  const auto* bas = texte(e, 400 + 1.5, 0 + 6);  // x = 400, bottom, rotated
  ASSERT_NE(bas, nullptr);
  EXPECT_EQ(bas->texte, "400");
  EXPECT_DOUBLE_EQ(bas->rotation, kHalfPi);
  EXPECT_FALSE(bas->aDroite);
}

TEST(Carroyage, AConcaveRegionWithAnArcLeftOpen) {
  paramsCarroyage p;
  p.pasX = p.pasY = 50;
  p.tailleCroix = 6;
  p.tailleTextes = 3;
  p.precision = 1;
  elementsCarroyage e;
  double noeuds;
  // An L whose inner corner is the node (100, 100), an arc bulging to the
  // right, and no closing segment: gridded as if closed.
  const Path region = polygone({{{5, 5, 0}, 0}, {{230, 5, 0}, 0.4}, {{230, 100, 0}, 0}, {{100, 100, 0}, 0},
                                {{100, 240, 0}, 0}, {{5, 240, 0}, 0}},
                               false);
  ASSERT_TRUE(calculerCarroyage(region, p, e, noeuds));
  const std::set<std::pair<long, long>> attendues{{50, 50},  {100, 50}, {150, 50}, {200, 50},
                                                  {50, 100}, {50, 150}, {50, 200}};
  EXPECT_EQ(croix(e, 6), attendues);
  // y = 150 meets the outline at x = 5 and x = 100 only: its labels are
  // there, outside.
  const auto* g = texte(e, 5 - 6, 150 - 1.5);
  const auto* d = texte(e, 100 + 6, 150 - 1.5);
  ASSERT_NE(g, nullptr);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(g->texte, "150.0");
  EXPECT_TRUE(g->aDroite);
  EXPECT_FALSE(d->aDroite);
  // y = 50 leaves through the arc: x = 230 + the arc's bulge there.
  const ZcGeCircArc2d arc(ZcGePoint2d(230, 5), ZcGePoint2d(230, 100), 0.4);
  const double xArc = arc.center().x + std::sqrt(arc.radius() * arc.radius() - std::pow(50 - arc.center().y, 2));
  EXPECT_NE(texte(e, xArc + 6, 50 - 1.5), nullptr);
  // Ticks: one at each end of each line, half a cross long.
  const auto tick = std::find_if(e.lignes.begin(), e.lignes.end(), [](const auto& l) {
    return l.debut.x == 5 && l.debut.y == 150 && l.fin.x == 2 && l.fin.y == 150;
  });
  EXPECT_NE(tick, e.lignes.end());
}

TEST(Carroyage, LabelsAndRefusals) {
  struct Cas {
    double valeur;
    int precision;
    const char* texte;
  } cas[] = {{1234.5678, 0, "1235"}, {1234.5678, 4, "1234.5678"}, {-0.0001, 2, "0.00"},
             {-0.4, 0, "0"},         {-12.5, 1, "-12.5"},        {100, 9, "100.0000"}};
  for (const Cas& c : cas) EXPECT_EQ(texteCoordonneeCarroyage(c.valeur, c.precision), c.texte) << c.valeur;

  // A step typed in metres where millimetres were meant: refused at once.
  paramsCarroyage p;
  p.pasX = p.pasY = 0.001;
  elementsCarroyage e;
  double noeuds = 0;
  EXPECT_FALSE(calculerCarroyage(polygone({{{0, 0, 0}}, {{500, 0, 0}}, {{500, 500, 0}}, {{0, 500, 0}}}), p, e, noeuds));
  EXPECT_GT(noeuds, kNoeudsCarroyageMax);
  EXPECT_TRUE(e.lignes.empty());
}

class CarroyageDessin : public testing::Test {
 protected:
  void SetUp() override {
    precedent_ = zcdbCurDwg();
    zcdbSetCurDwg(&db_);
  }
  void TearDown() override { zcdbSetCurDwg(precedent_); }
  ZcDbObjectId region(std::vector<ZcGePoint2d> sommets) {
    auto pl = std::make_unique<ZcDbPolyline>();
    for (unsigned i = 0; i < sommets.size(); ++i) pl->addVertexAt(i, sommets[i]);
    pl->setClosed(true);
    ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db_.modelSpaceId(), ZcDb::kForWrite);
    ZcDbObjectId id;
    ms->appendZcDbEntity(id, pl.get());
    return id;
  }
  std::vector<ZcDbObjectId> groupes() {
    std::vector<ZcDbObjectId> out;
    ZcDbObjectPointer<ZcDbDictionary> d(db_.groupDictionaryId(), ZcDb::kForRead);
    for (const auto& [nom, id] : d->entries()) out.push_back(id);
    return out;
  }
  ZcDbDatabase db_{true};
  ZcDbDatabase* precedent_ = nullptr;
};

TEST_F(CarroyageDessin, EachRegionInAGroupOfItsOwn) {
  const ZcDbObjectId a = region({{0, 0}, {100, 0}, {100, 100}, {0, 100}});
  const ZcDbObjectId b = region({{0, 0}, {1000, 0}, {1000, 1000}});
  paramsCarroyage p;
  p.pasX = p.pasY = 25;
  const std::size_t avant = db_.entityCount();
  const int n = dessinerCarroyage(&db_, a, p);
  EXPECT_GT(n, 0);
  EXPECT_EQ(db_.entityCount(), avant + std::size_t(n));
  ASSERT_EQ(groupes().size(), 1u);
  {
    ZcDbObjectPointer<ZcDbGroup> g(groupes()[0], ZcDb::kForRead);
    EXPECT_TRUE(g->isAnonymous());
    EXPECT_EQ(g->numEntities(), std::size_t(n));
  }
  // Too many nodes: said, nothing drawn, no group.
  std::istringstream entree;
  std::ostringstream sortie;
  host::ConsoleIO io(entree, sortie);
  host::ConsoleIO* console = host::setConsole(&io);
  p.pasX = p.pasY = 0.5;
  EXPECT_EQ(dessinerCarroyage(&db_, b, p), 0);
  host::setConsole(console);
  EXPECT_NE(sortie.str().find("Carroyage refusé : trop de croisements (4004001)."), std::string::npos) << sortie.str();
  EXPECT_EQ(groupes().size(), 1u);
}

TEST_F(CarroyageDessin, TheDialog) {
  region({{0, 0}, {100, 0}, {100, 100}});
  {
    auto ligne = std::make_unique<ZcDbLine>(ZcGePoint3d(0, 0, 0), ZcGePoint3d(1, 1, 0));
    ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db_.modelSpaceId(), ZcDb::kForWrite);
    ms->appendZcDbEntity(ligne.get());
  }
  DlgCarroyage d;
  d.init();
  EXPECT_EQ(d.get<host::ui::Static>(DlgCarroyage::kNombreRegions).text(), "0 régions choisies");
  EXPECT_EQ(d.get<host::ui::ComboBox>(DlgCarroyage::kFormat).selection(), 2);
  ASSERT_EQ(d.userPress(DlgCarroyage::kEcritures), "");
  EXPECT_EQ(d.get<host::ui::Button>(DlgCarroyage::kEcritures).caption(), "Ecritures internes");
  {
    // The line is not a region; a second choice replaces the first.
    host::ui::testing::Session s("all\nall\n");
    ASSERT_EQ(d.userPress(DlgCarroyage::kRegions), "");
    ASSERT_EQ(d.userPress(DlgCarroyage::kRegions), "");
    EXPECT_NE(s.out().find("Selectionnez les polylines à carroyer"), std::string::npos);
  }
  EXPECT_EQ(d.regions.size(), 1u);
  EXPECT_EQ(d.get<host::ui::Static>(DlgCarroyage::kNombreRegions).text(), "1 régions");
  ASSERT_EQ(d.userSetText(DlgCarroyage::kPasX, "0"), "");
  EXPECT_NE(d.userOk(), "");  // a step of 0 is refused
  EXPECT_FALSE(d.ended());
  ASSERT_EQ(d.userSetText(DlgCarroyage::kPasX, "12.5"), "");
  ASSERT_EQ(d.userPick(DlgCarroyage::kFormat, 4), "");
  ASSERT_EQ(d.userOk(), "");
  EXPECT_EQ(d.params.pasX, 12.5);
  EXPECT_EQ(d.params.precision, 4);
  EXPECT_TRUE(d.params.ecrituresInternes);
}

}  // namespace
