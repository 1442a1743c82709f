// What the parts of the least-squares network share: the thresholds of the
// computation, text formatting, name and number reading, the geometry of
// two points, the numbering of the unknowns. Used by the network's own
// files only.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdarg>
#include <cwchar>
#include <string>
#include <vector>

#include "calc/angles.hpp"
#include "calc/reseau_mc.hpp"

namespace reseau_mc_outils {

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kDeuxPi = 2 * kPi;
inline constexpr double kRadEnGrades = 200.0 / kPi;
inline constexpr double kRadEnMgr = 63661.97723675814;
inline constexpr double kNormeConvergence = 1e-8;
inline constexpr int kIterationsMax = 100;
// A pivot of the normal matrix scaled to a unit diagonal at most this is
// taken for zero: the network is singular.
inline constexpr double kPivotRelatifMin = 1e-12;
// Below this scaled pivot an unknown is nearly fixed by the others alone,
// and below this squared ratio of the axes of a point's error ellipse (an
// ellipse 1000 times longer than wide: loci crossing at less than about
// 0.06 gr) a point is barely fixed across its loci: its position rests on
// the noise, and the result is reported as ill-conditioned.
inline constexpr double kPivotMalConditionne = 1e-6;
// Damping of the normal matrix (scaled) tried first when a Gauss-Newton
// step does not lower vᵀPv, multiplied by 10 at each refusal.
inline constexpr double kAmortissementInitial = 1e-3;
inline constexpr int kEssaisAmortissement = 16;
// An approximate position is consistent with its observations when each
// misses it by at most 1 m plus 2 % of its length (angles as the arc they
// span at that distance): far above measuring errors, far below the
// metres a wrong crossing of two loci gives.
inline constexpr double kCoherenceAbsolue = 1.0;
inline constexpr double kCoherenceRelative = 0.02;
// Ratio of the smallest to the largest eigenvalue of the normal matrix of
// a point alone (in metres) below which its loci do not fix it.
inline constexpr double kRapportDeterminationMin = 1e-6;
// Part of the redundancy below which an observation is not checked by the
// others: its standardized residual is not computed.
inline constexpr double kRedondanceControleMin = 1e-6;
// Two loci crossing at less than this sine give no intersection: the point
// would move far along the lines for tiny errors in the observations.
inline constexpr double kSinusCroisementMin = 1e-3;
// Circles that miss each other (or a line) by at most this fraction of
// their radii, plus 1 mm, are taken as touching: measured distances carry
// errors and a point near the line of the centres must still be found.
inline constexpr double kEcartTangenceRelatif = 1e-3;
inline constexpr double kEcartTangenceAbsolu = 1e-3;
// A candidate position this close to a known point of its observations is
// that point, not a position of the point to compute.
inline constexpr double kPointConfondu = 1e-6;

inline std::wstring format(const wchar_t* f, ...) {
  std::vector<wchar_t> buf(256);
  for (;;) {
    va_list args;
    va_start(args, f);
    int n = std::vswprintf(buf.data(), buf.size(), f, args);
    va_end(args);
    if (n >= 0) return std::wstring(buf.data(), std::size_t(n));
    if (buf.size() > (1u << 22)) return std::wstring();
    buf.resize(buf.size() * 4);
  }
}

// Upper case of the letters of Windows-1252 (the code page of the files).
inline wchar_t majuscule(wchar_t c) {
  if (c >= L'a' && c <= L'z') return wchar_t(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return wchar_t(c - 32);
  switch (c) {
    case 0xFF: return 0x178;
    case 0x161: return 0x160;
    case 0x153: return 0x152;
    case 0x17E: return 0x17D;
    default: return c;
  }
}

inline std::wstring enMajuscules(std::wstring s) {
  for (auto& c : s) c = majuscule(c);
  return s;
}

inline std::wstring sansBlancs(const std::wstring& s) {
  const auto debut = s.find_first_not_of(L" \t");
  if (debut == std::wstring::npos) return std::wstring();
  const auto fin = s.find_last_not_of(L" \t");
  return s.substr(debut, fin - debut + 1);
}

// A whole token read as a finite number.
inline bool lireNombre(const std::wstring& jeton, double& valeur) {
  if (jeton.empty()) return false;
  wchar_t* fin = nullptr;
  const double v = std::wcstod(jeton.c_str(), &fin);
  if (fin != jeton.c_str() + jeton.size() || !std::isfinite(v)) return false;
  valeur = v;
  return true;
}

// An angle difference brought into [-pi, pi].
inline double enveloppe(double a) { return std::remainder(a, kDeuxPi); }

inline double gisement(const pointACalculer& de, const pointACalculer& vers) {
  return calculerGisement(de.X, de.Y, vers.X, vers.Y, kRadians);
}

inline double distance(const pointACalculer& a, const pointACalculer& b) { return std::hypot(b.X - a.X, b.Y - a.Y); }

inline pointACalculer pointEn(double x, double y) {
  pointACalculer p;
  p.X = x;
  p.Y = y;
  return p;
}

// The points an observation involves (station, target, reference).
inline std::array<int, 3> pointsDe(const ObservationReduite& o) {
  return {o.station, o.cible, o.type == kObsAngle ? o.reference : -1};
}

// Numbers the unknowns of an adjustment: `colonne` gives each point's
// column (-1 for the points that are not computed), `inconnus` the points in
// column order.
template <class EstInconnu>
void numeroterInconnus(int n, EstInconnu estInconnu, std::vector<int>& colonne, std::vector<int>& inconnus) {
  colonne.assign(std::size_t(n), -1);
  inconnus.clear();
  for (int i = 0; i < n; ++i)
    if (estInconnu(i)) {
      colonne[std::size_t(i)] = int(inconnus.size());
      inconnus.push_back(i);
    }
}

// The points a pass of approximations tries next: those not yet placed
// that share an observation with a point the last pass placed, each once,
// in index order. `marque` is all zeros before and after.
template <class PointsObservation, class EstPlace>
std::vector<int> voisinsAEssayer(const std::vector<int>& nouveaux, const std::vector<std::vector<int>>& parPoint,
                                 PointsObservation pointsObservation, EstPlace estPlace, std::vector<char>& marque) {
  std::vector<int> candidats;
  for (int p : nouveaux)
    for (int k : parPoint[std::size_t(p)])
      for (int q : pointsObservation(k))
        if (q >= 0 && q < int(marque.size()) && !estPlace(q) && !marque[std::size_t(q)]) {
          marque[std::size_t(q)] = 1;
          candidats.push_back(q);
        }
  std::sort(candidats.begin(), candidats.end());
  for (int q : candidats) marque[std::size_t(q)] = 0;
  return candidats;
}

// "Ecart type de l'unité de poids" of a solution, or why it has none.
std::wstring texteSigma0(const bilanCalcul& bilan);

}  // namespace reseau_mc_outils
