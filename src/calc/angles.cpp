#include "calc/angles.hpp"

#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;
int connue(int unite) { return unite == kDegres || unite == kRadians ? unite : kGrades; }
}  // namespace

double tourComplet(int unite) {
  switch (connue(unite)) {
    case kDegres: return 360.0;
    case kRadians: return 2 * kPi;
    default: return 400.0;
  }
}

double demiTour(int unite) { return tourComplet(unite) / 2; }

double versRadians(int unite) {
  switch (connue(unite)) {
    case kDegres: return kPi / 180.0;
    case kRadians: return 1.0;
    default: return kPi / 200.0;
  }
}

const char* nomFichierUnite(int unite) {
  static const char* const noms[] = {"grades", "degres", "radians"};
  return noms[connue(unite)];
}

const char* texteUnite(int unite) {
  static const char* const textes[] = {"Grades", "Degrés décimaux", "Radians"};
  return textes[connue(unite)];
}

const char* symboleUnite(int unite) {
  static const char* const symboles[] = {"gr", "°", "rad"};
  return symboles[connue(unite)];
}

const char* nomFichierNivellement(int mode) {
  static const char* const noms[] = {"aucun", "simple", "distance", "racine"};
  return noms[mode >= 0 && mode <= 3 ? mode : 0];
}

const char* texteNivellement(int mode) {
  static const char* const textes[] = {"Pas de nivellement", "Simple", "Prop. distances", "Prop. racine dist."};
  return textes[mode >= 0 && mode <= 3 ? mode : 0];
}

double moduloPositif(double a, double m) {
  if (m == 0.0) return a;
  double r = a - std::floor(a / m) * m;
  if (r < 0) r += m;
  // Rounding may give m itself for a just below a multiple of m.
  if (r >= m) r -= m;
  return r;
}

double calculerGisement(double xStation, double yStation, double xDirection, double yDirection, int unite) {
  double g = kPi / 2 - std::atan2(yDirection - yStation, xDirection - xStation);
  if (g < 0) g += 2 * kPi;
  return g / versRadians(unite);
}
