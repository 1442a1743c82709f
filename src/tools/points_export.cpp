#include "tools/points_export.hpp"

#include <charconv>
#include <cstdio>
#include <fstream>

#include "frame/installation.hpp"
#include "host/files/write_file.hpp"
#include "host/app/host_app.hpp"
#include "report/html.hpp"
#include "report/standard.hpp"
#include "points/codification.hpp"

void aDroite(std::string& out, std::string_view texte, std::size_t largeur) {
  if (texte.size() < largeur) out.append(largeur - texte.size(), ' ');
  out.append(texte);
}

// printf's "%*.*f": the same digits (both are correctly rounded), without
// the cost of a format string a value.
void ajouterFixe(std::string& out, double v, int decimales, std::size_t largeur) {
  char texte[400];
  const auto r = std::to_chars(texte, texte + sizeof texte, v, std::chars_format::fixed, decimales);
  if (r.ec == std::errc()) {
    aDroite(out, std::string_view(texte, std::size_t(r.ptr - texte)), largeur);
    return;
  }
  // Out of the buffer's reach (|v| beyond 1e390 cannot happen for a
  // double; kept for safety): the value in exponent form.
  char court[64];
  std::snprintf(court, sizeof court, "%*.*e", int(largeur), decimales, v);
  out += court;
}

// "%10s\t%15.4f\t%15.4f\t%15.4f\t%5d\r\n", with "." for Z when there is no
// altitude.
void ajouterLignePoint(std::string& out, const pointDuDessin& p) {
  aDroite(out, p.getNomPoint(), 10);
  out += '\t';
  ajouterFixe(out, p.getX(), 4, 15);
  out += '\t';
  ajouterFixe(out, p.getY(), 4, 15);
  out += '\t';
  if (p.aUneAltitude()) ajouterFixe(out, p.getZ(), 4, 15);
  else aDroite(out, ".", 15);
  out += '\t';
  char code[16];
  const auto r = std::to_chars(code, code + sizeof code, p.getCode());
  aDroite(out, std::string_view(code, std::size_t(r.ptr - code)), 5);
  out += "\r\n";
}

std::string lignePoint(const pointDuDessin& p) {
  std::string ligne;
  ajouterLignePoint(ligne, p);
  return ligne;
}

bool ecrireFichierPoints(const std::vector<const pointDuDessin*>& points, const std::string& chemin,
                          host::ui::ProgressDialog& progression) {
  // The file dialog asked before replacing an existing file: it is replaced,
  // never appended to (its last record may lack a line end).
  std::string texte;
  texte.reserve(points.size() * 72);
  for (const pointDuDessin* p : points) {
    ajouterLignePoint(texte, *p);
    progression.stepIt();
  }
  std::string erreur;
  return host::writeFile(cheminSysteme(host::fromUtf8(chemin)), texte, erreur);
}

bool ecrireDocumentPoints(const std::vector<const pointDuDessin*>& points, const std::string& chemin, bool word,
                          host::ui::ProgressDialog& progression) {
  htmlDocument document;
  ajouterStylesStandard(document);
  htmlTable table = tableRapport();
  table.newRow();
  for (const wchar_t* titre : {L"N\u00b0", L"X (m)", L"Y (m)", L"Z (m)", L"Code"})
    table.addCell(std::wstring(titre), "CLASS=celgris");
  for (const pointDuDessin* p : points) {
    table.newRow();
    // The name's bytes are already those of the document's code page; a
    // name such as "A<B" is text, not markup.
    table.addCell(texteHtml(p->getNomPoint()), "class=celnorm align='left'");
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
