// The other drawing aids: the oriented rectangle, flat copies of 3D
// polylines, the altitude tie, the closest points along long paths, the
// projection of points onto a polyline, points by offset and point blocks
// moved onto a path.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "aids/index_chemin.hpp"
#include "aids/pol3d.hpp"
#include "aids/projection.hpp"
#include "aids/rattachement_z.hpp"
#include "aids/rectangle.hpp"
#include "host/db/entities.hpp"
#include "host/db/objects.hpp"
#include "host/ed/editor.hpp"
#include "host/ui/session.hpp"
#include "points/blocks.hpp"
#include "points/project.hpp"
#include "support/current_drawing.hpp"
#include "support/model_space.hpp"

namespace {

using host::ui::testing::contains;
using host::ui::testing::Session;

// An entity as a pick or a selection item answers it.
const char* h(const ZcDbObjectId& id) {
  static std::string textes[8];
  static int suivant = 0;
  std::string& t = textes[suivant++ % 8];
  t = "#" + id.handle().toString();
  return t.c_str();
}

class Dessin : public testing::Test {
 protected:
  ZcDbObjectId ajouter(ZcDbEntity* e) {
    ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db_.modelSpaceId(), ZcDb::kForWrite);
    ZcDbObjectId id;
    EXPECT_EQ(ms->appendZcDbEntity(id, e), Zcad::eOk);
    return id;
  }
  ZcDbObjectId polyligne3d(const std::vector<ZcGePoint3d>& sommets, bool fermee = false,
                           const wchar_t* calque = L"0") {
    auto p = std::make_unique<ZcDb3dPolyline>();
    const ZcDbObjectId id = ajouter(p.get());
    for (const ZcGePoint3d& s : sommets) {
      auto v = std::make_unique<ZcDb3dPolylineVertex>(s);
      EXPECT_EQ(p->appendVertex(v.get()), Zcad::eOk);
    }
    p->setClosed(fermee);
    {
      ZcDbObjectPointer<ZcDbLayerTable> calques(db_.layerTableId(), ZcDb::kForWrite);
      if (!calques->has(std::wstring(calque))) {
        auto nouveau = std::make_unique<ZcDbLayerTableRecord>();
        nouveau->setName(calque);
        calques->add(nouveau.get());
      }
    }
    EXPECT_EQ(p->setLayer(calque), Zcad::eOk);
    return id;
  }
  ZcDbObjectId polyligne(const std::vector<ZcGePoint2d>& sommets, const std::vector<double>& bulges = {},
                         bool fermee = false) {
    auto p = std::make_unique<ZcDbPolyline>();
    for (std::size_t i = 0; i < sommets.size(); ++i)
      p->addVertexAt(unsigned(i), sommets[i], i < bulges.size() ? bulges[i] : 0.0);
    p->setClosed(fermee);
    return ajouter(p.get());
  }
  // A survey point of the current table with its block.
  pointDuDessin point(const char* nom, double x, double y, double z, int code = 1) {
    pointDuDessin p;
    p.setNomPoint(nom);
    p.setXY(x, y, z);
    p.setCode(code);
    placerPointDansTableCourante(p, L"");
    int pos;
    table().existPoint(p.getNomPointW().c_str(), pos);
    return *table().getData(pos);
  }
  listePointsDuDessin& table() { return *projet_.currTable(); }
  template <class T>
  std::vector<ZcDbObjectId> entites() {
    return geltaro::testing::entitesDe<T>(db_);
  }
  std::vector<ZcGePoint2d> sommets(const ZcDbObjectId& id) { return geltaro::testing::sommetsDe(id); }
  std::wstring attribut(const ZcDbObjectId& bloc, const wchar_t* tag) {
    ZcDbObjectPointer<ZcDbBlockReference> ref(bloc, ZcDb::kForRead);
    std::wstring texte;
    lireAttribut(*ref, tag, texte);
    return texte;
  }
  ZcGePoint3d position(const ZcDbObjectId& bloc) {
    ZcDbObjectPointer<ZcDbBlockReference> ref(bloc, ZcDb::kForRead);
    return ref->position();
  }
  static void memesSommets(const std::vector<ZcGePoint2d>& a, const std::vector<ZcGePoint2d>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
      EXPECT_NEAR(a[i].x, b[i].x, 1e-9) << i;
      EXPECT_NEAR(a[i].y, b[i].y, 1e-9) << i;
    }
  }

  ZcDbDatabase db_{true};
  projetsTopo projet_;
  geltaro::testing::DessinCourant courant_{db_, projet_};
};

// ------------------------------------------------------------- rectangle

TEST(Rectangle, SideAndDiagonalModes) {
  struct Cas {
    const char* pourquoi;
    std::vector<ZcGePoint3d> curseurs;  // origin, rotation, then the last state's point
    rectorienteJig::Etat dernier;
    std::array<ZcGePoint2d, 4> attendu;
  } cas[] = {
      {"side above", {{0, 0, 0}, {10, 0, 0}, {3, 4, 0}}, rectorienteJig::kCote, {{{0, 0}, {10, 0}, {10, 4}, {0, 4}}}},
      {"side below", {{0, 0, 0}, {10, 0, 0}, {3, -4, 0}}, rectorienteJig::kCote,
       {{{0, 0}, {10, 0}, {10, -4}, {0, -4}}}},
      {"diagonal", {{0, 0, 0}, {10, 0, 0}, {6, 2, 0}}, rectorienteJig::kDiagonale, {{{0, 0}, {6, 0}, {6, 2}, {0, 2}}}},
      {"diagonal behind the origin", {{5, 5, 0}, {5, 15, 0}, {3, 8, 0}}, rectorienteJig::kDiagonale,
       {{{5, 5}, {5, 8}, {3, 8}, {3, 5}}}},
      // No base line: the side point gives the width and the direction.
      {"no base line", {{1, 1, 0}, {1, 1, 0}, {1, 4, 0}}, rectorienteJig::kCote, {{{1, 1}, {1, 1}, {1, 4}, {1, 4}}}},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.pourquoi);
    rectorienteJig jig;
    jig.placerCurseur(c.curseurs[0]);
    jig.changerEtat(rectorienteJig::kRotation);
    jig.placerCurseur(c.curseurs[1]);
    jig.changerEtat(c.dernier);
    jig.placerCurseur(c.curseurs[2]);
    const auto s = sommetsRectangle(jig.rectangle());
    for (int i = 0; i < 4; ++i) {
      EXPECT_NEAR(s[i].x, c.attendu[i].x, 1e-9) << i;
      EXPECT_NEAR(s[i].y, c.attendu[i].y, 1e-9) << i;
    }
    // The polyline follows the cursor.
    auto* pl = static_cast<ZcDbPolyline*>(jig.entity());
    ZcGePoint2d troisieme;
    pl->getPointAt(2, troisieme);
    EXPECT_NEAR(troisieme.x, c.attendu[2].x, 1e-9);
    EXPECT_TRUE(pl->isClosed());
  }
}

TEST_F(Dessin, RectangleAtThePromptsAndItsEscapes) {
  struct Cas {
    const char* script;
    std::size_t dessines;
  } cas[] = {
      {"0,0\n10,0\n3,4\n", 1},
      {"0,0\n10,0\nD\n6,2\n", 1},
      {"0,0\n10,0\nD\nC\nO\n100,100\n110,100\n103,104\n", 1},
      {"0,0\n10,0\n^C\n", 0},
      {"0,0\n10,0\n\n", 0},
      {"0,0\n", 0},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.script);
    const std::size_t avant = entites<ZcDbPolyline>().size();
    Session session(c.script);
    commandeRect3pt();
    const auto apres = entites<ZcDbPolyline>();
    ASSERT_EQ(apres.size(), avant + c.dessines);
    if (c.dessines) {
      EXPECT_TRUE(contains(session.out(), "Origine Rotation Diagonale <Point sur le côté opposé>"));
      const auto s = sommets(apres.back());
      ASSERT_EQ(s.size(), 4u);
      EXPECT_NEAR(s[2].y - s[1].y, std::string(c.script).find("D\n6") != std::string::npos ? 2 : 4, 1e-9);
    }
  }
}

// -------------------------------------------------------- 3D polylines

TEST(Pol3D, ElevationsAndLayerNames) {
  const std::vector<double> z{1, 5, 3};
  const double attendu[] = {0, 1, 1, 3, 5};
  for (int mode = 0; mode < 5; ++mode) EXPECT_DOUBLE_EQ(altitudePolyline(z, mode), attendu[mode]) << mode;
  EXPECT_EQ(nomCalqueDepuisModele(L"{LAYER}-2D", L"PROJET_PLINES"), L"PROJET_PLINES-2D");
  EXPECT_EQ(nomCalqueDepuisModele(L"{LAYER}_{LAYER}", L"A"), L"A_A");
  EXPECT_EQ(nomCalqueDepuisModele(L"PLAT", L"A"), L"PLAT");
}

TEST_F(Dessin, Pol3DKeepsClosedRingsClosedAndSkipsSingleVertices) {
  const ZcDbObjectId ferme = polyligne3d({{0, 0, 1}, {10, 0, 5}, {10, 10, 3}}, true, L"PROJET_PLINES");
  const ZcDbObjectId ouvert = polyligne3d({{20, 0, 2}, {30, 0, 4}}, false, L"AUTRE");
  const ZcDbObjectId seul = polyligne3d({{50, 50, 9}}, false, L"PROJET_PLINES");
  const ZcDbObjectId vide = polyligne3d({}, false, L"PROJET_PLINES");
  optionsPol3D o;
  o.modeAltitude = 3;
  o.modeCalque = 1;
  o.couleur = 3;
  o.supprimerOriginales = true;
  EXPECT_EQ(convertirPolylines3D(&db_, {ferme, ouvert, seul, vide}, o), 2);

  const auto plates = entites<ZcDbPolyline>();
  ASSERT_EQ(plates.size(), 2u);
  ZcDbObjectPointer<ZcDbPolyline> p(plates[0], ZcDb::kForRead);
  EXPECT_TRUE(p->isClosed());
  EXPECT_EQ(p->numVerts(), 3u);
  EXPECT_DOUBLE_EQ(p->elevation(), 3.0);
  EXPECT_EQ(p->layer(), L"PROJET_PLINES-2D");
  EXPECT_EQ(p->colorIndex(), 256);
  ZcDbObjectPointer<ZcDbPolyline> q(plates[1], ZcDb::kForRead);
  EXPECT_FALSE(q->isClosed());
  EXPECT_EQ(q->layer(), L"AUTRE-2D");
  ZcDbObjectId calque;
  ZcDbObjectPointer<ZcDbLayerTable> calques(db_.layerTableId(), ZcDb::kForRead);
  ASSERT_EQ(calques->getAt(std::wstring(L"PROJET_PLINES-2D"), calque), Zcad::eOk);
  ZcDbObjectPointer<ZcDbLayerTableRecord> nouveau(calque, ZcDb::kForRead);
  EXPECT_EQ(nouveau->colorIndex(), 3);
  // The converted ones are erased; the skipped ones stay.
  EXPECT_EQ(entites<ZcDb3dPolyline>().size(), 2u);
}

TEST_F(Dessin, Pol3DDialogCountsAndLimitsToTheChosenLayers) {
  polyligne3d({{0, 0, 1}, {10, 0, 5}}, false, L"b_plines");
  polyligne3d({{0, 5, 1}, {10, 5, 5}}, false, L"A_PLINES");
  polyligne3d({{0, 9, 7}, {10, 9, 8}}, false, L"A_PLINES");
  polyligne({{0, 20}, {10, 20}});
  // Selected all; the layer chooser lists the layers by name, A_PLINES is
  // checked; highest elevation, on the same layer.
  Session session(
      "press Selectionner\nall\nshow\npress Choisir\ncheck Layers 1 on\nok\ncheck \"La plus haute\" on\nok\n");
  C_POL3DTOPOL2D();
  const std::string out = session.out();
  EXPECT_TRUE(contains(out, "3 polylines selectionnees")) << out;
  const auto a = out.find("A_PLINES"), b = out.find("b_plines");
  EXPECT_TRUE(a != std::string::npos && b != std::string::npos && a < b);
  const auto plates = entites<ZcDbPolyline>();
  ASSERT_EQ(plates.size(), 3u);  // the light polyline drawn first, and two
  for (std::size_t i = 1; i < plates.size(); ++i) {
    ZcDbObjectPointer<ZcDbPolyline> p(plates[i], ZcDb::kForRead);
    EXPECT_EQ(p->layer(), L"A_PLINES");
  }
  ZcDbObjectPointer<ZcDbPolyline> haute(plates[2], ZcDb::kForRead);
  EXPECT_DOUBLE_EQ(haute->elevation(), 8.0);
  EXPECT_EQ(entites<ZcDb3dPolyline>().size(), 3u);
}

// ------------------------------------------------------------ altitude tie

TEST_F(Dessin, AltitudeTieOnEveryPointThenOnASelection) {
  rattachementZ() = valeursRattachement();
  const ZcDbObjectId a = point("1", 0, 0, 100).getId();
  const ZcDbObjectId b = point("2", 10, 0, 50.5).getId();
  const ZcDbObjectId sans = point("3", 20, 0, kIndefini).getId();
  {
    // The difference follows the new altitude; 4 decimals shown.
    Session session("set \"Ancienne altitude\" 100\nset \"Nouvelle altitude\" 101.25\nshow\nok\n");
    c_VRAJUSTERZ();
    EXPECT_TRUE(contains(session.out(), "\"1.2500\"")) << session.out();
  }
  EXPECT_DOUBLE_EQ(rattachementZ().difference, 1.25);
  EXPECT_EQ(attribut(a, L"Z"), L"101.25");
  EXPECT_EQ(attribut(b, L"Z"), L"51.75");
  EXPECT_EQ(attribut(sans, L"Z"), L"");
  EXPECT_DOUBLE_EQ(table().getData(0)->getZ(), 101.25);
  EXPECT_FALSE(table().getData(2)->aUneAltitude());
  {
    // The difference typed, on the second point only.
    char script[200];
    std::snprintf(script, sizeof script,
                  "check \"Différence d'altitudes\" on\nset Différence -0.5\ncheck \"Sélection de points "
                  "seulement\" on\nok\n%s %s\n",
                  h(b), h(sans));
    Session session(script);
    c_VRAJUSTERZ();
  }
  EXPECT_DOUBLE_EQ(rattachementZ().nouvelle, 99.5);
  EXPECT_EQ(attribut(a, L"Z"), L"101.25");
  EXPECT_EQ(attribut(b, L"Z"), L"51.25");
  EXPECT_EQ(attribut(sans, L"Z"), L"");
  EXPECT_DOUBLE_EQ(table().getData(0)->getZ(), 101.25);
  EXPECT_DOUBLE_EQ(table().getData(1)->getZ(), 51.25);
  EXPECT_FALSE(table().getData(2)->aUneAltitude());
}

TEST_F(Dessin, AltitudeTieTakesTheOldAltitudeFromAPoint) {
  rattachementZ() = valeursRattachement();
  const ZcDbObjectId sans = point("3", 20, 0, kIndefini).getId();
  const ZcDbObjectId b = point("2", 10, 0, 50.5).getId();
  const ZcDbObjectId ligne = polyligne({{0, 40}, {10, 40}});
  char script[300];
  std::snprintf(script, sizeof script, "check \"Différence d'altitudes\" on\nset Différence 2\npress Select\n%s\n%s\n%s\nshow\ncancel\n",
                h(ligne), h(sans),
                h(b));
  Session session(script);
  CDlgRattachZ d;
  d.doModal();
  const std::string out = session.out();
  EXPECT_TRUE(contains(out, "Ce n'est pas un point Geltaro !")) << out;
  EXPECT_TRUE(contains(out, "Altitude invalide !")) << out;
  EXPECT_DOUBLE_EQ(d.valeurs.ancienne, 50.5);
  EXPECT_DOUBLE_EQ(d.valeurs.nouvelle, 52.5);
  // Cancelled: the session's values stay.
  EXPECT_DOUBLE_EQ(rattachementZ().ancienne, 100);
}

// ------------------------------------------------- closest points on paths

TEST(IndexChemin, AgreesWithTheWholePathQuery) {
  std::mt19937 gen(7);
  std::uniform_real_distribution<double> u(-50, 50), bulge(-1.5, 1.5);
  for (int essai = 0; essai < 6; ++essai) {
    std::vector<PathVertex> v;
    for (int i = 0; i < 60; ++i) v.push_back({ZcGePoint3d(u(gen), u(gen), 0), i % 3 == 0 ? bulge(gen) : 0.0});
    v.push_back(v[5]);  // a repeated vertex: a zero-length segment later on
    const Path chemin = Path::polyline(v, essai % 2 == 1);
    const double rayon = essai < 3 ? 4.0 : 40.0;
    const indexChemin index(chemin, rayon);
    for (int k = 0; k < 400; ++k) {
      const ZcGePoint2d p(u(gen), u(gen));
      const PathClosestPoint attendu = chemin.closestPoint(p);
      const procheChemin r = index.plusProche(p);
      ASSERT_EQ(r.trouve, attendu.distance <= rayon) << essai << "/" << k;
      if (!r.trouve) continue;
      EXPECT_NEAR(r.distance, attendu.distance, 1e-9);
      EXPECT_NEAR(r.point.distanceTo(attendu.point.convert2d()), 0, 1e-7);
      EXPECT_NEAR(r.distanceLe, attendu.distanceAlong, 1e-7);
    }
  }
  // A single vertex, and a line entity's path.
  const Path point = Path::polyline({{ZcGePoint3d(1, 1, 0), 0}}, false);
  EXPECT_TRUE(indexChemin(point, 1).plusProche({1.5, 1}).trouve);
  EXPECT_FALSE(indexChemin(point, 1).plusProche({3, 1}).trouve);
  const procheChemin l = indexChemin(Path::line({0, 0, 0}, {10, 0, 0}), 1).plusProche({4, 0.5});
  EXPECT_TRUE(l.trouve);
  EXPECT_NEAR(l.distanceLe, 4, 1e-12);
}

TEST(Projection, PositionsInOrderAlongThePolyline) {
  const Path chemin = Path::polyline({{ZcGePoint3d(0, 0, 0), 0}, {ZcGePoint3d(100, 0, 0), 0},
                                      {ZcGePoint3d(100, 50, 0), 0}},
                                     false);
  // Out of order; one too far; one twice (within 1e-6 along).
  const std::vector<ZcGePoint2d> positions{{101, 30}, {40, -1}, {10, 1.4}, {50, 3}, {40.0000001, -1}, {99, 10}};
  const auto s = sommetsProjetes(chemin, positions, 1.5);
  ASSERT_EQ(s.size(), 4u);
  EXPECT_EQ(s[0].x, 10);
  EXPECT_EQ(s[1].x, 40);
  EXPECT_EQ(s[2].x, 99);
  EXPECT_EQ(s[3].x, 101);
  // Fewer than two within the distance: nothing.
  EXPECT_TRUE(sommetsProjetes(chemin, {{10, 1}, {50, 30}}, 1.5).empty());
  EXPECT_TRUE(sommetsProjetes(chemin, {{10, 1}, {10, 1}}, 1.5).empty());
}

TEST(Projection, SideOfThePassagePoint) {
  const Path droite = Path::polyline({{ZcGePoint3d(0, 0, 0), 0}, {ZcGePoint3d(10, 0, 0), 0}}, false);
  // Half circle counter-clockwise from (0,0) to (10,0) below: centre (5,0).
  const Path arc = Path::polyline({{ZcGePoint3d(0, 0, 0), 1.0}, {ZcGePoint3d(10, 0, 0), 0}}, false);
  const Path arcInverse = Path::polyline({{ZcGePoint3d(0, 0, 0), -1.0}, {ZcGePoint3d(10, 0, 0), 0}}, false);
  struct Cas {
    const Path* chemin;
    ZcGePoint2d p;
    double attendu;
  } cas[] = {
      {&droite, {5, 2}, 2},  {&droite, {5, -3}, -3},   {&arc, {5, -2}, 3},
      {&arc, {5, -7}, -2},   {&arcInverse, {5, 2}, -3}, {&arcInverse, {5, 8}, 3},
  };
  for (const Cas& c : cas) {
    double d = 0;
    ASSERT_TRUE(decalageDePassage(*c.chemin, c.p, d));
    EXPECT_NEAR(d, c.attendu, 1e-9) << c.p.x << "," << c.p.y;
    // The parallel at that signed distance goes through the point.
    EXPECT_NEAR(c.chemin->offset(d).closestPoint(c.p).distance, 0, 1e-9);
  }
}

TEST_F(Dessin, ProjpolyThroughPointsAndBlocksOfTheCode) {
  const ZcDbObjectId pl = polyligne({{0, 0}, {50, 0}, {100, 0}}, {0.01, 0});
  ajouter(std::make_unique<ZcDbPoint>(ZcGePoint3d(80, 1, 0)).get());
  point("10", 20, -1, 5, 1);
  point("11", 60, 0.5, 5, 1);
  point("12", 70, 0.5, 5, 2);   // another code
  point("13", 90, 3, 5, 1);     // too far
  static int codeDemande;
  codeDemande = 0;
  auto code1 = [](int& code) -> int {
    ++codeDemande;
    code = 1;
    return RTNORM;
  };
  char script[100];
  std::snprintf(script, sizeof script, "%s\n1.5\n", h(pl));
  {
    Session session(script);
    c_projpoly(code1);
  }
  EXPECT_EQ(codeDemande, 1);
  memesSommets(sommets(pl), {{20, -1}, {60, 0.5}, {80, 1}});
  ZcDbObjectPointer<ZcDbPolyline> p(pl, ZcDb::kForRead);
  double b = 1;
  p->getBulgeAt(0, b);
  EXPECT_EQ(b, 0);
  p.close();
  // Not a light polyline.
  const ZcDbObjectId ligne = ajouter(std::make_unique<ZcDbLine>(ZcGePoint3d(0, 0, 0), ZcGePoint3d(1, 0, 0)).get());
  std::snprintf(script, sizeof script, "%s\n", h(ligne));
  Session session(script);
  c_projpoly(code1);
  EXPECT_TRUE(contains(session.out(), "Selectionnez une polyline ")) << session.out();
}

TEST_F(Dessin, PointsByOffsetOppositeTheOldOnes) {
  point("5", 0, 0, 10);
  point("7", 20, 0, kIndefini);
  point("8", 20, 20, 12);
  const ZcDbObjectId pl = polyligne({{0, 0}, {20, 0}, {20, 0}, {20, 20}});
  // A repeated vertex makes no offset of as many vertices.
  char script[100];
  std::snprintf(script, sizeof script, "%s\n10,-2\n\n", h(pl));
  {
    Session session(script);
    C_pointsParDecalage();
    EXPECT_TRUE(contains(session.out(), "Echec, cette polyline dégénère ")) << session.out();
  }
  EXPECT_EQ(entites<ZcDbPolyline>().size(), 1u);

  const ZcDbObjectId bonne = polyligne({{0, 0}, {20, 0}, {20, 20}});
  std::snprintf(script, sizeof script, "%s\n10,-2\n3\n0.5\n", h(bonne));
  {
    Session session(script);
    C_pointsParDecalage();
    EXPECT_TRUE(contains(session.out(), "Distance :[2.0000]")) << session.out();
    EXPECT_TRUE(contains(session.out(), "Raffaichir la table des points"));
  }
  const auto plates = entites<ZcDbPolyline>();
  ASSERT_EQ(plates.size(), 3u);
  // On the right: 3 below and 3 beyond the corner.
  memesSommets(sommets(plates.back()), {{0, -3}, {23, -3}, {23, 20}});
  ASSERT_EQ(table().nbPoint(), 6);
  struct Attendu {
    const char* nom;
    double x, y, z;
  } attendus[] = {{"9", 0, -3, 10.5}, {"10", 23, -3, kIndefini}, {"11", 23, 20, 12.5}};
  for (const Attendu& a : attendus) {
    int pos;
    ASSERT_TRUE(table().existPoint(host::fromUtf8(a.nom).c_str(), pos)) << a.nom;
    const pointDuDessin* p = table().getData(pos);
    EXPECT_NEAR(p->getX(), a.x, 1e-9);
    EXPECT_NEAR(p->getY(), a.y, 1e-9);
    EXPECT_EQ(p->getZ(), a.z) << a.nom;
    EXPECT_FALSE(p->getId().isNull());
  }
}

TEST_F(Dessin, BlocksWithinTheCaptureDistanceMoveOntoThePath) {
  // A straight run, then a half circle of radius 10 about (30, 10).
  const ZcDbObjectId chemin = polyligne({{0, 0}, {30, 0}, {30, 20}}, {0, 1});
  const ZcDbObjectId pres = point("1", 10, 0.6, 5).getId();
  const ZcDbObjectId surArc = point("2", 40.5, 10, 5).getId();  // 0.5 outside the arc
  const ZcDbObjectId loin = point("3", 20, 2, 5).getId();
  const ZcDbObjectId entite = ajouter(std::make_unique<ZcDbPoint>(ZcGePoint3d(15, 0.1, 0)).get());
  char script[200];
  std::snprintf(script, sizeof script, "%s\n0.8\nall\n", h(chemin));
  {
    Session session(script);
    c_VRDEPORTPNTS();
    EXPECT_TRUE(contains(session.out(), "Distance :[0.5000]")) << session.out();
  }
  EXPECT_DOUBLE_EQ(distanceCaptureDeport(), 0.8);
  EXPECT_NEAR(position(pres).x, 10, 1e-9);
  EXPECT_NEAR(position(pres).y, 0, 1e-9);
  EXPECT_NEAR(position(surArc).x, 40, 1e-9);
  EXPECT_NEAR(position(surArc).y, 10, 1e-9);
  EXPECT_NEAR(position(loin).y, 2, 1e-12);
  ZcDbObjectPointer<ZcDbPoint> pt(entite, ZcDb::kForRead);
  EXPECT_NEAR(pt->position().y, 0.1, 1e-12);
  // The table follows its blocks.
  EXPECT_NEAR(table().getData(0)->getY(), 0, 1e-9);
  EXPECT_NEAR(table().getData(1)->getX(), 40, 1e-9);
  EXPECT_NEAR(table().getData(2)->getY(), 2, 1e-12);
  // Not a curve.
  std::snprintf(script, sizeof script, "%s\n", h(pres));
  Session session(script);
  c_VRDEPORTPNTS();
  EXPECT_TRUE(contains(session.out(), "Ce n'est pas une courbe, recommencez ")) << session.out();
}

}  // namespace
