// Sheets: paper formats, the corner from the middle, the outline and frame
// at scale, the title block on its corner with its attributes, the grid
// over the free space, and the dialog's title-block file and proportions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "aids/planche.hpp"
#include "aids/planche_dialog.hpp"
#include "host/db/entities.hpp"
#include "host/db/objects.hpp"
#include "host/ed/editor.hpp"
#include "host/geom/point.hpp"
#include "host/ui/session.hpp"
#include "support/model_space.hpp"

namespace {

using host::ui::testing::Session;

std::string cartouche() {
  return (std::filesystem::path(std::getenv("GELTARO_HOME")) / "Cartouches" / "cartouche_a4.dwg").string();
}

TEST(Planche, FormatsAndTheCornerFromTheMiddle) {
  const auto f = formatsPapier();
  ASSERT_EQ(f.size(), 16u);
  EXPECT_EQ(libelleFormatPapier(f[0]), "Format A4 Portrait( 210 x 297 )");
  EXPECT_EQ(libelleFormatPapier(f[2]), "Format A3 Portrait ( 297 x 420 )");
  EXPECT_EQ(libelleFormatPapier(f[8]), "Format A0 Paysage( 1188 x 840 )");
  EXPECT_EQ(f[10].nom, "User 0");
  // A4 portrait at 1/1000 and at 1/500 about (1000, 2000).
  const ZcGePoint2d c1 = coinDepuisMilieu({1000, 2000}, 0, 210, 297, 1.0);
  EXPECT_NEAR(c1.x, 895, 1e-9);
  EXPECT_NEAR(c1.y, 1851.5, 1e-9);
  const ZcGePoint2d c2 = coinDepuisMilieu({1000, 2000}, 0, 210, 297, 0.5);
  EXPECT_NEAR(c2.x, 947.5, 1e-9);
  EXPECT_NEAR(c2.y, 1925.75, 1e-9);
  // Turned a quarter: the sheet's width runs along y.
  const ZcGePoint2d c3 = coinDepuisMilieu({0, 0}, geltaro::geom::kHalfPi, 210, 297, 1.0);
  EXPECT_NEAR(c3.x, 148.5, 1e-9);
  EXPECT_NEAR(c3.y, -105, 1e-9);
}

TEST(Planche, TheGridRegionLeavesTheTitleBlockOut) {
  paramsPlanche p;
  p.echelle = 1000;
  p.format = 1;  // A4 landscape: 297 x 210
  p.marge = 10;
  p.fichierCartouche = L"x";
  p.largeurCartouche = 100;
  p.hauteurCartouche = 50;
  const formatPapier f{"A4", 297, 210};
  const double b = 5;
  struct Cas {
    int position, mode;
    std::vector<ZcGePoint2d> region;
  } cas[] = {
      {0, 1, {{115, 15}, {282, 15}, {282, 195}, {15, 195}, {15, 65}, {115, 65}}},
      {3, 1, {{182, 195}, {15, 195}, {15, 15}, {282, 15}, {282, 145}, {182, 145}}},
      {0, 2, {{15, 65}, {282, 65}, {282, 195}, {15, 195}}},
      {2, 2, {{15, 145}, {282, 145}, {282, 15}, {15, 15}}},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(std::to_string(c.position) + "/" + std::to_string(c.mode));
    p.position = c.position;
    p.modeCarroyage = c.mode;
    const auto r = regionCarroyagePlanche(p, f, b);
    ASSERT_EQ(r.size(), c.region.size());
    for (std::size_t i = 0; i < r.size(); ++i) {
      EXPECT_NEAR(r[i].x, c.region[i].x, 1e-9) << i;
      EXPECT_NEAR(r[i].y, c.region[i].y, 1e-9) << i;
    }
  }
  // No title block: the inset frame whole; one that covers it: nothing.
  p.fichierCartouche.clear();
  EXPECT_EQ(regionCarroyagePlanche(p, f, b).size(), 4u);
  p.fichierCartouche = L"x";
  p.largeurCartouche = 400;
  p.hauteurCartouche = 400;
  EXPECT_TRUE(regionCarroyagePlanche(p, f, b).empty());
}

class PlancheDessin : public testing::Test {
 protected:
  void SetUp() override {
    precedent_ = zcdbCurDwg();
    zcdbSetCurDwg(&db_);
  }
  void TearDown() override { zcdbSetCurDwg(precedent_); }
  template <class T>
  std::vector<ZcDbObjectId> entites() {
    return geltaro::testing::entitesDe<T>(db_);
  }
  std::vector<ZcGePoint2d> sommets(const ZcDbObjectId& id) { return geltaro::testing::sommetsDe(id); }
  ZcDbDatabase db_{true};
  ZcDbDatabase* precedent_ = nullptr;
};

TEST_F(PlancheDessin, ATurnedSheetWithItsTitleBlockOnTheFramesCorner) {
  paramsPlanche p;
  p.echelle = 500;
  p.format = 3;  // A3 landscape
  p.fichierCartouche = host::fromUtf8(cartouche());
  p.position = 3;  // upper right
  const double a = geltaro::geom::kPi / 6;
  dessinerPlanche(&db_, p, {1200, 2000}, a);
  const auto polylignes = entites<ZcDbPolyline>();
  ASSERT_EQ(polylignes.size(), 2u);
  const ZcGeVector2d u(std::cos(a), std::sin(a)), v(-std::sin(a), std::cos(a));
  const auto cadre = sommets(polylignes[1]);
  const ZcGePoint2d hautDroite = ZcGePoint2d(1200, 2000) + u * (420 - 10) * 0.5 + v * (297 - 10) * 0.5;
  EXPECT_NEAR(cadre[2].x, hautDroite.x, 1e-9);
  EXPECT_NEAR(cadre[2].y, hautDroite.y, 1e-9);
  const auto refs = entites<ZcDbBlockReference>();
  ASSERT_EQ(refs.size(), 1u);
  ZcDbObjectPointer<ZcDbBlockReference> ref(refs[0], ZcDb::kForRead);
  EXPECT_NEAR(ref->scaleFactors().sx, 0.5, 1e-12);
  EXPECT_NEAR(ref->rotation(), a, 1e-12);
  // The title block's upper-right corner (180, 60) lands on the frame's.
  const ZcGePoint3d coin = ZcGePoint3d(180, 60, 0).transformBy(ref->blockTransform());
  EXPECT_NEAR(coin.x, hautDroite.x, 1e-9);
  EXPECT_NEAR(coin.y, hautDroite.y, 1e-9);
  // The attributes of the non-constant definitions, with their defaults,
  // scaled and turned like the block.
  std::map<std::wstring, std::wstring> textes;
  for (const ZcDbObjectId& id : ref->attributeIds()) {
    ZcDbObjectPointer<ZcDbAttribute> att(id, ZcDb::kForRead);
    textes[att->tag()] = att->textString();
    if (att->tag() == L"TITRE") {
      EXPECT_NEAR(att->height(), 3.0, 1e-12);
      EXPECT_NEAR(att->rotation(), a, 1e-12);
    }
  }
  EXPECT_EQ(textes.count(L"SOCIETE"), 0u);
  EXPECT_EQ(textes[L"TITRE"], L"Plan topographique");
  EXPECT_EQ(textes[L"ECHELLE"], L"1/500");
  EXPECT_EQ(textes.size(), 7u);
}

TEST_F(PlancheDessin, AGridOverTheFreeSpaceOnly) {
  paramsPlanche p;
  p.echelle = 2000;
  p.format = 5;  // A2 landscape: 594 x 420 mm, 1188 x 840 m
  p.fichierCartouche = host::fromUtf8(cartouche());
  p.largeurCartouche = 180;
  p.hauteurCartouche = 60;
  p.position = 1;  // lower right
  p.modeCarroyage = 1;
  p.pasX = p.pasY = 10;
  p.precision = 1;
  const ZcGePoint2d coin(5000, 7000);
  dessinerPlanche(&db_, p, coin, 0);
  const double s = 2, m = 20, b = bandeEtiquettesPlanche(p, coin);
  // The title block's box, grown by the band, and the inset frame.
  const double tx0 = coin.x + 1188 - m - 180 * s - b, ty1 = coin.y + m + 60 * s + b;
  const double x0 = coin.x + m + b, x1 = coin.x + 1188 - m - b, y0 = coin.y + m + b, y1 = coin.y + 840 - m - b;
  int croix = 0;
  for (const ZcDbObjectId& id : entites<ZcDbLine>()) {
    ZcDbObjectPointer<ZcDbLine> l(id, ZcDb::kForRead);
    const ZcGePoint3d a = l->startPoint(), e = l->endPoint();
    if (a.y != e.y || std::abs(e.x - a.x - 5 * s) > 1e-9) continue;  // horizontal arms of crosses
    const double x = (a.x + e.x) / 2, y = a.y;
    ++croix;
    EXPECT_NEAR(std::remainder(x, 10), 0, 1e-9);
    EXPECT_NEAR(std::remainder(y, 10), 0, 1e-9);
    EXPECT_TRUE(x > x0 && x < x1 && y > y0 && y < y1) << x << ", " << y;
    EXPECT_FALSE(x > tx0 && y < ty1) << "on the title block: " << x << ", " << y;
  }
  EXPECT_GT(croix, 4000);
  int etiquettes = 0;
  for (const ZcDbObjectId& id : entites<ZcDbText>()) {
    ZcDbObjectPointer<ZcDbText> t(id, ZcDb::kForRead);
    const std::wstring texte = t->textString();
    if (texte.find(L'.') == std::wstring::npos) continue;
    ++etiquettes;
    EXPECT_EQ(texte.size() - texte.find(L'.'), 2u) << host::toUtf8(texte);  // one decimal
    EXPECT_NEAR(t->height(), 2.5 * s, 1e-12);
  }
  EXPECT_GT(etiquettes, 100);
}

TEST_F(PlancheDessin, TheDialogsTitleBlockAndProportions) {
  DlgCreerPlanche d;
  d.init();
  EXPECT_FALSE(d.find(DlgCreerPlanche::kLargeur)->enabled());
  EXPECT_FALSE(d.find(DlgCreerPlanche::kPasX)->visible());
  {
    Session s("nulle-part.dwg\n\ncartouche_a4.dwg\n");
    ASSERT_EQ(d.userPress(DlgCreerPlanche::kParcourir), "");  // a missing file: asked again, then cancelled
    ASSERT_EQ(d.userPress(DlgCreerPlanche::kParcourir), "");
  }
  EXPECT_NE(d.get<host::ui::Static>(DlgCreerPlanche::kTailleCartouche).text().find("Largeur : 180.00"),
            std::string::npos);
  EXPECT_TRUE(d.find(DlgCreerPlanche::kLargeur)->enabled());
  // Proportions kept: 90 wide makes 30 high; a height of 0 takes the
  // drawing's, and the width follows.
  ASSERT_EQ(d.userSetText(DlgCreerPlanche::kLargeur, "90"), "");
  EXPECT_EQ(d.get<host::ui::Edit>(DlgCreerPlanche::kHauteur).text(), "30.00");
  ASSERT_EQ(d.userSetText(DlgCreerPlanche::kHauteur, "0"), "");
  EXPECT_EQ(d.get<host::ui::Edit>(DlgCreerPlanche::kLargeur).text(), "180.00");
  ASSERT_EQ(d.userCheck(DlgCreerPlanche::kToutEspace, true), "");
  EXPECT_TRUE(d.find(DlgCreerPlanche::kPasX)->visible());
  ASSERT_EQ(d.userPress(DlgCreerPlanche::kEffacer), "");
  EXPECT_FALSE(d.find(DlgCreerPlanche::kLargeur)->enabled());
  ASSERT_EQ(d.userSetText(DlgCreerPlanche::kEchelle, "-5"), "");
  ASSERT_EQ(d.userOk(), "");
  EXPECT_EQ(d.params.echelle, 1000);
  EXPECT_TRUE(d.params.fichierCartouche.empty());
  EXPECT_EQ(d.params.modeCarroyage, 1);
}

}  // namespace
