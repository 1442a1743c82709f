#include "frame/config.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <locale>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include <boost/property_tree/ini_parser.hpp>
#include <boost/tokenizer.hpp>

#include "host/files/write_file.hpp"

namespace pt = boost::property_tree;

namespace {

// Some editors start a UTF-8 file with a byte order mark; it is no part of
// the first line.
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

using Line = configurationIni::Line;

// The blanks the INI reader trims (those of the classic locale), whatever
// the process locale.
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

std::string trimmed(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && isBlank(s[b])) ++b;
  while (e > b && isBlank(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

// The file's text split into lines, and how it was written.
struct FileText {
  std::vector<Line> lines;
  bool byteOrderMark = false;
  bool crlf = false;
  bool finalNewline = true;
};

// Splits `text` into lines and reads them into `tree` as the property tree's
// INI reader does, except that a line it would refuse is skipped (and kept
// as a line of the file) instead of ending the reading.
FileText parse(std::string text, pt::ptree& tree) {
  FileText f;
  tree.clear();
  if (text.starts_with(kUtf8Bom)) {
    f.byteOrderMark = true;
    text.erase(0, kUtf8Bom.size());
  }
  f.finalNewline = text.empty() || text.back() == '\n';
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    f.lines.emplace_back();
    f.lines.back().text = text.substr(start, end - start);
    start = end + 1;
  }
  f.crlf = !f.lines.empty() && f.lines.front().text.ends_with('\r');

  std::set<std::string> sections;   // names given by a header
  std::optional<std::string> current;  // the section of the next keys (none: before any)
  bool keysRead = true;             // false after a header that could not be read
  for (Line& line : f.lines) {
    const std::string t = trimmed(line.text);
    if (t.empty() || t[0] == ';' || t[0] == '#') continue;
    if (t[0] == '[') {
      const std::size_t close = t.find(']');
      // The keys after a header that cannot be read belong to a section
      // whose name is not known: they are not read either.
      keysRead = false;
      if (close == std::string::npos) continue;
      std::string name = trimmed(std::string_view(t).substr(1, close - 1));
      if (!sections.count(name)) {
        if (tree.find(name) != tree.not_found()) continue;  // the name of a key before any section
        tree.push_back({name, pt::ptree()});
        sections.insert(name);
      }
      // A section given twice is one section.
      keysRead = true;
      current = name;
      line.kind = Line::kSection;
      line.section = name;
      continue;
    }
    if (!keysRead) continue;
    const std::size_t eq = t.find('=');
    if (eq == std::string::npos || eq == 0) continue;
    std::string key = trimmed(std::string_view(t).substr(0, eq));
    std::string value = trimmed(std::string_view(t).substr(eq + 1));
    pt::ptree& container = current ? tree.find(*current)->second : tree;
    // A key given twice: the first is the one read.
    if (container.find(key) != container.not_found()) continue;
    container.push_back({key, pt::ptree(value)});
    line.kind = Line::kKey;
    line.section = current;
    line.key = std::move(key);
    line.value = std::move(value);
  }
  // As the INI reader does, a section without keys is no node of the tree.
  for (const std::string& name : sections) {
    auto it = tree.find(name);
    if (it != tree.not_found() && it->second.empty()) tree.erase(tree.to_iterator(it));
  }
  return f;
}

// The text of the file: its lines, with the values the tree changed, the
// keys the tree no longer holds left out, and the keys it gained inserted
// at the end of their section (new sections at the end of the file).
std::string compose(const FileText& f, const pt::ptree& tree) {
  const std::string eol = f.crlf ? "\r" : "";
  const std::size_t n = f.lines.size();
  std::vector<std::optional<std::string>> texts(n);  // none: left out
  std::set<std::pair<std::optional<std::string>, std::string>> written;
  std::size_t firstSection = n;
  for (std::size_t i = 0; i < n; ++i) {
    const Line& line = f.lines[i];
    if (line.kind == Line::kSection && firstSection == n) firstSection = i;
    if (line.kind != Line::kKey) {
      texts[i] = line.text;
      continue;
    }
    const pt::ptree* container = &tree;
    if (line.section) {
      auto s = tree.find(*line.section);
      container = s == tree.not_found() ? nullptr : &s->second;
    }
    if (!container) continue;
    auto k = container->find(line.key);
    // Gone from the tree, or become a section: not written here.
    if (k == container->not_found() || !k->second.empty()) continue;
    const std::string& value = k->second.data();
    texts[i] = value == line.value ? line.text
                                   : line.key + "=" + value + (line.text.ends_with('\r') ? "\r" : "");
    written.insert({line.section, line.key});
  }

  // Where the keys a section gained go: after the last key of its last
  // block, or after its header when that block has none.
  auto insertionPoint = [&](const std::string& section) -> std::optional<std::size_t> {
    std::optional<std::size_t> at;
    for (std::size_t i = 0; i < n; ++i) {
      const Line& line = f.lines[i];
      if (line.kind == Line::kSection && line.section == section) at = i;
      else if (at && line.kind == Line::kKey && line.section == section) at = i;
    }
    return at;
  };
  std::vector<std::string> topKeys, newSections;
  std::map<std::size_t, std::vector<std::string>> after;
  for (const auto& [name, node] : tree) {
    if (node.empty()) {
      if (!written.count({std::nullopt, name})) topKeys.push_back(name + "=" + node.data() + eol);
      continue;
    }
    std::vector<std::string> keys;
    for (const auto& [key, value] : node)
      if (!written.count({name, key})) keys.push_back(key + "=" + value.data() + eol);
    if (keys.empty()) continue;
    if (auto at = insertionPoint(name)) {
      auto& list = after[*at];
      list.insert(list.end(), keys.begin(), keys.end());
    } else {
      newSections.push_back("[" + name + "]" + eol);
      newSections.insert(newSections.end(), keys.begin(), keys.end());
    }
  }

  std::vector<std::string> out;
  bool endsWithLastLine = false;  // the last line written is the file's last line
  for (std::size_t i = 0; i < n; ++i) {
    if (i == firstSection) out.insert(out.end(), topKeys.begin(), topKeys.end());
    if (texts[i]) out.push_back(*texts[i]);
    endsWithLastLine = i + 1 == n && texts[i].has_value();
    if (auto a = after.find(i); a != after.end()) {
      out.insert(out.end(), a->second.begin(), a->second.end());
      endsWithLastLine = false;
    }
  }
  if (firstSection == n && !topKeys.empty()) {
    out.insert(out.end(), topKeys.begin(), topKeys.end());
    endsWithLastLine = false;
  }
  if (!newSections.empty()) {
    out.insert(out.end(), newSections.begin(), newSections.end());
    endsWithLastLine = false;
  }

  std::string text = f.byteOrderMark ? std::string(kUtf8Bom) : std::string();
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (i) text += '\n';
    text += out[i];
  }
  // A file that did not end with a line feed still does not, unless lines
  // were added after its last one.
  if (!out.empty() && (f.finalNewline || !endsWithLastLine)) text += '\n';
  return text;
}

// The text of the file at `path`; none when it cannot be opened.
std::optional<std::string> readText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

// A whole token converted with strtod: nothing may follow the number, and
// infinities, NaN and overflows are refused.
bool numberFromToken(const std::string& token, double& out) {
  if (token.empty()) return false;
  char* end = nullptr;
  const double v = std::strtod(token.c_str(), &end);
  if (end != token.c_str() + token.size() || !std::isfinite(v)) return false;
  out = v;
  return true;
}

template <typename T>
struct TextForm;

template <>
struct TextForm<int> {
  // A whole decimal number; out-of-range values are refused.
  static boost::optional<int> read(const std::string& text) {
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    int v = 0;
    in >> v;
    if (in.fail()) return boost::none;
    in >> std::ws;
    if (!in.eof()) return boost::none;
    return v;
  }
  static std::string write(int v) { return std::to_string(v); }
};

template <>
struct TextForm<double> {
  // The whole text one finite number, read without regard to the process
  // locale; a leading '+' is allowed as for an int.
  static boost::optional<double> read(const std::string& text) {
    const char* debut = text.data();
    const char* fin = text.data() + text.size();
    if (debut != fin && *debut == '+') {
      ++debut;
      if (debut != fin && *debut == '-') return boost::none;
    }
    double v = 0;
    const auto [suite, erreur] = std::from_chars(debut, fin, v, std::chars_format::general);
    if (erreur != std::errc() || suite != fin || !std::isfinite(v)) return boost::none;
    return v;
  }
  // The shortest text that reads back as the same value.
  static std::string write(double v) {
    char texte[64];
    const auto [fin, erreur] = std::to_chars(texte, texte + sizeof texte, v);
    if (erreur != std::errc()) return std::string();
    return std::string(texte, fin);
  }
};

template <>
struct TextForm<ZcGePoint2d> {
  static boost::optional<ZcGePoint2d> read(const std::string& text) {
    return Point2DTranslator().get_value(text);
  }
  static std::string write(const ZcGePoint2d& p) {
    return Point2DTranslator().put_value(p).value_or(std::string());
  }
};

}  // namespace

// ---------------------------------------------------------------------------
// configurationIni

configurationIni& configurationIni::instance() noexcept {
  static configurationIni store(kFileName);
  return store;
}

configurationIni::configurationIni(std::string path) noexcept
    : path_(std::move(path)) {
  try {
    if (auto text = readText(path_)) {
      FileText f = parse(std::move(*text), tree_);
      lines_ = std::move(f.lines);
      byteOrderMark_ = f.byteOrderMark;
      crlf_ = f.crlf;
      finalNewline_ = f.finalNewline;
    }
  } catch (...) {
    // A file that cannot be read: nothing of it is kept.
    tree_.clear();
    lines_.clear();
  }
}

bool configurationIni::save() noexcept {
  if (!modified_) return true;
  try {
    // A tree the INI writer refuses (a name holding both a value and keys,
    // keys under keys) leaves the file untouched instead of truncated.
    {
      std::ostringstream probe;
      probe.imbue(std::locale::classic());
      pt::write_ini(probe, tree_);
    }
    FileText f{lines_, byteOrderMark_, crlf_, finalNewline_};
    const std::string text = compose(f, tree_);

    std::string error;
    if (!host::writeFile(path_, text, error)) return false;
    modified_ = false;
    // The lines as written now are those later changes go into.
    pt::ptree scratch;
    FileText now = parse(text, scratch);
    lines_ = std::move(now.lines);
    byteOrderMark_ = now.byteOrderMark;
    crlf_ = now.crlf;
    finalNewline_ = now.finalNewline;
    return true;
  } catch (...) {
    return false;
  }
}

// ---------------------------------------------------------------------------
// Point2DTranslator

boost::optional<ZcGePoint2d> Point2DTranslator::get_value(
    const std::string& text) const {
  try {
    using Tokens = boost::tokenizer<boost::char_separator<char>>;
    const Tokens tokens(text, boost::char_separator<char>(", \t"));
    double xy[2] = {0.0, 0.0};
    int n = 0;
    for (auto it = tokens.begin(); it != tokens.end() && n < 2; ++it, ++n) {
      if (!numberFromToken(*it, xy[n])) return boost::none;
    }
    if (n < 2) return boost::none;
    return ZcGePoint2d(xy[0], xy[1]);
  } catch (...) {
    return boost::none;
  }
}

boost::optional<std::string> Point2DTranslator::put_value(
    const ZcGePoint2d& p) const {
  try {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << p.x << " , " << p.y;
    return out.str();
  } catch (...) {
    return boost::none;
  }
}

// ---------------------------------------------------------------------------
// Static_ConfigVariable

template <typename T>
Static_ConfigVariable<T>::Static_ConfigVariable(std::string_view name,
                                                const T& defaultValue) noexcept
    : Static_ConfigVariable(name, defaultValue, configurationIni::instance()) {}

template <typename T>
Static_ConfigVariable<T>::Static_ConfigVariable(std::string_view name,
                                                const T& defaultValue,
                                                configurationIni& store) noexcept {
  this->value_ = defaultValue;
  try {
    this->name_.assign(name);
    const pt::ptree::path_type path(this->name_, '.');
    if (auto child = store.tree().get_child_optional(path)) {
      // Present: its value when it converts; otherwise the default, and the
      // file keeps the user's text.
      if (auto v = TextForm<T>::read(child->data())) this->value_ = *v;
      return;
    }
    store.tree().put(path, TextForm<T>::write(defaultValue));
    store.setModified();
    store.save();
  } catch (...) {
    // The default stays in use.
  }
}

template class Static_ConfigVariable<int>;
template class Static_ConfigVariable<double>;
template class Static_ConfigVariable<ZcGePoint2d>;

// ---------------------------------------------------------------------------
// The module's settings

namespace {
constexpr ZcGePoint2d kDefaultPaperScale(1000.0, 1000.0);
constexpr int kDefaultPrecision = 3;
}  // namespace

parametresVrel::parametresVrel() noexcept
    : parametresVrel(configurationIni::instance()) {}

parametresVrel::parametresVrel(configurationIni& store) noexcept
    : UserPaperScale0("VREL.UserPaperScale0", kDefaultPaperScale, store),
      UserPaperScale1("VREL.UserPaperScale1", kDefaultPaperScale, store),
      UserPaperScale2("VREL.UserPaperScale2", kDefaultPaperScale, store),
      UserPaperScale3("VREL.UserPaperScale3", kDefaultPaperScale, store),
      UserPaperScale4("VREL.UserPaperScale4", kDefaultPaperScale, store),
      UserPaperScale5("VREL.UserPaperScale5", kDefaultPaperScale, store),
      gPrecisionCoordonneesX("VREL.gPrecisionCoordonneesX", kDefaultPrecision,
                             store),
      gPrecisionCoordonneesY("VREL.gPrecisionCoordonneesY", kDefaultPrecision,
                             store) {}

const parametresVrel& reglagesVrel() noexcept {
  static const parametresVrel settings;
  return settings;
}

namespace {
constexpr double kDefaultAngularTolerance = 4.5;  // mgr, times sqrt(number of angles)
constexpr double kDefaultLinearDenominator = 5000;
}  // namespace

parametresPolygonale::parametresPolygonale() noexcept
    : parametresPolygonale(configurationIni::instance()) {}

parametresPolygonale::parametresPolygonale(configurationIni& store) noexcept
    : ToleranceAngulairePolygonale("VREL.ToleranceAngulairePolygonale",
                                   kDefaultAngularTolerance, store),
      DenominateurToleranceLineaire("VREL.DenominateurToleranceLineaire",
                                    kDefaultLinearDenominator, store) {}

const parametresPolygonale& reglagesPolygonale() noexcept {
  static const parametresPolygonale settings;
  return settings;
}
