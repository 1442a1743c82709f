// Reading a network file (.mc): sections, angle units, observations and
// their weights, with the lines left out reported.
#include "calc/reseau_mc.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdarg>
#include <cwchar>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <unordered_set>
#include <vector>

#include "calc/reseau_mc_outils.hpp"
#include "calc/traverse_files.hpp"
#include "host/app/host_app.hpp"
#include "host/db/database.hpp"
#include "host/ed/editor.hpp"

using namespace reseau_mc_outils;

// ---- Reading ---------------------------------------------------------------

bool reseauMoindresCarres::charger(const std::wstring& chemin) {
  std::ifstream in(host::toUtf8(chemin), std::ios::binary);
  if (!in) return false;
  std::string contenu;
  try {
    contenu.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } catch (const std::ios_base::failure&) {
    return false;  // a folder, a read error: the network stays
  }
  if (in.bad()) return false;
  chargerTexte(contenu);
  return true;
}

void reseauMoindresCarres::chargerTexte(const std::string& contenu) {
  points.clear();
  observations.clear();
  positionne.clear();
  texte.clear();
  avertissements.clear();
  index_.clear();
  pointsIndexes_ = 0;
  bilan = bilanCalcul{};

  enum { kPoints, kObservations } section = kPoints;
  int unite = kGrades;
  std::vector<std::wstring> jetons;
  auto avertir = [&](int ligne, const std::wstring& quoi) {
    avertissements.push_back(format(L"Ligne %d : ", ligne) + quoi);
  };
  auto nomTropLong = [&](int ligne, const std::wstring& nom) {
    if (nom.size() <= kLongueurNomMc) return false;
    avertir(ligne, format(L"nom de point de plus de %d caractères (%ls), ligne ignorée", int(kLongueurNomMc), nom.c_str()));
    return true;
  };
  // The point of a name met in an observation: added as a point to compute.
  auto pointObservation = [&](const std::wstring& nom) {
    const int i = trouverPoint(nom);
    if (i >= 0) return i;
    pointACalculer p;
    p.nom = nom;
    return ajouterPoint(p);
  };

  std::size_t pos = 0;
  int numero = 0;
  while (pos < contenu.size()) {
    std::size_t fin = contenu.find_first_of("\r\n", pos);
    if (fin == std::string::npos) fin = contenu.size();
    const std::size_t longueur = fin - pos;
    const std::size_t debutLigne = pos;
    pos = fin;
    if (pos < contenu.size()) {
      if (contenu[pos] == '\r' && pos + 1 < contenu.size() && contenu[pos + 1] == '\n') ++pos;
      ++pos;
    }
    ++numero;
    if (longueur > kLongueurLigneMc) {
      avertir(numero, format(L"plus de %d caractères, ligne ignorée", int(kLongueurLigneMc)));
      continue;
    }
    const std::wstring ligne = enMajuscules(sansBlancs(host::fromAnsi(contenu.substr(debutLigne, longueur))));
    if (ligne.empty() || ligne[0] == L'*') continue;
    decouperLigne(ligne, L" \t:=", jetons);
    if (jetons.empty()) continue;

    if (jetons[0] == L"XYZ") {
      section = kPoints;
      continue;
    }
    if (jetons[0] == L"OBS") {
      section = kObservations;
      continue;
    }
    if (jetons[0] == L"ANGLES" && jetons.size() >= 2) {
      if (jetons[1] == L"GRADES") {
        unite = kGrades;
        continue;
      }
      if (jetons[1] == L"DEGRES") {
        unite = kDegres;
        continue;
      }
      if (jetons[1] == L"RADIANS") {
        unite = kRadians;
        continue;
      }
    }

    if (section == kPoints) {
      double x = 0, y = 0, z = 0;
      if (jetons.size() < 3 || !lireNombre(jetons[1], x) || !lireNombre(jetons[2], y)) {
        avertir(numero, L"ligne de point non reconnue, ignorée");
        continue;
      }
      if (nomTropLong(numero, jetons[0])) continue;
      if (jetons[0] == L"NORD") {
        avertir(numero, L"NORD ne peut pas être le nom d'un point, ligne ignorée");
        continue;
      }
      pointACalculer p;
      p.nom = jetons[0];
      p.X = x;
      p.Y = y;
      p.connuXY = true;
      if (jetons.size() >= 4 && lireNombre(jetons[3], z)) {
        p.Z = z;
        p.connuZ = true;
      }
      ajouterPoint(p);
      continue;
    }

    // Observation line: station, reference (or NORD), target, then angle,
    // distance, height difference and their three weights.
    if (jetons.size() < 4) {
      avertir(numero, L"ligne d'observation non reconnue, ignorée");
      continue;
    }
    const std::wstring &station = jetons[0], &reference = jetons[1], &cible = jetons[2];
    const bool nord = reference == L"NORD";
    if (nomTropLong(numero, station) || nomTropLong(numero, cible) || (!nord && nomTropLong(numero, reference)))
      continue;
    if (station == L"NORD" || cible == L"NORD") {
      avertir(numero, L"NORD ne peut être que la référence, ligne ignorée");
      continue;
    }
    if (station == cible) {
      avertir(numero, L"la station et le point visé sont le même point, ligne ignorée");
      continue;
    }
    double champs[6];
    bool present[6];
    for (int k = 0; k < 6; ++k) present[k] = 3 + k < int(jetons.size()) && lireNombre(jetons[3 + k], champs[k]);
    bool angle = present[0];
    if (angle && !nord && (reference == station || reference == cible)) {
      avertir(numero, L"la référence de l'angle est la station ou le point visé, angle ignoré");
      angle = false;
    }
    if (!angle && !present[1] && !present[2]) {
      if (!present[0]) avertir(numero, L"aucune mesure, ligne ignorée");
      continue;
    }
    const int s = pointObservation(station);
    const int r = angle && !nord ? pointObservation(reference) : -1;
    const int c = pointObservation(cible);
    auto ajouter = [&](std::uint8_t type, double valeur, int champPoids) {
      ObservationReduite o;
      o.type = type;
      o.valeur = valeur;
      o.station = s;
      o.cible = c;
      o.reference = type == kObsAngle ? r : -1;
      o.poids = present[champPoids] ? champs[champPoids] : kValeurAbsente;
      observations.push_back(o);
    };
    if (angle) ajouter(kObsAngle, champs[0] * versRadians(unite), 3);
    if (present[1]) ajouter(kObsDistance, champs[1], 4);
    if (present[2]) ajouter(kObsDenivelee, champs[2], 5);
  }
  positionne.assign(points.size(), false);
  for (std::size_t i = 0; i < points.size(); ++i) positionne[i] = points[i].connuXY;
}
