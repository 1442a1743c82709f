// Stake-out: angles and distances from oriented and sighted stations, the
// list texts, the obstacle marks, the line of sight, points along entities,
// and the dialog driven as a user would.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numbers>

#include "field/implantation.hpp"
#include "field/implantation_dialog.hpp"
#include "field/implantation_rapport.hpp"
#include "host/db/entities.hpp"
#include "host/db/objects.hpp"
#include "host/db/table.hpp"
#include "host/ed/editor.hpp"
#include "host/geom/path.hpp"
#include "host/ui/session.hpp"
#include "support/model_space.hpp"
#include "support/temp_folder.hpp"

namespace {

using host::ui::ListView;
using host::ui::testing::contains;
using host::ui::testing::Session;

constexpr double kPi = std::numbers::pi;

observationImplantation point(double x, double y, double z = kIndefini) {
  observationImplantation p;
  p.nom = L"P";
  p.x = x;
  p.y = y;
  p.z = z;
  return p;
}

std::wstring angleDe(chantierImplantation& c, observationMiseEnStation* s, double x, double y) {
  observationImplantation p = point(x, y);
  p.station = s ? std::int64_t(s->identifiantStation) : -1;
  return texteAngle(c, p);
}

TEST(Implantation, AnglesFromOrientedAndSightedStations) {
  chantierImplantation c(nullptr);
  auto nord = std::make_unique<observationMiseEnStationOrientee>();
  nord->x = nord->y = 0;
  auto visee = std::make_unique<observationMiseEnStationVisee>();
  visee->x = visee->y = 0;
  visee->reference.x = 10;
  visee->reference.y = 0;
  auto decalee = std::make_unique<observationMiseEnStationOrientee>();
  decalee->x = decalee->y = 0;
  decalee->v0 = 350 * kPi / 200;
  observationMiseEnStation* n = nord.get();
  observationMiseEnStation* v = visee.get();
  observationMiseEnStation* d = decalee.get();
  c.stations.push_back(std::move(nord));
  c.stations.push_back(std::move(visee));
  c.stations.push_back(std::move(decalee));

  const struct {
    observationMiseEnStation* station;
    double x, y;
    const wchar_t* angle;
  } cas[] = {
      {n, 0, 10, L"0.0000"},     {n, 10, 0, L"100.0000"},  {n, 0, -10, L"200.0000"}, {n, -10, 0, L"300.0000"},
      {v, 0, 10, L"300.0000"},   {v, 10, 10, L"350.0000"}, {v, 10, -1e-9, L"0.0000"},
      // bearing 100 + V0 350 = 450, reduced to 50.
      {d, 10, 0, L"50.0000"},
      // On the station: no direction at all.
      {n, 0.0004, 0.0003, L"-"},  {v, 0, 0, L"-"},
      // Without station.
      {nullptr, 5, 5, L"-"},
  };
  for (const auto& k : cas) EXPECT_EQ(angleDe(c, k.station, k.x, k.y), k.angle) << k.x << "," << k.y;

  observationImplantation p = point(0, 10);
  p.station = n->identifiantStation;
  EXPECT_EQ(texteDistance(c, p), L"10.0000");
  EXPECT_EQ(texteStation(c, p), L"X=0.0000,Y=0.0000");
  EXPECT_EQ(texteRef(c, p), L"NORD");
  p.station = v->identifiantStation;
  EXPECT_EQ(texteRef(c, p), L"X=10.0000,Y=0.0000");
  p.station = d->identifiantStation;
  EXPECT_EQ(texteRef(c, p), L"V0=350.0000 gr");
  p.station = -1;
  EXPECT_EQ(texteStation(c, p), L"");
  EXPECT_EQ(texteRef(c, p), L"");
  EXPECT_EQ(texteDistance(c, p), L"");
  EXPECT_EQ(texteVisible(p), L"*");

  // A reference without coordinates: the bearing is still shown.
  v->x = 0;
  auto sansRef = std::make_unique<observationMiseEnStationVisee>();
  sansRef->x = sansRef->y = 0;
  p.station = sansRef->identifiantStation;
  c.stations.push_back(std::move(sansRef));
  EXPECT_EQ(texteAngle(c, p), L"g= 0.0000");
  // An undefined point coordinate: neither angle nor distance.
  p.y = kIndefini;
  EXPECT_EQ(texteAngle(c, p), L"-");
  EXPECT_EQ(texteDistance(c, p), L"");
}

TEST(Implantation, HeightsTypedAreKeptInRange) {
  const struct {
    double tape, garde;
  } cas[] = {{-3, 0}, {1e31, 1.2}, {1e30, 1e30}, {0, 0}, {2.5, 2.5}, {std::nan(""), 0}};
  for (const auto& k : cas) EXPECT_EQ(borneHauteur(k.tape), k.garde) << k.tape;
}

TEST(Implantation, ObstacleMarksAsChains) {
  double h = 0, r = 0;
  std::uint32_t id = 0;
  EXPECT_TRUE(lireMarqueObstacleLineaire(marqueObstacleLineaire(3.0, 77), h, id));
  EXPECT_EQ(h, 3.0);
  EXPECT_EQ(id, 77u);
  EXPECT_TRUE(lireMarqueObstaclePonctuel(marqueObstaclePonctuel(4.0, 1.5, 78), h, r, id));
  EXPECT_EQ(r, 1.5);
  EXPECT_EQ(id, 78u);
  // One kind is not the other.
  EXPECT_FALSE(lireMarqueObstaclePonctuel(marqueObstacleLineaire(3.0, 77), h, r, id));
  EXPECT_FALSE(lireMarqueObstacleLineaire(marqueObstaclePonctuel(4.0, 1.5, 78), h, id));
  // Malformed chains: an item missing or added, a wrong marker, a wrong type.
  ResbufChain court = marqueObstacleLineaire(3.0, 77);
  court.pop_back();
  ResbufChain long_ = marqueObstacleLineaire(3.0, 77);
  long_.push_back(resbuf::longInt(1071, 1));
  ResbufChain marqueur = marqueObstacleLineaire(3.0, 77);
  marqueur[1].resval.rlong = 71208;
  ResbufChain type = marqueObstacleLineaire(3.0, 77);
  type[2] = resbuf::string(1000, L"3.0");
  ResbufChain rayon = marqueObstaclePonctuel(4.0, 1.5, 78);
  rayon[3] = resbuf::real(1040, 1.5);
  for (const auto& chaine : {court, long_, marqueur, type}) EXPECT_FALSE(lireMarqueObstacleLineaire(chaine, h, id));
  EXPECT_FALSE(lireMarqueObstaclePonctuel(rayon, h, r, id));
}

TEST(Implantation, ObstructionOfTheSightLine) {
  // Flat terrain at 100 seen from 101.5 to 101.5: nothing above the line.
  EXPECT_EQ(obstructionVisee(101.5, 100, 101.5, {{0, 100}, {50, 100}, {100, 100}}), 0.0);
  // A 3 m fence halfway: its top is 1.5 above the line.
  EXPECT_NEAR(obstructionVisee(101.5, 100, 101.5, {{0, 100}, {50, 103}, {100, 100}}), 1.5, 1e-12);
  // A sloping sight: the distance is measured square to the line.
  const double o = obstructionVisee(0, 100, 100, {{50, 60}});
  EXPECT_NEAR(o, 10 / std::sqrt(2.0), 1e-12);
  // Below the line, or a point exactly on it, does not obstruct.
  EXPECT_EQ(obstructionVisee(0, 100, 100, {{50, 50}, {50, 40}}), 0.0);
}

TEST(Implantation, StationSlots) {
  observationMiseEnStationOrientee o;
  observationMiseEnStationVisee v;
  EXPECT_EQ(o.typeStation(), 10);
  EXPECT_EQ(v.typeStation(), 20);
  EXPECT_NE(o.identifiantStation, v.identifiantStation);
  // Collecting gathers every list (the reference's too for a sighted
  // station); forgetting empties them without touching the drawing.
  v.dessin = {ZcDbObjectId()};
  v.dessinStation = {ZcDbObjectId(), ZcDbObjectId()};
  v.reference.dessin = {ZcDbObjectId()};
  std::vector<ZcDbObjectId> tout;
  v.collecterDessin(tout, false);
  EXPECT_EQ(tout.size(), 4u);
  EXPECT_EQ(v.reference.dessin.size(), 1u);
  v.collecterDessin(tout, true);
  EXPECT_EQ(tout.size(), 8u);
  EXPECT_TRUE(v.dessin.empty() && v.dessinStation.empty() && v.reference.dessin.empty());
  // Descriptions: the cardinal names of V0, the reference's name escaped.
  std::string html;
  o.nom = L"S1";
  o.x = 1;
  o.y = 2;
  o.v0 = kPi;
  o.descriptionHtml(html);
  EXPECT_EQ(html, "<br><u> Station :</u> S1 <b> x </b> = 1.0000<b> y </b>= 2.0000<br><u> Reference </u>SUD (20O gr)\n");
  std::wstring texte;
  v.reference.nom = L"R<1>";
  html.clear();
  v.descriptionHtml(html);
  EXPECT_TRUE(contains(html, "<b>R&lt;1&gt;</b>")) << html;
  o.descriptionTexte(texte);
  EXPECT_EQ(texte, L"%%uStation :%%u S1\n x  = 1.0000\n y = 2.0000\n%%uReference:%%u SUD (20O gr)");
}

TEST(Implantation, ParameterDialogRefusesStepsThatNeverEnd) {
  chantierImplantation c(nullptr);
  CDlgParamsImplantationAuto d(c);
  d.init();
  EXPECT_EQ(d.get<host::ui::Edit>(IDC_PARAM_PREFIXE).text(), "A");
  EXPECT_FALSE(d.find(IDC_PARAM_CODE)->visible());
  ASSERT_EQ(d.userSetText(IDC_PARAM_PREFIXE, "B"), "");
  ASSERT_EQ(d.userSetText(IDC_PARAM_DEPART, "8"), "");
  for (int id : {IDC_PARAM_ARC_VALEUR, IDC_PARAM_CLO_VALEUR, IDC_PARAM_DISTANCE}) {
    ASSERT_EQ(d.userSetText(id, "0"), "");
    {
      Session s("");
      d.userOk();
      EXPECT_FALSE(d.ended());
      EXPECT_TRUE(contains(s.out(), "strictement positifs")) << s.out();
    }
    ASSERT_EQ(d.userSetText(id, "12.5"), "");
  }
  ASSERT_EQ(d.userCheck(IDC_PARAM_ARC_ERREUR, true), "");
  ASSERT_EQ(d.userOk(), "");
  EXPECT_TRUE(d.ended());
  EXPECT_EQ(c.interpolation.modeArcs, parametresInterpolation::kErreurMax);
  EXPECT_EQ(c.interpolation.valeurArcs, 12.5);
  // "Continuer" starts the names again from the values given.
  EXPECT_EQ(c.numerotation.nomSuivant(), L"B8");
  EXPECT_EQ(c.numerotation.nomSuivant(), L"B9");
}

TEST(Implantation, GraphicsDialogTakesColoursAndOptions) {
  chantierImplantation c(nullptr);
  const parametresImplantation avant = reglagesImplantation();
  {
    CDlgPrmDessImplantationAuto d(c);
    d.init();
    auto& visible = d.get<host::ui::ComboBox>(IDC_GRAPH_VISIBLE);
    EXPECT_EQ(visible.text(), "4");
    EXPECT_EQ(visible.find("ByBlock"), -1);
    ASSERT_EQ(d.userPick(IDC_GRAPH_VISIBLE, visible.find("ByLayer")), "");
    ASSERT_EQ(d.userSetText(IDC_GRAPH_TEXTES, "0.5"), "");
    ASSERT_EQ(d.userCheck(IDC_GRAPH_COORDONNEES, true), "");
    ASSERT_EQ(d.userCheck(IDC_GRAPH_TOUT_GROUPER, true), "");
    ASSERT_EQ(d.userOk(), "");
  }
  EXPECT_EQ(reglagesImplantation().couleurVisible, 256);
  EXPECT_EQ(reglagesImplantation().tailleTextes, 0.5);
  EXPECT_TRUE(c.options.coordonnees);
  EXPECT_EQ(c.options.groupement, optionsDessinImplantation::kToutGrouper);
  EXPECT_EQ(masqueDessin(c.options), 1 | 2 | 4 | 8 | 16 | 32 | 64);
  {
    // Cancel keeps everything; a text size of 0 is out of range.
    Session s("");
    CDlgPrmDessImplantationAuto d(c);
    d.init();
    ASSERT_EQ(d.userSetText(IDC_GRAPH_TEXTES, "0"), "");
    ASSERT_EQ(d.userCheck(IDC_GRAPH_COORDONNEES, false), "");
    ASSERT_EQ(d.userCancel(), "");
  }
  EXPECT_EQ(reglagesImplantation().tailleTextes, 0.5);
  EXPECT_TRUE(c.options.coordonnees);
  reglagesImplantation() = avant;
}

Path polyligne3d(std::vector<ZcGePoint3d> sommets, bool fermee = false) {
  std::vector<PathVertex> v;
  for (const auto& p : sommets) v.push_back({p, 0.0});
  return Path::polyline(v, fermee);
}

TEST(Implantation, PointsAlongStraightParts) {
  parametresInterpolation p;
  p.alignementsDroits = true;
  p.distanceAlignements = 25;
  // Two parts sharing (60, 0): the vertex gives one point; heights run
  // along each part.
  const auto pts = pointsLeLongDe(polyligne3d({{0, 0, 100}, {60, 0, 106}, {60, 30, 100}}), p);
  const std::vector<std::array<double, 3>> attendus = {{0, 0, 100},  {25, 0, 102.5}, {50, 0, 105},
                                                       {60, 0, 106}, {60, 25, 101},  {60, 30, 100}};
  ASSERT_EQ(pts.size(), attendus.size());
  for (std::size_t i = 0; i < pts.size(); ++i) {
    EXPECT_NEAR(pts[i].x, attendus[i][0], 1e-9) << i;
    EXPECT_NEAR(pts[i].y, attendus[i][1], 1e-9) << i;
    EXPECT_NEAR(pts[i].z, attendus[i][2], 1e-9) << i;
  }
  // Without interpolation: the vertices only; a closed outline does not
  // give its first vertex twice.
  p.alignementsDroits = false;
  EXPECT_EQ(pointsLeLongDe(polyligne3d({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}}, true), p).size(), 3u);
  // A step of 0 or less gives nothing instead of looping.
  p.alignementsDroits = true;
  for (double pas : {0.0, -5.0}) {
    p.distanceAlignements = pas;
    EXPECT_TRUE(pointsLeLongDe(polyligne3d({{0, 0, 0}, {10, 0, 0}}), p).empty());
  }
  // A step that would give millions of points is refused, and said so.
  p.distanceAlignements = 1e-6;
  bool trop = false;
  EXPECT_TRUE(pointsLeLongDe(polyligne3d({{0, 0, 0}, {1000, 0, 0}}), p, &trop).empty());
  EXPECT_TRUE(trop);
}

TEST(Implantation, PointsAlongArcs) {
  parametresInterpolation p;
  p.valeurArcs = 10;
  // A quarter circle of radius 20 at elevation 7: step 10 m is 0.5 rad.
  const Path arc = Path::arc({0, 0, 7}, 20, 0, kPi / 2);
  const auto pts = pointsLeLongDe(arc, p);
  ASSERT_EQ(pts.size(), 5u);  // 0, 0.5, 1, 1.5, π/2
  for (const auto& q : pts) {
    EXPECT_NEAR(std::hypot(q.x, q.y), 20, 1e-9);
    EXPECT_NEAR(q.z, 7, 1e-9);
  }
  EXPECT_NEAR(pts[1].x, 20 * std::cos(0.5), 1e-9);
  EXPECT_NEAR(pts[4].x, 0, 1e-9);
  // Chord error 0.5 on radius 20: δ = 2 acos(1 − 0.5/20).
  p.modeArcs = parametresInterpolation::kErreurMax;
  p.valeurArcs = 0.5;
  const double delta = 2 * std::acos(1 - 0.5 / 20);
  EXPECT_EQ(pointsLeLongDe(arc, p).size(), std::size_t(std::ceil((kPi / 2) / delta)) + 1);
  // A clockwise bulge runs from its start to its end.
  p.modeArcs = parametresInterpolation::kParPas;
  p.valeurArcs = 5;
  std::vector<PathVertex> v = {{{0, 0, 0}, -1.0}, {{20, 0, 0}, 0.0}};
  const auto cw = pointsLeLongDe(Path::polyline(v, false), p);
  ASSERT_GE(cw.size(), 3u);
  EXPECT_NEAR(cw.front().x, 0, 1e-9);
  EXPECT_NEAR(cw.back().x, 20, 1e-9);
  for (std::size_t i = 1; i < cw.size(); ++i) EXPECT_GT(cw[i].x, cw[i - 1].x);
  // Clockwise from (0,0) to (20,0): the half circle over the chord.
  for (const auto& q : cw) {
    EXPECT_NEAR(std::hypot(q.x - 10, q.y), 10, 1e-9);
    EXPECT_GE(q.y, -1e-9);
  }
}

// A drawing with a flat terrain at Z = 100 over [−10, 110] × [−20, 20].
class ImplantationDessin : public testing::Test {
 protected:
  void SetUp() override {
    precedent_ = zcdbCurDwg();
    zcdbSetCurDwg(&db_);
    face({-10, -20, 100}, {110, -20, 100}, {110, 20, 100}, {-10, 20, 100});
  }
  void TearDown() override { zcdbSetCurDwg(precedent_); }
  ZcDbObjectId ajouter(std::unique_ptr<ZcDbEntity> e) {
    ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db_.modelSpaceId(), ZcDb::kForWrite);
    ZcDbObjectId id;
    ms->appendZcDbEntity(id, e.get());
    return id;
  }
  void face(ZcGePoint3d a, ZcGePoint3d b, ZcGePoint3d c, ZcGePoint3d d) {
    ajouter(std::make_unique<ZcDbFace>(a, b, c, d));
  }
  ZcDbObjectId clotureMarquee(double hauteur) {
    auto l = std::make_unique<ZcDbLine>(ZcGePoint3d(50, -10, 0), ZcGePoint3d(50, 10, 0));
    zcdbRegApp(&db_, kAppHauteursObjets);
    l->setXData(marqueObstacleLineaire(hauteur, 5));
    return ajouter(std::move(l));
  }
  ZcDbDatabase db_{true};
  ZcDbDatabase* precedent_ = nullptr;
};

TEST_F(ImplantationDessin, AFenceHalfwayHidesThePointAboveHMin) {
  clotureMarquee(3.0);
  chantierImplantation c(&db_);
  ASSERT_NE(c.terrain(), nullptr);
  ASSERT_EQ(c.obstacles.size(), 1u);
  c.hStat = 1.5;
  auto s = std::make_unique<observationMiseEnStationOrientee>();
  s->x = 0;
  s->y = 0;
  const std::int64_t ident = s->identifiantStation;
  c.stations.push_back(std::move(s));
  c.points.push_back(point(100, 0));
  c.points.push_back(point(0, 0));  // on the station
  c.points.push_back(point(40, 15));  // beside the fence
  for (auto& p : c.points) {
    p.station = ident;
    c.calculerVisibilite(p);
  }
  EXPECT_NEAR(c.station(ident)->z, 100, 1e-9);
  EXPECT_EQ(texteVisible(c.points[0]), L"1.50");
  EXPECT_EQ(texteVisible(c.points[1]), L"*");
  EXPECT_EQ(texteVisible(c.points[2]), L"0.00");
  reglagesImplantation().hMin = 1.0;
  EXPECT_EQ(c.couleurPoint(c.points[0]), 1);
  reglagesImplantation().hMin = 2.0;
  EXPECT_EQ(c.couleurPoint(c.points[0]), 4);
  reglagesImplantation().hMin = 1.0;
  // Switched off: the next computation leaves the row not computed, and
  // never shows the earlier result.
  c.verifierVisibilite = false;
  c.calculerVisibilite(c.points[0]);
  EXPECT_EQ(texteVisible(c.points[0]), L"*");
  EXPECT_EQ(c.couleurPoint(c.points[0]), 7);
}

TEST_F(ImplantationDessin, ObstacleMarksAreWrittenWhenTheJobEnds) {
  const ZcDbObjectId cloture = clotureMarquee(3.0);
  {
    // A malformed mark on another entity is no obstacle.
    auto l = std::make_unique<ZcDbLine>(ZcGePoint3d(0, 0, 0), ZcGePoint3d(1, 1, 0));
    l->setXData({resbuf::string(1001, kAppHauteursObjets), resbuf::longInt(1071, kMarqueObstacleLineaire)});
    ajouter(std::move(l));
  }
  {
    chantierImplantation c(&db_);
    ASSERT_EQ(c.obstacles.size(), 1u);
    c.obstacles[0]->hauteur = 4.5;
  }
  ZcDbObjectPointer<ZcDbEntity> e(cloture, ZcDb::kForRead);
  double h = 0;
  std::uint32_t id = 0;
  ASSERT_TRUE(lireMarqueObstacleLineaire(e->xData(kAppHauteursObjets), h, id));
  EXPECT_EQ(h, 4.5);
  EXPECT_EQ(id, 5u);
}

TEST_F(ImplantationDessin, DrawingReportAndSchematic) {
  chantierImplantation c(&db_);
  auto s = std::make_unique<observationMiseEnStationVisee>();
  s->nom = L"S<1>";
  s->x = 0;
  s->y = 0;
  s->reference.nom = L"R&1";
  s->reference.x = 0;
  s->reference.y = 10;
  const std::int64_t ident = s->identifiantStation;
  c.stations.push_back(std::move(s));
  c.points.push_back(point(100, 0, 100));
  c.points.back().station = ident;
  c.points.push_back(point(20, 5));
  c.options.coordonnees = true;
  c.dessinerTout();
  const observationImplantation& p = c.points[0];
  // Cross (2 lines), name, X, Y, Z; the line and its text.
  EXPECT_EQ(p.dessinPoint.size(), 6u);
  EXPECT_EQ(p.dessinTextes.size(), 2u);
  ZcDbObjectPointer<ZcDbEntity> marque(p.dessinPoint.front(), ZcDb::kForRead);
  const ResbufChain x = marque->xData(kAppImplantation);
  ASSERT_EQ(x.size(), 3u);
  EXPECT_EQ(x[1].resval.rlong, kMarqueGraphiqueImplantation);
  EXPECT_EQ(std::uint32_t(x[2].resval.rlong), p.identifiant);
  EXPECT_EQ(marque->layer(), kCalqueImplantation);
  ZcDbObjectPointer<ZcDbText> texteLigne(p.dessinTextes[1], ZcDb::kForRead);
  EXPECT_EQ(texteLigne->textString(), L"d=100.0000 A=100.0000");
  ZcDbObjectPointer<ZcDbLine> ligne(p.dessinTextes[0], ZcDb::kForRead);
  EXPECT_EQ(ligne->colorIndex(), 7);  // visibility not computed yet

  // The report escapes names and lists each station's points.
  const std::string html = rapportImplantation(c).markup();
  EXPECT_TRUE(contains(html, "S&lt;1&gt;")) << html;
  EXPECT_TRUE(contains(html, "<b>R&amp;1</b>")) << html;
  EXPECT_TRUE(contains(html, "100.0000")) << html;
  EXPECT_TRUE(contains(html, "Implantations")) << html;
  // ".doc" in any case gives the Word form.
  const auto dossier = geltaro::testing::dossierDeTest("geltaro-implantation");
  for (const char* nom : {"r.doc", "R.DOC", "r.htm"}) {
    const std::string chemin = (dossier / nom).string();
    ASSERT_TRUE(ecrireRapportImplantation(c, chemin));
    std::ifstream f(chemin);
    std::string debut(5, '\0');
    f.read(debut.data(), 5);
    EXPECT_EQ(debut == "{\\rtf", std::string(nom) != "r.htm") << nom << " " << debut;
  }

  const auto tables = schematiserImplantation(c, ZcGePoint3d(0, -50, 0));
  ASSERT_EQ(tables.size(), 2u);
  ZcDbObjectPointer<ZcDbTable> t(tables[0], ZcDb::kForRead);
  EXPECT_EQ(t->textString(0, 0), L"PT");
  EXPECT_EQ(t->textString(2, 0), L"P");
  EXPECT_EQ(t->textString(2, 4), L"100.0000");
  ZcDbObjectPointer<ZcDbTable> t2(tables[1], ZcDb::kForRead);
  EXPECT_EQ(t2->numColumns(), 4);
  EXPECT_EQ(t2->textString(1, 1), L"20.0000");

  c.effacerTout();
  EXPECT_TRUE(c.points[0].dessinPoint.empty());
  EXPECT_EQ(geltaro::testing::entitesDe<ZcDbLine>(db_).size(), 0u);
  EXPECT_EQ(geltaro::testing::entitesDe<ZcDbText>(db_).size(), 0u);
}

}  // namespace
