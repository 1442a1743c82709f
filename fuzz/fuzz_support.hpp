// What the fuzz targets share: a quiet console, an installation folder of
// their own (the codification file is written there on first use, never
// into the source tree), and the input as a file for readers that take a
// path.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "host/app/console_io.hpp"

namespace geltaro::fuzz {

// A folder of the process's own under the temporary folder, made once.
inline const std::filesystem::path& dossier() {
  static const std::filesystem::path d = [] {
    std::filesystem::path p =
        std::filesystem::temp_directory_path() / ("geltaro-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(p);
    return p;
  }();
  return d;
}

// The installation folder: a copy of the block library in dossier()/home,
// set as GELTARO_HOME.
inline void installation() {
  static const bool fait = [] {
    const std::filesystem::path home = dossier() / "home";
    std::error_code ec;
    std::filesystem::create_directories(home, ec);
    std::filesystem::copy(std::filesystem::path(GELTARO_SOURCE_DIR) / "data" / "biblio", home / "biblio",
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::skip_existing,
                          ec);
    ::setenv("GELTARO_HOME", home.c_str(), 1);
    return true;
  }();
  (void)fait;
}

// Everything the module prints goes nowhere, and prompts read no answer.
inline void silence() {
  static std::istringstream entree;
  static std::ostringstream sortie;
  static host::ConsoleIO io(entree, sortie);
  host::setConsole(&io);
  sortie.str("");
  entree.clear();
}

// The input as a file of dossier(), named `nom`.
inline std::string fichier(const uint8_t* data, size_t size, const std::string& nom) {
  const std::filesystem::path p = dossier() / nom;
  std::ofstream(p, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), std::streamsize(size));
  return p.string();
}

// The bytes of a file (empty when it cannot be read).
inline std::string contenu(const std::string& chemin) {
  std::ifstream in(chemin, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace geltaro::fuzz
