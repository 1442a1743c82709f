#include "frame/config.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <locale>
#include <sstream>

#include <boost/property_tree/ini_parser.hpp>
#include <boost/tokenizer.hpp>

namespace pt = boost::property_tree;

namespace {

// Some editors start a UTF-8 file with a byte order mark; the INI reader would
// take it as part of the first line and reject the whole file.
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

void readIni(const std::string& text, pt::ptree& tree) {
  std::istringstream in(text);
  in.imbue(std::locale::classic());
  pt::read_ini(in, tree);
}

// Reads the INI file at `path` into `tree`. The INI reader fills the tree only
// when the whole text is valid; on an error it reports the faulty line, so the
// lines before it are read again on their own to keep what was valid.
void readFile(const std::string& path, pt::ptree& tree) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return;
  std::ostringstream content;
  content << file.rdbuf();
  std::string text = content.str();
  if (text.starts_with(kUtf8Bom)) text.erase(0, kUtf8Bom.size());

  unsigned long faultyLine = 0;
  try {
    readIni(text, tree);
    return;
  } catch (const pt::ini_parser_error& e) {
    faultyLine = e.line();
  }
  if (faultyLine <= 1) return;
  // End of the line before the faulty one: the (faultyLine - 1)-th newline.
  std::string::size_type end = 0;
  for (unsigned long n = 0; n < faultyLine - 1; ++n) {
    end = text.find('\n', end);
    if (end == std::string::npos) return;
    ++end;
  }
  text.resize(end);
  readIni(text, tree);
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
    readFile(path_, tree_);
  } catch (...) {
    // No file, or one that cannot be read: the tree keeps what it holds.
  }
}

bool configurationIni::save() noexcept {
  if (!modified_) return true;
  try {
    // Formatted first, so a tree the INI writer refuses (a name holding both
    // a value and keys) leaves the file untouched instead of truncated.
    std::ostringstream text;
    text.imbue(std::locale::classic());
    pt::write_ini(text, tree_);

    std::ofstream file(path_, std::ios::trunc);
    if (!file) return false;
    file << text.str();
    file.close();
    if (file.fail()) return false;
    modified_ = false;
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
