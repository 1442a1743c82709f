#include "calc/traverse_rows.hpp"
#include "calc/traverse.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <vector>

#include "calc/angles.hpp"

namespace {

using geltaro::testing::Ligne;
using geltaro::testing::lignes;
using geltaro::testing::station;

double dms(double d, double m, double s = 0) { return d + m / 60.0 + s / 3600.0; }

// Square of side 100 m run clockwise from (1000, 2000): every clockwise angle
// from the previous station to the next is 300 gr (the exterior angle).
std::vector<obsPolygonale> carre(double dz = 0) {
  return lignes({{L"B", 300, 100, dz}, {L"C", 300, 100, dz}, {L"D", 300, 100, dz}, {L"A", 300, 100, dz}});
}
const StationPolygonale kDepartCarre = station(L"A", 1000, 2000, 50, 0);

}  // namespace

TEST(ObsPolygonale, NomCoupeA19CaracteresEtTermine) {
  obsPolygonale o;
  std::memset(&o, 0xff, sizeof o);
  fixerNomObs(o, L"ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  EXPECT_EQ(nomObs(o), L"ABCDEFGHIJKLMNOPQRS");
  EXPECT_EQ(o.nom[19], L'\0');
  fixerNomObs(o, L"S1");
  EXPECT_EQ(nomObs(o), L"S1");
  fixerNomObs(o, L"");
  EXPECT_EQ(nomObs(o), L"");
  // A row whose array was filled without terminator is read to its end only.
  for (wchar_t& c : o.nom) c = L'x';
  EXPECT_EQ(nomObs(o).size(), 20u);
}

TEST(PolygonaleFermee, CarreParfaitEnGrades) {
  auto obs = carre();
  const auto r = calculerPolygonaleFermee(kDepartCarre, kNivAucun, kGrades, obs);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.angleInterieur, std::vector<double>(4, 100.0));
  EXPECT_DOUBLE_EQ(r.sommeInterieurs, 400);
  EXPECT_DOUBLE_EQ(r.erreurAngulaire, 0);
  EXPECT_EQ(r.gisement, (std::vector<double>{0, 100, 200, 300}));
  EXPECT_NEAR(r.SX, 0, 1e-9);
  EXPECT_NEAR(r.SY, 0, 1e-9);
  EXPECT_DOUBLE_EQ(r.D, 400);
  const double X[] = {1000, 1000, 1100, 1100}, Y[] = {2000, 2100, 2100, 2000};
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(r.X[i], X[i], 1e-9) << i;
    EXPECT_NEAR(r.Y[i], Y[i], 1e-9) << i;
    EXPECT_DOUBLE_EQ(r.Z[i], 50);
  }
  // The raw polyline comes back to the start; the adjusted one goes once
  // through every station and is closed.
  ASSERT_EQ(r.traceBrut.size(), 5u);
  EXPECT_NEAR(r.traceBrut[4].x, 1000, 1e-9);
  EXPECT_NEAR(r.traceBrut[4].y, 2000, 1e-9);
  ASSERT_EQ(r.traceCompense.size(), 4u);
  EXPECT_NEAR(r.traceCompense[2].x, 1100, 1e-9);
  EXPECT_NEAR(r.traceCompense[2].y, 2100, 1e-9);
  EXPECT_TRUE(r.traceCompenseFerme);
}

TEST(PolygonaleFermee, UnAngleTropGrandEstReparti) {
  auto obs = carre();
  obs[2].angle = 300.004;
  const auto r = calculerPolygonaleFermee(kDepartCarre, kNivAucun, kGrades, obs);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_NEAR(r.erreurAngulaire, -0.004, 1e-9);
  EXPECT_NEAR(r.correctionAngulaire, -0.001, 1e-9);
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(r.angleInterieurCorrige[i] - r.angleInterieur[i], 0.001, 1e-9) << i;
    EXPECT_NEAR(r.angleExterieurCorrige[i], i == 2 ? 300.003 : 299.999, 1e-9) << i;
  }
  EXPECT_NEAR(r.gisement[1], 99.999, 1e-9);
  EXPECT_NEAR(r.gisement[2], 200.002, 1e-9);
  EXPECT_NEAR(r.gisement[3], 300.001, 1e-9);
}

// A ring run counterclockwise has its clockwise angles inside the figure,
// whose sum misses (n-2)H by two full turns; that is not an error to spread.
TEST(PolygonaleFermee, AnneauParcouruDansLeSensTrigonometrique) {
  for (double erreur : {0.0, 0.004}) {
    auto obs = lignes({{L"D", 100, 100, 0}, {L"C", 100, 100, 0}, {L"B", 100 + erreur, 100, 0}, {L"A", 100, 100, 0}});
    const auto r = calculerPolygonaleFermee(station(L"A", 1000, 2000, 0, 100), kNivAucun, kGrades, obs);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_NEAR(r.erreurAngulaireBrute, 800 - erreur, 1e-9);
    EXPECT_NEAR(r.erreurAngulaire, -erreur, 1e-9);
    for (int i = 0; i < 4; ++i)
      EXPECT_NEAR(r.angleExterieurCorrige[i], 100 + (i == 2 ? erreur : 0) - erreur / 4, 1e-9) << i;
    EXPECT_NEAR(r.X[2], 1100, 0.01);
    EXPECT_NEAR(r.Y[2], 2100, 0.01);
  }
}

TEST(PolygonaleFermee, NivellementParMode) {
  // Rectangle 100 x 50 m: L = 100, 50, 100, 50; the dz sum to 0.03.
  const double r50 = std::sqrt(50.0), SR = 20 + 2 * r50;
  struct Cas {
    int mode;
    double c[4];
  } cas[] = {
      {kNivSimple, {0.0075, 0.0075, 0.0075, 0.0075}},
      {kNivDistance, {0.01, 0.005, 0.01, 0.005}},
      {kNivRacine, {10 * 0.03 / SR, r50 * 0.03 / SR, 10 * 0.03 / SR, r50 * 0.03 / SR}},
  };
  for (const Cas& c : cas) {
    auto obs = lignes({{L"B", 300, 100, 1.01}, {L"C", 300, 50, 0.52}, {L"D", 300, 100, -1.0}, {L"A", 300, 50, -0.5}});
    const auto r = calculerPolygonaleFermee(station(L"A", 0, 0, 10, 100), c.mode, kGrades, obs);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_NEAR(r.nivellement.SZ, 0.03, 1e-12);
    const double dz[] = {1.01, 0.52, -1.0, -0.5};
    double z = 10;
    for (int i = 0; i < 4; ++i) {
      EXPECT_NEAR(r.nivellement.correction[i], c.c[i], 1e-12) << c.mode << " " << i;
      EXPECT_NEAR(obs[i].dz, dz[i] - c.c[i], 1e-12) << c.mode << " " << i;
      EXPECT_NEAR(r.Z[i], z, 1e-12) << c.mode << " " << i;
      z += obs[i].dz;
    }
    EXPECT_NEAR(z, 10, 1e-12) << "the ring closes in altitude";
    EXPECT_NEAR(r.nivellement.SL, 300, 1e-9);
    EXPECT_NEAR(r.nivellement.SR, SR, 1e-9);
  }
}

TEST(PolygonaleFermee, ModeSimpleEtRepetition) {
  auto obs = carre(0.005);  // dz sum to 0.02
  auto r = calculerPolygonaleFermee(kDepartCarre, kNivSimple, kGrades, obs);
  ASSERT_TRUE(r.ok) << r.message;
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(r.nivellement.correction[i], 0.005, 1e-12);
    EXPECT_NEAR(obs[i].dz, 0, 1e-12);
  }
  EXPECT_NEAR(r.Z[3] + obs[3].dz, 50, 1e-12);
  // The rows now carry corrected dz: a second run finds a closed ring.
  r = calculerPolygonaleFermee(kDepartCarre, kNivSimple, kGrades, obs);
  ASSERT_TRUE(r.ok);
  EXPECT_NEAR(r.nivellement.SZ, 0, 1e-12);
  EXPECT_NEAR(obs[2].dz, 0, 1e-12);

  // Mode aucun keeps the rows as they are, run after run.
  auto brut = carre(0.005);
  for (int run = 0; run < 2; ++run) {
    r = calculerPolygonaleFermee(kDepartCarre, kNivAucun, kGrades, brut);
    ASSERT_TRUE(r.ok);
    for (const auto& o : brut) EXPECT_EQ(o.dz, 0.005);
    EXPECT_NEAR(r.Z[3], 50.015, 1e-12);
  }
}

// Compass-rule example in degrees: closed-loop traverse ABCD of NPTEL course
// 105107122 "Surveying", module 9, examples 29.1, 29.2 and 29.6 (IIT Roorkee).
// Published: A (E 7200.054, N 7640.842); sides and balanced azimuths
// AB 372.222 m 0°42', BC 164.988 m 94°42' (a misprint: its own
// consecutive coordinates 164.576, -11.653 and the adjusted ones are those
// of 94°03', used here), CD 242.438 m 183°04', DA 197.145 m 232°51';
// raw misclosure dD -0.983, dL -0.606; Bowditch-adjusted consecutive coordinates
// AB (4.922, 372.425), BC (164.742, -11.551), CD (-12.726, -241.940),
// DA (-156.938, -118.934), hence B (7204.976, 8013.267),
// C (7369.718, 8001.716), D (7356.992, 7759.776).
// The ring runs clockwise, so the angle of each row (clockwise at the station
// from the previous one to the next) is azimuth(out) - azimuth(in) + 180°:
// A 307°51', B 273°21', C 269°01', D 229°47' (their sum is (n+2)·180°).
// The same traverse is also run in grades (every angle times 400/360).
TEST(PolygonaleFermee, ExempleManuelNptelEnDegresEtEnGrades) {
  const double X[] = {7200.054, 7204.976, 7369.718, 7356.992};
  const double Y[] = {7640.842, 8013.267, 8001.716, 7759.776};
  for (int unite : {kDegres, kGrades}) {
    const double f = unite == kDegres ? 1.0 : 400.0 / 360.0;
    auto obs = lignes({{L"B", f * dms(307, 51), 372.222, 0},
                       {L"C", f * dms(273, 21), 164.988, 0},
                       {L"D", f * dms(269, 1), 242.438, 0},
                       {L"A", f * dms(229, 47), 197.145, 0}});
    const auto r = calculerPolygonaleFermee(station(L"A", 7200.054, 7640.842, 0, f * dms(0, 42)), kNivAucun,
                                            unite, obs);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_NEAR(r.erreurAngulaire, 0, 1e-9);
    EXPECT_NEAR(r.gisement[2], f * dms(183, 4), 1e-9);
    EXPECT_NEAR(r.SX, -0.983, 0.002);  // published dD, dL
    EXPECT_NEAR(r.SY, -0.606, 0.002);
    for (int i = 0; i < 4; ++i) {
      EXPECT_NEAR(r.X[i], X[i], 0.001) << unite << " " << i;
      EXPECT_NEAR(r.Y[i], Y[i], 0.001) << unite << " " << i;
    }
  }
}

// Compass-rule example in grades with an angular misclosure: "Correction de
// l'exercice 4", closed traverse A-1-2-3 (course notes published on Scribd,
// document 673057979). Published: A (X 1020.678, Y -1814.522), bearing A->1
// 325.3040 gr; angles A 294.891 (printed to the mgr; 294.8914 from the
// printed sum 1200.0514 and compensated angle 294.87855), 1 378.128,
// 2 174.645, 3 352.387 gr, each compensated by -0.01285; distances A1 217.63, 12 169.69,
// 23 91.56, 3A 119.52 m; adjusted 1 (1104.904, -2015.194),
// 2 (990.315, -1890.031), 3 (907.124, -1851.777).
// Its bearings follow G(next) = G(prev) - angle + 200: the published angles
// are counterclockwise, so the clockwise row angle is 400 - angle, and the
// ring A-1-2-3 is run counterclockwise. The sheet's X axis is the north
// (its DX = D cos G), so its (X, Y) are (Y, X) here. Run backwards (A-3-2-1) the same
// published angles are the clockwise ones; that run starts on bearing A->3,
// the published 3->A bearing 20.18255 plus 200 gr.
TEST(PolygonaleFermee, ExempleManuelEnGradesDansLesDeuxSens) {
  const StationPolygonale a = station(L"A", -1814.522, 1020.678, 0, 325.3040);
  auto direct = lignes({{L"1", 400 - 294.8914, 217.63, 0},
                        {L"2", 400 - 378.128, 169.69, 0},
                        {L"3", 400 - 174.645, 91.56, 0},
                        {L"A", 400 - 352.387, 119.52, 0}});
  const auto r = calculerPolygonaleFermee(a, kNivAucun, kGrades, direct);
  ASSERT_TRUE(r.ok) << r.message;
  const double Y[] = {1020.678, 1104.904, 990.315, 907.124};
  const double X[] = {-1814.522, -2015.194, -1890.031, -1851.777};
  EXPECT_NEAR(r.erreurAngulaire, 0.0514, 1e-9);
  EXPECT_NEAR(r.gisement[1], 147.18885, 1e-9);
  EXPECT_NEAR(r.gisement[3], 20.18255, 1e-9);
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(r.X[i], X[i], 0.001) << i;
    EXPECT_NEAR(r.Y[i], Y[i], 0.001) << i;
  }

  auto inverse = lignes({{L"3", 294.8914, 119.52, 0},
                         {L"2", 352.387, 91.56, 0},
                         {L"1", 174.645, 169.69, 0},
                         {L"A", 378.128, 217.63, 0}});
  const auto ri = calculerPolygonaleFermee(station(L"A", -1814.522, 1020.678, 0, 220.18255), kNivAucun, kGrades,
                                           inverse);
  ASSERT_TRUE(ri.ok) << ri.message;
  EXPECT_NEAR(ri.erreurAngulaire, -0.0514, 1e-9);
  const int ordre[] = {0, 3, 2, 1};
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(ri.X[i], X[ordre[i]], 0.001) << i;
    EXPECT_NEAR(ri.Y[i], Y[ordre[i]], 0.001) << i;
  }
}

// The adjusted closed polyline passes once through each station, starting
// at the start station, and is drawn closed.
TEST(PolygonaleFermee, PolyligneCompenseeSansSommetRepete) {
  auto obs = carre();
  const auto r = calculerPolygonaleFermee(kDepartCarre, kNivAucun, kGrades, obs);
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.traceCompense.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_DOUBLE_EQ(r.traceCompense[i].x, r.X[i]) << i;
    EXPECT_DOUBLE_EQ(r.traceCompense[i].y, r.Y[i]) << i;
  }
  EXPECT_EQ(r.traceCompense[0].x, 1000);
  EXPECT_EQ(r.traceCompense[0].y, 2000);
  EXPECT_TRUE(r.traceCompenseFerme);
}

TEST(PolygonaleFermee, RefusSansValeurNonFinie) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Cas {
    std::vector<obsPolygonale> obs;
    int mode;
    const char* message;
  } cas[] = {
      {lignes({{L"B", 300, 100, 0}}), kNivAucun, "Moins de deux stations"},
      {{}, kNivAucun, "Moins de deux stations"},
      {lignes({{L"B", 300, 0, 0.1}, {L"A", 300, 0, 0}}), kNivSimple, "Distance totale nulle"},
      {lignes({{L"B", 300, 100, nan}, {L"A", 300, 100, 0}}), kNivAucun, "non numérique"},
      // Finite input whose sums overflow: refused rather than returning NaN.
      {lignes({{L"B", 300, 1e308, 0}, {L"A", 300, 1e308, 0}}), kNivAucun, "hors limites"},
      // Two legs in the same direction: the adjusted stations coincide, so
      // the proportional modes have nothing to divide by.
      {lignes({{L"B", 200, 10, 0.2}, {L"A", 200, 10, 0}}), kNivDistance, "nivellement nulle"},
      {lignes({{L"B", 200, 10, 0.2}, {L"A", 200, 10, 0}}), kNivRacine, "nivellement nulle"},
  };
  for (auto& c : cas) {
    const auto avant = c.obs;
    const auto r = calculerPolygonaleFermee(kDepartCarre, c.mode, kGrades, c.obs);
    EXPECT_FALSE(r.ok) << c.message;
    EXPECT_NE(r.message.find(c.message), std::string::npos) << r.message;
    ASSERT_EQ(c.obs.size(), avant.size());
    for (size_t i = 0; i < avant.size(); ++i) EXPECT_EQ(std::memcmp(&c.obs[i], &avant[i], sizeof avant[i]), 0);
  }
  // The same collapsed ring is fine in mode simple.
  auto obs = lignes({{L"B", 200, 10, 0.2}, {L"A", 200, 10, 0}});
  const auto r = calculerPolygonaleFermee(kDepartCarre, kNivSimple, kGrades, obs);
  ASSERT_TRUE(r.ok);
  EXPECT_NEAR(obs[0].dz, 0.1, 1e-12);
}

// Open traverse due east in three legs, angles 200 gr (straight on) from a
// start bearing of 100 gr; the end bearing is 100 gr.
namespace {
std::vector<obsPolygonale> ligneDroite(double a0 = 200) {
  return lignes({{L"P1", a0, 100, 1}, {L"P2", 200, 200, 2}, {L"Fin", 200, 300, 3}});
}
}  // namespace

TEST(PolygonaleOuverte, ConcordanceExacte) {
  auto obs = ligneDroite();
  const auto r = calculerPolygonaleOuverte(station(L"Dep", 0, 0, 10, 100), station(L"Fin", 600, 0, 16, 100), 200,
                                           kNivAucun, kGrades, obs);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_DOUBLE_EQ(r.w, 0);
  ASSERT_EQ(r.gisementBrut.size(), 4u);
  for (int i = 0; i <= 3; ++i) EXPECT_DOUBLE_EQ(r.gisementCompense[i], moduloPositif(r.gisementBrut[i], 400));
  EXPECT_DOUBLE_EQ(r.gisementCompense[0], 100);
  EXPECT_NEAR(r.X[2], 600, 1e-9);
  EXPECT_NEAR(r.Y[2], 0, 1e-9);
  EXPECT_EQ(r.Z, (std::vector<double>{10, 11, 13}));
  ASSERT_EQ(r.traceBrut.size(), 4u);
  EXPECT_NEAR(r.traceBrut[3].x, 600, 1e-9);
  EXPECT_FALSE(r.traceCompenseFerme);
}

TEST(PolygonaleOuverte, AnglesNormalisesSurPlace) {
  auto obs = ligneDroite(-200);
  obs[1].angle = 600;
  const auto r = calculerPolygonaleOuverte(station(L"Dep", 0, 0, 10, 100), station(L"Fin", 600, 0, 16, 100), 200,
                                           kNivAucun, kGrades, obs);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(obs[0].angle, 200);
  EXPECT_EQ(obs[1].angle, 200);
  EXPECT_DOUBLE_EQ(r.w, 0);
}

// The misclosure is the chain's excess over the end bearing reduced into
// [-H, H): a chain that wraps past north differs from an end bearing given
// just below 400 gr by almost a whole turn, but the error is the small rest.
TEST(PolygonaleOuverte, ErreurAngulaireRameneeDansUnDemiTour) {
  struct Cas {
    double depart, arrivee, erreur;
  } cas[] = {
      {399.999, 399.999, 0.0},    // angles fit; chain and end bearing agree
      {399.999, 399.996, 0.003},  // ordinary misclosure
      {0.001, 399.996, 0.005},    // chain at 0.001 gr, end bearing 399.996: a turn apart
      {399.999, 0.002, -0.003},   // chain at 399.999, end bearing just past north
  };
  for (const Cas& c : cas) {
    auto obs = lignes({{L"P1", 200, 100, 0}, {L"P2", 200, 100, 0}, {L"Fin", 200, 100, 0}});
    const double g = c.depart * std::numbers::pi / 200;
    const double x = 300 * std::sin(g), y = 300 * std::cos(g);
    const auto r = calculerPolygonaleOuverte(station(L"Dep", 0, 0, 0, c.depart), station(L"Fin", x, y, 0, c.arrivee),
                                             200, kNivAucun, kGrades, obs);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_NEAR(r.erreurAngulaire, c.erreur, 1e-9) << c.depart << " " << c.arrivee;
    EXPECT_NEAR(r.w, c.erreur / 4, 1e-9);
    EXPECT_NEAR(std::remainder(r.erreurAngulaireBrute - c.erreur, 400), 0, 1e-9);
    // Legs keep (almost) their direction and the traverse lands on the end station.
    EXPECT_NEAR(r.gisementCalcul[1], c.depart - 2 * r.w, 1e-9);
    EXPECT_NEAR(r.X[2], x, 1e-9);
    EXPECT_NEAR(r.Y[2], y, 1e-9);
    EXPECT_NEAR(r.eX * r.eX + r.eY * r.eY, 0, 1e-3);
  }
}

TEST(PolygonaleOuverte, NivellementSurLaLongueurDeChaqueBranche) {
  // dz sum to 6.06 where the end is 6 m above the start: eZ = 0.06.
  struct Cas {
    int mode;
    double c[3];
    double longueurImprimee[3];
  };
  const double SR = 10 + std::sqrt(200.0) + std::sqrt(300.0);
  const Cas cas[] = {
      {kNivSimple, {0.02, 0.02, 0.02}, {100, 200, 300}},
      {kNivDistance, {0.01, 0.02, 0.03}, {100, 200, 300}},
      {kNivRacine,
       {10 * 0.06 / SR, std::sqrt(200.0) * 0.06 / SR, std::sqrt(300.0) * 0.06 / SR},
       {100, 200, 300}},
  };
  for (const Cas& c : cas) {
    auto obs = lignes({{L"P1", 200, 100, 1.01}, {L"P2", 200, 200, 2.02}, {L"Fin", 200, 300, 3.03}});
    const auto r = calculerPolygonaleOuverte(station(L"Dep", 0, 0, 10, 100), station(L"Fin", 600, 0, 16, 100), 200,
                                             c.mode, kGrades, obs);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_NEAR(r.nivellement.eZ, 0.06, 1e-12);
    double z = 10;
    for (int i = 0; i < 3; ++i) {
      EXPECT_NEAR(r.nivellement.longueur[i], c.longueurImprimee[i], 1e-9);
      EXPECT_NEAR(r.nivellement.correction[i], c.c[i], 1e-12) << c.mode << " " << i;
      EXPECT_NEAR(r.Z[i], z, 1e-12) << "Z(i) is the origin of leg " << i;
      z += obs[i].dz;
    }
    EXPECT_NEAR(z, 16, 1e-12);
  }
}

TEST(PolygonaleOuverte, Refus) {
  const StationPolygonale dep = station(L"Dep", 0, 0, 0, 100);
  struct Cas {
    std::vector<obsPolygonale> obs;
    StationPolygonale fin;
    int mode;
    const char* message;
  } cas[] = {
      {lignes({{L"Fin", 200, 100, 0}}), station(L"Fin", 100, 0, 0, 100), kNivAucun, "Moins de deux stations"},
      {lignes({{L"P1", 200, 0, 0}, {L"Fin", 200, 0, 0}}), station(L"Fin", 0, 0, 0, 100), kNivAucun,
       "Distance totale nulle"},
      {lignes({{L"P1", 200, 10, 0}, {L"Fin", 200, 10, 0}}),
       station(L"Fin", std::numeric_limits<double>::infinity(), 0, 0, 100), kNivAucun, "non numérique"},
      // End on the start: the adjusted legs shrink to nothing.
      {lignes({{L"P1", 200, 10, 0.1}, {L"Fin", 200, 10, 0}}), station(L"Fin", 0, 0, 0, 100), kNivDistance,
       "nivellement nulle"},
      {lignes({{L"P1", 200, 10, 0.1}, {L"Fin", 200, 10, 0}}), station(L"Fin", 0, 0, 0, 100), kNivRacine,
       "nivellement nulle"},
  };
  for (auto& c : cas) {
    const auto avant = c.obs;
    const auto r = calculerPolygonaleOuverte(dep, c.fin, 200, c.mode, kGrades, c.obs);
    EXPECT_FALSE(r.ok) << c.message;
    EXPECT_NE(r.message.find(c.message), std::string::npos) << r.message;
    for (size_t i = 0; i < avant.size(); ++i) EXPECT_EQ(std::memcmp(&c.obs[i], &avant[i], sizeof avant[i]), 0);
  }
}

// Compass-rule link traverse in grades: "ChEncadre3Correction" (course
// exercise and its correction published on Scribd, document 553771121).
// Published: S1 (X 10964.900, Y 5491.520), S4 (10285.100, 5356.271);
// bearing R1 320.159 gr, bearing S4->R2 330.616 gr; angles S1 250.717,
// S2 154.892, S3 238.949, S4 145.065 gr; distances 246.522, 264.843,
// 218.961 m; misclosure fa = -0.08 gr (corrections 0.02 gr per angle);
// adjusted S2 (10746.191, 5377.764), S3 (10488.262, 5437.946).
// Its bearings follow G(next) = G(prev) - angle + 200, so the published
// angles are counterclockwise: each row angle (and the closing angle) is
// 400 - the published one. The start bearing is that of R1->S1, as here.
// The same traverse is also run in degrees (every angle times 360/400).
TEST(PolygonaleOuverte, ExempleManuelEnGradesEtEnDegres) {
  for (int unite : {kGrades, kDegres}) {
    const double f = unite == kGrades ? 1.0 : 360.0 / 400.0;
    auto obs = lignes({{L"S2", f * (400 - 250.717), 246.522, 0},
                       {L"S3", f * (400 - 154.892), 264.843, 0},
                       {L"S4", f * (400 - 238.949), 218.961, 0}});
    const auto r = calculerPolygonaleOuverte(station(L"S1", 10964.900, 5491.520, 0, f * 320.159),
                                             station(L"S4", 10285.100, 5356.271, 0, f * 330.616),
                                             f * (400 - 145.065), kNivAucun, unite, obs);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_NEAR(r.erreurAngulaire, f * -0.08, 1e-9);
    EXPECT_NEAR(r.gisementCompense[0], f * 269.462, 1e-9);
    EXPECT_NEAR(r.gisementCompense[1], f * 314.590, 1e-9);
    EXPECT_NEAR(r.gisementCompense[3], f * 330.616, 1e-9);
    const double X[] = {10746.191, 10488.262, 10285.100}, Y[] = {5377.764, 5437.946, 5356.271};
    for (int i = 0; i < 3; ++i) {
      EXPECT_NEAR(r.X[i], X[i], 0.001) << unite << " " << i;
      EXPECT_NEAR(r.Y[i], Y[i], 0.001) << unite << " " << i;
    }
  }
}

// Link traverse with clockwise angles, "Calcul d'un Cheminement (2ème cas)"
// (course sheet published on Scribd, document 654448258). Published:
// A (782875.12, 215320.46), C (783228.94, 215327.80), bearings 251.324 at
// the start and 130.154 (C->D) at the end; angles A 39.432, 1 219.887,
// 2 182.143, 3 228.478, 4 151.738, C 257.128 gr; distances 78.12, 89.72,
// 63.41, 69.68, 64.93 m; misclosure f = -0.024 gr; adjusted
// 1 (782952.43, 215331.76), 2 (783040.90, 215316.81), 3 (783103.92, 215323.97),
// 4 (783169.75, 215301.10). The angles are the clockwise ones of the rows as
// they are; coordinates are published to the centimetre only.
TEST(PolygonaleOuverte, ExempleManuelAnglesHoraires) {
  auto obs = lignes({{L"1", 39.432, 78.12, 0},
                     {L"2", 219.887, 89.72, 0},
                     {L"3", 182.143, 63.41, 0},
                     {L"4", 228.478, 69.68, 0},
                     {L"C", 151.738, 64.93, 0}});
  const auto r = calculerPolygonaleOuverte(station(L"A", 782875.12, 215320.46, 0, 251.324),
                                           station(L"C", 783228.94, 215327.80, 0, 130.154), 257.128, kNivAucun,
                                           kGrades, obs);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_NEAR(r.erreurAngulaire, -0.024, 1e-9);
  EXPECT_NEAR(r.gisementCompense[0], 90.760, 1e-9);
  EXPECT_NEAR(r.eX, 0.039, 0.001);
  const double X[] = {782952.43, 783040.90, 783103.92, 783169.75, 783228.94};
  const double Y[] = {215331.76, 215316.81, 215323.97, 215301.10, 215327.80};
  for (int i = 0; i < 5; ++i) {
    EXPECT_NEAR(r.X[i], X[i], 0.005) << i;
    EXPECT_NEAR(r.Y[i], Y[i], 0.005) << i;
  }
}

// ------------------------------------------------------------ tolerances

// Misclosures against their tolerances: 4.5 mgr x sqrt(number of angles)
// in the traverse's unit, and the total length / 5000.
TEST(TolerancesPolygonale, Fermee) {
  struct Cas {
    const char* pourquoi;
    int unite;
    double faute;       // gr, added to the angle at C
    double distanceCD;  // m, the true one is 100
    double tolAngle;    // in the unit
    bool angleDepasse, lineaireDepasse;
  };
  const Cas cas[] = {
      {"exact ring", kGrades, 0, 100, 0.009, false, false},
      {"8 mgr blunder: within 9 mgr", kGrades, 0.008, 100, 0.009, false, false},
      {"10 mgr blunder", kGrades, 0.010, 100, 0.009, true, false},
      {"10 mgr blunder in degrees", kDegres, 0.010, 100, 0.0081, true, false},
      {"10 mgr blunder in radians", kRadians, 0.010, 100, 0.009 * std::numbers::pi / 200, true, false},
      {"7 cm on one leg: within 8 cm", kGrades, 0, 100.07, 0.009, false, false},
      {"10 cm on one leg", kGrades, 0, 100.10, 0.009, false, true},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.pourquoi);
    const double f = tourComplet(c.unite) / 400;
    auto obs = carre();
    for (auto& o : obs) o.angle *= f;
    obs[2].angle += c.faute * f;
    obs[2].distance = c.distanceCD;
    const auto r = calculerPolygonaleFermee(station(L"A", 1000, 2000, 50, 0), kNivAucun, c.unite, obs);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_NEAR(r.controleAngulaire.fermeture, c.faute * f, 1e-9);
    EXPECT_NEAR(r.controleAngulaire.tolerance, c.tolAngle, 1e-12);
    EXPECT_EQ(r.controleAngulaire.depassee, c.angleDepasse);
    EXPECT_NEAR(r.controleLineaire.fermeture, std::hypot(r.SX, r.SY), 1e-12);
    EXPECT_NEAR(r.controleLineaire.tolerance, r.D / 5000, 1e-12);
    EXPECT_EQ(r.controleLineaire.depassee, c.lineaireDepasse);
    EXPECT_EQ(r.horsTolerance(), c.angleDepasse || c.lineaireDepasse);
  }
}

TEST(TolerancesPolygonale, Ouverte) {
  // Three legs (100, 200, 300 m) due east: four angles with the closing
  // one, so 9 mgr; 600 m / 5000 = 0.12 m.
  struct Cas {
    const char* pourquoi;
    double fermeture;  // closing angle, 200 when exact
    double xFin;       // 600 when exact
    bool angleDepasse, lineaireDepasse;
  };
  const Cas cas[] = {
      {"exact", 200, 600, false, false},
      {"8 mgr on the closing angle", 200.008, 600, false, false},
      {"10 mgr on the closing angle", 200.010, 600, true, false},
      {"end 0.1 m off", 200, 600.1, false, false},
      {"end 0.2 m off", 200, 600.2, false, true},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.pourquoi);
    auto obs = ligneDroite();
    const auto r = calculerPolygonaleOuverte(station(L"Dep", 0, 0, 10, 100), station(L"Fin", c.xFin, 0, 16, 100),
                                             c.fermeture, kNivAucun, kGrades, obs);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_NEAR(r.controleAngulaire.fermeture, std::fabs(r.erreurAngulaire), 1e-12);
    EXPECT_NEAR(r.controleAngulaire.tolerance, 0.009, 1e-12);
    EXPECT_EQ(r.controleAngulaire.depassee, c.angleDepasse);
    EXPECT_NEAR(r.controleLineaire.fermeture, std::hypot(r.eX, r.eY), 1e-12);
    EXPECT_NEAR(r.controleLineaire.tolerance, 0.12, 1e-12);
    EXPECT_EQ(r.controleLineaire.depassee, c.lineaireDepasse);
    EXPECT_EQ(r.horsTolerance(), c.angleDepasse || c.lineaireDepasse);
  }
}

TEST(TolerancesPolygonale, ParametresEtValeursInvalides) {
  EXPECT_NEAR(toleranceAngulaire({}, 4, kGrades), 0.009, 1e-15);
  EXPECT_NEAR(toleranceAngulaire({}, 9, kDegres), 0.0135 * 0.9, 1e-15);
  EXPECT_NEAR(toleranceLineaire({}, 1000), 0.2, 1e-15);
  const TolerancesPolygonale fines{1.5, 10000};
  EXPECT_NEAR(toleranceAngulaire(fines, 4, kGrades), 0.003, 1e-15);
  EXPECT_NEAR(toleranceLineaire(fines, 1000), 0.1, 1e-15);
  // A value that is not a finite positive number falls back to the default.
  for (double v : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
    EXPECT_NEAR(toleranceAngulaire({v, v}, 4, kGrades), 0.009, 1e-15) << v;
    EXPECT_NEAR(toleranceLineaire({v, v}, 1000), 0.2, 1e-15) << v;
  }
  // The computation uses the tolerances it is given.
  auto obs = carre();
  obs[2].angle += 0.004;
  EXPECT_FALSE(calculerPolygonaleFermee(kDepartCarre, kNivAucun, kGrades, obs).horsTolerance());
  obs = carre();
  obs[2].angle += 0.004;
  EXPECT_TRUE(calculerPolygonaleFermee(kDepartCarre, kNivAucun, kGrades, obs, fines).horsTolerance());
}

