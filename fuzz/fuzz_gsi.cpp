// Any bytes as a field book: split into lines, every line decoded from a
// buffer of its exact size (so that a read past its end is caught),
// interpreted and described; the whole input also as one line. The words
// must stay well formed whatever the input.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "field/gsi.hpp"

namespace {

void verifier(const std::vector<motGsi>& mots) {
  for (const motGsi& m : mots) {
    if (m.code > 99 || std::memchr(m.info, '\0', sizeof m.info) == nullptr ||
        std::memchr(m.texte, '\0', sizeof m.texte) == nullptr)
      std::abort();
    if ((m.type == typeMotGsi::numerique) != estCodeNumeriqueGsi(m.code)) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view entree(reinterpret_cast<const char*>(data), size);
  carnetObservations carnet;
  std::vector<motGsi> mots;

  decoderLigneGsi(entree, mots);
  verifier(mots);
  interpreterLigneGsi(mots, carnet);
  decrireLigneGsi(mots);

  const std::vector<std::string> lignes = decouperLignesGsi(entree);
  for (const std::string& ligne : lignes) {
    if (ligne.find_first_of("\r\n") != std::string::npos) std::abort();
    std::unique_ptr<char[]> exacte(new char[ligne.size() ? ligne.size() : 1]);
    std::memcpy(exacte.get(), ligne.data(), ligne.size());
    decoderLigneGsi(std::string_view(exacte.get(), ligne.size()), mots);
    verifier(mots);
    interpreterLigneGsi(mots, carnet);
    decrireLigneGsi(mots);
  }
  analyserLignesGsi(lignes, carnet);
  return 0;
}
