// Any bytes as a settings file (config.ini): the module's settings loaded
// from it, the missing ones added and the file written back. Every line of
// the file must still be there, in its order; loading the written file
// again gives the same values and writes nothing more.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "frame/config.hpp"
#include "fuzz_support.hpp"

namespace {

std::vector<std::string> lignes(std::string texte) {
  if (texte.starts_with("\xEF\xBB\xBF")) texte.erase(0, 3);
  std::vector<std::string> out;
  std::size_t debut = 0;
  while (debut < texte.size()) {
    std::size_t fin = texte.find('\n', debut);
    if (fin == std::string::npos) fin = texte.size();
    out.push_back(texte.substr(debut, fin - debut));
    debut = fin + 1;
  }
  return out;
}

bool memesValeurs(const parametresVrel& a, const parametresVrel& b) {
  auto memePoint = [](const ZcGePoint2d& p, const ZcGePoint2d& q) { return p.x == q.x && p.y == q.y; };
  return memePoint(a.UserPaperScale0.value(), b.UserPaperScale0.value()) &&
         memePoint(a.UserPaperScale5.value(), b.UserPaperScale5.value()) &&
         a.gPrecisionCoordonneesX.value() == b.gPrecisionCoordonneesX.value() &&
         a.gPrecisionCoordonneesY.value() == b.gPrecisionCoordonneesY.value();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 16384) return 0;
  const std::string chemin = geltaro::fuzz::fichier(data, size, "config.ini");
  configurationIni magasin(chemin);
  parametresVrel reglages(magasin);
  parametresPolygonale polygonale(magasin);
  const std::string ecrit = geltaro::fuzz::contenu(chemin);

  // The lines of the input, in order, among those of the file.
  const std::vector<std::string> avant = lignes(std::string(reinterpret_cast<const char*>(data), size));
  const std::vector<std::string> apres = lignes(ecrit);
  std::size_t j = 0;
  for (const std::string& l : avant) {
    while (j < apres.size() && apres[j] != l) ++j;
    if (j == apres.size()) std::abort();
    ++j;
  }

  configurationIni encore(chemin);
  parametresVrel relus(encore);
  parametresPolygonale polygonaleRelue(encore);
  if (!magasin.modified()) {
    // Written (or nothing to write): read back as it was, and not rewritten.
    if (!memesValeurs(reglages, relus) || geltaro::fuzz::contenu(chemin) != ecrit) std::abort();
    if (polygonale.ToleranceAngulairePolygonale.value() != polygonaleRelue.ToleranceAngulairePolygonale.value())
      std::abort();
  }
  return 0;
}
