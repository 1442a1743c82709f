#include "field/implantation_rapport.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "host/app/host_app.hpp"
#include "host/db/table.hpp"
#include "report/standard.hpp"
#include "field/implantation_outils.hpp"

using implantation::defini;
using implantation::formater;

namespace {

const char* const kEntete = "class=celgris align=center";
const char* const kNom = "class=celnorm align='center'";
const char* const kValeur = "class=celnorm align=right";

void celluleValeur(htmlTable& t, double v) {
  if (defini(v)) t.addNumber(v, 4, kValeur);
  else t.addCell(std::string(), kValeur);
}

void entete(htmlTable& t, std::initializer_list<const char*> titres) {
  t.newRow();
  for (const char* titre : titres) t.addCell(host::toAnsi(host::fromUtf8(titre)), kEntete);
}

void lignePoint(htmlTable& t, const observationImplantation& p) {
  t.newRow();
  t.addCell(texteHtml(host::toAnsi(p.nom)), kNom);
  celluleValeur(t, p.x);
  celluleValeur(t, p.y);
  celluleValeur(t, p.z);
}

std::wstring texteValeur(double v) { return defini(v) ? formater(L"%.4f", v) : std::wstring(); }

}  // namespace

htmlDocument rapportImplantation(const chantierImplantation& c) {
  htmlDocument doc;
  ajouterStylesStandard(doc);
  doc.addBody(htmlText("Implantations", "class=grand"));
  for (const auto& s : c.stations) {
    std::string description;
    s->descriptionHtml(description);
    doc.addBody(description);
    htmlTable t = tableRapport();
    entete(t, {"N°", "X", "Y", "Z", "Angle (gr)", "Distance"});
    for (const observationImplantation& p : c.points) {
      if (p.station != std::int64_t(s->identifiantStation)) continue;
      lignePoint(t, p);
      celluleValeur(t, enGrades(c.angle(p)));
      celluleValeur(t, c.distance(p));
    }
    doc.addBody(t);
    doc.addBody("<br>");
  }
  htmlTable t = tableRapport();
  entete(t, {"N°", "X", "Y", "Z"});
  for (const observationImplantation& p : c.points)
    if (!c.station(p.station)) lignePoint(t, p);
  doc.addBody(t);
  doc.addBody("<br>");
  return doc;
}

bool ecrireRapportImplantation(const chantierImplantation& c, const std::string& chemin) {
  htmlDocument doc = rapportImplantation(c);
  std::string fin = chemin.size() >= 4 ? chemin.substr(chemin.size() - 4) : std::string();
  std::transform(fin.begin(), fin.end(), fin.begin(), [](unsigned char ch) { return char(std::tolower(ch)); });
  doc.setPath(chemin, fin == ".doc" ? htmlDocument::Word : htmlDocument::Html);
  return doc.write();
}

std::vector<ZcDbObjectId> schematiserImplantation(const chantierImplantation& c, const ZcGePoint3d& position) {
  constexpr double kHauteur = 1.5;
  std::vector<ZcDbObjectId> tables;
  if (!c.db) return tables;
  host::TableContent avecStation;
  avecStation.textHeight = kHauteur;
  avecStation.rowHeight = 2 * kHauteur;
  avecStation.columnWidths = {12 * kHauteur, 10 * kHauteur, 10 * kHauteur, 8 * kHauteur, 8 * kHauteur, 8 * kHauteur};
  avecStation.cells.push_back({L"PT", L"X", L"Y", L"Z", L"ANGLE", L"DISTANCE"});
  for (const auto& s : c.stations) {
    std::wstring titre;
    titre = L"Station " + s->nomOuCoordonnees() + L" - Ref " + s->texteReference();
    avecStation.cells.push_back({titre, L"", L"", L"", L"", L""});
    avecStation.mergedRows.push_back(int(avecStation.cells.size()) - 1);
    for (const observationImplantation& p : c.points) {
      if (p.station != std::int64_t(s->identifiantStation)) continue;
      const double a = c.angle(p);
      std::wstring angle = defini(a) ? formater(L"%.4f", enGrades(a)) : std::wstring();
      if (!defini(a)) {
        const double g = s->gisementVers(p);
        if (defini(g)) angle = L"g= " + formater(L"%.4f", enGrades(g));
      }
      avecStation.cells.push_back(
          {p.nom, texteValeur(p.x), texteValeur(p.y), texteValeur(p.z), angle, texteValeur(c.distance(p))});
    }
  }
  double bas = position.y;
  calqueImplantation(c.db);
  if (avecStation.cells.size() > 1) {
    const ZcDbObjectId id = host::addTable(c.db, position, avecStation, kCalqueImplantation);
    if (!id.isNull()) tables.push_back(id);
    bas -= double(avecStation.cells.size()) * avecStation.rowHeight + 2 * avecStation.rowHeight;
  }
  host::TableContent sansStation;
  sansStation.textHeight = kHauteur;
  sansStation.rowHeight = 2 * kHauteur;
  sansStation.columnWidths = {12 * kHauteur, 10 * kHauteur, 10 * kHauteur, 8 * kHauteur};
  sansStation.cells.push_back({L"PT", L"X", L"Y", L"Z"});
  for (const observationImplantation& p : c.points)
    if (!c.station(p.station)) sansStation.cells.push_back({p.nom, texteValeur(p.x), texteValeur(p.y), texteValeur(p.z)});
  if (sansStation.cells.size() > 1) {
    const ZcDbObjectId id = host::addTable(c.db, ZcGePoint3d(position.x, bas, 0), sansStation, kCalqueImplantation);
    if (!id.isNull()) tables.push_back(id);
  }
  return tables;
}
