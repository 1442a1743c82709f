// The geltaro console: opens a drawing (or a new one), and saves it.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <string>

#include "host/db/database.hpp"

int main(int argc, char** argv) {
  CLI::App app{"Geltaro: survey points, computations and plans in DXF drawings"};
  std::string drawing, saveTo;
  app.add_option("drawing", drawing, "drawing to open (DXF; a new drawing when absent)");
  app.add_option("--save", saveTo, "save the drawing to this DXF file at the end");
  CLI11_PARSE(app, argc, argv);

  ZcDbDatabase db(drawing.empty());
  if (!drawing.empty()) {
    if (db.readDwgFile(drawing) != Zcad::eOk) {
      std::cerr << "geltaro: " << db.lastError() << "\n";
      return 1;
    }
    const auto& s = db.store();
    std::cout << "Lu " << drawing << " : version " << (s.versionRead.empty() ? "inconnue" : s.versionRead) << ", "
              << db.entityCount() << " entites, " << db.blockCount() << " blocs, " << db.layerCount() << " calques\n";
    for (const auto& w : s.warnings) std::cout << "  repare : " << w << "\n";
  } else {
    std::cout << "Nouveau dessin : " << db.entityCount() << " entites, " << db.blockCount() << " blocs, "
              << db.layerCount() << " calques\n";
  }
  if (!saveTo.empty()) {
    if (db.saveAs(saveTo) != Zcad::eOk) {
      std::cerr << "geltaro: " << db.lastError() << "\n";
      return 1;
    }
    std::cout << "Enregistre " << saveTo << "\n";
  }
  return 0;
}
