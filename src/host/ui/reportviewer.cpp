#include "host/ui/reportviewer.hpp"

#include <filesystem>

#include "host/app/console_io.hpp"

namespace host::ui {

bool showReport(const std::string& path) {
  std::error_code ec;
  if (path.empty() || !std::filesystem::is_regular_file(path, ec)) {
    console().print("Rapport introuvable : " + path + "\n");
    return false;
  }
  console().print("Rapport : " + path + "\n");
  return true;
}

}  // namespace host::ui
