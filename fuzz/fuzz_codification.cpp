// Any bytes as the codification file (XML "defcodif"): loaded, saved, loaded
// and saved again. The two saved files hold the same bytes: what the table
// writes, it reads back.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_support.hpp"
#include "host/app/host_app.hpp"
#include "points/codification.hpp"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  geltaro::fuzz::installation();
  geltaro::fuzz::silence();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 16384) return 0;
  geltaro::fuzz::silence();
  const std::string entree = geltaro::fuzz::fichier(data, size, "defcodif.xml");
  const std::string un = (geltaro::fuzz::dossier() / "un.xml").string();
  const std::string deux = (geltaro::fuzz::dossier() / "deux.xml").string();
  tableCodification t;
  t.vider();
  if (!t.charger(host::fromUtf8(entree))) return 0;
  for (int i = 0; i < t.nbCodes(); ++i) (void)t.getAt(i);
  if (!t.sauver(host::fromUtf8(un))) std::abort();
  tableCodification u;
  u.vider();
  if (!u.charger(host::fromUtf8(un)) || u.nbCodes() != t.nbCodes()) std::abort();
  if (!u.sauver(host::fromUtf8(deux))) std::abort();
  if (geltaro::fuzz::contenu(un) != geltaro::fuzz::contenu(deux)) std::abort();
  return 0;
}
