#include "calc/traverse.hpp"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <initializer_list>
#include <numbers>

#include "calc/angles.hpp"

void fixerNomObs(obsPolygonale& obs, std::wstring_view nom) {
  constexpr size_t kMax = sizeof(obs.nom) / sizeof(obs.nom[0]) - 1;
  const size_t n = std::min(nom.size(), kMax);
  std::fill(std::begin(obs.nom), std::end(obs.nom), L'\0');
  std::copy_n(nom.data(), n, obs.nom);
}

std::wstring nomObs(const obsPolygonale& obs) {
  constexpr size_t kTaille = sizeof(obs.nom) / sizeof(obs.nom[0]);
  size_t n = 0;
  while (n < kTaille && obs.nom[n] != L'\0') ++n;
  return std::wstring(obs.nom, n);
}

obsPolygonale creerObs(std::wstring_view nom, double angle, double distance, double dz) {
  obsPolygonale o{};
  fixerNomObs(o, nom);
  o.angle = angle;
  o.distance = distance;
  o.dz = dz;
  return o;
}

namespace {

const char* const kTropPeuDeLignes = "Moins de deux stations : calcul impossible";
const char* const kValeurInvalide = "Valeur non numérique dans les données : calcul impossible";
const char* const kDistanceNulle = "Distance totale nulle : calcul impossible";
const char* const kSommeNivNulle = "Somme des distances de nivellement nulle : calcul impossible";
const char* const kHorsLimites = "Résultat hors limites : calcul impossible";

bool fini(double v) { return std::isfinite(v); }

bool stationFinie(const StationPolygonale& s) { return fini(s.x) && fini(s.y) && fini(s.z) && fini(s.gisement); }

bool lignesFinies(std::span<const obsPolygonale> obs) {
  return std::all_of(obs.begin(), obs.end(),
                     [](const obsPolygonale& o) { return fini(o.angle) && fini(o.distance) && fini(o.dz); });
}

bool tousFinis(std::initializer_list<const std::vector<double>*> tableaux, std::initializer_list<double> valeurs) {
  for (const auto* t : tableaux)
    if (!std::all_of(t->begin(), t->end(), fini)) return false;
  return std::all_of(valeurs.begin(), valeurs.end(), fini);
}

bool sommetsFinis(const std::vector<SommetPolyligne>& s) {
  return std::all_of(s.begin(), s.end(), [](const SommetPolyligne& p) { return fini(p.x) && fini(p.y); });
}

bool nivellementFini(const NivellementPolygonale& n) {
  return tousFinis({&n.dzMesure, &n.longueur, &n.racineLongueur, &n.correction, &n.dzCorrige},
                   {n.SZ, n.SL, n.SR, n.eZ});
}

// Distributes the height misclosure eZ over the rows and fills Z. longueurs
// are the L(i) of the proportional modes. Z(0) is the start altitude and
// Z(i) = Z(i-1) + the corrected dz(i-1). In mode aucun (and for an unknown
// mode) the rows keep their dz. Returns false when the sum a proportional
// mode divides by is 0.
bool nivelerLignes(int mode, double zDepart, double eZ, const std::vector<double>& longueurs,
                   std::vector<obsPolygonale>& lignes, NivellementPolygonale& niv, std::vector<double>& Z) {
  const size_t n = lignes.size();
  niv.mode = mode;
  niv.eZ = eZ;
  Z.assign(n, 0.0);
  niv.correction.assign(n, 0.0);
  if (mode != kNivAucun) {
    niv.longueur = longueurs;
    niv.racineLongueur.resize(n);
    for (size_t i = 0; i < n; ++i) niv.racineLongueur[i] = std::sqrt(longueurs[i]);
    niv.SL = 0;
    niv.SR = 0;
    for (size_t i = 0; i < n; ++i) {
      niv.SL += niv.longueur[i];
      niv.SR += niv.racineLongueur[i];
    }
    if ((mode == kNivDistance && niv.SL == 0) || (mode == kNivRacine && niv.SR == 0)) return false;
    for (size_t i = 0; i < n; ++i) {
      switch (mode) {
        case kNivSimple: niv.correction[i] = eZ / static_cast<double>(n); break;
        case kNivDistance: niv.correction[i] = niv.longueur[i] * eZ / niv.SL; break;
        case kNivRacine: niv.correction[i] = niv.racineLongueur[i] * eZ / niv.SR; break;
        default: niv.correction[i] = 0; break;
      }
    }
  }
  niv.dzCorrige.resize(n);
  for (size_t i = 0; i < n; ++i) {
    niv.dzCorrige[i] = lignes[i].dz - niv.correction[i];
    Z[i] = i == 0 ? zDepart : Z[i - 1] + niv.dzCorrige[i - 1];
  }
  if (mode != kNivAucun)
    for (size_t i = 0; i < n; ++i) lignes[i].dz = niv.dzCorrige[i];
  return true;
}

double longueur(double x0, double y0, double x1, double y1) { return std::hypot(x1 - x0, y1 - y0); }

double positifOu(double v, double defaut) { return std::isfinite(v) && v > 0 ? v : defaut; }

ControleTolerance controler(double fermeture, double tolerance) {
  ControleTolerance c;
  c.fermeture = std::fabs(fermeture);
  c.tolerance = tolerance;
  c.depassee = c.fermeture > c.tolerance;
  return c;
}

}  // namespace

double toleranceAngulaire(const TolerancesPolygonale& tolerances, std::size_t nombreAngles, int unite) {
  const double mgr = positifOu(tolerances.angulaireMgr, TolerancesPolygonale::kAngulaireMgrDefaut);
  // 1 mgr = 0.001 gr, and a half turn is 200 gr.
  return mgr / 1000.0 * std::sqrt(static_cast<double>(nombreAngles)) * demiTour(unite) / 200.0;
}

double toleranceLineaire(const TolerancesPolygonale& tolerances, double D) {
  return D / positifOu(tolerances.denominateurLineaire, TolerancesPolygonale::kDenominateurLineaireDefaut);
}

ResultatPolygonaleFermee calculerPolygonaleFermee(const StationPolygonale& depart, int modeNiv, int unite,
                                                  std::span<obsPolygonale> obs,
                                                  const TolerancesPolygonale& tolerances) {
  ResultatPolygonaleFermee r;
  r.unite = unite;
  const size_t n = obs.size();
  if (n < 2) {
    r.message = kTropPeuDeLignes;
    return r;
  }
  if (!stationFinie(depart) || !lignesFinies(obs)) {
    r.message = kValeurInvalide;
    return r;
  }
  // Work on a copy so that a refused computation leaves the rows untouched.
  std::vector<obsPolygonale> lignes(obs.begin(), obs.end());
  const double F = tourComplet(unite);
  const double H = demiTour(unite);
  const double k = versRadians(unite);

  // Angular closure: the interior angles of an n-sided ring sum to (n-2)H.
  r.angleExterieur.resize(n);
  r.angleInterieur.resize(n);
  for (size_t i = 0; i < n; ++i) {
    r.angleExterieur[i] = lignes[i].angle;
    r.angleInterieur[i] = F - lignes[i].angle;
    r.sommeInterieurs += r.angleInterieur[i];
  }
  // A ring run counterclockwise has its clockwise angles inside: the sum
  // then exceeds (n-2)H by exactly two turns. Only the part of the
  // misclosure below a half turn is an error to distribute.
  r.erreurAngulaireBrute = r.sommeInterieurs - static_cast<double>(n - 2) * H;
  r.erreurAngulaire = moduloPositif(r.erreurAngulaireBrute + H, F) - H;
  r.correctionAngulaire = r.erreurAngulaire / static_cast<double>(n);
  r.angleInterieurCorrige.resize(n);
  r.angleExterieurCorrige.resize(n);
  for (size_t i = 0; i < n; ++i) {
    r.angleInterieurCorrige[i] = r.angleInterieur[i] - r.correctionAngulaire;
    r.angleExterieurCorrige[i] = moduloPositif(F - r.angleInterieurCorrige[i], F);
  }
  // Bearings: the start bearing is that of leg 0; ExtC(0) closes the ring.
  r.gisement.resize(n);
  r.gisement[0] = depart.gisement;
  for (size_t i = 1; i < n; ++i)
    r.gisement[i] = moduloPositif(r.angleExterieurCorrige[i] + r.gisement[i - 1] - H, F);

  // Coordinates: the misclosure (SX, SY) is spread in proportion to d(i).
  r.distance.resize(n);
  r.dx.resize(n);
  r.dy.resize(n);
  for (size_t i = 0; i < n; ++i) {
    const double d = lignes[i].distance;
    r.distance[i] = d;
    r.dx[i] = std::sin(k * r.gisement[i]) * d;
    r.dy[i] = std::cos(k * r.gisement[i]) * d;
    r.D += d;
    r.SX += r.dx[i];
    r.SY += r.dy[i];
  }
  if (r.D == 0) {
    r.message = kDistanceNulle;
    return r;
  }
  r.dxCorrige.resize(n);
  r.dyCorrige.resize(n);
  r.X.resize(n);
  r.Y.resize(n);
  for (size_t i = 0; i < n; ++i) {
    r.dxCorrige[i] = r.dx[i] - r.distance[i] * r.SX / r.D;
    r.dyCorrige[i] = r.dy[i] - r.distance[i] * r.SY / r.D;
  }
  r.X[0] = depart.x;
  r.Y[0] = depart.y;
  for (size_t i = 1; i < n; ++i) {
    r.X[i] = r.X[i - 1] + r.dx[i - 1] - r.distance[i - 1] * r.SX / r.D;
    r.Y[i] = r.Y[i - 1] + r.dy[i - 1] - r.distance[i - 1] * r.SY / r.D;
  }
  // The misclosures against their tolerances: n angles; the ring's
  // coordinate misclosure before it was spread.
  r.controleAngulaire = controler(r.erreurAngulaire, toleranceAngulaire(tolerances, n, unite));
  r.controleLineaire = controler(std::hypot(r.SX, r.SY), toleranceLineaire(tolerances, r.D));

  // Altitudes: the ring's dz must sum to 0; L(i) is the adjusted length of leg i.
  r.nivellement.dzMesure.resize(n);
  std::vector<double> L(n);
  for (size_t i = 0; i < n; ++i) {
    r.nivellement.dzMesure[i] = lignes[i].dz;
    r.nivellement.SZ += lignes[i].dz;
    const size_t j = (i + 1) % n;
    L[i] = longueur(r.X[i], r.Y[i], r.X[j], r.Y[j]);
  }
  if (!nivelerLignes(modeNiv, depart.z, r.nivellement.SZ, L, lignes, r.nivellement, r.Z)) {
    r.message = kSommeNivNulle;
    return r;
  }

  // Raw polyline: the measured angles without any correction.
  r.traceBrut.push_back({depart.x, depart.y});
  double g = depart.gisement;
  for (size_t i = 0; i < n; ++i) {
    const SommetPolyligne& p = r.traceBrut.back();
    r.traceBrut.push_back({p.x + lignes[i].distance * std::sin(k * g), p.y + lignes[i].distance * std::cos(k * g)});
    if (i + 1 < n) g = moduloPositif(g + lignes[i + 1].angle - H, F);
  }
  // Adjusted polyline: every station once, from the start station (X(0),
  // Y(0)); drawn closed, the ring ends back on it without a repeated vertex.
  for (size_t i = 0; i < n; ++i) r.traceCompense.push_back({r.X[i], r.Y[i]});
  r.traceCompenseFerme = true;

  if (!tousFinis({&r.angleExterieur, &r.angleInterieur, &r.angleInterieurCorrige, &r.angleExterieurCorrige,
                  &r.gisement, &r.distance, &r.dx, &r.dy, &r.dxCorrige, &r.dyCorrige, &r.X, &r.Y, &r.Z},
                 {r.sommeInterieurs, r.erreurAngulaireBrute, r.erreurAngulaire, r.correctionAngulaire, r.D, r.SX,
                  r.SY}) ||
      !nivellementFini(r.nivellement) || !sommetsFinis(r.traceBrut) || !sommetsFinis(r.traceCompense)) {
    ResultatPolygonaleFermee refus;
    refus.message = kHorsLimites;
    return refus;
  }
  std::copy(lignes.begin(), lignes.end(), obs.begin());
  r.ok = true;
  return r;
}

ResultatPolygonaleOuverte calculerPolygonaleOuverte(const StationPolygonale& depart, const StationPolygonale& arrivee,
                                                    double angleFermeture, int modeNiv, int unite,
                                                    std::span<obsPolygonale> obs,
                                                    const TolerancesPolygonale& tolerances) {
  ResultatPolygonaleOuverte r;
  r.unite = unite;
  const size_t n = obs.size();
  if (n < 2) {
    r.message = kTropPeuDeLignes;
    return r;
  }
  if (!stationFinie(depart) || !stationFinie(arrivee) || !fini(angleFermeture) || !lignesFinies(obs)) {
    r.message = kValeurInvalide;
    return r;
  }
  std::vector<obsPolygonale> lignes(obs.begin(), obs.end());
  const double F = tourComplet(unite);
  const double H = demiTour(unite);
  const double versRad = std::numbers::pi / H;

  // Angles into [0, F).
  r.angle.resize(n);
  for (size_t i = 0; i < n; ++i) {
    double a = moduloPositif(lignes[i].angle, F);
    if (a < 0) a += F;
    lignes[i].angle = a;
    r.angle[i] = a;
  }
  // Raw bearing chain: each station turns the back bearing by its angle.
  // The chain is not reduced, only kept non-negative.
  auto ajouter = [F](double a, double b) {
    double s = a + b;
    if (s < 0) s += F;
    return s;
  };
  r.gisementBrut.resize(n + 1);
  r.gisementBrut[0] = ajouter(lignes[0].angle, depart.gisement + H);
  for (size_t i = 1; i < n; ++i) r.gisementBrut[i] = ajouter(lignes[i].angle, r.gisementBrut[i - 1] + H);
  r.gisementBrut[n] = ajouter(r.gisementBrut[n - 1], angleFermeture + H);

  // The n+1 half turns added above make the chain exceed the end bearing by
  // a whole number of turns; what remains, taken into [-H, H), is the
  // misclosure. Without the reduction a chain one turn off would be
  // "corrected" by a whole turn spread over the angles.
  const double m = static_cast<double>(n + 1);
  r.erreurAngulaireBrute = r.gisementBrut[n] - m * F - arrivee.gisement;
  r.erreurAngulaire = moduloPositif(r.erreurAngulaireBrute + H, F) - H;
  r.w = r.erreurAngulaire / m;
  r.gisementCalcul.resize(n + 1);
  r.gisementCompense.resize(n + 1);
  for (size_t i = 0; i <= n; ++i) {
    r.gisementCalcul[i] = moduloPositif(r.gisementBrut[i], F) - static_cast<double>(i + 1) * r.w;
    r.gisementCompense[i] = moduloPositif(r.gisementCalcul[i], F);
  }

  // Coordinates: the misclosure (known minus computed) is added in
  // proportion to the leg lengths.
  r.distance.resize(n);
  r.dx.resize(n);
  r.dy.resize(n);
  for (size_t i = 0; i < n; ++i) {
    const double d = lignes[i].distance;
    r.distance[i] = d;
    r.dx[i] = std::sin(r.gisementCalcul[i] * versRad) * d;
    r.dy[i] = std::cos(r.gisementCalcul[i] * versRad) * d;
    r.D += d;
    r.SX += r.dx[i];
    r.SY += r.dy[i];
  }
  if (r.D == 0) {
    r.message = kDistanceNulle;
    return r;
  }
  r.eX = (arrivee.x - depart.x) - r.SX;
  r.eY = (arrivee.y - depart.y) - r.SY;
  r.cX.resize(n);
  r.cY.resize(n);
  r.dxCorrige.resize(n);
  r.dyCorrige.resize(n);
  r.X.resize(n);
  r.Y.resize(n);
  for (size_t i = 0; i < n; ++i) {
    r.cX[i] = r.distance[i] * r.eX / r.D;
    r.cY[i] = r.distance[i] * r.eY / r.D;
    r.dxCorrige[i] = r.dx[i] + r.cX[i];
    r.dyCorrige[i] = r.dy[i] + r.cY[i];
    const double x0 = i == 0 ? depart.x : r.X[i - 1];
    const double y0 = i == 0 ? depart.y : r.Y[i - 1];
    r.X[i] = x0 + r.dxCorrige[i];
    r.Y[i] = y0 + r.dyCorrige[i];
  }
  // The misclosures against their tolerances: n + 1 angles with the closing
  // one; the coordinate misclosure at the end station before it was spread.
  r.controleAngulaire = controler(r.erreurAngulaire, toleranceAngulaire(tolerances, n + 1, unite));
  r.controleLineaire = controler(std::hypot(r.eX, r.eY), toleranceLineaire(tolerances, r.D));

  // Altitudes: L(i) is the adjusted length of leg i, from its origin to its end.
  r.nivellement.dzMesure.resize(n);
  std::vector<double> L(n);
  for (size_t i = 0; i < n; ++i) {
    r.nivellement.dzMesure[i] = lignes[i].dz;
    r.nivellement.SZ += lignes[i].dz;
    const double x0 = i == 0 ? depart.x : r.X[i - 1];
    const double y0 = i == 0 ? depart.y : r.Y[i - 1];
    L[i] = longueur(x0, y0, r.X[i], r.Y[i]);
  }
  const double eZ = r.nivellement.SZ - (arrivee.z - depart.z);
  if (!nivelerLignes(modeNiv, depart.z, eZ, L, lignes, r.nivellement, r.Z)) {
    r.message = kSommeNivNulle;
    return r;
  }

  // Raw polyline from the measured (normalised) angles; adjusted polyline
  // through the computed stations.
  r.traceBrut.push_back({depart.x, depart.y});
  double g = lignes[0].angle + depart.gisement - H;
  for (size_t i = 0; i < n; ++i) {
    const SommetPolyligne& p = r.traceBrut.back();
    r.traceBrut.push_back(
        {p.x + lignes[i].distance * std::sin(g * versRad), p.y + lignes[i].distance * std::cos(g * versRad)});
    if (i + 1 < n) g = moduloPositif(g + lignes[i + 1].angle - H, F);
  }
  r.traceCompense.push_back({depart.x, depart.y});
  for (size_t i = 0; i < n; ++i) r.traceCompense.push_back({r.X[i], r.Y[i]});
  r.traceCompenseFerme = false;

  if (!tousFinis({&r.angle, &r.gisementBrut, &r.gisementCompense, &r.gisementCalcul, &r.distance, &r.dx, &r.dy,
                  &r.cX, &r.cY, &r.dxCorrige, &r.dyCorrige, &r.X, &r.Y, &r.Z},
                 {r.erreurAngulaireBrute, r.erreurAngulaire, r.w, r.D, r.SX, r.SY, r.eX, r.eY}) ||
      !nivellementFini(r.nivellement) || !sommetsFinis(r.traceBrut) || !sommetsFinis(r.traceCompense)) {
    ResultatPolygonaleOuverte refus;
    refus.message = kHorsLimites;
    return refus;
  }
  std::copy(lignes.begin(), lignes.end(), obs.begin());
  r.ok = true;
  return r;
}
