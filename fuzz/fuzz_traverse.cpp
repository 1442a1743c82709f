// Any bytes as a traverse file (closed and open layouts): read, written and
// read again. The written file must read back as itself: writing what was
// read twice gives the same bytes. Texts the format cannot hold are left
// out of the check: names are written between double quotes with no escape
// for one inside, and the cells of a row (angle, distance, dz) are written
// as they are, so a cell that is empty or holds a separator or a quote does
// not read back as one token.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "calc/traverse_files.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 16384) return 0;
  const std::string octets(reinterpret_cast<const char*>(data), size);
  for (bool ouverte : {false, true}) {
    fichierPolygonale lu;
    lu.ouverte = ouverte;
    lireTextePolygonale(octets, ouverte, lu);
    auto nomIllisible = [](const std::wstring& t) { return t.find(L'"') != std::wstring::npos; };
    auto celluleIllisible = [](const std::wstring& t) {
      return t.empty() || t.find_first_of(L" \t:=\"") != std::wstring::npos;
    };
    bool horsFormat = nomIllisible(lu.depart.nom) || nomIllisible(lu.arrivee.nom);
    for (const lignePolygonale& l : lu.lignes)
      horsFormat = horsFormat || nomIllisible(l.nom) || celluleIllisible(l.angle) || celluleIllisible(l.distance) ||
                   celluleIllisible(l.dz);
    if (horsFormat) continue;
    const std::string ecrit = texteFichierPolygonale(lu);
    fichierPolygonale relu;
    relu.ouverte = ouverte;
    lireTextePolygonale(ecrit, ouverte, relu);
    if (texteFichierPolygonale(relu) != ecrit) std::abort();
  }
  return 0;
}
