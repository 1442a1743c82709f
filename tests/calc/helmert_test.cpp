// The estimation of the plane similarity: a published worked example, exact
// cases (translation, rotation, scale), a least-squares fit with known
// residuals, and the data that give no result.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "calc/helmert.hpp"

namespace {

constexpr double kPi = std::numbers::pi;

std::vector<pointCalage> deplaces(const std::vector<pointCalage>& points, double (*fx)(double, double),
                                  double (*fy)(double, double)) {
  std::vector<pointCalage> out;
  for (const pointCalage& p : points) out.push_back({fx(p.x, p.y), fy(p.x, p.y)});
  return out;
}

// Ghilani & Wolf, "Adjustment Computations: Spatial Data Analysis" (Wiley),
// chapter "Coordinate Transformations", example of the two-dimensional
// conformal transformation: three control points measured in a local
// system (x, y) and known in the map system (E, N). Published solution:
// a = -4.51249, b = -0.25371, Tx = 1,050,003.715, Ty = 50,542.131,
// θ = 183°13'05", s = 4.51962.
//
// The book writes E = a x - b y + Tx, N = b x + a y + Ty with θ turning
// counter-clockwise and the translation applied at the origin of (x, y).
// Here X = A dx + B dy, Y = A dy - B dx about the centroids with θ turning
// clockwise, so A = a, B = -b, θ = 360° - 183°13'05" and the book's
// translation is where the origin of the local system goes.
TEST(Helmert, ExemplePublieReproduit) {
  const std::vector<pointCalage> local = {{121.622, -128.066}, {141.228, 187.718}, {175.802, 135.728}};
  const std::vector<pointCalage> carte = {
      {1049422.40, 51089.20}, {1049413.95, 49659.30}, {1049244.95, 49884.95}};
  const resultatHelmert r = estimerHelmert(local, carte);
  ASSERT_TRUE(r.ok);
  EXPECT_NEAR(r.a, -4.51249, 0.5e-5);
  EXPECT_NEAR(r.b, 0.25371, 0.5e-5);
  EXPECT_NEAR(r.echelle, 4.51962, 0.5e-5);
  const double thetaLivre = (183 + 13 / 60.0 + 5 / 3600.0) * kPi / 180;
  EXPECT_NEAR(r.rotation, 2 * kPi - thetaLivre, 0.5 / 3600 * kPi / 180);  // to the half second
  const pointCalage origine = r.transformer({0, 0});
  EXPECT_NEAR(origine.x, 1050003.715, 0.5e-3);
  EXPECT_NEAR(origine.y, 50542.131, 0.5e-3);
  // Our translation is the difference of the centroids.
  EXPECT_NEAR(r.tx, (1049422.40 + 1049413.95 + 1049244.95) / 3 - (121.622 + 141.228 + 175.802) / 3, 1e-6);
  EXPECT_NEAR(r.ty, (51089.20 + 49659.30 + 49884.95) / 3 - (-128.066 + 187.718 + 135.728) / 3, 1e-6);
  // The transformed points are the ones transformer() gives, and their
  // residuals are what is left of the fit.
  ASSERT_EQ(r.transformes.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    const pointCalage p = r.transformer(local[i]);
    EXPECT_NEAR(r.transformes[i].x, p.x, 1e-6);
    EXPECT_NEAR(r.transformes[i].y, p.y, 1e-6);
    EXPECT_NEAR(r.ecarts[i], std::hypot(p.x - carte[i].x, p.y - carte[i].y), 1e-9);
    EXPECT_LT(r.ecarts[i], 0.2);
  }
}

TEST(Helmert, CasExacts) {
  const std::vector<pointCalage> source = {{100, 200}, {130, 210}, {120, 260}, {90, 240}};
  struct Cas {
    const char* nom;
    double (*fx)(double, double);
    double (*fy)(double, double);
    double echelle, rotationGrades, a, b;
  };
  // Centroid of the source: (110, 227.5).
  const Cas cas[] = {
      {"translation", [](double x, double) { return x + 1000.25; }, [](double, double y) { return y - 50.5; }, 1, 0,
       1, 0},
      // A quarter turn clockwise about the centroid: (dx, dy) -> (dy, -dx).
      {"100 gr horaires", [](double, double y) { return 110 + (y - 227.5); },
       [](double x, double) { return 227.5 - (x - 110); }, 1, 100, 0, 1},
      // The same turn with the scale doubled, then moved.
      {"100 gr et echelle 2", [](double, double y) { return 500 + 2 * (y - 227.5); },
       [](double x, double) { return 700 - 2 * (x - 110); }, 2, 100, 0, 2},
      // Half a turn: θ = π, on the edge of atan2.
      {"demi-tour", [](double x, double) { return 220 - x; }, [](double, double y) { return 455 - y; }, 1, 200,
       -1, 0},
      // A quarter turn counter-clockwise is -100 gr.
      {"100 gr anti-horaires", [](double, double y) { return 110 - (y - 227.5); },
       [](double x, double) { return 227.5 + (x - 110); }, 1, -100, 0, -1},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    const std::vector<pointCalage> cible = deplaces(source, c.fx, c.fy);
    const resultatHelmert r = estimerHelmert(source, cible);
    ASSERT_TRUE(r.ok);
    EXPECT_NEAR(r.echelle, c.echelle, 1e-12);
    EXPECT_NEAR(r.rotationGrades(), c.rotationGrades, 1e-9);
    EXPECT_NEAR(r.a, c.a, 1e-12);
    EXPECT_NEAR(r.b, c.b, 1e-12);
    const double mx = (cible[0].x + cible[1].x + cible[2].x + cible[3].x) / 4;
    const double my = (cible[0].y + cible[1].y + cible[2].y + cible[3].y) / 4;
    EXPECT_NEAR(r.tx, mx - 110, 1e-9);
    EXPECT_NEAR(r.ty, my - 227.5, 1e-9);
    for (std::size_t i = 0; i < source.size(); ++i) {
      EXPECT_NEAR(r.transformes[i].x, cible[i].x, 1e-9);
      EXPECT_NEAR(r.transformes[i].y, cible[i].y, 1e-9);
      EXPECT_NEAR(r.ecarts[i], 0, 1e-9);
    }
    EXPECT_NEAR(r.emq(), 0, 1e-9);
  }
}

// A square whose targets are sheared by e (dx, dy) -> (dx + e dy, dy + e dx):
// the shear is orthogonal to every similarity, so the best fit is the
// identity and every residual is e√2.
TEST(Helmert, AjustementAvecResidus) {
  const double e = 0.01;
  const std::vector<pointCalage> source = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  std::vector<pointCalage> cible;
  for (const pointCalage& p : source) cible.push_back({p.x + e * p.y, p.y + e * p.x});
  const resultatHelmert r = estimerHelmert(source, cible);
  ASSERT_TRUE(r.ok);
  EXPECT_NEAR(r.a, 1, 1e-12);
  EXPECT_NEAR(r.b, 0, 1e-12);
  for (double d : r.ecarts) EXPECT_NEAR(d, e * std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(r.emq(), std::sqrt(4 * 2 * e * e / 3), 1e-12);
}

TEST(Helmert, DonneesSansResultat) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Cas {
    const char* nom;
    std::vector<pointCalage> depart, final;
  } cas[] = {
      {"longueurs differentes", {{0, 0}, {1, 0}, {0, 1}}, {{0, 0}, {1, 0}}},
      {"aucune paire", {}, {}},
      {"departs confondus", {{5, 5}, {5, 5}, {5, 5}}, {{0, 0}, {1, 0}, {0, 1}}},
      // The centroid of three 0.1 is not 0.1: rounding must not pass for a spread.
      {"departs confondus arrondis", {{0.1, 0.7}, {0.1, 0.7}, {0.1, 0.7}}, {{0, 0}, {1, 0}, {0, 1}}},
      {"grandes coordonnees confondues",
       {{1049422.4, 51089.2}, {1049422.4, 51089.2}, {1049422.4, 51089.2}},
       {{0, 0}, {1, 0}, {0, 1}}},
      {"une seule paire", {{3, 4}}, {{5, 6}}},
      {"NaN", {{0, 0}, {1, nan}, {0, 1}}, {{0, 0}, {1, 0}, {0, 1}}},
      {"infini", {{0, 0}, {1, 0}, {0, 1}}, {{0, 0}, {inf, 0}, {0, 1}}},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    const resultatHelmert r = estimerHelmert(c.depart, c.final);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.message.empty());
    EXPECT_TRUE(r.transformes.empty());
    EXPECT_TRUE(std::isfinite(r.a) && std::isfinite(r.b) && std::isfinite(r.echelle));
  }
}

// Targets all at one place are a result (scale 0), not a failure: nothing
// is divided by their spread.
TEST(Helmert, CiblesConfonduesDonnentUneEchelleNulle) {
  const resultatHelmert r = estimerHelmert({{0, 0}, {10, 0}, {0, 10}}, {{7, 8}, {7, 8}, {7, 8}});
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.echelle, 0);
  for (const pointCalage& p : r.transformes) {
    EXPECT_NEAR(p.x, 7, 1e-12);
    EXPECT_NEAR(p.y, 8, 1e-12);
  }
}

}  // namespace
