// The console's commands on a drawing, as a user runs them: the survey
// module loaded as the program loads it, the drawing opened (its project
// read), ENTITIES, LIST of everything, PTSEN3D, ENTITIES again, and the save
// at the end of the script (the project stored). Shared by the console's
// regression test and its fuzz target.
#pragma once

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "console.hpp"
#include "module/survey_module.hpp"

namespace geltaro::testing {

struct ResultatConsole {
  int statut = 0;
  std::string sortie;  // what the console printed
};

// Runs the commands on `dessin`; the script and the saved drawing go to
// `dossier` (existing). What the console prints is captured, not shown.
inline ResultatConsole commandesDuDessin(const std::filesystem::path& dessin, const std::filesystem::path& dossier) {
  const std::filesystem::path script = dossier / "commandes.scr";
  std::ofstream(script, std::ios::binary | std::ios::trunc) << "ENTITIES\nLIST\nall\nPTSEN3D\nENTITIES\n";
  ConsoleOptions options;
  options.drawing = dessin.string();
  options.script = script.string();
  options.saveTo = (dossier / "enregistre.dxf").string();
  std::ostringstream sortie;
  std::streambuf* precedent = std::cout.rdbuf(sortie.rdbuf());
  ResultatConsole r;
  r.statut = runConsole(options, chargerModuleTopo);
  std::cout.rdbuf(precedent);
  r.sortie = sortie.str();
  return r;
}

}  // namespace geltaro::testing
