// Any bytes as a drawing opened at the console with the survey module
// loaded: the drawing read (its stored project too), ENTITIES, LIST of
// everything, PTSEN3D, ENTITIES again, and the save at the end of the
// script (the project stored). The DXF reader's own target stops at the
// database; this one runs what a user runs on the drawing. A drawing the
// console opened and saved must read back.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "fuzz_support.hpp"
#include "host/db/database.hpp"
#include "support/console_drawing.hpp"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  geltaro::fuzz::installation();
  // The module keeps its settings file in the current folder.
  std::filesystem::current_path(geltaro::fuzz::dossier());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 65536) return 0;
  const std::filesystem::path& dossier = geltaro::fuzz::dossier();
  const std::string dessin = geltaro::fuzz::fichier(data, size, "dessin.dxf");
  std::error_code ec;
  std::filesystem::remove(dossier / "enregistre.dxf", ec);
  const auto r = geltaro::testing::commandesDuDessin(dessin, dossier);
  if (r.statut != 0) return 0;
  ZcDbDatabase relu(false);
  if (relu.readDwgFile((dossier / "enregistre.dxf").string()) != Zcad::eOk) {
    std::fprintf(stderr, "the saved drawing does not read back: %s\n", relu.lastError().c_str());
    std::abort();
  }
  return 0;
}
