// superpos: overlapping attribute labels moved apart around their blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "host/db/entities.hpp"
#include "lisp_entites_fixture.hpp"
#include "tools/superpos.hpp"

namespace {

using geltaro::testing::AttributTest;

struct Boite {
  double x0, y0, x1, y1;
};

Boite boiteDe(ZcDbObjectId id) {
  ZcDbObjectPointer<ZcDbEntity> e(id, ZcDb::kForRead);
  ZcDbExtents ext;
  EXPECT_EQ(e->getGeomExtents(ext), Zcad::eOk);
  return {ext.minPoint().x, ext.minPoint().y, ext.maxPoint().x, ext.maxPoint().y};
}

double aireCommune(const Boite& a, const Boite& b) {
  const double l = std::min(a.x1, b.x1) - std::max(a.x0, b.x0);
  const double h = std::min(a.y1, b.y1) - std::max(a.y0, b.y0);
  return l > 0 && h > 0 ? l * h : 0;
}

class Superpos : public geltaro::testing::SessionEntites {
 protected:
  // The visible attributes of the blocks and the texts among `ids`.
  std::vector<ZcDbObjectId> etiquettes(const std::vector<ZcDbObjectId>& ids) {
    std::vector<ZcDbObjectId> out;
    for (ZcDbObjectId id : ids) {
      if (id.record()->typeName() == "TEXT") out.push_back(id);
      for (ZcDbObjectId a : attributs(id)) {
        ZcDbObjectPointer<ZcDbAttribute> att(a, ZcDb::kForRead);
        if (!att->isInvisible()) out.push_back(a);
      }
    }
    return out;
  }
  double recouvrementTotal(const std::vector<ZcDbObjectId>& ids) {
    const std::vector<ZcDbObjectId> e = etiquettes(ids);
    double total = 0;
    for (std::size_t i = 0; i < e.size(); ++i)
      for (std::size_t j = i + 1; j < e.size(); ++j) total += aireCommune(boiteDe(e[i]), boiteDe(e[j]));
    return total;
  }
  ZcDbObjectId texte(const ZcGePoint3d& p, const wchar_t* s, double hauteur = 1) {
    return ajouter(std::make_unique<ZcDbText>(p, s, db_.textstyle(), hauteur, 0.0));
  }
  // Runs (superpos ss) on `ids`; the printed progress.
  std::string superpos(const std::vector<ZcDbObjectId>& ids) {
    selection("SS", ids);
    sortie();
    EXPECT_EQ(eval("(superpos ss)"), "");
    return sortie();
  }
  static ZcGePoint3d position(ZcDbObjectId id) {
    ZcDbObjectPointer<ZcDbText> t(id, ZcDb::kForRead);
    return t->position();
  }
};

// A name label to the upper right and an altitude label below right, as
// point blocks carry them.
std::vector<AttributTest> etiquettesDePoint(const wchar_t* nom, const wchar_t* altitude) {
  return {{L"CODE", L"1", 0.75, 2, 1, true}, {L"NUMPT", nom, 0.75, 0.5}, {L"Z", altitude, 0.75, -1}};
}

TEST_F(Superpos, LabelsApartStayWhereTheyAre) {
  const ZcDbObjectId a = blocAvecAttributs({0, 0, 0}, {{L"NUMPT", L"P1", 0.75, 0.5}});
  const ZcDbObjectId t = texte({50, 0, 0}, L"Note");
  const ZcDbObjectId b = blocAvecAttributs({100, 0, 0}, {{L"NUMPT", L"P2", 0.75, 0.5}});
  const ZcGePoint3d avant = position(attribut(b, L"NUMPT"));
  EXPECT_EQ(superpos({a, t, b}),
            "\nVerification des superpositions\n"
            "\rIteration 1 Element 0 / 3 (    0.00 %)"
            "\rIteration 1 Element 2 / 3 (   66.67 %)"
            "\t Surface commune:        0.000\n");
  EXPECT_EQ(position(attribut(b, L"NUMPT")), avant);
  EXPECT_EQ(position(attribut(a, L"NUMPT")), ZcGePoint3d(0.75, 0.5, 0));
}

TEST_F(Superpos, SmallGroupsEndWithoutOverlap) {
  struct Cas {
    const char* pourquoi;
    std::vector<ZcGePoint3d> blocs;
    std::vector<ZcGePoint3d> textes;
  };
  const Cas cas[] = {
      {"two points side by side", {{0, 0, 0}, {2, 0, 0}}, {}},
      {"two points one above the other", {{0, 0, 0}, {0.5, 1.2, 0}}, {}},
      {"three points in a corner", {{0, 0, 0}, {2.5, 0, 0}, {1, 1.8, 0}}, {}},
      {"a point under a note", {{0, 0, 0}}, {{0.5, 0.3, 0}}},
      {"two points and a note", {{0, 0, 0}, {4, 0, 0}}, {{2.5, 0.8, 0}}},
  };
  int n = 0;
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.pourquoi);
    std::vector<ZcDbObjectId> ids, blocs, textes;
    for (const ZcGePoint3d& p : c.blocs) {
      const std::wstring nom = L"P" + std::to_wstring(++n);
      blocs.push_back(blocAvecAttributs(p, etiquettesDePoint(nom.c_str(), L"100.25")));
      ids.push_back(blocs.back());
    }
    for (const ZcGePoint3d& p : c.textes) {
      textes.push_back(texte(p, L"Regard"));
      ids.push_back(textes.back());
    }
    ASSERT_GT(recouvrementTotal(ids), 0);
    std::vector<ZcGePoint3d> codes, notes;
    for (ZcDbObjectId b : blocs) codes.push_back(position(attribut(b, L"CODE")));
    for (ZcDbObjectId t : textes) notes.push_back(position(t));

    superpos(ids);
    EXPECT_EQ(recouvrementTotal(ids), 0);
    // Texts and invisible attributes never move.
    for (std::size_t i = 0; i < blocs.size(); ++i) EXPECT_EQ(position(attribut(blocs[i], L"CODE")), codes[i]);
    for (std::size_t i = 0; i < textes.size(); ++i) EXPECT_EQ(position(textes[i]), notes[i]);
    // Labels stay by their block.
    for (std::size_t i = 0; i < blocs.size(); ++i)
      for (const wchar_t* tag : {L"NUMPT", L"Z"}) {
        const Boite e = boiteDe(attribut(blocs[i], tag));
        const ZcGePoint3d o = c.blocs[i];
        EXPECT_LT(std::max({std::fabs(e.x0 - o.x), std::fabs(e.x1 - o.x)}), 8.0);
        EXPECT_LT(std::max({std::fabs(e.y0 - o.y), std::fabs(e.y1 - o.y)}), 3.0);
      }
    for (ZcDbObjectId id : ids) {
      ZcDbObjectPointer<ZcDbEntity> e(id, ZcDb::kForWrite);
      e->erase();
    }
  }
}

// The block drawn at scale 1 whose file leaves its scale factors out: the
// label goes to its right at 0.55 from the insertion point, off the symbol.
TEST_F(Superpos, MissingScaleFactorsAreOne) {
  const ZcDbObjectId bloc = blocAvecAttributs({10, 10, 0}, {{L"NUMPT", L"P1", 0.75, 0.5}});
  {
    ZcDbObjectPointer<ZcDbBlockReference> ref(bloc, ZcDb::kForWrite);
    for (int code : {41, 42, 43}) ref->removeCode("AcDbBlockReference", code);
    ASSERT_FALSE(ref->has("AcDbBlockReference", 41));
  }
  const Boite depart = boiteDe(attribut(bloc, L"NUMPT"));
  const ZcDbObjectId note = texte({10.75, 10.5, 0}, L"Regard");
  superpos({bloc, note});
  const Boite arrivee = boiteDe(attribut(bloc, L"NUMPT"));
  // Above and upper right still meet the note; right is the first free place.
  EXPECT_NEAR(arrivee.x0, 10.55, 1e-9);
  EXPECT_NEAR(arrivee.y0, 10 - (depart.y1 - depart.y0) / 2, 1e-9);
  EXPECT_NEAR(arrivee.x1 - arrivee.x0, depart.x1 - depart.x0, 1e-9);
}

// A centred label moves as a whole: its box lands on the place chosen, its
// alignment point with it.
TEST_F(Superpos, JustifiedLabelsMoveByTheirBox) {
  for (ZcDb::TextHorzMode mode : {ZcDb::kTextCenter, ZcDb::kTextRight, ZcDb::kTextMid}) {
    SCOPED_TRACE(int(mode));
    AttributTest nom{L"NUMPT", L"P10", 0.75, 0.5};
    nom.mode = mode;
    const ZcDbObjectId bloc = blocAvecAttributs({0, 0, 0}, {nom});
    const ZcDbObjectId a = attribut(bloc, L"NUMPT");
    const Boite depart = boiteDe(a);
    const ZcDbObjectId note = texte({depart.x0, depart.y0, 0}, L"Regard");
    ZcGePoint3d alignement;
    {
      ZcDbObjectPointer<ZcDbAttribute> att(a, ZcDb::kForRead);
      alignement = att->alignmentPoint();
    }
    superpos({bloc, note});
    const Boite arrivee = boiteDe(a);
    const double w = depart.x1 - depart.x0, h = depart.y1 - depart.y0;
    EXPECT_NEAR(arrivee.x1 - arrivee.x0, w, 1e-9);
    EXPECT_NEAR(arrivee.y1 - arrivee.y0, h, 1e-9);
    EXPECT_EQ(aireCommune(arrivee, boiteDe(note)), 0);
    // The box sits on one of the eight places around the block.
    const double d = 0.55;
    const std::pair<double, double> places[] = {{-w / 2, d},      {d, d},          {d, -h / 2},     {d, -d - h},
                                                {-w / 2, -d - h}, {-d - w, -d - h}, {-d - w, -h / 2}, {-d - w, d}};
    EXPECT_TRUE(std::any_of(std::begin(places), std::end(places), [&](const auto& p) {
      return std::fabs(p.first - arrivee.x0) < 1e-9 && std::fabs(p.second - arrivee.y0) < 1e-9;
    })) << arrivee.x0 << "," << arrivee.y0;
    ZcDbObjectPointer<ZcDbAttribute> att(a, ZcDb::kForRead);
    EXPECT_NEAR(att->alignmentPoint().x - alignement.x, arrivee.x0 - depart.x0, 1e-9);
    EXPECT_NEAR(att->alignmentPoint().y - alignement.y, arrivee.y0 - depart.y0, 1e-9);
    att.close();
    for (ZcDbObjectId id : {bloc, note}) {
      ZcDbObjectPointer<ZcDbEntity> e(id, ZcDb::kForWrite);
      e->erase();
    }
  }
}

// Labels piled on one point cannot all be freed: the iterations stop when
// the common surface no longer shrinks, at 50 at most.
TEST_F(Superpos, StopsWhenTheCommonSurfaceNoLongerShrinks) {
  std::vector<ZcDbObjectId> ids;
  for (int i = 0; i < 12; ++i) ids.push_back(blocAvecAttributs({0, 0, 0}, etiquettesDePoint(L"P", L"1.00")));
  const std::string sortie = superpos(ids);
  const std::regex total("Surface commune: +([0-9.]+)\n");
  std::vector<double> totaux;
  for (auto it = std::sregex_iterator(sortie.begin(), sortie.end(), total); it != std::sregex_iterator(); ++it)
    totaux.push_back(std::stod((*it)[1]));
  ASSERT_GE(totaux.size(), 2u);
  EXPECT_LE(totaux.size(), 50u);
  for (std::size_t i = 1; i + 1 < totaux.size(); ++i) EXPECT_LT(totaux[i], totaux[i - 1]);
  EXPECT_GE(totaux.back(), totaux[totaux.size() - 2]);
  EXPECT_GT(totaux.back(), 0);
}

TEST_F(Superpos, OnlyASelectionSetIsTaken) {
  const ZcDbObjectId a = blocAvecAttributs({0, 0, 0}, etiquettesDePoint(L"P1", L"1.00"));
  const ZcDbObjectId b = blocAvecAttributs({0.5, 0, 0}, etiquettesDePoint(L"P2", L"1.00"));
  nommer("E", a);
  sortie();
  for (const char* appel : {"(superpos e)", "(superpos \"tout\")", "(superpos)"}) EXPECT_EQ(eval(appel), "") << appel;
  EXPECT_EQ(sortie(), "");
  EXPECT_GT(recouvrementTotal({a, b}), 0);
}

}  // namespace
