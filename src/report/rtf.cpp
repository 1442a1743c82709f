#include "report/rtf.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string_view>
#include <variant>

#include "host/app/host_app.hpp"
#include "report/html.hpp"

namespace {

// ------------------------------------------------------------ page

// A4 in twips (1/20 pt), margins of 2 cm.
constexpr int kA4Court = 11906, kA4Long = 16838, kMarge = 1134;
constexpr double kTexteParPortrait = (kA4Court - 2 * kMarge) / 20.0;  // pt

constexpr double kPxEnPt = 0.75;

// ------------------------------------------------------------ styles

struct Bordure {
  bool trait = false;
  double largeurPt = 0.75;
  htmlColor couleur;
};

// What a class of the style sheet asks of a text or a cell.
struct Style {
  std::string police;
  double taillePt = 12;
  bool gras = false, italique = false, souligne = false;
  bool aCouleur = false, aFond = false;
  htmlColor couleur, fond;
  int alignement = -1;  // -1 none, else 0 left, 1 right, 2 centre, 3 justify
  Bordure bordures[4];  // left, right, top, bottom
  double paddingPt[4] = {-1, -1, -1, -1};  // negative: not set, the table's cell padding applies
};

std::string minuscules(std::string_view s) {
  std::string m(s);
  for (char& c : m) c = char(std::tolower(static_cast<unsigned char>(c)));
  return m;
}

std::string_view rogner(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// A length in points: pt, px, mm, cm, in, pc; a bare number is in pixels.
double longueurPt(std::string_view v, double relativeA = 12) {
  const std::string texte(rogner(v));
  char* fin = nullptr;
  const double x = std::strtod(texte.c_str(), &fin);
  const std::string unite = minuscules(rogner(fin ? std::string_view(fin) : std::string_view()));
  if (unite == "pt") return x;
  if (unite == "mm") return x * 72 / 25.4;
  if (unite == "cm") return x * 72 / 2.54;
  if (unite == "in") return x * 72;
  if (unite == "pc") return x * 12;
  if (unite == "%") return x * relativeA / 100;
  if (unite == "em") return x * relativeA;
  return x * kPxEnPt;
}

// "rgb(1,2,3)" or "#010203".
bool couleur(std::string_view v, htmlColor& c) {
  const std::string t = minuscules(rogner(v));
  int r = 0, g = 0, b = 0;
  if (std::sscanf(t.c_str(), "rgb(%d ,%d ,%d )", &r, &g, &b) == 3 ||
      (t.size() == 7 && std::sscanf(t.c_str(), "#%2x%2x%2x", &r, &g, &b) == 3)) {
    c.set(std::uint8_t(std::clamp(r, 0, 255)), std::uint8_t(std::clamp(g, 0, 255)), std::uint8_t(std::clamp(b, 0, 255)));
    return true;
  }
  return false;
}

int cote(std::string_view nom) {
  if (nom == "left") return 0;
  if (nom == "right") return 1;
  if (nom == "top") return 2;
  if (nom == "bottom") return 3;
  return -1;
}

int alignement(std::string_view v) {
  const std::string t = minuscules(rogner(v));
  if (t == "left") return 0;
  if (t == "right") return 1;
  if (t == "center") return 2;
  if (t == "justify") return 3;
  return -1;
}

// The declarations of one block of the style sheet.
Style lireStyle(std::string_view bloc) {
  Style s;
  while (!bloc.empty()) {
    const size_t fin = bloc.find(';');
    const std::string_view decl = bloc.substr(0, fin);
    bloc = fin == std::string_view::npos ? std::string_view() : bloc.substr(fin + 1);
    const size_t deux = decl.find(':');
    if (deux == std::string_view::npos) continue;
    const std::string nom = minuscules(rogner(decl.substr(0, deux)));
    const std::string_view valeur = rogner(decl.substr(deux + 1));
    if (nom == "font-family") {
      std::string_view premiere = rogner(valeur.substr(0, valeur.find(',')));
      if (premiere.size() >= 2 && (premiere.front() == '\'' || premiere.front() == '"'))
        premiere = premiere.substr(1, premiere.size() - 2);
      s.police = std::string(premiere);
    } else if (nom == "font-size") {
      s.taillePt = longueurPt(valeur);
    } else if (nom == "font-weight") {
      const std::string v = minuscules(valeur);
      s.gras = v == "bold" || v == "bolder" || std::atoi(v.c_str()) >= 600;
    } else if (nom == "font-style") {
      s.italique = minuscules(valeur) != "normal";
    } else if (nom == "text-decoration") {
      s.souligne = minuscules(valeur).find("underline") != std::string::npos;
    } else if (nom == "color") {
      s.aCouleur = couleur(valeur, s.couleur);
    } else if (nom == "background-color") {
      s.aFond = couleur(valeur, s.fond);
    } else if (nom == "text-align") {
      s.alignement = alignement(valeur);
    } else if (nom.rfind("padding-", 0) == 0) {
      if (const int c = cote(std::string_view(nom).substr(8)); c >= 0) s.paddingPt[c] = longueurPt(valeur);
    } else if (nom == "border" || nom == "border-left" || nom == "border-right" || nom == "border-top" ||
               nom == "border-bottom") {
      // "width style colour", in any order, on the four sides or one.
      Bordure b;
      b.trait = false;
      std::string_view reste = valeur;
      while (!reste.empty()) {
        // A colour "rgb(0, 0, 0)" may hold blanks: a word ends after ')'.
        size_t fin = reste.find_first_of(" \t(");
        if (fin != std::string_view::npos && reste[fin] == '(') fin = reste.find(')', fin) + 1;
        const std::string_view mot = rogner(reste.substr(0, fin));
        reste = fin == std::string_view::npos || fin == 0 ? std::string_view() : rogner(reste.substr(fin));
        const std::string m = minuscules(mot);
        if (m.empty()) continue;
        if (!couleur(m, b.couleur)) {
          if (std::isdigit(static_cast<unsigned char>(m[0])) || m[0] == '.') b.largeurPt = longueurPt(m);
          else b.trait = m != "none" && m != "hidden";
        }
      }
      if (nom == "border") {
        for (Bordure& c : s.bordures) c = b;
      } else if (const int c = cote(std::string_view(nom).substr(7)); c >= 0) {
        s.bordures[c] = b;
      }
    } else if (nom.rfind("border-", 0) == 0) {
      // border-<side>-style / -width / -color
      const std::string_view reste = std::string_view(nom).substr(7);
      const size_t tiret = reste.find('-');
      if (tiret == std::string_view::npos) continue;
      const int c = cote(reste.substr(0, tiret));
      if (c < 0) continue;
      const std::string_view quoi = reste.substr(tiret + 1);
      if (quoi == "style") {
        const std::string v = minuscules(valeur);
        s.bordures[c].trait = v != "none" && v != "hidden";
      } else if (quoi == "width") {
        s.bordures[c].largeurPt = longueurPt(valeur);
      } else if (quoi == "color") {
        couleur(valeur, s.bordures[c].couleur);
      }
    }
  }
  return s;
}

// ------------------------------------------------------------ the document read back

// Inline formatting inside a paragraph's or a cell's text (<b>, <i>, <u>
// and their ends): control bytes that no report text holds, turned into
// RTF control words when the text is written and ignored when it is
// measured.
constexpr char kGrasDebut = '\x01', kGrasFin = '\x02', kItaliqueDebut = '\x03', kItaliqueFin = '\x04',
               kSoulignDebut = '\x05', kSoulignFin = '\x06';
bool estMarque(unsigned char c) { return c >= 0x01 && c <= 0x06; }

struct Paragraphe {
  std::string texte;  // Windows-1252, blanks collapsed
  Style style;
  int alignement = -1;
  bool puce = false;
};

struct Cellule {
  std::string texte;
  Style style;
  int alignement = -1;
  int colspan = 1;
};

struct Table {
  std::vector<std::vector<Cellule>> lignes;
  int alignement = 0;
  double paddingPt = 0;  // the table's cellpadding
  std::vector<double> largeursPt;  // per column, once measured
};

using Bloc = std::variant<Paragraphe, Table>;

struct Balise {
  std::string nom;  // lower case, without '/'
  bool fermante = false;
  std::map<std::string, std::string> attributs;  // names in lower case
};

// The attributes of a tag: name, name=value, name='value', name="value".
void lireAttributs(std::string_view t, Balise& b) {
  size_t i = 0;
  while (i < t.size()) {
    while (i < t.size() && (std::isspace(static_cast<unsigned char>(t[i])) || t[i] == '/')) ++i;
    const size_t debut = i;
    while (i < t.size() && t[i] != '=' && !std::isspace(static_cast<unsigned char>(t[i]))) ++i;
    if (i == debut) break;
    const std::string nom = minuscules(t.substr(debut, i - debut));
    while (i < t.size() && std::isspace(static_cast<unsigned char>(t[i]))) ++i;
    std::string valeur;
    if (i < t.size() && t[i] == '=') {
      ++i;
      while (i < t.size() && std::isspace(static_cast<unsigned char>(t[i]))) ++i;
      if (i < t.size() && (t[i] == '\'' || t[i] == '"')) {
        const char q = t[i++];
        const size_t f = t.find(q, i);
        valeur = std::string(t.substr(i, f == std::string_view::npos ? std::string_view::npos : f - i));
        i = f == std::string_view::npos ? t.size() : f + 1;
      } else {
        const size_t d = i;
        while (i < t.size() && !std::isspace(static_cast<unsigned char>(t[i]))) ++i;
        valeur = std::string(t.substr(d, i - d));
      }
    }
    b.attributs.emplace(nom, valeur);
  }
}

// The character a named or numeric entity stands for, in Windows-1252;
// '?' for a character the code page lacks. `n` gets the length used.
std::string entite(std::string_view t, size_t& n) {
  static const std::pair<const char*, const char*> noms[] = {
      {"nbsp", "\xA0"}, {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}, {"deg", "\xB0"}};
  if (t.size() > 1 && t[1] == '#') {
    size_t i = 2;
    const bool hexa = i < t.size() && (t[i] == 'x' || t[i] == 'X');
    if (hexa) ++i;
    const size_t d = i;
    while (i < t.size() && (hexa ? std::isxdigit(static_cast<unsigned char>(t[i])) : std::isdigit(static_cast<unsigned char>(t[i]))))
      ++i;
    if (i == d) return {};
    const long code = std::strtol(std::string(t.substr(d, i - d)).c_str(), nullptr, hexa ? 16 : 10);
    n = i + (i < t.size() && t[i] == ';' ? 1 : 0);
    const std::string c = host::toAnsi(std::wstring(1, wchar_t(code > 0 && code < 0x110000 ? code : '?')));
    return c.empty() ? "?" : c;
  }
  for (const auto& [nom, texte] : noms) {
    const std::string_view v(nom);
    if (t.substr(1, v.size()) == v) {
      n = 1 + v.size() + (t.size() > v.size() + 1 && t[v.size() + 1] == ';' ? 1 : 0);
      return texte;
    }
  }
  return {};
}

class Lecteur {
 public:
  explicit Lecteur(const htmlDocument& d) {
    for (size_t i = 0; i < d.styleNames().size() && i < d.styleBlocks().size(); ++i) {
      std::string nom = minuscules(d.styleNames()[i]);
      if (!nom.empty() && nom.front() == '.') nom.erase(0, 1);
      classes_[nom] = lireStyle(d.styleBlocks()[i]);
    }
  }

  void lire(std::string_view markup) {
    size_t i = 0;
    while (i < markup.size()) {
      if (markup[i] == '<') {
        if (markup.compare(i, 4, "<!--") == 0) {
          const size_t f = markup.find("-->", i + 4);
          i = f == std::string_view::npos ? markup.size() : f + 3;
          continue;
        }
        const bool balise = i + 1 < markup.size() &&
                            (std::isalpha(static_cast<unsigned char>(markup[i + 1])) || markup[i + 1] == '/' ||
                             markup[i + 1] == '!');
        const size_t f = markup.find('>', i);
        if (balise && f != std::string_view::npos) {
          baliseLue(markup.substr(i + 1, f - i - 1));
          i = f + 1;
          continue;
        }
      }
      if (markup[i] == '&') {
        size_t n = 0;
        const std::string c = entite(markup.substr(i), n);
        if (n > 0) {
          texte(c);
          i += n;
          continue;
        }
      }
      texte(std::string(1, markup[i]));
      ++i;
    }
  }

  std::vector<Bloc> fin() {
    finParagraphe();
    if (table_) finTable();
    return std::move(blocs_);
  }

 private:
  Style styleDe(const Balise& b) const {
    const auto a = b.attributs.find("class");
    if (a != b.attributs.end()) {
      const auto c = classes_.find(minuscules(a->second));
      if (c != classes_.end()) return c->second;
    }
    return {};
  }

  static int alignementDe(const Balise& b) {
    const auto a = b.attributs.find("align");
    return a == b.attributs.end() ? -1 : alignement(a->second);
  }

  void baliseLue(std::string_view t) {
    Balise b;
    if (!t.empty() && t.front() == '!') return;  // a declaration
    b.fermante = !t.empty() && t.front() == '/';
    if (b.fermante) t.remove_prefix(1);
    size_t n = 0;
    while (n < t.size() && std::isalnum(static_cast<unsigned char>(t[n]))) ++n;
    b.nom = minuscules(t.substr(0, n));
    lireAttributs(t.substr(n), b);

    if (b.nom == "table") {
      if (b.fermante) {
        if (table_) finTable();
      } else {
        finParagraphe();
        if (table_) finTable();  // tables are not nested in the reports
        table_ = Table();
        const int a = alignementDe(b);
        table_->alignement = a < 0 ? 0 : a;
        const auto p = b.attributs.find("cellpadding");
        if (p != b.attributs.end()) table_->paddingPt = std::max(0, std::atoi(p->second.c_str())) * kPxEnPt;
      }
    } else if (b.nom == "tr") {
      if (!table_) return;
      finCellule();
      if (!b.fermante) table_->lignes.emplace_back();
    } else if (b.nom == "td" || b.nom == "th") {
      if (!table_) return;
      finCellule();
      if (b.fermante) return;
      if (table_->lignes.empty()) table_->lignes.emplace_back();
      cellule_ = Cellule();
      cellule_->style = styleDe(b);
      cellule_->alignement = alignementDe(b);
      const auto c = b.attributs.find("colspan");
      if (c != b.attributs.end()) cellule_->colspan = std::clamp(std::atoi(c->second.c_str()), 1, 1000);
    } else if (b.nom == "p" || b.nom == "li") {
      if (cellule_) {
        blanc_ = true;  // a paragraph inside a cell is its text
        return;
      }
      finParagraphe();
      if (b.fermante) return;
      paragraphe_ = Paragraphe();
      paragraphe_->style = styleDe(b);
      paragraphe_->alignement = alignementDe(b);
      paragraphe_->puce = b.nom == "li";
    } else if (b.nom == "br") {
      if (cellule_) {
        blanc_ = true;
      } else {
        // A line break alone makes an empty line.
        if (!paragraphe_) paragraphe_ = Paragraphe();
        finParagraphe();
      }
    } else if (b.nom == "b" || b.nom == "strong") {
      marque(b.fermante ? kGrasFin : kGrasDebut);
    } else if (b.nom == "i" || b.nom == "em") {
      marque(b.fermante ? kItaliqueFin : kItaliqueDebut);
    } else if (b.nom == "u") {
      marque(b.fermante ? kSoulignFin : kSoulignDebut);
    }
  }

  // An inline format mark, where text would go.
  void marque(char m) {
    std::string* cible = nullptr;
    if (cellule_) {
      cible = &cellule_->texte;
    } else if (table_) {
      return;
    } else {
      if (!paragraphe_) paragraphe_ = Paragraphe();
      cible = &paragraphe_->texte;
    }
    // A blank before the mark stays before it.
    if (blanc_ && !cible->empty()) *cible += ' ';
    blanc_ = false;
    *cible += m;
  }

  // Text, with the blanks collapsed as a browser shows them.
  void texte(const std::string& c) {
    std::string* cible = nullptr;
    if (cellule_) {
      cible = &cellule_->texte;
    } else if (table_) {
      return;  // text between cells is not shown
    } else {
      if (!paragraphe_) {
        if (c.size() == 1 && std::isspace(static_cast<unsigned char>(c[0]))) return;
        paragraphe_ = Paragraphe();
      }
      cible = &paragraphe_->texte;
    }
    if (c.size() == 1 && std::isspace(static_cast<unsigned char>(c[0]))) {
      blanc_ = true;
      return;
    }
    if (blanc_ && !cible->empty()) *cible += ' ';
    blanc_ = false;
    *cible += c;
  }

  void finParagraphe() {
    if (paragraphe_) blocs_.emplace_back(std::move(*paragraphe_));
    paragraphe_.reset();
    blanc_ = false;
  }

  void finCellule() {
    if (cellule_ && table_ && !table_->lignes.empty()) table_->lignes.back().push_back(std::move(*cellule_));
    cellule_.reset();
    blanc_ = false;
  }

  void finTable() {
    finCellule();
    // Rows closed without cells (a lone "<tr >") carry nothing.
    auto& l = table_->lignes;
    l.erase(std::remove_if(l.begin(), l.end(), [](const auto& r) { return r.empty(); }), l.end());
    blocs_.emplace_back(std::move(*table_));
    table_.reset();
  }

  std::map<std::string, Style> classes_;
  std::vector<Bloc> blocs_;
  std::optional<Paragraphe> paragraphe_;
  std::optional<Table> table_;
  std::optional<Cellule> cellule_;
  bool blanc_ = false;
};

// ------------------------------------------------------------ widths

// The padding of a cell on one side, in points: its class's, else the
// table's cell padding, as a browser does.
double padding(const Cellule& c, const Table& t, int i) {
  return c.style.paddingPt[i] >= 0 ? c.style.paddingPt[i] : t.paddingPt;
}

// The padding and border around a cell's text, on one side, in points.
double bord(const Cellule& c, const Table& t, int i) {
  return padding(c, t, i) + (c.style.bordures[i].trait ? c.style.bordures[i].largeurPt : 0);
}

double largeurCellule(const Cellule& c, const Table& t) {
  // A little slack besides: rounding to twips, and fonts a shade wider.
  return largeurTexte(c.texte, c.style.taillePt) * (c.style.gras ? 1.1 : 1.0) + bord(c, t, 0) + bord(c, t, 1) + 2;
}

// Column widths: each column as wide as its widest single cell; a cell over
// several columns widens the last of them when they are too narrow for it.
void mesurer(Table& t) {
  size_t colonnes = 0;
  for (const auto& l : t.lignes) {
    size_t n = 0;
    for (const Cellule& c : l) n += size_t(c.colspan);
    colonnes = std::max(colonnes, n);
  }
  // An empty column still shows as a narrow one.
  t.largeursPt.assign(colonnes, 12.0);
  for (const auto& l : t.lignes) {
    size_t k = 0;
    for (const Cellule& c : l) {
      if (c.colspan == 1) t.largeursPt[k] = std::max(t.largeursPt[k], largeurCellule(c, t));
      k += size_t(c.colspan);
    }
  }
  // Every row gets the table's grid: a short row ends with empty cells, as
  // a browser shows it (word processors would stretch its last cell).
  for (auto& l : t.lignes) {
    size_t n = 0;
    for (const Cellule& c : l) n += size_t(c.colspan);
    for (; n < colonnes; ++n) l.emplace_back();
  }
  for (const auto& l : t.lignes) {
    size_t k = 0;
    for (const Cellule& c : l) {
      if (c.colspan > 1) {
        double somme = 0;
        for (size_t j = k; j < k + size_t(c.colspan); ++j) somme += t.largeursPt[j];
        const double besoin = largeurCellule(c, t);
        if (besoin > somme) t.largeursPt[k + size_t(c.colspan) - 1] += besoin - somme;
      }
      k += size_t(c.colspan);
    }
  }
}

double largeur(const Table& t) {
  double s = 0;
  for (double w : t.largeursPt) s += w;
  return s;
}

std::vector<Bloc> lireDocument(const htmlDocument& d) {
  Lecteur l(d);
  for (const std::string& f : d.bodyFragments()) {
    l.lire(f);
    l.lire("\n");
  }
  std::vector<Bloc> blocs = l.fin();
  for (Bloc& b : blocs)
    if (auto* t = std::get_if<Table>(&b)) mesurer(*t);
  return blocs;
}

double largeurMax(const std::vector<Bloc>& blocs) {
  double w = 0;
  for (const Bloc& b : blocs)
    if (const auto* t = std::get_if<Table>(&b)) w = std::max(w, largeur(*t));
  return w;
}

// ------------------------------------------------------------ RTF

int twips(double pt) { return int(std::lround(pt * 20)); }

class Ecrivain {
 public:
  explicit Ecrivain(const std::vector<Bloc>& blocs) : blocs_(blocs) {
    police("Arial");  // f0, when no class names a family
    for (const Bloc& b : blocs) {
      if (const auto* p = std::get_if<Paragraphe>(&b)) {
        styleVu(p->style);
      } else {
        for (const auto& l : std::get<Table>(b).lignes)
          for (const Cellule& c : l) styleVu(c.style);
      }
    }
  }

  std::string rtf() {
    const bool paysage = largeurMax(blocs_) > kTexteParPortrait;
    std::string o = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1036\n{\\fonttbl";
    for (size_t i = 0; i < polices_.size(); ++i)
      o += "{\\f" + std::to_string(i) + "\\fswiss\\fcharset0 " + echapper(polices_[i]) + ";}";
    o += "}\n{\\colortbl;";
    for (const htmlColor& c : couleurs_)
      o += "\\red" + std::to_string(c.red()) + "\\green" + std::to_string(c.green()) + "\\blue" + std::to_string(c.blue()) + ";";
    o += "}\n";
    o += paysage ? "\\landscape\\paperw" + std::to_string(kA4Long) + "\\paperh" + std::to_string(kA4Court)
                 : "\\paperw" + std::to_string(kA4Court) + "\\paperh" + std::to_string(kA4Long);
    const std::string m = std::to_string(kMarge);
    o += "\\margl" + m + "\\margr" + m + "\\margt" + m + "\\margb" + m + "\\viewkind1\n";
    for (const Bloc& b : blocs_) {
      if (const auto* p = std::get_if<Paragraphe>(&b)) paragraphe(o, *p);
      else table(o, std::get<Table>(b));
    }
    o += "}\n";
    return o;
  }

 private:
  int police(const std::string& nom) {
    const std::string n = nom.empty() ? "Arial" : nom;
    const auto i = std::find(polices_.begin(), polices_.end(), n);
    if (i != polices_.end()) return int(i - polices_.begin());
    polices_.push_back(n);
    return int(polices_.size()) - 1;
  }

  // Index in the colour table (1 and up; 0 is the automatic colour).
  int couleur(const htmlColor& c) {
    const auto i = std::find(couleurs_.begin(), couleurs_.end(), c);
    if (i != couleurs_.end()) return int(i - couleurs_.begin()) + 1;
    couleurs_.push_back(c);
    return int(couleurs_.size());
  }

  void styleVu(const Style& s) {
    police(s.police);
    if (s.aCouleur) couleur(s.couleur);
    if (s.aFond) couleur(s.fond);
    for (const Bordure& b : s.bordures)
      if (b.trait) couleur(b.couleur);
  }

  // Text of the code page: RTF's specials escaped, 8-bit bytes as \'hh,
  // the no-break space as \~.
  static std::string echapper(const std::string& t) {
    std::string o;
    for (unsigned char c : t) {
      if (c == '\\' || c == '{' || c == '}') {
        o += '\\';
        o += char(c);
      } else if (c == 0xA0) {
        o += "\\~";
      } else if (estMarque(c)) {
        static const char* const kMots[] = {"\\b ", "\\b0 ", "\\i ", "\\i0 ", "\\ul ", "\\ulnone "};
        o += kMots[c - 1];
      } else if (c >= 0x80 || c < 0x20) {
        char h[8];
        std::snprintf(h, sizeof h, "\\'%02x", c);
        o += h;
      } else {
        o += char(c);
      }
    }
    return o;
  }

  std::string caracteres(const Style& s) {
    std::string o = "\\f" + std::to_string(police(s.police)) + "\\fs" + std::to_string(int(std::lround(s.taillePt * 2)));
    if (s.gras) o += "\\b";
    if (s.italique) o += "\\i";
    if (s.souligne) o += "\\ul";
    if (s.aCouleur) o += "\\cf" + std::to_string(couleur(s.couleur));
    return o;
  }

  static const char* alinea(int a) {
    switch (a) {
      case 1: return "\\qr";
      case 2: return "\\qc";
      case 3: return "\\qj";
      default: return "\\ql";
    }
  }

  void paragraphe(std::string& o, const Paragraphe& p) {
    const int a = p.alignement >= 0 ? p.alignement : p.style.alignement;
    o += "{\\pard\\plain\\sb120\\sa120";
    o += alinea(a);
    if (p.puce) o += "\\fi-283\\li567";
    o += caracteres(p.style) + " ";
    if (p.puce) o += "\\bullet\\tab ";
    o += echapper(p.texte) + "\\par}\n";
  }

  void table(std::string& o, const Table& t) {
    // An empty table shows nothing.
    if (t.lignes.empty()) return;
    static const char* const cotes[4] = {"l", "r", "t", "b"};
    for (const auto& ligne : t.lignes) {
      o += "\\trowd\\trgaph0\\trleft0";
      o += t.alignement == 2 ? "\\trqc" : t.alignement == 1 ? "\\trqr" : "\\trql";
      double x = 0;
      size_t k = 0;
      for (const Cellule& c : ligne) {
        for (int i = 0; i < 4; ++i) {
          // Cell padding, in twips (the 3 says so).
          o += std::string("\\clpad") + cotes[i] + std::to_string(twips(padding(c, t, i)));
          o += std::string("\\clpadf") + cotes[i] + "3";
          const Bordure& b = c.style.bordures[i];
          if (b.trait)
            o += std::string("\\clbrdr") + cotes[i] + "\\brdrs\\brdrw" + std::to_string(std::max(1, twips(b.largeurPt))) +
                 "\\brdrcf" + std::to_string(couleur(b.couleur));
        }
        if (c.style.aFond) o += "\\clcbpat" + std::to_string(couleur(c.style.fond));
        for (int j = 0; j < c.colspan && k < t.largeursPt.size(); ++j) x += t.largeursPt[k++];
        o += "\\cellx" + std::to_string(twips(x));
      }
      o += "\n";
      for (const Cellule& c : ligne) {
        const int a = c.alignement >= 0 ? c.alignement : c.style.alignement;
        o += "\\pard\\plain\\intbl";
        o += alinea(a);
        o += "{" + caracteres(c.style) + " " + echapper(c.texte) + "}\\cell\n";
      }
      o += "\\row\n";
    }
    // The paragraph after a table must not join its last row.
    o += "\\pard\\plain\\par\n";
  }

  const std::vector<Bloc>& blocs_;
  std::vector<std::string> polices_;
  std::vector<htmlColor> couleurs_;
};

// Advance widths in thousandths of the font size for the printable ASCII
// characters, the larger of Arial and DejaVu Sans (LibreOffice's usual
// stand-in when Arial and its metric twins are missing).
constexpr short kChasse[95] = {
    // ' ' ! " # $ % & ' ( ) * + , - . /
    318, 400, 460, 838, 636, 950, 780, 275, 390, 390, 500, 838, 318, 361, 318, 337,
    // 0-9
    636, 636, 636, 636, 636, 636, 636, 636, 636, 636,
    // : ; < = > ? @
    337, 337, 838, 838, 838, 556, 1015,
    // A-Z
    684, 686, 722, 770, 667, 611, 778, 752, 295, 500, 667, 557, 863, 748, 787, 667, 787, 722, 667, 611, 732, 684,
    989, 685, 667, 685,
    // [ \ ] ^ _ `
    390, 337, 390, 838, 500, 500,
    // a-z
    613, 635, 550, 635, 615, 352, 635, 634, 278, 278, 579, 278, 974, 634, 612, 635, 635, 411, 521, 392, 634, 592,
    818, 592, 592, 525,
    // { | } ~
    636, 337, 636, 838};

}  // namespace

double largeurTexte(const std::string& text, double sizePt) {
  double milliemes = 0;
  for (unsigned char c : text) {
    if (estMarque(c)) continue;
    if (c >= 32 && c <= 126) milliemes += kChasse[c - 32];
    else if (c == 0xA0) milliemes += 318;
    else if (c >= 0xC0 && c <= 0xDF) milliemes += 790;  // accented capitals
    else if (c >= 0xE0) milliemes += 640;               // accented small letters
    else milliemes += 700;
  }
  return milliemes * sizePt / 1000;
}

double largeurTableMax(const htmlDocument& document) { return largeurMax(lireDocument(document)); }

bool paysageNecessaire(const htmlDocument& document) { return largeurTableMax(document) > kTexteParPortrait; }

std::string rtfDocument(const htmlDocument& document) {
  const std::vector<Bloc> blocs = lireDocument(document);
  return Ecrivain(blocs).rtf();
}
