#include "calc/traverse_report.hpp"

#include <cstdarg>
#include <cstdio>
#include <string>
#include <string_view>

#include "calc/angles.hpp"
#include "host/app/host_app.hpp"
#include "host/db/database.hpp"
#include "report/standard.hpp"

namespace {

// Cell and paragraph attributes shared by both reports.
const char* const kNombre = "class=celnorm align=right";
const char* const kEntete = "class=celgris align=center";
const char* const kNomGauche = "class=celnorm align='left'";
const char* const kNomCentre = "class=celnorm align='center'";
const char* const kNorm = "class=celnorm";
const char* const kEspace = "&nbsp";

// Beside a misclosure beyond its tolerance.
const wchar_t* const kToleranceDepassee = L"Tol\u00e9rance d\u00e9pass\u00e9e";
const wchar_t* const kTolerance = L"Tol\u00e9rance";
const wchar_t* const kErreurLineaire = L"Erreur lin\u00e9aire";

std::string format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list copie;
  va_copy(copie, args);
  const int taille = std::vsnprintf(nullptr, 0, fmt, copie);
  va_end(copie);
  std::string s;
  if (taille > 0) {
    s.resize(static_cast<size_t>(taille) + 1);
    std::vsnprintf(s.data(), s.size(), fmt, args);
    s.resize(static_cast<size_t>(taille));
  }
  va_end(args);
  return s;
}

// A station name as report text: 8-bit code page, with the characters that
// would otherwise be read as markup written as entities, so that a name
// such as "A<B" neither disappears nor breaks the table it is in.
std::string texteNom(const std::wstring& nom) { return texteHtml(host::toAnsi(nom)); }

// A column title with its unit: "Distance (m)".
std::wstring avecUnite(const wchar_t* titre, const std::wstring& unite) { return std::wstring(titre) + L" (" + unite + L")"; }

// The titles of a header row, each with its unit when it has one.
struct Titre {
  const wchar_t* texte;
  std::wstring unite = {};  // empty: none
};

std::string nomLigne(const std::vector<obsPolygonale>& lignes, size_t i) { return texteNom(nomObs(lignes[i])); }

// Ends a misclosure's row: the verdict when it is beyond its tolerance.
void verdict(htmlTable& table, const ControleTolerance& c) {
  if (c.depassee) table.addCell(std::wstring(kToleranceDepassee), kNomGauche);
}

// Two rows closing a distance table: the linear misclosure and its
// tolerance, in metres, under the label column. The rows open with
// `vides` empty cells, or with one empty cell over two columns when 0.
void lignesToleranceLineaire(htmlTable& table, int vides, const ControleTolerance& c) {
  for (const bool erreur : {true, false}) {
    table.newRow();
    if (vides == 0) table.addCell(std::string(), "colspan=2");
    for (int k = 0; k < vides; ++k) table.addCell(std::string());
    table.addCell(std::wstring(erreur ? kErreurLineaire : kTolerance), kNomGauche);
    table.addNumber(erreur ? c.fermeture : c.tolerance, 4, kNombre);
    table.addCell(std::wstring(L"m"), kNomGauche);
    if (erreur) verdict(table, c);
  }
}

// Index i - recul taken around a ring of n rows.
size_t autourDuCercle(size_t i, size_t recul, size_t n) { return (i + n - recul % n) % n; }

void paragraphe(htmlDocument& document, const std::wstring& texte, const char* attributs) {
  document.addBody(htmlText(texte, attributs));
}

void entetes(htmlTable& table, std::initializer_list<Titre> titres, const char* attributs = kEntete) {
  table.newRow();
  for (const Titre& t : titres) table.addCell(t.unite.empty() ? std::wstring(t.texte) : avecUnite(t.texte, t.unite), attributs);
}

// Lengths are metres; angles are in the unit of the computation.
const std::wstring kMetre = L"m";
std::wstring symboleAngle(int unite) { return host::fromUtf8(symboleUnite(unite)); }

// The titles that end the header of an altitude table: the proportional
// term of the mode, then the correction, the corrected height difference
// and the altitude. The square root of a distance has no unit to show.
void titresNivellement(htmlTable& table, int mode) {
  if (mode == kNivDistance) table.addCell(avecUnite(L"Distance", kMetre), kEntete);
  if (mode == kNivRacine) table.addCell(std::wstring(L"Racine.dist"), kEntete);
  for (const wchar_t* titre : {L"Correction", L"d.Z Corrig\u00e9", L"Z"}) table.addCell(avecUnite(titre, kMetre), kEntete);
}

htmlTable tableOuverte() {
  htmlTable table;
  // The padding that keeps a word processor from squeezing the numbers
  // (see tableRapport).
  table.setCellPadding(kCellPaddingRapport);
  table.setCellSpacing(0);
  return table;
}

const wchar_t* titreMode(int mode) {
  switch (mode) {
    case kNivSimple: return L"Correction simple, erreur de fermeture r\u00e9partie uniform\u00e8ment";
    case kNivDistance: return L"Correction proportionnelle aux distances";
    case kNivRacine: return L"Correction proportionnelle aux racines distances";
    default: return nullptr;
  }
}

bool modeProportionnel(int mode) { return mode == kNivDistance || mode == kNivRacine; }

// L(i) or sqrt(L(i)), the column of the proportional modes.
double termeProportionnel(const NivellementPolygonale& niv, int mode, size_t i) {
  return mode == kNivDistance ? niv.longueur[i] : niv.racineLongueur[i];
}

bool tailleN(const std::vector<double>& v, size_t n) { return v.size() == n; }

bool nivellementComplet(const NivellementPolygonale& niv, int mode, size_t n) {
  if (mode == kNivAucun) return true;
  return tailleN(niv.correction, n) && tailleN(niv.dzCorrige, n) && tailleN(niv.longueur, n) &&
         tailleN(niv.racineLongueur, n);
}

// A refused computation gives no figures: the report carries its title and
// the reason, so the viewer never shows a partial or non-finite result.
void rapportRefuse(htmlDocument& document, const std::string& message) {
  paragraphe(document, L"Corrections de fermeture polygonale", "CLASS=grand");
  const std::wstring raison = message.empty() ? std::wstring(L"Calcul impossible") : host::fromUtf8(message);
  paragraphe(document, raison, "class=titre");
}

bool fermeeComplete(const ResultatPolygonaleFermee& r, size_t n) {
  return n >= 2 && tailleN(r.angleExterieur, n) && tailleN(r.angleInterieur, n) &&
         tailleN(r.angleInterieurCorrige, n) && tailleN(r.angleExterieurCorrige, n) && tailleN(r.gisement, n) &&
         tailleN(r.distance, n) && tailleN(r.dx, n) && tailleN(r.dy, n) && tailleN(r.dxCorrige, n) &&
         tailleN(r.dyCorrige, n) && tailleN(r.X, n) && tailleN(r.Y, n) && tailleN(r.Z, n);
}

bool ouverteComplete(const ResultatPolygonaleOuverte& r, size_t n) {
  return n >= 2 && tailleN(r.angle, n) && tailleN(r.gisementBrut, n + 1) && tailleN(r.gisementCompense, n + 1) &&
         tailleN(r.gisementCalcul, n + 1) && tailleN(r.distance, n) && tailleN(r.dx, n) && tailleN(r.dy, n) &&
         tailleN(r.dxCorrige, n) && tailleN(r.dyCorrige, n) && tailleN(r.X, n) && tailleN(r.Y, n) &&
         tailleN(r.Z, n);
}

}  // namespace

void rapportPolygonaleFermee(htmlDocument& document, const StationPolygonale& depart, int modeNivellement,
                             const std::vector<obsPolygonale>& mesurees, const ResultatPolygonaleFermee& r) {
  ajouterStylesStandard(document);
  const size_t n = mesurees.size();
  if (!r.ok || !fermeeComplete(r, n) || !nivellementComplet(r.nivellement, modeNivellement, n)) {
    rapportRefuse(document, r.ok ? std::string() : r.message);
    return;
  }

  paragraphe(document, L"Corrections de fermeture polygonale", "CLASS=grand");
  paragraphe(document, L"Donn\u00e9es", "CLASS=titre");
  document.addBody(htmlText(host::toAnsi(L"\r\nStation de d\u00e9part : ") + texteNom(depart.nom) + "\tX=" +
                                texteNombre(depart.x, 4) + "\tY=" + texteNombre(depart.y, 4) + "\tZ=" +
                                texteNombre(depart.z, 4) + "\tVo=" + texteNombre(depart.gisement, 4),
                            "class=petit"));
  const std::wstring angle = symboleAngle(r.unite);

  // Observations: each leg from the station named by the previous row.
  paragraphe(document, L"Observations", "class=titre");
  {
    htmlTable table = tableRapport();
    entetes(table, {{L"Station"}, {L"Vise"}, {L"Angle", angle}, {L"Distance", kMetre}, {L"Altitude", kMetre}},
            "CLASS=celgris");
    for (size_t i = 0; i < n; ++i) {
      table.newRow();
      table.addCell(nomLigne(mesurees, autourDuCercle(i, 1, n)), kNomCentre);
      table.addCell(nomLigne(mesurees, i), kNomCentre);
      table.addNumber(mesurees[i].angle, 4, kNombre);
      table.addNumber(mesurees[i].distance, 4, kNombre);
      table.addNumber(mesurees[i].dz, 4, kNombre);
    }
    document.addBody(table);
  }

  // Angular closure.
  paragraphe(document, L"Fermeture Angulaire", "CLASS=titre");
  {
    std::string erreur = "\r\nErreur angulaire=" + texteNombre(r.erreurAngulaire, 5);
    if (r.controleAngulaire.depassee) erreur += "\t" + host::toAnsi(kToleranceDepassee);
    document.addBody(htmlText(erreur, "CLASS=petit"));
  }
  document.addBody(htmlText("\r\nCorrection angulaire=" + texteNombre(r.correctionAngulaire, 5), "CLASS=petit"));
  {
    htmlTable table = tableRapport();
    entetes(table, {{L"R\u00e9f"}, {L"Station"}, {L"Vise"}, {L"Ang Ext", angle}, {L"Ang Int", angle},
                    {L"Ang Int Corr", angle}, {L"Ang Ext Corr", angle}, {L"Gisement Corr", angle}});
    for (size_t i = 0; i < n; ++i) {
      table.newRow();
      table.addCell(nomLigne(mesurees, autourDuCercle(i, 2, n)), kNomGauche);
      table.addCell(nomLigne(mesurees, autourDuCercle(i, 1, n)), kNomGauche);
      table.addCell(nomLigne(mesurees, i), kNomGauche);
      table.addNumber(r.angleExterieur[i], 4, kNombre);
      table.addNumber(r.angleInterieur[i], 4, kNombre);
      table.addNumber(r.angleInterieurCorrige[i], 4, kNombre);
      table.addNumber(r.angleExterieurCorrige[i], 4, kNombre);
      table.addNumber(r.gisement[i], 4, kNombre);
    }
    const std::pair<const char*, double> totaux[] = {
        {"Somme", r.sommeInterieurs}, {"Erreur", r.erreurAngulaire}, {"Correction", r.correctionAngulaire}};
    for (const auto& [libelle, valeur] : totaux) {
      table.newRow();
      for (int k = 0; k < 3; ++k) table.addCell(std::string());
      table.addCell(std::string(libelle), kNomGauche);
      table.addNumber(valeur, 4, kNombre);
      if (std::string_view(libelle) == "Erreur") verdict(table, r.controleAngulaire);
    }
    table.newRow();
    for (int k = 0; k < 3; ++k) table.addCell(std::string());
    table.addCell(std::wstring(kTolerance), kNomGauche);
    table.addNumber(r.controleAngulaire.tolerance, 4, kNombre);
    table.addCell(host::fromUtf8(symboleUnite(r.unite)), kNomGauche);
    document.addBody(table);
  }

  // Distances and coordinates (compass rule).
  paragraphe(document, L"Correction des distances", "class=titre");
  {
    htmlTable table = tableRapport();
    entetes(table, {{L"R\u00e9f"}, {L"Station"}, {L"Vise"}, {L"Gis. Corrig\u00e9", angle}, {L"Distance", kMetre},
                    {L"Dx", kMetre}, {L"Dy", kMetre}, {L"Dx corrig\u00e9", kMetre}, {L"Dy corrig\u00e9", kMetre},
                    {L"X", kMetre}, {L"Y", kMetre}});
    for (size_t i = 0; i < n; ++i) {
      table.newRow();
      table.addCell(nomLigne(mesurees, autourDuCercle(i, 2, n)), kNomGauche);
      table.addCell(nomLigne(mesurees, autourDuCercle(i, 1, n)), kNomGauche);
      table.addCell(nomLigne(mesurees, i), kNomGauche);
      for (double v : {r.gisement[i], r.distance[i], r.dx[i], r.dy[i], r.dxCorrige[i], r.dyCorrige[i], r.X[i], r.Y[i]})
        table.addNumber(v, 4, kNombre);
    }
    table.newRow();
    for (int k = 0; k < 3; ++k) table.addCell(std::string());
    table.addCell(std::string("Somme"), kEntete);
    for (double v : {r.D, r.SX, r.SY}) table.addNumber(v, 4, kNombre);
    // The ring's coordinate misclosure, hypot(SX, SY), and its tolerance.
    lignesToleranceLineaire(table, 3, r.controleLineaire);
    document.addBody(table);
  }

  // Altitudes.
  if (modeNivellement == kNivAucun) {
    paragraphe(document, L"Pas de correction de nivellement", "class=titre");
    htmlTable vide = tableRapport();
    document.addBody(vide);
  } else {
    const NivellementPolygonale& niv = r.nivellement;
    const bool proportionnel = modeProportionnel(modeNivellement);
    paragraphe(document, L"Correction des altitudes", "class=titre");
    if (const wchar_t* titre = titreMode(modeNivellement)) paragraphe(document, titre, "class=titre");
    htmlTable table = tableRapport();
    entetes(table, {{L"R\u00e9f"}, {L"Station"}, {L"Vise"}, {L"X", kMetre}, {L"Y", kMetre}, {L"d.Z", kMetre}});
    titresNivellement(table, modeNivellement);
    for (size_t i = 0; i < n; ++i) {
      table.newRow();
      table.addCell(nomLigne(mesurees, autourDuCercle(i, 2, n)), kNomGauche);
      table.addCell(nomLigne(mesurees, autourDuCercle(i, 1, n)), kNomGauche);
      table.addCell(nomLigne(mesurees, i), kNomGauche);
      for (double v : {r.X[i], r.Y[i], mesurees[i].dz}) table.addNumber(v, 4, kNombre);
      if (proportionnel) table.addNumber(termeProportionnel(niv, modeNivellement, i), 4, kNombre);
      for (double v : {niv.correction[i], niv.dzCorrige[i], r.Z[i]}) table.addNumber(v, 4, kNombre);
    }
    table.newRow();
    table.addCell(std::string(), "colspan=4");
    table.addCell(std::string("Total"), kNomGauche);
    table.addNumber(niv.SZ, 4, kNombre);
    if (proportionnel) table.addNumber(modeNivellement == kNivDistance ? niv.SL : niv.SR, 4, kNombre);
    document.addBody(table);
  }

  // Final coordinates: station P(i) bears the name of row i - 1.
  paragraphe(document, L"Coordonn\u00e9es finales", "class=titre");
  {
    htmlTable table = tableRapport();
    entetes(table, {{L"Station"}, {L"X", kMetre}, {L"Y", kMetre}, {L"Z", kMetre}});
    for (size_t i = 0; i < n; ++i) {
      table.newRow();
      table.addCell(nomLigne(mesurees, autourDuCercle(i, 1, n)), kNomGauche);
      for (double v : {r.X[i], r.Y[i], r.Z[i]}) table.addNumber(v, 4, kNombre);
    }
    document.addBody(table);
  }
}

void rapportPolygonaleOuverte(htmlDocument& document, const StationPolygonale& depart,
                              const StationPolygonale& arrivee, double angleFermeture, int modeNivellement,
                              const std::vector<obsPolygonale>& mesurees, const ResultatPolygonaleOuverte& r) {
  ajouterStylesStandard(document);
  const size_t n = mesurees.size();
  if (!r.ok || !ouverteComplete(r, n) || !nivellementComplet(r.nivellement, modeNivellement, n)) {
    rapportRefuse(document, r.ok ? std::string() : r.message);
    return;
  }
  const std::string nomDepart = texteNom(depart.nom);
  const std::string nomArrivee = texteNom(arrivee.nom);
  // Origin of leg i: the start station, then the end of the previous leg.
  auto nomOrigine = [&](size_t i) { return i == 0 ? nomDepart : nomLigne(mesurees, i - 1); };
  // End of leg i: row i's station, the end station for the last leg.
  auto nomFin = [&](size_t i) { return i + 1 == n ? nomArrivee : nomLigne(mesurees, i); };
  const std::string departArrivee = format("%s-%s", nomDepart.c_str(), nomArrivee.c_str());
  const std::wstring angle = symboleAngle(r.unite);

  paragraphe(document, L"Corrections de fermeture polygonale", "CLASS=grand");
  paragraphe(document, L"Donn\u00e9es", "CLASS=titre");
  {
    htmlTable table = tableOuverte();
    table.newRow();
    table.addCell(std::string());
    for (const std::wstring& titre : {std::wstring(L"Station"), avecUnite(L"X", kMetre), avecUnite(L"Y", kMetre),
                                      avecUnite(L"Z", kMetre), avecUnite(L"Gis", angle)})
      table.addCell(titre, kEntete);
    const std::pair<const wchar_t*, const StationPolygonale*> stations[] = {{L"D\u00e9part", &depart},
                                                                             {L"Arriv\u00e9e", &arrivee}};
    for (const auto& [libelle, s] : stations) {
      table.newRow();
      table.addCell(std::wstring(libelle), "class=celgris align=left");
      table.addCell(texteNom(s->nom), kNomCentre);
      for (double v : {s->x, s->y, s->z, s->gisement}) table.addNumber(v, 4, kNomCentre);
    }
    table.newRow();
    table.addCell(std::string("Fermeture"), "class=celgris colspan=5 align=right");
    table.addNumber(angleFermeture, 4, kNombre);
    document.addBody(table);
  }

  // Angular closure: the raw bearings reduced into one turn, the share of the
  // misclosure taken off each of them and the compensated bearings.
  paragraphe(document, L"Fermeture angulaire", "class=titre");
  {
    htmlTable table = tableOuverte();
    entetes(table, {{L"Station"}, {L"Angle", angle}, {L"Gisement", angle}, {L"Erreur", angle},
                    {L"Gis.Compens\u00e9", angle}});
    table.newRow();
    table.addCell(std::string("Ref"), kNomCentre);
    table.addCell(std::string(kEspace), kNorm);
    table.addNumber(depart.gisement, 4, kNombre);
    table.addCell(std::string(kEspace), kNorm);
    table.addCell(std::string(kEspace), kNorm);
    // mod(G(i)) is the compensated bearing before the share (i + 1)w was taken off.
    auto gisementReduit = [&](size_t i) { return r.gisementCalcul[i] + static_cast<double>(i + 1) * r.w; };
    for (size_t i = 0; i < n; ++i) {
      table.newRow();
      table.addCell(nomOrigine(i), kNomCentre);
      table.addNumber(r.angle[i], 4, kNombre);
      table.addNumber(gisementReduit(i), 4, kNombre);
      table.addNumber(-static_cast<double>(i + 1) * r.w, 4, kNombre);
      table.addNumber(r.gisementCompense[i], 4, kNombre);
    }
    table.newRow();
    table.addCell(nomArrivee, kNomCentre);
    table.addNumber(angleFermeture, 4, kNombre);
    table.addNumber(gisementReduit(n), 4, kNorm);
    table.addNumber(-static_cast<double>(n + 1) * r.w, 4, kNorm);
    table.addNumber(r.gisementCompense[n], 4, kNombre);
    table.newRow();
    table.addCell(std::string());
    table.addCell(std::string("Erreur :"), kNombre);
    table.addNumber(r.erreurAngulaire, 4, kNombre);
    verdict(table, r.controleAngulaire);
    table.newRow();
    table.addCell(std::string());
    table.addCell(host::toAnsi(kTolerance) + " :", kNombre);
    table.addNumber(r.controleAngulaire.tolerance, 4, kNombre);
    table.addCell(host::fromUtf8(symboleUnite(r.unite)), kNomGauche);
    document.addBody(table);
  }

  // Distances and coordinates.
  paragraphe(document, L"Comprensation des distances", "class=titre");
  {
    htmlTable table = tableOuverte();
    entetes(table, {{L"Station"}, {L"Gisement", angle}, {L"Distance", kMetre}, {L"DX", kMetre}, {L"DY", kMetre},
                    {L"DX.Corrig\u00e9", kMetre}, {L"DY.Corrig\u00e9", kMetre}, {L"X", kMetre}, {L"Y", kMetre}});
    for (size_t i = 0; i < n; ++i) {
      table.newRow();
      table.addCell(nomOrigine(i), kNomCentre);
      for (double v : {r.gisementCalcul[i], r.distance[i], r.dx[i], r.dy[i]}) table.addNumber(v, 4, kNombre);
      for (double v : {r.dxCorrige[i], r.dyCorrige[i]})
        table.addCell(htmlText(texteNombre(v, 4), std::string(), htmlText::Paragraph).str(), kNombre);
      table.addNumber(i == 0 ? depart.x : r.X[i - 1], 4, kNombre);
      table.addNumber(i == 0 ? depart.y : r.Y[i - 1], 4, kNombre);
    }
    table.newRow();
    table.addCell(nomArrivee, kNomCentre);
    table.addNumber(arrivee.gisement, 4, kNombre);
    for (int k = 0; k < 5; ++k) table.addCell(std::string(kEspace), kNorm);
    table.addNumber(arrivee.x, 4, kNorm);
    table.addNumber(arrivee.y, 4, kNorm);

    const std::string total = "Total";
    const std::string erreur = "Erreur";
    table.newRow();
    table.addCell(std::string(), "colspan=2");
    table.addCell(total, kNorm);
    table.addNumber(r.SX, 4, kNombre);
    table.addNumber(r.SY, 4, kNombre);
    table.newRow();
    table.addCell(std::string(), "colspan=2");
    table.addCell(departArrivee, kNomGauche);
    table.addNumber(arrivee.x - depart.x, 4, kNombre);
    table.addNumber(arrivee.y - depart.y, 4, kNombre);
    table.newRow();
    table.addCell(std::string(), "colspan=2");
    table.addCell(erreur, kNomGauche);
    table.addNumber(r.eX, 4, kNombre);
    table.addNumber(r.eY, 4, kNombre);
    // The misclosure at the end station, hypot(eX, eY), and its tolerance.
    lignesToleranceLineaire(table, 0, r.controleLineaire);
    document.addBody(table);
  }

  // Altitudes; Z(i) is the altitude of the origin of leg i.
  if (modeNivellement == kNivAucun) {
    paragraphe(document, L"Pas de correction de nivellement", "class=titre");
    htmlTable vide = tableOuverte();
    document.addBody(vide);
  } else {
    const NivellementPolygonale& niv = r.nivellement;
    const bool proportionnel = modeProportionnel(modeNivellement);
    paragraphe(document, L"Correction des altitudes", "class=titre");
    if (const wchar_t* titre = titreMode(modeNivellement)) paragraphe(document, titre, "class=titre");
    htmlTable table = tableOuverte();
    entetes(table, {{L"Station"}, {L"Vise"}, {L"X", kMetre}, {L"Y", kMetre}, {L"d.Z", kMetre}});
    titresNivellement(table, modeNivellement);
    for (size_t i = 0; i < n; ++i) {
      table.newRow();
      table.addCell(nomOrigine(i), kNomGauche);
      table.addCell(nomFin(i), kNomGauche);
      for (double v : {r.X[i], r.Y[i], mesurees[i].dz}) table.addNumber(v, 4, kNombre);
      if (proportionnel) table.addNumber(termeProportionnel(niv, modeNivellement, i), 4, kNombre);
      for (double v : {niv.correction[i], niv.dzCorrige[i], r.Z[i]}) table.addNumber(v, 4, kNombre);
    }
    table.newRow();
    table.addCell(std::string(), "colspan=3");
    table.addCell(std::string("Total"), kNomGauche);
    table.addNumber(niv.SZ, 4, kNombre);
    if (proportionnel) table.addNumber(modeNivellement == kNivDistance ? niv.SL : niv.SR, 4, kNombre);
    table.newRow();
    table.addCell(std::string(), "colspan=3");
    table.addCell(departArrivee, kNomGauche);
    table.addNumber(arrivee.z - depart.z, 4, kNombre);
    table.newRow();
    table.addCell(std::string(), "colspan=3");
    table.addCell(std::string("Erreur"), kNomGauche);
    table.addNumber(niv.eZ, 4, kNombre);
    document.addBody(table);
  }

  // Final results: the start station, the intermediate stations, the end station as given.
  paragraphe(document, L"R\u00e9sultats finaux :", "class=titre");
  {
    htmlTable table = tableOuverte();
    entetes(table, {{L"Station"}, {L"X", kMetre}, {L"Y", kMetre}, {L"Z", kMetre}});
    table.newRow();
    table.addCell(nomDepart, kNomGauche);
    for (double v : {depart.x, depart.y, depart.z}) table.addNumber(v, 4, kNombre);
    for (size_t i = 0; i + 1 < n; ++i) {
      table.newRow();
      table.addCell(nomLigne(mesurees, i), kNomGauche);
      for (double v : {r.X[i], r.Y[i], r.Z[i + 1]}) table.addNumber(v, 4, kNombre);
    }
    table.newRow();
    table.addCell(nomArrivee, kNomGauche);
    for (double v : {arrivee.x, arrivee.y, arrivee.z}) table.addNumber(v, 4, kNombre);
    document.addBody(table);
  }
}
