#include "field/carnet_calcul.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kVersRadians = kPi / 200.0;

// The mean of angles around a circle: the first as reference, the others by
// their difference to it, so that 399.9 and 0.1 average to 0, not 200.
double moyenneAngles(const std::vector<double>& angles) {
  if (angles.empty()) return 0.0;
  double somme = 0.0;
  for (double a : angles) somme += ecartGrades(a - angles.front());
  return angleGrades(angles.front() + somme / double(angles.size()));
}

double moyenne(const std::vector<double>& valeurs) {
  double somme = 0.0;
  for (double v : valeurs) somme += v;
  return valeurs.empty() ? 0.0 : somme / double(valeurs.size());
}

bool estMesure(const observationGsi& o) { return o.aAh; }

// One sighting computed on its own, before faces are averaged.
struct visee {
  int entree = 0;
  bool deuxiemeFace = false;
  double gisement = 0, v = 0;
  bool aV = false;
  bool aDistance = false;
  double dh = 0;  // reduced to the plane (scale factor applied)
  bool aZ = false;
  double z = 0;
  double hi = 0, ht = 0;
  bool hiManquante = false, htManquante = false;
};

// Whether two sightings in opposite faces aim at the same target: bearings
// within kEcartPaireHz and horizontal distances (when both have one) within
// kEcartPaireDh.
constexpr double kEcartPaireHz = 0.05;  // grades
constexpr double kEcartPaireDh = 0.05;  // metres
bool memeCible(const visee& a, const visee& b);

}  // namespace

double angleGrades(double a) {
  double r = std::fmod(a, 400.0);
  if (r < 0) r += 400.0;
  return r >= 400.0 ? 0.0 : r;
}

double ecartGrades(double a) {
  double r = angleGrades(a + 200.0) - 200.0;
  return r;
}

double gisementGrades(double xs, double ys, double x, double y) {
  const double dx = x - xs, dy = y - ys;
  if (dx == 0.0 && dy == 0.0) return 0.0;
  return angleGrades(std::atan2(dx, dy) / kVersRadians);
}

viseeReduite reduireAuCercleGauche(const observationGsi& o) {
  viseeReduite r;
  r.hz = angleGrades(o.ah);
  r.aV = o.aAv;
  r.v = o.av;
  if (o.aAv && o.av > 200.0) {
    r.deuxiemeFace = true;
    r.hz = angleGrades(o.ah + 200.0);
    r.v = 400.0 - o.av;
  }
  return r;
}

bool distanceHorizontale(const observationGsi& o, double v, bool aV, double& dh) {
  if (o.aDh && o.dh > 0.0) {
    dh = o.dh;
    return true;
  }
  if (o.aDi && o.di > 0.0 && aV) {
    dh = o.di * std::sin(v * kVersRadians);
    return dh > 0.0;
  }
  return false;
}

std::vector<miseEnStation> decouperEnStations(entreesCarnet entrees,
                                              const std::vector<stationGsi>& stations) {
  std::vector<miseEnStation> resultat;
  std::map<int, std::size_t> position;  // book set-up index -> position in resultat
  // The lines before any set-up come first.
  for (std::size_t i = 0; i < entrees.size(); ++i) {
    const auto& e = entrees[i];
    if (!estMesure(e.observation)) continue;
    const bool connue = e.station >= 0 && std::size_t(e.station) < stations.size();
    const int cle = connue ? e.station : -1;
    auto it = position.find(cle);
    if (it == position.end()) {
      miseEnStation s;
      s.index = cle;
      if (connue) {
        const stationGsi& g = stations[std::size_t(cle)];
        s.nom = g.nom;
        s.positionConnue = g.aX && g.aY;
        s.x = g.x, s.y = g.y, s.z = g.z, s.aZ = g.aZ;
        s.hi = g.hi, s.aHi = g.aHi;
        if (g.aOrientation) s.orientation = orientationStation::lue;
      }
      if (cle == -1) {
        resultat.insert(resultat.begin(), s);
        for (auto& p : position) ++p.second;
        it = position.emplace(cle, 0).first;
      } else {
        it = position.emplace(cle, resultat.size()).first;
        resultat.push_back(s);
      }
    }
    miseEnStation& s = resultat[it->second];
    s.mesures.push_back(int(i));
    if (s.orientation == orientationStation::aucune && e.observation.estPointConnu())
      s.orientation = orientationStation::instrument;
  }
  return resultat;
}

std::vector<std::string> nomsVises(const miseEnStation& station,
                                   entreesCarnet entrees) {
  std::vector<std::string> noms;
  std::set<std::string> vus;
  for (int i : station.mesures) {
    const std::string& nom = entrees[std::size_t(i)].observation.nom;
    if (vus.insert(nom).second) noms.push_back(nom);
  }
  return noms;
}

bool orienterSurVisees(miseEnStation& station, entreesCarnet entrees,
                       const std::vector<pointReference>& connus, std::vector<std::string>* manquants) {
  if (!station.positionConnue) return false;
  std::vector<viseeReference> visees;
  for (const pointReference& p : connus) {
    std::vector<double> lectures;
    for (int i : station.mesures) {
      const observationGsi& o = entrees[std::size_t(i)].observation;
      if (o.nom == p.nom) lectures.push_back(reduireAuCercleGauche(o).hz);
    }
    const double distance = std::hypot(p.x - station.x, p.y - station.y);
    if (lectures.empty() || distance < 1e-6) {
      if (manquants) manquants->push_back(p.nom);
      continue;
    }
    viseeReference v;
    v.nom = p.nom;
    v.x = p.x, v.y = p.y;
    v.gisement = gisementGrades(station.x, station.y, p.x, p.y);
    v.lecture = moyenneAngles(lectures);
    v.distance = distance;
    visees.push_back(v);
  }
  if (visees.empty()) return false;
  std::vector<double> inconnues;
  for (const auto& v : visees) inconnues.push_back(angleGrades(v.gisement - v.lecture));
  station.correction = moyenneAngles(inconnues);
  for (auto& v : visees) {
    v.residu = ecartGrades(station.correction + v.lecture - v.gisement);
    v.ecart = v.residu * kVersRadians * v.distance;
  }
  station.visees = std::move(visees);
  station.orientation = orientationStation::visees;
  return true;
}

namespace {
bool memeCible(const visee& a, const visee& b) {
  if (std::fabs(ecartGrades(a.gisement - b.gisement)) > kEcartPaireHz) return false;
  return !(a.aDistance && b.aDistance) || std::fabs(a.dh - b.dh) <= kEcartPaireDh;
}
}  // namespace

resultatCarnet calculerCarnet(std::vector<miseEnStation> stations,
                              entreesCarnet entrees, double facteurEchelle) {
  resultatCarnet r;
  r.facteurEchelle = facteurEchelle;

  // The target height as it changes along the book.
  std::vector<double> hauteurMire(entrees.size(), 0.0);
  std::vector<char> hauteurMireConnue(entrees.size(), 0);
  {
    double ht = 0.0;
    bool connue = false;
    for (std::size_t i = 0; i < entrees.size(); ++i) {
      const observationGsi& o = entrees[i].observation;
      if (o.aHmire) ht = o.hmire, connue = true;
      hauteurMire[i] = ht;
      hauteurMireConnue[i] = connue;
    }
  }

  r.stations = std::move(stations);
  for (std::size_t k = 0; k < r.stations.size(); ++k) {
    const miseEnStation& st = r.stations[k];
    if (st.ignoree || !st.positionConnue) {
      r.lignesSansStation += int(st.mesures.size());
      continue;
    }
    const std::size_t premierPoint = r.points.size();
    std::set<std::string> references;
    for (const auto& v : st.visees) references.insert(v.nom);
    const double correction = st.orientation == orientationStation::visees ? st.correction : 0.0;

    // The sightings of each name, in the order of their first sighting.
    std::vector<std::string> ordre;
    std::map<std::string, std::vector<visee>> parNom;
    for (int i : st.mesures) {
      const observationGsi& o = entrees[std::size_t(i)].observation;
      if (references.count(o.nom)) continue;
      const viseeReduite red = reduireAuCercleGauche(o);
      visee v;
      v.entree = i;
      v.deuxiemeFace = red.deuxiemeFace;
      v.gisement = angleGrades(red.hz + correction);
      v.v = red.v, v.aV = red.aV;
      double dh = 0.0;
      v.aDistance = distanceHorizontale(o, red.v, red.aV, dh);
      v.dh = dh * facteurEchelle;
      v.hi = o.aHAppareil ? o.hAppareil : st.hi;
      v.hiManquante = !o.aHAppareil && !st.aHi;
      v.ht = hauteurMire[std::size_t(i)];
      v.htManquante = !hauteurMireConnue[std::size_t(i)];
      if (st.aZ) {
        const double sinus = std::sin(red.v * kVersRadians);
        if (v.aDistance && red.aV && std::fabs(sinus) > 1e-12) {
          v.aZ = true;
          v.z = st.z + v.hi + dh * std::cos(red.v * kVersRadians) / sinus - v.ht;
        } else if (o.aDz) {
          v.aZ = true;
          v.z = st.z + v.hi + o.dz - v.ht;
        }
      }
      auto [it, nouveau] = parNom.try_emplace(o.nom);
      if (nouveau) ordre.push_back(o.nom);
      it->second.push_back(v);
    }

    for (const std::string& nom : ordre) {
      const std::vector<visee>& toutes = parNom[nom];
      // A face I and a face II sighting of the name that agree make one
      // averaged point; books reuse names, so sightings that do not agree
      // (or have no partner) stay points of their own.
      std::vector<std::vector<visee>> groupes;
      std::vector<char> apparie(toutes.size(), 0);
      for (std::size_t a = 0; a < toutes.size(); ++a) {
        if (apparie[a]) continue;
        std::vector<visee> groupe{toutes[a]};
        apparie[a] = 1;
        for (std::size_t b = a + 1; b < toutes.size(); ++b) {
          if (apparie[b] || toutes[b].deuxiemeFace == toutes[a].deuxiemeFace) continue;
          if (!memeCible(toutes[a], toutes[b])) continue;
          groupe.push_back(toutes[b]);
          apparie[b] = 1;
          break;
        }
        groupes.push_back(std::move(groupe));
      }

      for (const std::vector<visee>& groupe : groupes) {
        std::vector<double> gisements, vs, dhs, zs;
        std::vector<double> gis[2], v2[2], dh2[2];
        bool hiManquante = false, htManquante = false;
        for (const visee& v : groupe) {
          const int face = v.deuxiemeFace ? 1 : 0;
          gisements.push_back(v.gisement);
          gis[face].push_back(v.gisement);
          if (v.aV) vs.push_back(v.v), v2[face].push_back(v.v);
          if (v.aDistance) dhs.push_back(v.dh), dh2[face].push_back(v.dh);
          if (v.aZ) {
            zs.push_back(v.z);
            hiManquante = hiManquante || v.hiManquante;
            htManquante = htManquante || v.htManquante;
          }
        }
        const visee& premiere = groupe.front();
        const observationGsi& o = entrees[std::size_t(premiere.entree)].observation;
        const double gisement = moyenneAngles(gisements);
        if (dhs.empty()) {
          directionCarnet d;
          d.nom = nom;
          d.station = int(k);
          d.gisement = gisement;
          d.aV = !vs.empty();
          d.v = moyenne(vs);
          r.directions.push_back(d);
          continue;
        }
        pointCarnet p;
        p.nom = nom;
        p.code = o.code;
        p.remarque = o.remarque;
        p.station = int(k);
        p.entree = premiere.entree;
        p.gisement = gisement;
        p.aV = !vs.empty();
        p.v = moyenne(vs);
        p.dh = moyenne(dhs);
        p.hi = premiere.hi;
        p.ht = premiere.ht;
        p.x = st.x + p.dh * std::sin(gisement * kVersRadians);
        p.y = st.y + p.dh * std::cos(gisement * kVersRadians);
        if (!zs.empty()) {
          p.z = moyenne(zs);
          p.hiManquante = hiManquante;
          p.htManquante = htManquante;
          r.hiManquantes += hiManquante;
          r.htManquantes += htManquante;
        }
        if (groupe.size() == 2) {
          p.deuxFaces = true;
          p.ecartHz = ecartGrades(moyenneAngles(gis[0]) - moyenneAngles(gis[1]));
          if (!v2[0].empty() && !v2[1].empty()) p.ecartV = moyenne(v2[0]) - moyenne(v2[1]);
          if (!dh2[0].empty() && !dh2[1].empty()) p.ecartDh = moyenne(dh2[0]) - moyenne(dh2[1]);
        }
        // The instrument's own coordinates, from the first line that has them.
        for (const visee& v : groupe) {
          const observationGsi& c = entrees[std::size_t(v.entree)].observation;
          if (!c.estPointConnu()) continue;
          p.controle = true;
          p.ex = p.x - c.point.getX();
          p.ey = p.y - c.point.getY();
          p.aControleZ = c.aZ && p.z != kIndefini;
          if (p.aControleZ) p.ez = p.z - c.point.getZ();
          p.horsTolerance = std::fabs(p.ex) > kToleranceControle || std::fabs(p.ey) > kToleranceControle ||
                            (p.aControleZ && std::fabs(p.ez) > kToleranceControle);
          break;
        }
        r.points.push_back(std::move(p));
      }
    }
    // Grouped by name above; listed and placed in book order.
    std::stable_sort(r.points.begin() + std::ptrdiff_t(premierPoint), r.points.end(),
                     [](const pointCarnet& a, const pointCarnet& b) { return a.entree < b.entree; });
  }
  return r;
}

codeEtObservation codeDuCarnet(const std::string& code, const std::string& remarque,
                               const std::function<bool(int)>& existe, int defaut) {
  codeEtObservation r;
  r.code = defaut;
  r.observation = remarque;
  bool chiffres = !code.empty() && code.size() <= 4;
  for (char c : code) chiffres = chiffres && c >= '0' && c <= '9';
  if (chiffres) {
    const int n = std::atoi(code.c_str());
    if (n >= 1 && n <= 9999 && existe && existe(n)) {
      r.code = n;
      return r;
    }
  }
  if (!code.empty()) r.observation = remarque.empty() ? code : code + " " + remarque;
  return r;
}
