// Writing a report to its file: Rich Text for the Word-compatible kind
// going to a ".doc" file, HTML otherwise; a temporary file when the report
// has no path of its own.
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>

#include "host/files/write_file.hpp"
#include "report/html.hpp"
#include "report/rtf.hpp"

bool htmlDocument::writesRtf() const {
  if (kind_ != Word || path_.size() < 4) return false;
  std::string extension = path_.substr(path_.size() - 4);
  for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".doc";
}

std::string htmlDocument::contents() const { return writesRtf() ? rtfDocument(*this) : markup(); }

std::string cheminRapportTemporaire() {
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
  if (ec) return {};
  // The name is reserved with its extension: no second, empty file is left
  // behind for each report.
  std::string name = (folder / "_TPXXXXXX.html").string();
  const int fd = ::mkstemps(name.data(), 5);
  if (fd < 0) return {};
  ::close(fd);
  return name;
}

bool htmlDocument::write() {
  if (temporary_ || path_.empty()) {
    std::string temp = cheminRapportTemporaire();
    if (temp.empty()) return false;
    path_ = std::move(temp);
  }
  std::string error;
  return host::writeFile(path_, contents(), error);
}
