#include "field/carnet_rapport.hpp"

#include <cmath>

#include "host/app/host_app.hpp"
#include "report/standard.hpp"

namespace {

const char* const kNombre = "class=celnorm align=right";
const char* const kEntete = "class=celgris align=center";
const char* const kTexte = "class=celnorm align='left'";

std::string nom(const std::string& ansi) { return texteHtml(ansi); }

void entetes(htmlTable& table, std::initializer_list<const wchar_t*> titres) {
  table.newRow();
  for (const wchar_t* t : titres) table.addCell(std::wstring(t), kEntete);
}

void nombreOuVide(htmlTable& table, bool present, double valeur, int decimales) {
  if (present) table.addNumber(valeur, decimales, kNombre);
  else table.addCell(std::string("&nbsp"), kNombre);
}

void paragraphe(htmlDocument& d, const std::wstring& texte, const char* classe = "class=petit") {
  d.addBody(htmlText(texte, classe));
}

void titre(htmlDocument& d, const std::wstring& texte) { paragraphe(d, texte, "class=titre"); }

std::wstring texteOrientation(const miseEnStation& s) {
  if (s.ignoree) return L"station non donnée : mesures ignorées";
  switch (s.orientation) {
    case orientationStation::lue: return L"lue dans le carnet (mot 25)";
    case orientationStation::instrument: return L"coordonnées de l'instrument";
    case orientationStation::visees:
      return L"sur " + std::to_wstring(s.visees.size()) + (s.visees.size() > 1 ? L" visées" : L" visée");
    case orientationStation::aucune: break;
  }
  return L"aucune : angles lus pris comme gisements";
}

}  // namespace

std::wstring nomMiseEnStation(const miseEnStation& station) {
  if (!station.nom.empty()) return host::fromAnsi(station.nom);
  return station.index < 0 ? L"(avant la 1re station)" : L"(sans nom)";
}

void remplirRapportCarnet(htmlDocument& d, const resultatCarnet& r, const std::string& fichier) {
  ajouterStylesStandard(d);
  paragraphe(d, L"Calcul des points d'un carnet de terrain", "class=grand");
  d.addBody(htmlText("Carnet : " + nom(fichier), "class=petit"));
  char echelle[64];
  std::snprintf(echelle, sizeof echelle, "%.6f", r.facteurEchelle);
  paragraphe(d, L"Courbure terrestre et réfraction non appliquées (visées courtes). Facteur d'échelle : " +
                    host::fromAnsi(echelle) + L". Angles en grades, distances et coordonnées en mètres.");
  paragraphe(d, std::to_wstring(r.points.size()) + L" points calculés, " + std::to_wstring(r.directions.size()) +
                    L" directions seules (sans distance).");
  if (r.lignesSansStation > 0)
    paragraphe(d, std::to_wstring(r.lignesSansStation) + L" mesures sans station connue : non calculées.");

  // Missing heights, by name.
  for (int hauteur = 0; hauteur < 2; ++hauteur) {
    const int nombre = hauteur == 0 ? r.hiManquantes : r.htManquantes;
    if (nombre == 0) continue;
    std::string noms;
    int montres = 0;
    for (const pointCarnet& p : r.points) {
      if (!(hauteur == 0 ? p.hiManquante : p.htManquante)) continue;
      if (montres++ < 50) noms += (noms.empty() ? "" : ", ") + nom(p.nom);
    }
    if (montres > 50) noms += ", ...";
    d.addBody(htmlText(host::toAnsi(hauteur == 0 ? L"Hauteur d'instrument manquante (comptée 0) pour "
                                                  : L"Hauteur de voyant manquante (comptée 0) pour ") +
                           std::to_string(nombre) + " points : " + noms,
                       "class=petit"));
  }

  titre(d, L"Mises en station");
  htmlTable stations = tableRapport();
  entetes(stations, {L"Station", L"X", L"Y", L"Z", L"Haut. instr.", L"Orientation", L"Correction (gr)", L"Mesures"});
  for (const miseEnStation& s : r.stations) {
    stations.newRow();
    stations.addCell(texteHtml(host::toAnsi(nomMiseEnStation(s))), kTexte);
    nombreOuVide(stations, s.positionConnue, s.x, 3);
    nombreOuVide(stations, s.positionConnue, s.y, 3);
    nombreOuVide(stations, s.positionConnue && s.aZ, s.z, 3);
    nombreOuVide(stations, s.aHi, s.hi, 3);
    stations.addCell(texteOrientation(s), kTexte);
    nombreOuVide(stations, s.orientation == orientationStation::visees, s.correction, 5);
    stations.addInteger(int(s.mesures.size()), kNombre);
  }
  d.addBody(stations);

  for (const miseEnStation& s : r.stations) {
    if (s.visees.empty()) continue;
    titre(d, L"Visées de référence de la station " + nomMiseEnStation(s));
    htmlTable t = tableRapport();
    entetes(t, {L"Point", L"Gisement (gr)", L"Lecture Hz (gr)", L"Résidu (gr)", L"Distance (m)", L"Écart (mm)"});
    for (const viseeReference& v : s.visees) {
      t.newRow();
      t.addCell(nom(v.nom), kTexte);
      t.addNumber(v.gisement, 5, kNombre);
      t.addNumber(v.lecture, 5, kNombre);
      t.addNumber(v.residu, 5, kNombre);
      t.addNumber(v.distance, 3, kNombre);
      t.addNumber(v.ecart * 1000.0, 1, kNombre);
    }
    d.addBody(t);
    char g0[64];
    std::snprintf(g0, sizeof g0, "%.5f", s.correction);
    paragraphe(d, L"Inconnue d'orientation (moyenne) : " + host::fromAnsi(g0) + L" gr");
  }

  titre(d, L"Points calculés");
  htmlTable points = tableRapport();
  entetes(points, {L"Point", L"Station", L"Code", L"Observation", L"Gisement (gr)", L"V (gr)", L"Dh (m)",
                   L"Haut. voyant (m)", L"X", L"Y", L"Z", L"Écart X (mm)", L"Écart Y (mm)", L"Écart Z (mm)",
                   L"Contrôle"});
  int horsTolerance = 0;
  for (const pointCarnet& p : r.points) {
    points.newRow();
    points.addCell(nom(p.nom), kTexte);
    points.addCell(texteHtml(host::toAnsi(nomMiseEnStation(r.stations[std::size_t(p.station)]))), kTexte);
    points.addCell(nom(p.code), kTexte);
    points.addCell(nom(p.remarque), kTexte);
    points.addNumber(p.gisement, 5, kNombre);
    nombreOuVide(points, p.aV, p.v, 5);
    points.addNumber(p.dh, 3, kNombre);
    points.addNumber(p.ht, 3, kNombre);
    points.addNumber(p.x, 3, kNombre);
    points.addNumber(p.y, 3, kNombre);
    nombreOuVide(points, p.z != kIndefini, p.z, 3);
    nombreOuVide(points, p.controle, p.ex * 1000.0, 1);
    nombreOuVide(points, p.controle, p.ey * 1000.0, 1);
    nombreOuVide(points, p.aControleZ, p.ez * 1000.0, 1);
    if (p.horsTolerance) {
      ++horsTolerance;
      points.addCell(std::wstring(L"> 5 mm"), kTexte);
    } else {
      points.addCell(std::string(p.controle ? "ok" : "&nbsp"), kTexte);
    }
  }
  d.addBody(points);
  if (horsTolerance > 0)
    paragraphe(d, std::to_wstring(horsTolerance) +
                      L" points s'écartent de plus de 5 mm des coordonnées de l'instrument.");

  bool faces = false;
  for (const pointCarnet& p : r.points) faces = faces || p.deuxFaces;
  if (faces) {
    titre(d, L"Visées dans les deux positions (cercle gauche − cercle droit)");
    htmlTable t = tableRapport();
    entetes(t, {L"Point", L"Écart Hz (gr)", L"Écart V (gr)", L"Écart Dh (mm)"});
    for (const pointCarnet& p : r.points) {
      if (!p.deuxFaces) continue;
      t.newRow();
      t.addCell(nom(p.nom), kTexte);
      t.addNumber(p.ecartHz, 5, kNombre);
      t.addNumber(p.ecartV, 5, kNombre);
      t.addNumber(p.ecartDh * 1000.0, 1, kNombre);
    }
    d.addBody(t);
  }

  if (!r.directions.empty()) {
    titre(d, L"Directions seules (sans distance)");
    htmlTable t = tableRapport();
    entetes(t, {L"Point", L"Station", L"Gisement (gr)", L"V (gr)"});
    for (const directionCarnet& v : r.directions) {
      t.newRow();
      t.addCell(nom(v.nom), kTexte);
      t.addCell(texteHtml(host::toAnsi(nomMiseEnStation(r.stations[std::size_t(v.station)]))), kTexte);
      t.addNumber(v.gisement, 5, kNombre);
      nombreOuVide(t, v.aV, v.v, 5);
    }
    d.addBody(t);
  }
}
