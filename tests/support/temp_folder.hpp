// A temporary folder of the test program's own, removed when the program
// ends.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace geltaro::testing {

inline std::filesystem::path dossierDeTest(const std::string& prefixe) {
  struct Dossier {
    std::filesystem::path chemin;
    explicit Dossier(std::filesystem::path p) : chemin(std::move(p)) {
      std::error_code ec;
      std::filesystem::create_directories(chemin, ec);
    }
    ~Dossier() {
      std::error_code ec;
      std::filesystem::remove_all(chemin, ec);
    }
  };
  static const Dossier dossier(std::filesystem::temp_directory_path() / (prefixe + "-" + std::to_string(::getpid())));
  return dossier.chemin;
}

}  // namespace geltaro::testing
