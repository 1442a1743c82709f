#include "tools/points_export.hpp"

#include <cstdio>
#include <fstream>

#include "host/app/host_app.hpp"
#include "report/html.hpp"
#include "tools/codification.hpp"

std::string lignePoint(const pointDuDessin& p) {
  char ligne[512];
  int n;
  if (p.aUneAltitude())
    n = std::snprintf(ligne, sizeof ligne, "%10s\t%15.4f\t%15.4f\t%15.4f\t%5d\r\n", p.getNomPoint(), p.getX(),
                      p.getY(), p.getZ(), int(p.getCode()));
  else
    n = std::snprintf(ligne, sizeof ligne, "%10s\t%15.4f\t%15.4f\t%15s\t%5d\r\n", p.getNomPoint(), p.getX(),
                      p.getY(), ".", int(p.getCode()));
  if (n >= 0 && std::size_t(n) < sizeof ligne) return std::string(ligne, std::size_t(n));
  // Coordinates too large for the line buffer (written in full by %f).
  std::string grand(std::size_t(n) + 1, '\0');
  if (p.aUneAltitude())
    std::snprintf(grand.data(), grand.size(), "%10s\t%15.4f\t%15.4f\t%15.4f\t%5d\r\n", p.getNomPoint(), p.getX(),
                  p.getY(), p.getZ(), int(p.getCode()));
  else
    std::snprintf(grand.data(), grand.size(), "%10s\t%15.4f\t%15.4f\t%15s\t%5d\r\n", p.getNomPoint(), p.getX(),
                  p.getY(), ".", int(p.getCode()));
  grand.resize(std::size_t(n));
  return grand;
}

bool ajouterFichierPoints(const std::vector<const pointDuDessin*>& points, const std::string& chemin,
                          host::ui::ProgressDialog& progression) {
  std::ofstream out(cheminSysteme(host::fromUtf8(chemin)), std::ios::binary | std::ios::app);
  if (!out) return false;
  std::string texte;
  texte.reserve(points.size() * 72);
  for (const pointDuDessin* p : points) {
    texte += lignePoint(*p);
    progression.stepIt();
  }
  out.write(texte.data(), std::streamsize(texte.size()));
  out.close();
  return !out.fail();
}

bool ecrireDocumentPoints(const std::vector<const pointDuDessin*>& points, const std::string& chemin, bool word,
                          host::ui::ProgressDialog& progression) {
  htmlDocument document;
  ajouterStylesStandard(document);
  htmlTable table;
  table.setAlignment(htmlTable::Center);
  table.setBorder(0);
  table.setCellPadding(0);
  table.setCellSpacing(0);
  table.newRow();
  for (const wchar_t* titre : {L"N\u00b0", L"X", L"Y", L"Z", L"Code"}) table.addCell(std::wstring(titre), "CLASS=celgris");
  for (const pointDuDessin* p : points) {
    table.newRow();
    // The name's bytes are already those of the document's code page.
    table.addCell(std::string(p->getNomPoint()), "class=celnorm align='left'");
    table.addNumber(p->getX(), 4, "class=celnorm align=right");
    table.addNumber(p->getY(), 4, "class=celnorm align=right");
    if (p->aUneAltitude()) table.addNumber(p->getZ(), 4, "class=celnorm align=right");
    else table.addCell(std::string("&nbsp"), "class=celnorm align=right");
    table.addInteger(p->getCode(), "class=celnorm align=right");
    progression.stepIt();
  }
  document.addBody(table);
  document.setPath(chemin, word ? htmlDocument::Word : htmlDocument::Html);
  return document.write();
}
