// Any bytes as a weight-formula file (.fmc): read through the file
// serializer. A file that reads is written and read again: the second
// writing gives the same bytes as the first. A file that does not read
// leaves the formulas as they were.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "calc/formule_fichier.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  geltaro::fuzz::silence();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 16384) return 0;
  const std::string entree = geltaro::fuzz::fichier(data, size, "entree.fmc");
  const std::string un = (geltaro::fuzz::dossier() / "un.fmc").string();
  const std::string deux = (geltaro::fuzz::dossier() / "deux.fmc").string();
  formulesPoids f;
  f.libelle = L"avant";
  if (lireFichierFormules(entree, f) != resultatFichierFormules::ok) {
    if (f.libelle != L"avant" || !f.constantes().empty()) std::abort();
    return 0;
  }
  // Texts the reader gives are texts the writer takes.
  if (ecrireFichierFormules(un, f) != resultatFichierFormules::ok) std::abort();
  formulesPoids g;
  if (lireFichierFormules(un, g) != resultatFichierFormules::ok) std::abort();
  if (ecrireFichierFormules(deux, g) != resultatFichierFormules::ok) std::abort();
  if (geltaro::fuzz::contenu(un) != geltaro::fuzz::contenu(deux)) std::abort();
  return 0;
}
