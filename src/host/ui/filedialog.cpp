#include "host/ui/filedialog.hpp"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "host/app/console_io.hpp"
#include "host/ui/messagebox.hpp"

namespace host::ui {
namespace fs = std::filesystem;

namespace {

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return s;
}

// Glob of a filter: '*' any run, '?' one character, case-insensitive.
bool globMatch(const std::string& pattern, const std::string& name) {
  if (pattern == "*.*" || pattern == "*") return true;  // every file, with or without a dot
  const std::string p = lower(pattern), n = lower(name);
  size_t pi = 0, ni = 0, star = std::string::npos, mark = 0;
  while (ni < n.size()) {
    if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) ++pi, ++ni;
    else if (pi < p.size() && p[pi] == '*') star = pi++, mark = ni;
    else if (star != std::string::npos) pi = star + 1, ni = ++mark;
    else return false;
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

}  // namespace

std::vector<FileDialog::Filter> FileDialog::parseFilter(const std::string& filter) {
  std::vector<Filter> out;
  std::vector<std::string> parts;
  size_t start = 0;
  while (start < filter.size()) {
    size_t bar = filter.find('|', start);
    parts.push_back(filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  // "||" ends the list: an empty name stops it.
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].empty()) break;
    Filter f{parts[i], {}};
    std::string pats = parts[i + 1];
    size_t s = 0;
    while (s <= pats.size()) {
      size_t semi = pats.find(';', s);
      std::string p = trim(pats.substr(s, semi == std::string::npos ? std::string::npos : semi - s));
      if (!p.empty()) f.patterns.push_back(p);
      if (semi == std::string::npos) break;
      s = semi + 1;
    }
    out.push_back(std::move(f));
  }
  return out;
}

FileDialog::FileDialog(bool open, std::string defaultExt, std::string fileName, unsigned flags, const std::string& filter)
    : open_(open), defaultExt_(std::move(defaultExt)), initial_(std::move(fileName)), flags_(flags),
      filters_(parseFilter(filter)) {
  if (!defaultExt_.empty() && defaultExt_.front() == '.') defaultExt_.erase(0, 1);
}

std::string FileDialog::fileName() const { return fs::path(path_).filename().string(); }

std::string FileDialog::fileExt() const {
  std::string ext = fs::path(path_).extension().string();
  return ext.empty() ? ext : ext.substr(1);
}

std::string FileDialog::fileTitle() const { return fs::path(path_).stem().string(); }

int FileDialog::doModal() {
  ConsoleIO& io = console();
  path_.clear();
  filterIndex_ = 0;
  const std::string title = !title_.empty() ? title_ : open_ ? "Ouvrir" : "Enregistrer sous";
  std::string head = "[" + title + "]";
  if (!filters_.empty()) {
    head += " Types :";
    for (size_t i = 0; i < filters_.size(); ++i) head += (i ? ", " : " ") + filters_[i].name;
  }
  if (!folder_.empty()) head += " dans " + folder_;
  io.print(head + "\n");

  for (;;) {
    io.print(initial_.empty() ? "Fichier (vide = Annuler) :\n" : "Fichier <" + initial_ + "> (vide = Annuler) :\n");
    std::string line;
    if (!io.readAnswer(line) || ConsoleIO::isEscape(line)) return IDCANCEL;
    line = trim(line);
    if (line.size() >= 2 && line.front() == '"' && line.back() == '"') line = trim(line.substr(1, line.size() - 2));
    if (line.empty()) return IDCANCEL;

    fs::path path(line);
    if (!folder_.empty() && path.is_relative()) path = fs::path(folder_) / path;
    if (path.filename().empty()) {
      io.print("« " + line + " » n'est pas un nom de fichier.\n");
      continue;
    }
    // ".profile" has no extension for the path library but is not a name to
    // complete either; "name." asks for no extension.
    if (!path.has_extension() && !defaultExt_.empty() && path.filename().string().back() != '.')
      path += "." + defaultExt_;

    std::error_code ec;
    const bool exists = fs::exists(path, ec);
    if (exists && fs::is_directory(path, ec)) {
      io.print("« " + path.string() + " » est un dossier.\n");
      continue;
    }
    if (open_) {
      // A drawing asked for by its ".dwg" name opens from the ".dxf" of the
      // same name (as the drawing reader does): that file is the one meant.
      bool dxfVoisin = false;
      if (!exists) {
        std::string ext = path.extension().string();
        for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
        fs::path dxf = path;
        dxfVoisin = ext == ".dwg" && (fs::is_regular_file(dxf.replace_extension(".dxf"), ec) ||
                                      fs::is_regular_file(dxf.replace_extension(".DXF"), ec));
      }
      if (!exists && !dxfVoisin && (flags_ & OFN_FILEMUSTEXIST)) {
        io.print("Fichier introuvable : " + path.string() + "\n");
        continue;
      }
    } else {
      fs::path folder = path.parent_path();
      if (!folder.empty() && !fs::is_directory(folder, ec)) {
        io.print("Dossier introuvable : " + folder.string() + "\n");
        continue;
      }
      if (exists && (flags_ & OFN_OVERWRITEPROMPT)) {
        int answer = zcMessageBox(path.string() + " existe déjà.\nVoulez-vous le remplacer ?", title,
                                  MB_YESNO | MB_ICONWARNING);
        if (answer != IDYES) {
          if (io.atEnd()) return IDCANCEL;
          continue;
        }
      }
    }
    path_ = path.string();
    const std::string name = path.filename().string();
    for (size_t i = 0; i < filters_.size() && !filterIndex_; ++i)
      for (const auto& p : filters_[i].patterns)
        if (globMatch(p, name)) {
          filterIndex_ = int(i) + 1;
          break;
        }
    return IDOK;
  }
}

}  // namespace host::ui
