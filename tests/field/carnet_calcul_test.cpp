// Points of a field book: set-ups read from the book, polar computation
// checked against coordinates built from geometry (and against the
// instrument's own coordinates in a real book), faces, backsights, codes.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "field/carnet_calcul.hpp"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRad = kPi / 200.0;

std::string donnee(const std::string& nom) { return std::string(GELTARO_TEST_DATA_DIR) + "/gsi/" + nom; }

// A sighting made up from a station and a target: the bearing, zenith angle
// and distances that an instrument at (xs, ys, zs) with height hi reads on a
// prism of height ht at (x, y, z).
struct Cible {
  std::string nom;
  double x, y, z;
};

observationGsi mesure(const Cible& c, double xs, double ys, double zs, double hi, double ht, double orientation = 0) {
  const double dx = c.x - xs, dy = c.y - ys;
  const double dh = std::hypot(dx, dy);
  const double dz = (c.z + ht) - (zs + hi);
  observationGsi o;
  o.nom = c.nom;
  o.ah = std::fmod(std::atan2(dx, dy) / kRad - orientation + 800.0, 400.0), o.aAh = true;
  o.av = std::atan2(dh, dz) / kRad, o.aAv = true;
  o.di = std::hypot(dh, dz), o.aDi = true;
  o.hmire = ht, o.aHmire = true;
  return o;
}

std::vector<carnetObservations::entree> entrees(const std::vector<observationGsi>& obs, int station) {
  std::vector<carnetObservations::entree> e;
  for (const auto& o : obs) e.push_back({station, o});
  return e;
}

stationGsi station(double x, double y, double z, double hi, bool orientee) {
  stationGsi s;
  s.nom = "S1";
  s.x = x, s.y = y, s.z = z, s.hi = hi;
  s.aX = s.aY = s.aZ = s.aHi = true;
  s.aOrientation = orientee;
  return s;
}

const pointCarnet* trouver(const resultatCarnet& r, const std::string& nom) {
  for (const auto& p : r.points)
    if (p.nom == nom) return &p;
  return nullptr;
}

// Targets all around the station, up and down hill, near and far.
const std::vector<Cible> kCibles = {
    {"N", 1000.0, 2150.0, 102.0},  {"E", 1080.0, 2000.0, 98.5},  {"SW", 950.0, 1900.0, 100.0},
    {"NW", 900.0, 2030.0, 130.0}, {"PRES", 1001.0, 2000.5, 100.2}, {"LOIN", 1400.0, 1700.0, 80.0},
};

TEST(CalculCarnet, PolaireRetrouveLesCoordonnees) {
  const double xs = 1000, ys = 2000, zs = 100, hi = 1.55;
  std::vector<observationGsi> obs;
  double ht = 1.2;
  for (const Cible& c : kCibles) {
    obs.push_back(mesure(c, xs, ys, zs, hi, ht));
    ht += 0.1;
  }
  // One line gives the horizontal distance (32) instead of the slope one.
  obs[1].dh = std::hypot(kCibles[1].x - xs, kCibles[1].y - ys), obs[1].aDh = true, obs[1].aDi = false;
  const auto e = entrees(obs, 0);
  const std::vector<stationGsi> stations = {station(xs, ys, zs, hi, true)};
  const auto st = decouperEnStations(e, stations);
  ASSERT_EQ(st.size(), 1u);
  EXPECT_EQ(st[0].orientation, orientationStation::lue);
  const resultatCarnet r = calculerCarnet(st, e);
  ASSERT_EQ(r.points.size(), kCibles.size());
  for (const Cible& c : kCibles) {
    SCOPED_TRACE(c.nom);
    const pointCarnet* p = trouver(r, c.nom);
    ASSERT_NE(p, nullptr);
    EXPECT_NEAR(p->x, c.x, 1e-6);
    EXPECT_NEAR(p->y, c.y, 1e-6);
    EXPECT_NEAR(p->z, c.z, 1e-6);
  }
  EXPECT_EQ(r.hiManquantes + r.htManquantes, 0);

  // The scale factor shortens the plan distances only.
  const resultatCarnet echelle = calculerCarnet(st, e, 0.9996);
  const pointCarnet* loin = trouver(echelle, "LOIN");
  EXPECT_NEAR(std::hypot(loin->x - xs, loin->y - ys), 0.9996 * std::hypot(400.0, 300.0), 1e-6);
}

// Face II is brought back to face I; both faces of a point make one point,
// their mean, with the differences listed.
TEST(CalculCarnet, DeuxiemeFaceEtPaires) {
  const Cible c{"P", 1030.0, 2040.0, 101.0};
  observationGsi f1 = mesure(c, 1000, 2000, 100, 1.5, 1.3);
  observationGsi f2 = f1;
  f2.ah = std::fmod(f1.ah + 200.0, 400.0), f2.av = 400.0 - f1.av;  // the same sighting, face II
  observationGsi seule = mesure({"Q", 970.0, 1960.0, 99.0}, 1000, 2000, 100, 1.5, 1.3);
  seule.ah = std::fmod(seule.ah + 200.0, 400.0), seule.av = 400.0 - seule.av;  // face II alone

  const viseeReduite red = reduireAuCercleGauche(f2);
  EXPECT_TRUE(red.deuxiemeFace);
  EXPECT_NEAR(red.hz, f1.ah, 1e-9);
  EXPECT_NEAR(red.v, f1.av, 1e-9);

  // Face II off by 2 mgr in Hz and 1 mgr in V, 4 mm longer.
  f2.ah += 0.002, f2.av -= 0.001, f2.di += 0.004;
  // The name used again for another target, in face II: not a pair.
  observationGsi autre = mesure({"P", 1100.0, 1900.0, 100.0}, 1000, 2000, 100, 1.5, 1.3);
  autre.ah = std::fmod(autre.ah + 200.0, 400.0), autre.av = 400.0 - autre.av;
  const auto e = entrees({f1, seule, autre, f2}, 0);
  const resultatCarnet r = calculerCarnet(decouperEnStations(e, {station(1000, 2000, 100, 1.5, true)}), e);
  ASSERT_EQ(r.points.size(), 3u);
  // In book order: the pair (its first sighting), Q, the other P.
  EXPECT_EQ(r.points[1].nom, "Q");
  EXPECT_NEAR(r.points[2].x, 1100.0, 1e-6);
  EXPECT_FALSE(r.points[2].deuxFaces);
  const pointCarnet* p = trouver(r, "P");
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(p->deuxFaces);
  EXPECT_NEAR(p->ecartHz, -0.002, 1e-9);
  EXPECT_NEAR(p->ecartV, -0.001, 1e-9);
  EXPECT_NEAR(p->ecartDh, -0.004, 2e-4);
  EXPECT_NEAR(p->gisement, std::fmod(f1.ah + 0.001, 400.0), 1e-9);
  EXPECT_NEAR(std::hypot(p->x - 1000, p->y - 2000), std::hypot(30.0, 40.0) + 0.002, 2e-4);
  const pointCarnet* q = trouver(r, "Q");
  ASSERT_NE(q, nullptr);
  EXPECT_FALSE(q->deuxFaces);
  EXPECT_NEAR(q->x, 970.0, 1e-6);
  EXPECT_NEAR(q->y, 1960.0, 1e-6);
  EXPECT_NEAR(q->z, 99.0, 1e-6);
}

// Three backsights: the orientation unknown is the mean of bearing − angle
// read, each residual the reading's error less the mean error. Across 0 gr
// the mean must not jump to 200 gr.
TEST(CalculCarnet, OrientationSurTroisVisees) {
  for (const double g0 : {37.5, 399.9995, 0.0003}) {
    SCOPED_TRACE(g0);
    const std::vector<Cible> references = {{"R1", 1100, 2100, 0}, {"R2", 900, 2050, 0}, {"R3", 1020, 1800, 0}};
    const double bruit[] = {0.0010, -0.0020, 0.0016};  // errors of the readings, gr
    std::vector<observationGsi> obs;
    for (int i = 0; i < 3; ++i) {
      obs.push_back(mesure(references[std::size_t(i)], 1000, 2000, 100, 1.5, 1.5, g0));
      obs.back().ah = std::fmod(obs.back().ah + bruit[i] + 400.0, 400.0);
    }
    obs.push_back(mesure({"P", 1050, 2050, 100}, 1000, 2000, 100, 1.5, 1.5, g0));
    const auto e = entrees(obs, 0);
    auto st = decouperEnStations(e, {station(1000, 2000, 100, 1.5, false)});
    ASSERT_EQ(st.size(), 1u);
    EXPECT_EQ(st[0].orientation, orientationStation::aucune);
    std::vector<std::string> manquants;
    std::vector<pointReference> connus;
    for (const Cible& c : references) connus.push_back({c.nom, c.x, c.y});
    connus.push_back({"ABSENT", 0, 0});
    ASSERT_TRUE(orienterSurVisees(st[0], e, connus, &manquants));
    EXPECT_EQ(manquants, std::vector<std::string>{"ABSENT"});
    const double moyenneBruit = (bruit[0] + bruit[1] + bruit[2]) / 3.0;
    EXPECT_NEAR(ecartGrades(st[0].correction - (g0 - moyenneBruit)), 0.0, 1e-9);
    ASSERT_EQ(st[0].visees.size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(st[0].visees[std::size_t(i)].residu, bruit[i] - moyenneBruit, 1e-9);
    const double d1 = std::hypot(100.0, 100.0);
    EXPECT_NEAR(st[0].visees[0].ecart, (bruit[0] - moyenneBruit) * kRad * d1, 1e-9);

    // The backsights are not points; the other sighting is, oriented.
    const resultatCarnet r = calculerCarnet(st, e);
    ASSERT_EQ(r.points.size(), 1u);
    EXPECT_NEAR(r.points[0].x, 1050 - moyenneBruit * kRad * std::hypot(50.0, 50.0) / std::sqrt(2.0), 1e-6);
    EXPECT_NEAR(r.points[0].y, 2050 + moyenneBruit * kRad * std::hypot(50.0, 50.0) / std::sqrt(2.0), 1e-6);
  }
}

// No distance anywhere: directions only, no point. Missing heights count as
// 0 and are reported; no station altitude, no point altitude.
TEST(CalculCarnet, DirectionsSeulesEtHauteursManquantes) {
  std::vector<observationGsi> obs;
  for (const Cible& c : kCibles) {
    observationGsi o = mesure(c, 1000, 2000, 100, 0, 0);
    o.aDi = false;  // angles only
    o.aHmire = false;
    obs.push_back(o);
  }
  obs[2].aDi = true, obs[2].di = 0.0;  // a zero distance is no distance
  const auto e = entrees(obs, 0);
  stationGsi s = station(1000, 2000, 100, 0, true);
  const resultatCarnet r = calculerCarnet(decouperEnStations(e, {s}), e);
  EXPECT_TRUE(r.points.empty());
  ASSERT_EQ(r.directions.size(), kCibles.size());
  EXPECT_NEAR(r.directions[0].gisement, 0.0, 1e-9);
  EXPECT_NEAR(r.directions[1].gisement, 100.0, 1e-9);

  std::vector<observationGsi> avecDistance;
  for (const Cible& c : kCibles) avecDistance.push_back(mesure(c, 1000, 2000, 100, 0, 0));
  for (auto& o : avecDistance) o.aHmire = false;
  avecDistance[3].aHmire = true, avecDistance[3].hmire = 0.0;  // from here on the height is known
  s.aHi = false;
  const auto e2 = entrees(avecDistance, 0);
  const resultatCarnet r2 = calculerCarnet(decouperEnStations(e2, {s}), e2);
  ASSERT_EQ(r2.points.size(), kCibles.size());
  EXPECT_EQ(r2.hiManquantes, 6);
  EXPECT_EQ(r2.htManquantes, 3);
  EXPECT_TRUE(r2.points[2].htManquante);
  EXPECT_FALSE(r2.points[4].htManquante);
  for (std::size_t i = 0; i < kCibles.size(); ++i) EXPECT_NEAR(r2.points[i].z, kCibles[i].z, 1e-6);

  s.aZ = false;
  const resultatCarnet sansZ = calculerCarnet(decouperEnStations(e2, {s}), e2);
  for (const auto& p : sansZ.points) EXPECT_EQ(p.z, kIndefini);
  EXPECT_EQ(sansZ.hiManquantes, 0);
}

TEST(CalculCarnet, CodesEtObservations) {
  const auto connu = [](int c) { return c == 1 || c == 100; };
  struct Cas {
    const char *code, *remarque;
    int attendu;
    const char* observation;
  } cas[] = {
      {"1", "", 1, ""},          {"100", "mur", 100, "mur"},   {"50", "", 7, "50"},
      {"MK27", "borne", 7, "MK27 borne"}, {"", "haie", 7, "haie"}, {"00012", "", 7, "00012"},
      {"-1", "", 7, "-1"},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.code);
    const codeEtObservation r = codeDuCarnet(c.code, c.remarque, connu, 7);
    EXPECT_EQ(r.code, c.attendu);
    EXPECT_EQ(r.observation, c.observation);
  }
}

// The set-ups of a book: station lines (no horizontal angle) start them, the
// lines before the first belong to none, and a new book starts again.
TEST(CalculCarnet, MisesEnStationDuCarnet) {
  carnetObservations carnet;
  const std::vector<std::string> lignes = {
      "110001+00000001 21...2+10000000 22...2+10000000 32...0+00010000 ",
      "110002+000000S1 25...2+00000000 84...0+01000000 85...0+02000000 86...0+00100000 88...0+00001500 ",
      "110003+00000002 21...2+10000000 22...2+10000000 32...0+00010000 87...0+00001500 ",
      "110004+000000S2 84...0+01100000 85...0+02000000 ",
      "110005+00000003 21...2+30000000 32...0+00010000 ",
  };
  analyserLignesGsi(lignes, carnet);
  ASSERT_EQ(carnet.stations().size(), 2u);
  EXPECT_EQ(carnet.stations()[0].nom, "S1");
  EXPECT_TRUE(carnet.stations()[0].aOrientation);
  EXPECT_NEAR(carnet.stations()[0].hi, 1.5, 1e-12);
  EXPECT_FALSE(carnet.stations()[1].aOrientation);
  std::vector<int> indexes;
  for (const auto& e : carnet.observations()) indexes.push_back(e.station);
  EXPECT_EQ(indexes, (std::vector<int>{-1, 0, 0, 1, 1}));

  const auto st = decouperEnStations(carnet.observations(), carnet.stations());
  ASSERT_EQ(st.size(), 3u);
  EXPECT_EQ(st[0].index, -1);
  EXPECT_EQ(st[1].orientation, orientationStation::lue);
  EXPECT_EQ(st[2].orientation, orientationStation::aucune);
  const resultatCarnet r = calculerCarnet(st, carnet.observations());
  EXPECT_EQ(r.lignesSansStation, 1);  // the first line: no station given
  ASSERT_EQ(r.points.size(), 2u);
  EXPECT_NEAR(r.points[0].x, 1010.0, 1e-9);
  EXPECT_NEAR(r.points[0].z, 100.0, 1e-9);  // 100 + 1.5 + 0 - 1.5
  EXPECT_NEAR(r.points[1].x, 1090.0, 1e-9);
  EXPECT_EQ(r.points[1].z, kIndefini);

  // Analysed again: its first line again belongs to no set-up.
  analyserLignesGsi(lignes, carnet);
  EXPECT_EQ(carnet.observations()[5].station, -1);
  EXPECT_EQ(carnet.observations()[7].station, 2);
}

// A real field book whose lines carry the instrument's own coordinates:
// after the set-up STAZLIB3 (station and orientation in the book) every
// point agrees with them within 2 mm in X, Y and Z. The lines before any
// set-up, with the station typed, agree in plan (the instrument was
// oriented), face II sightings included; two lines the book took from
// another station without a set-up line stand out.
TEST(CalculCarnet, CarnetReelControleParLInstrument) {
  carnetObservations carnet;
  analyserLignesGsi(lireLignesGsi(donnee("leica_gsi8_ertola.gsi")), carnet);
  auto st = decouperEnStations(carnet.observations(), carnet.stations());
  ASSERT_GE(st.size(), 3u);
  EXPECT_EQ(st[0].index, -1);
  EXPECT_EQ(st[0].orientation, orientationStation::instrument);
  EXPECT_EQ(st[1].nom, "STAZLIB3");
  EXPECT_EQ(st[1].orientation, orientationStation::lue);
  st[0].positionConnue = true;
  st[0].x = 500.0, st[0].y = 500.0;
  st[0].aZ = false;
  const resultatCarnet r = calculerCarnet(st, carnet.observations());

  int apresStazlib3 = 0, avant = 0, deuxiemeFace = 0, horsTolerance = 0;
  for (const pointCarnet& p : r.points) {
    SCOPED_TRACE(p.nom);
    if (!p.controle) continue;
    if (p.station == 1) {
      ++apresStazlib3;
      EXPECT_LE(std::fabs(p.ex), 0.002);
      EXPECT_LE(std::fabs(p.ey), 0.002);
      ASSERT_TRUE(p.aControleZ);
      EXPECT_LE(std::fabs(p.ez), 0.002);
      EXPECT_FALSE(p.horsTolerance);
    } else if (p.station == 0) {
      ++avant;
      if (p.nom == "800" || p.nom == "801") {
        EXPECT_TRUE(p.horsTolerance);
        ++horsTolerance;
        continue;
      }
      EXPECT_LE(std::fabs(p.ex), 0.002);
      EXPECT_LE(std::fabs(p.ey), 0.002);
      EXPECT_FALSE(p.aControleZ);
      if (p.nom >= "320" && p.nom <= "328" && p.nom.size() == 3) ++deuxiemeFace;
    }
  }
  EXPECT_EQ(apresStazlib3, 25);
  EXPECT_GT(avant, 480);
  // Names 320 to 328 are used twice: face I lines, then face II lines on
  // other targets (not pairs). All 18 points agree.
  EXPECT_EQ(deuxiemeFace, 18);
  EXPECT_EQ(horsTolerance, 2);
  // Line 132 has no distance: a direction only.
  ASSERT_FALSE(r.directions.empty());
  EXPECT_EQ(r.directions[0].nom, "132");
}

}  // namespace
