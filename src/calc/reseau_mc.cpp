#include "calc/reseau_mc.hpp"

#include <Eigen/Dense>
#include <Eigen/SparseCholesky>
#include <Eigen/SparseCore>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdarg>
#include <cwchar>
#include <fstream>
#include <functional>
#include <iterator>
#include <unordered_set>

#include "calc/angles.hpp"
#include "calc/reseau_mc_outils.hpp"
#include "calc/systeme_normal.hpp"
#include "calc/traverse_files.hpp"
#include "host/app/host_app.hpp"
#include "host/db/database.hpp"
#include "host/ed/editor.hpp"

using namespace reseau_mc_outils;

// ---- Points and names ----------------------------------------------------

void reseauMoindresCarres::reindexer() const {
  index_.clear();
  index_.reserve(points.size());
  // With repeated names the first point keeps the name.
  for (std::size_t i = 0; i < points.size(); ++i) index_.emplace(enMajuscules(points[i].nom), int(i));
  pointsIndexes_ = points.size();
}

int reseauMoindresCarres::trouverPoint(const std::wstring& nom) const {
  if (pointsIndexes_ != points.size() || index_.size() > points.size()) reindexer();
  const std::wstring cle = enMajuscules(nom);
  auto it = index_.find(cle);
  if (it != index_.end() && it->second < int(points.size()) && enMajuscules(points[it->second].nom) == cle)
    return it->second;
  if (it != index_.end()) {
    // The point was renamed or replaced behind the index.
    reindexer();
    it = index_.find(cle);
    if (it != index_.end()) return it->second;
  }
  return -1;
}

int reseauMoindresCarres::ajouterPoint(const pointACalculer& p) {
  const int i = trouverPoint(p.nom);
  if (i >= 0) {
    pointACalculer& q = points[i];
    q.X = p.X;
    q.Y = p.Y;
    q.Z = p.Z;
    q.connuXY = p.connuXY;
    q.connuZ = p.connuZ;
    if (positionne.size() == points.size()) positionne[i] = p.connuXY;
    return i;
  }
  points.push_back(p);
  if (positionne.size() + 1 == points.size()) positionne.push_back(p.connuXY);
  index_.emplace(enMajuscules(p.nom), int(points.size() - 1));
  pointsIndexes_ = points.size();
  return int(points.size() - 1);
}

// ---- Computed values and weights -----------------------------------------

double reseauMoindresCarres::valeurCalculee(const ObservationReduite& o) const {
  const int n = int(points.size());
  if (o.station < 0 || o.station >= n || o.cible < 0 || o.cible >= n) return kValeurAbsente;
  const auto &s = points[o.station], &c = points[o.cible];
  switch (o.type) {
    case kObsDistance: return distance(s, c);
    case kObsDenivelee:
      if (s.Z == kValeurAbsente || c.Z == kValeurAbsente) return kValeurAbsente;
      return c.Z - s.Z;
    default:
      if (o.reference < 0) return gisement(s, c);
      if (o.reference >= n) return kValeurAbsente;
      return moduloPositif(gisement(s, c) - gisement(s, points[o.reference]), kDeuxPi);
  }
}

variablesObservation reseauMoindresCarres::variablesPoids(const ObservationReduite& o) const {
  variablesObservation v;
  const int n = int(points.size());
  auto valide = [&](int i) { return i >= 0 && i < n; };
  if (!valide(o.station) || !valide(o.cible)) return v;
  const auto &s = points[o.station], &c = points[o.cible];
  v.d1 = distance(s, c);
  if (o.type == kObsAngle) {
    v.ang = o.valeur * kRadEnGrades;
    if (valide(o.reference)) {
      v.d2 = distance(s, points[o.reference]);
      v.d3 = distance(c, points[o.reference]);
    }
  }
  return v;
}

std::optional<double> reseauMoindresCarres::poidsObservation(const ObservationReduite& o) const {
  if (o.poids != kValeurAbsente && o.poids != 0 && std::isfinite(o.poids)) return std::abs(o.poids);
  if (o.type == kObsDenivelee || !formules) return 1.0;
  const genreFormule genre = o.type == kObsDistance ? genreFormule::distance
                             : o.reference < 0     ? genreFormule::gisement
                                                   : genreFormule::angle;
  const std::optional<double> w = formules(genre, variablesPoids(o));
  if (!w || !std::isfinite(*w) || !(*w > 0)) {
    formuleEnErreur_[std::size_t(genre)] = true;
    return 1.0;
  }
  return *w;
}

// ---- Preparation -----------------------------------------------------------

void reseauMoindresCarres::preparerObservations() {
  std::stable_sort(observations.begin(), observations.end(),
                   [](const ObservationReduite& a, const ObservationReduite& b) { return a.type < b.type; });

  // Equivalent observations share a key; the first of each key stays. The
  // messages give the indices the removal in place yields: each earlier
  // observation in turn removes its later equivalents, so an index counts
  // the observations still present before it at that moment.
  struct Cle {
    std::uint8_t type;
    int a, b, c;
    bool operator==(const Cle&) const = default;
  };
  struct HacheCle {
    std::size_t operator()(const Cle& k) const {
      std::size_t h = k.type;
      for (int v : {k.a, k.b, k.c}) h = h * 1000003u ^ std::hash<int>()(v);
      return h;
    }
  };
  std::unordered_map<Cle, int, HacheCle> premiers;
  struct Retrait {
    int ancien, premier;
  };
  std::vector<Retrait> retraits;
  for (int i = 0; i < int(observations.size()); ++i) {
    const auto& o = observations[i];
    if (o.type == kObsDenivelee) continue;
    const Cle cle = o.type == kObsDistance
                        ? Cle{o.type, std::min(o.station, o.cible), std::max(o.station, o.cible), 0}
                        : Cle{o.type, o.station, o.cible, o.reference};
    auto [it, nouveau] = premiers.emplace(cle, i);
    if (!nouveau) retraits.push_back({i, it->second});
  }
  if (retraits.empty()) return;

  // Printed index of a removed observation j (removed by the pass of its
  // first f): j minus the removals before j made by passes up to f; the
  // index of f: f minus all removals before it.
  std::vector<Retrait> ordre = retraits;
  std::stable_sort(ordre.begin(), ordre.end(), [](const Retrait& a, const Retrait& b) {
    return a.premier != b.premier ? a.premier < b.premier : a.ancien < b.ancien;
  });
  std::vector<int> anciensRetires;
  for (const auto& r : retraits) anciensRetires.push_back(r.ancien);  // increasing
  for (const auto& r : ordre) {
    int avantJ = 0;
    for (const auto& autre : retraits) {
      if (autre.ancien >= r.ancien) break;
      if (autre.premier <= r.premier) ++avantJ;
    }
    const int avantF = int(std::lower_bound(anciensRetires.begin(), anciensRetires.end(), r.premier) - anciensRetires.begin());
    texte += format(L"\r\nSuppression de l'observation %d (equiv a %d)", r.ancien - avantJ, r.premier - avantF);
    texte += L"\r\n" + decrire(observations[r.ancien]);
    texte += L"\r\n" + decrire(observations[r.premier]);
    texte += L"\r\n---";
  }
  std::vector<char> retire(observations.size(), 0);
  for (const auto& r : retraits) retire[r.ancien] = 1;
  std::vector<ObservationReduite> gardees;
  gardees.reserve(observations.size() - retraits.size());
  for (std::size_t i = 0; i < observations.size(); ++i)
    if (!retire[i]) gardees.push_back(observations[i]);
  observations = std::move(gardees);
}

// ---- Planimetric iteration ----------------------------------------------

reseauMoindresCarres::iteration reseauMoindresCarres::itererXY(int numero) {
  const int n = int(points.size());
  auto valide = [&](int i) { return i >= 0 && i < n; };
  std::vector<int> colonne, inconnus;
  numeroterInconnus(n, [&](int i) { return positionne[std::size_t(i)] && !points[std::size_t(i)].connuXY; }, colonne,
                    inconnus);
  const int u = int(inconnus.size());

  std::vector<Equation> eqs;
  std::vector<double> L, P;
  std::vector<int> numeros;
  eqs.reserve(observations.size());
  L.reserve(observations.size());
  P.reserve(observations.size());
  numeros.reserve(observations.size());
  for (int k = 0; k < int(observations.size()); ++k) {
    const auto& o = observations[k];
    if (o.type == kObsDenivelee) continue;
    if (!valide(o.station) || !valide(o.cible) || !positionne[o.station] || !positionne[o.cible]) continue;
    const bool avecReference = o.type == kObsAngle && o.reference >= 0;
    if (avecReference && (!valide(o.reference) || !positionne[o.reference])) continue;
    const auto &S = points[o.station], &T = points[o.cible];
    const double dx = T.X - S.X, dy = T.Y - S.Y, d2 = dx * dx + dy * dy;
    double rx = 0, ry = 0, r2 = 1;
    if (avecReference) {
      rx = points[o.reference].X - S.X;
      ry = points[o.reference].Y - S.Y;
      r2 = rx * rx + ry * ry;
    }
    if (!(d2 > 0) || !(r2 > 0)) {
      texte += format(L"\r\nObservation %d ignorée : points confondus", k);
      continue;
    }
    Equation e;
    auto ajouter = [&](int point, double cx, double cy) {
      const int c = colonne[point];
      if (c < 0) return;
      e.ajouter(c, cx);
      e.ajouter(u + c, cy);
    };
    if (o.type == kObsDistance) {
      const double d = std::sqrt(d2);
      ajouter(o.cible, dx / d, dy / d);
      ajouter(o.station, -dx / d, -dy / d);
    } else if (!avecReference) {
      ajouter(o.cible, dy / d2, -dx / d2);
      ajouter(o.station, -dy / d2, dx / d2);
    } else {
      ajouter(o.cible, dy / d2, -dx / d2);
      ajouter(o.reference, -ry / r2, rx / r2);
      ajouter(o.station, ry / r2 - dy / d2, dx / d2 - rx / r2);
    }
    const double calc = valeurCalculee(o);
    L.push_back(o.type == kObsDistance ? o.valeur - calc : enveloppe(o.valeur - calc));
    P.push_back(*poidsObservation(o));
    eqs.push_back(e);
    numeros.push_back(k);
  }
  const int m = int(eqs.size());

  SystemeNormal systeme;
  Eigen::VectorXd x;
  const bool ok = m > 0 && u > 0 && systeme.construire(2 * u, eqs, P, L, factorisationDense) && systeme.resoudre(0, x);
  bilan.observations = m;
  bilan.inconnues = 2 * u;
  bilan.singulier = !ok && u > 0;
  bilan.pivotRelatif = ok ? systeme.pivotMin() : 0;
  bilan.vtpv = 0;
  bilan.sigma0.reset();
  bilan.test.reset();
  bilan.precisions.clear();
  bilan.residus.clear();
  iteration resultat;
  if (!ok) {
    texte += texteVecteur(L"Solution", {});
    if (u > 0) texte += L"\r\nSystème singulier : aucune solution";
    return resultat;
  }

  // The step is kept only when it lowers vᵀPv computed from the
  // observations at the moved positions: far from the solution a
  // linearised step can overshoot into another fold of the network.
  std::vector<std::array<double, 2>> departs(static_cast<std::size_t>(u));
  for (int j = 0; j < u; ++j) departs[std::size_t(j)] = {points[inconnus[j]].X, points[inconnus[j]].Y};
  auto placer = [&](const Eigen::VectorXd* d) {
    for (int j = 0; j < u; ++j) {
      auto& p = points[inconnus[j]];
      p.X = departs[std::size_t(j)][0] + (d ? (*d)[j] : 0.0);
      p.Y = departs[std::size_t(j)][1] + (d ? (*d)[u + j] : 0.0);
    }
  };
  auto ecartPondere = [&] {
    double somme = 0;
    for (int i = 0; i < m; ++i) {
      const auto& o = observations[numeros[i]];
      const double calc = valeurCalculee(o);
      const double l = o.type == kObsDistance ? o.valeur - calc : enveloppe(o.valeur - calc);
      somme += P[i] * l * l;
    }
    return somme;
  };
  double avant = 0;
  for (int i = 0; i < m; ++i) avant += P[i] * L[i] * L[i];
  placer(&x);
  bool garde = ecartPondere() <= avant * (1 + 1e-9) + 1e-300;
  if (!garde) {
    Eigen::VectorXd amorti;
    double lambda = kAmortissementInitial;
    for (int essai = 0; essai < kEssaisAmortissement && !garde; ++essai, lambda *= 10) {
      if (!systeme.resoudre(lambda, amorti)) continue;
      placer(&amorti);
      garde = ecartPondere() < avant;
    }
    resultat.amortie = true;
    if (garde) {
      x = std::move(amorti);
    } else {
      resultat.bloquee = true;
      x.setZero(2 * u);
    }
  }
  placer(nullptr);

  const double norme = x.norm();
  resultat.norme = norme;
  const bool derniere =
      (!resultat.amortie && norme <= kNormeConvergence) || resultat.bloquee || numero >= kIterationsMax;
  std::vector<double> solution(x.data(), x.data() + x.size());
  texte += texteVecteur(L"Solution", solution);

  double vtpv = 0;
  std::vector<double> v(std::size_t(m), 0.0);
  for (int i = 0; i < m; ++i) {
    const double ax = eqs[i].produit(x);
    v[std::size_t(i)] = ax - L[i];
    vtpv += P[i] * v[std::size_t(i)] * v[std::size_t(i)];
    const bool dist = observations[numeros[i]].type == kObsDistance;
    const double f = dist ? 1000.0 : kRadEnMgr;
    texte += format(dist ? L"\r\nRésidu pour l'observation %d  =%14.10f mm (- L : %14.10f mm)"
                         : L"\r\nRésidu pour l'observation %d  =%14.10f mgr (- L : %14.10f mgr)",
                    numeros[i], ax * f, v[std::size_t(i)] * f);
  }
  texte += L"\r\nXYZ:";
  for (int j = 0; j < u; ++j) {
    auto& p = points[inconnus[j]];
    p.X += x[j];
    p.Y += x[u + j];
    texte += format(L"\r\n[%ls]\t(%14.4f\t%14.4f)", p.nom.c_str(), p.X, p.Y);
  }
  texte += format(L"\r\nValeur du chi 2=%14.10f", vtpv);

  bilan.vtpv = vtpv;
  bilan.redondance = m - 2 * u;
  if (bilan.redondance > 0) bilan.sigma0 = std::sqrt(vtpv / bilan.redondance);
  texte += texteSigma0(bilan);
  if (!derniere || !bilan.sigma0) return resultat;

  // The precision of the points and the check of the observations come
  // with the last solution, from the undamped normal matrix.
  Eigen::VectorXd nonAmorti;
  if (resultat.amortie && !systeme.resoudre(0, nonAmorti)) return resultat;
  systeme.preparerInverse();
  const double s2 = *bilan.sigma0 * *bilan.sigma0;
  for (int j = 0; j < u; ++j) {
    const double qxx = systeme.q(j, j), qyy = systeme.q(u + j, u + j), qxy = systeme.q(j, u + j);
    const double moy = (qxx + qyy) / 2, rayon = std::hypot((qxx - qyy) / 2, qxy);
    if (moy + rayon > 0) bilan.pivotRelatif = std::min(bilan.pivotRelatif, std::max(0.0, moy - rayon) / (moy + rayon));
    precisionPoint pp;
    pp.point = inconnus[j];
    pp.sX = std::sqrt(std::max(0.0, s2 * qxx));
    pp.sY = std::sqrt(std::max(0.0, s2 * qyy));
    pp.a = std::sqrt(std::max(0.0, s2 * (moy + rayon)));
    pp.b = std::sqrt(std::max(0.0, s2 * (moy - rayon)));
    // Major axis at phi from +X (anticlockwise); as a bearing from +Y
    // (clockwise), modulo a half turn since an axis has two ends.
    const double phi = 0.5 * std::atan2(2 * qxy, qxx - qyy);
    pp.gisement = moduloPositif(kPi / 2 - phi, kPi) * kRadEnGrades;
    bilan.precisions.push_back(pp);
    texte += format(L"\r\n[%ls] sX=%.4f sY=%.4f a=%.4f b=%.4f gis=%.4f gr", points[pp.point].nom.c_str(), pp.sX,
                    pp.sY, pp.a, pp.b, pp.gisement);
  }
  analyserResidus(eqs, P, v, numeros, systeme, seuilResiduNorme, bilan);
  ecrireAnalyse();
  return resultat;
}

void reseauMoindresCarres::calculerXY() {
  texte.clear();
  bilan = bilanCalcul{};
  formuleEnErreur_.fill(false);
  if (pointsIndexes_ != points.size()) reindexer();
  preparerObservations();
  positionne.assign(points.size(), false);
  for (std::size_t i = 0; i < points.size(); ++i) positionne[i] = points[i].connuXY;
  approcherXY();
  iteration it = itererXY(0);
  int iterations = 1;
  auto encore = [&] { return !it.bloquee && !bilan.singulier && (it.norme > kNormeConvergence || it.amortie); };
  for (int k = 1; k <= kIterationsMax && encore(); ++k) {
    texte.clear();
    it = itererXY(k);
    ++iterations;
  }
  bilan.iterations = iterations;
  bilan.converge = !bilan.singulier && !it.bloquee && !it.amortie && it.norme <= kNormeConvergence;
  if (!bilan.converge && !bilan.singulier && bilan.inconnues > 0)
    bilan.alertes.push_back(format(L"Calcul non convergé après %d itérations : résultats non fiables", iterations));
  // A point left without a position takes no part in the adjustment; the
  // last text says so, or an empty solution would read as a finished one.
  int nonCalcules = 0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (points[i].connuXY || positionne[i]) continue;
    ++nonCalcules;
    const std::uint8_t raison = i < raisonAttente_.size() ? raisonAttente_[i] : 0;
    if (raison == 1)
      texte += format(L"\r\nPoint %ls non calculé : ses observations ne fixent pas sa position (lieux confondus ou "
                      L"presque parallèles)",
                      points[i].nom.c_str());
    else if (raison == 2)
      texte += format(L"\r\nPoint %ls non calculé : ses observations ne s'accordent pas (écart de %.3f m)",
                      points[i].nom.c_str(), ecartAttente_[i]);
    else
      texte += format(L"\r\nPoint %ls non calculé : moins de 3 observations vers des points positionnés",
                      points[i].nom.c_str());
  }
  if (nonCalcules > 0) bilan.alertes.push_back(format(L"%d point(s) non calculé(s)", nonCalcules));
  conclure(bilan.alertes);
  alertesXY = bilan.alertes;
}

// The verdict lines after a computation: what makes its result unreliable.
void reseauMoindresCarres::conclure(std::vector<std::wstring>& alertes) {
  if (bilan.singulier) alertes.insert(alertes.begin(), L"Système singulier : aucune solution");
  if (!bilan.singulier && bilan.inconnues > 0 && bilan.pivotRelatif < kPivotMalConditionne) {
    bilan.malConditionne = true;
    alertes.push_back(
        format(L"Système mal conditionné (pivot relatif %.1e) : résultats non fiables", bilan.pivotRelatif));
  }
  if (bilan.test && !bilan.test->accepte) alertes.push_back(L"Test global du khi² refusé");
  int suspectes = 0;
  for (const residuNorme& r : bilan.residus) suspectes += r.suspecte;
  if (suspectes > 0)
    for (const residuNorme& r : bilan.residus)
      if (r.suspecte)
        alertes.push_back(format(L"Faute probable (|w| = %.2f > %.2f) : ", std::abs(*r.w), seuilResiduNorme) +
                          decrire(observations[std::size_t(r.observation)]));
  const wchar_t* noms[3] = {L"Angles", L"Gisements", L"Distances"};
  for (int g = 0; g < 3; ++g)
    if (formuleEnErreur_[std::size_t(g)])
      alertes.push_back(format(L"Formule de poids « %ls » inutilisable : poids 1 appliqué", noms[g]));
  // The singular system already said so in the iteration's text.
  for (const std::wstring& a : alertes)
    if (!bilan.singulier || a != alertes.front()) texte += L"\r\n" + a;
}

// ---- Altimetry -------------------------------------------------------------

void reseauMoindresCarres::calculerZ() {
  texte.clear();
  bilan = bilanCalcul{};
  formuleEnErreur_.fill(false);
  const int n = int(points.size());
  auto valide = [&](int i) { return i >= 0 && i < n; };
  std::vector<std::vector<int>> parPoint(n);
  for (int k = 0; k < int(observations.size()); ++k) {
    const auto& o = observations[k];
    if (o.type != kObsDenivelee || !valide(o.station) || !valide(o.cible) || o.station == o.cible) continue;
    parPoint[o.station].push_back(k);
    parPoint[o.cible].push_back(k);
  }
  std::vector<char> place(n, 0);
  for (int i = 0; i < n; ++i) place[i] = points[i].connuZ;
  // Whether a point has a plan position (known, or computed by "Calculer
  // X,Y"): without one its X and Y are not shown as numbers.
  auto aXY = [&](int i) {
    return points[std::size_t(i)].connuXY || (std::size_t(i) < positionne.size() && positionne[std::size_t(i)]);
  };

  // Approximate heights, pass after pass (a pass tries the neighbours of the
  // points placed by the previous one).
  std::vector<int> candidats;
  for (int p = 0; p < n; ++p)
    if (!place[p]) candidats.push_back(p);
  std::vector<char> marque(n, 0);
  while (!candidats.empty()) {
    std::vector<int> nouveaux;
    for (int p : candidats) {
      if (place[p]) continue;
      double somme = 0;
      int nb = 0;
      for (int k : parPoint[p]) {
        const auto& o = observations[k];
        const int autre = o.station == p ? o.cible : o.station;
        if (!place[autre]) continue;
        somme += o.cible == p ? points[autre].Z + o.valeur : points[autre].Z - o.valeur;
        ++nb;
      }
      if (nb == 0) continue;
      auto& pt = points[p];
      texte += format(L"\r\nCalcul du point %ls  à l'aide de %d equations ", pt.nom.c_str(), nb);
      pt.Z = somme / nb;
      if (aXY(p))
        texte += format(L"\r\nSolution trouvée: X=%14.4f Y=%14.4f Z=%14.4f", pt.X, pt.Y, pt.Z);
      else
        texte += format(L"\r\nSolution trouvée: X, Y non calculés Z=%14.4f", pt.Z);
      place[p] = 1;
      nouveaux.push_back(p);
    }
    candidats = voisinsAEssayer(
        nouveaux, parPoint,
        [&](int k) { return std::array<int, 2>{observations[k].station, observations[k].cible}; },
        [&](int q) { return place[std::size_t(q)] != 0; }, marque);
  }

  std::vector<int> colonne, inconnus;
  numeroterInconnus(n, [&](int i) { return place[std::size_t(i)] && !points[std::size_t(i)].connuZ; }, colonne,
                    inconnus);
  const int u = int(inconnus.size());
  std::vector<Equation> eqs;
  std::vector<double> L, P;
  std::vector<int> numeros;
  for (int k = 0; k < int(observations.size()); ++k) {
    const auto& o = observations[k];
    if (o.type != kObsDenivelee || !valide(o.station) || !valide(o.cible)) continue;
    if (!place[o.station] || !place[o.cible]) continue;
    if (colonne[o.station] < 0 && colonne[o.cible] < 0) {
      // Both heights are known: the observation only checks them.
      zcutPrintf(L"\nBizarre !!!");
      continue;
    }
    Equation e;
    double b = o.valeur;
    if (colonne[o.cible] >= 0) e.ajouter(colonne[o.cible], 1.0);
    else b -= points[o.cible].Z;
    if (colonne[o.station] >= 0) e.ajouter(colonne[o.station], -1.0);
    else b += points[o.station].Z;
    eqs.push_back(e);
    L.push_back(b);
    P.push_back(*poidsObservation(o));
    numeros.push_back(k);
  }
  const int m = int(eqs.size());
  Eigen::VectorXd x;
  SystemeNormal systeme;
  const bool ok = m > 0 && u > 0 && systeme.construire(u, eqs, P, L, factorisationDense) && systeme.resoudre(0, x);
  std::vector<double> solution(x.data(), x.data() + x.size());
  texte += texteVecteur(L"Solution", solution);
  bilan.observations = m;
  bilan.inconnues = u;
  bilan.singulier = !ok && u > 0;
  bilan.pivotRelatif = ok ? systeme.pivotMin() : 0;
  bilan.iterations = 1;
  if (!ok) {
    if (u > 0) texte += L"\r\nSystème singulier : aucune solution";
    conclure(bilan.alertes);
    alertesZ = bilan.alertes;
    return;
  }
  double vtpv = 0;
  std::vector<double> v(std::size_t(m), 0.0);
  for (int i = 0; i < m; ++i) {
    v[std::size_t(i)] = eqs[i].produit(x) - L[i];
    vtpv += P[i] * v[std::size_t(i)] * v[std::size_t(i)];
    texte += format(L"\r\nRésidu pour l'observation %d (mm) =%14.10f", numeros[i], v[std::size_t(i)] * 1000.0);
  }
  texte += L"\r\nXYZ:";
  for (int j = 0; j < u; ++j) {
    auto& p = points[inconnus[j]];
    p.Z = x[j];
    if (aXY(inconnus[j]))
      texte += format(L"\r\n\t[%ls]\t(%14.4f\t%14.4f\t%14.4f\t)", p.nom.c_str(), p.X, p.Y, p.Z);
    else
      texte += format(L"\r\n\t[%ls]\t(X, Y non calculés\t%14.4f\t)", p.nom.c_str(), p.Z);
  }
  texte += format(L"\r\nValeur du chi 2=%14.10f", vtpv);
  bilan.vtpv = vtpv;
  bilan.redondance = m - u;
  if (bilan.redondance > 0) bilan.sigma0 = std::sqrt(vtpv / bilan.redondance);
  texte += texteSigma0(bilan);
  if (bilan.sigma0) {
    systeme.preparerInverse();
    for (int j = 0; j < u; ++j) {
      precisionPoint pp;
      pp.point = inconnus[j];
      pp.sZ = *bilan.sigma0 * std::sqrt(std::max(0.0, systeme.q(j, j)));
      bilan.precisions.push_back(pp);
      texte += format(L"\r\n[%ls] sZ=%.4f", points[pp.point].nom.c_str(), pp.sZ);
    }
    analyserResidus(eqs, P, v, numeros, systeme, seuilResiduNorme, bilan);
    ecrireAnalyse();
  }
  conclure(bilan.alertes);
  alertesZ = bilan.alertes;
}
