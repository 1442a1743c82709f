#include "calc/formule_poids.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cwctype>
#include <utility>

std::string texteNombrePoids(double v) {
  char texte[64];
  // Four decimals, unless they would lose most of the number's digits.
  if (v != 0 && std::isfinite(v) && std::abs(v) < 0.1) std::snprintf(texte, sizeof texte, "%.4g", v);
  else std::snprintf(texte, sizeof texte, "%.4f", v);
  return texte;
}

namespace {

// Longer formulas are refused before parsing: it bounds the depth of the
// tree, which its printing and evaluation walk recursively.
constexpr std::size_t kLongueurMax = 1023;

wchar_t minuscule(wchar_t c) { return wchar_t(std::towlower(wint_t(c))); }

bool egauxSansCasse(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (minuscule(a[i]) != minuscule(b[i])) return false;
  return true;
}

bool estChiffre(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool estLettre(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

// A state of the automaton that recognises the variable names, one
// character at a time (lower case): its transitions and the variable whose
// name ends here (-1 for none).
struct etatAutomate {
  std::vector<std::pair<wchar_t, int>> transitions;
  int variable = -1;

  int suivant(wchar_t c) const {
    for (const auto& [car, etat] : transitions)
      if (car == c) return etat;
    return -1;
  }
};

class automateVariables {
 public:
  explicit automateVariables(const std::vector<std::wstring>& noms) : etats_(1) {
    for (std::size_t i = 0; i < noms.size(); ++i) {
      if (noms[i].empty()) continue;
      int e = 0;
      for (wchar_t c : noms[i]) {
        const wchar_t m = minuscule(c);
        int s = etats_[std::size_t(e)].suivant(m);
        if (s < 0) {
          s = int(etats_.size());
          etats_[std::size_t(e)].transitions.emplace_back(m, s);
          etats_.emplace_back();
        }
        e = s;
      }
      // The first definition of a name wins.
      if (etats_[std::size_t(e)].variable < 0) etats_[std::size_t(e)].variable = int(i);
    }
  }

  // The longest variable name at `pos`: its index and length, or {-1, 0}.
  std::pair<int, std::size_t> reconnaitre(const std::wstring& texte, std::size_t pos) const {
    std::pair<int, std::size_t> meilleur{-1, 0};
    int e = 0;
    for (std::size_t k = pos; k < texte.size(); ++k) {
      e = etats_[std::size_t(e)].suivant(minuscule(texte[k]));
      if (e < 0) break;
      if (etats_[std::size_t(e)].variable >= 0) meilleur = {etats_[std::size_t(e)].variable, k - pos + 1};
    }
    return meilleur;
  }

 private:
  std::vector<etatAutomate> etats_;
};

// Recursive descent over the text without blanks. On the first error the
// descent stops; every operator node already started is still built, with
// -1 for the operand that is missing, so the partial tree can be shown.
class analyseur {
 public:
  analyseur(const std::wstring& texte, arbreFormule& arbre)
      : t_(texte), arbre_(arbre), automate_(arbre.noms) {}

  void analyser() {
    if (t_.empty() || t_.size() > kLongueurMax) return;
    arbre_.racine = expression();
    arbre_.valide = !erreur_ && pos_ == t_.size() && arbre_.racine >= 0;
  }

 private:
  int ajouter(noeudFormule n) {
    arbre_.noeuds.push_back(n);
    return int(arbre_.noeuds.size()) - 1;
  }
  int operation(noeudFormule::genre g, int gauche, int droite) {
    noeudFormule n;
    n.type = g;
    n.gauche = gauche;
    n.droite = droite;
    return ajouter(n);
  }
  bool suit(wchar_t c) const { return !erreur_ && pos_ < t_.size() && t_[pos_] == c; }

  int expression() {
    int g = terme();
    while (suit(L'+') || suit(L'-')) {
      const auto op = t_[pos_++] == L'+' ? noeudFormule::somme : noeudFormule::difference;
      const int d = terme();
      g = operation(op, g, d);
    }
    return g;
  }

  int terme() {
    int g = puissance();
    while (suit(L'*') || suit(L'/')) {
      const auto op = t_[pos_++] == L'*' ? noeudFormule::produit : noeudFormule::quotient;
      const int d = puissance();
      g = operation(op, g, d);
    }
    return g;
  }

  int puissance() {
    const int g = primaire();
    if (!suit(L'^')) return g;
    ++pos_;
    const int d = puissance();
    return operation(noeudFormule::puissance, g, d);
  }

  int primaire() {
    if (pos_ >= t_.size()) return echec();
    const wchar_t c = t_[pos_];
    if (c == L'(') {
      ++pos_;
      const int e = expression();
      if (suit(L')'))
        ++pos_;
      else
        erreur_ = true;
      return e;
    }
    if (estChiffre(c) || c == L'.') return nombre(false);
    if (c == L'+' || c == L'-') {
      const std::size_t suivant = pos_ + 1;
      if (suivant < t_.size() && (estChiffre(t_[suivant]) || t_[suivant] == L'.')) {
        ++pos_;
        return nombre(c == L'-');
      }
      if (c == L'-') {
        const auto [v, longueur] = automate_.reconnaitre(t_, suivant);
        if (v >= 0) {
          pos_ = suivant + longueur;
          return variable(noeudFormule::variableNegative, v);
        }
      }
      return echec();
    }
    const auto [v, longueur] = automate_.reconnaitre(t_, pos_);
    if (v < 0) return echec();
    pos_ += longueur;
    return variable(noeudFormule::variable, v);
  }

  // Digits with at most one decimal point, at least one digit, then an
  // optional exponent ("1e-6", "2.5E3"): weights 1/σ² are written so.
  int nombre(bool negatif) {
    const std::size_t debut = pos_;
    std::string chiffres;
    int points = 0;
    while (pos_ < t_.size() && (estChiffre(t_[pos_]) || t_[pos_] == L'.')) {
      if (t_[pos_] == L'.') ++points;
      chiffres += char(t_[pos_++]);
    }
    if (points > 1 || chiffres.size() == std::size_t(points)) {
      pos_ = debut;
      return echec();
    }
    if (pos_ < t_.size() && (t_[pos_] == L'e' || t_[pos_] == L'E')) {
      std::size_t p = pos_ + 1;
      std::string exposant = "e";
      if (p < t_.size() && (t_[p] == L'+' || t_[p] == L'-')) exposant += char(t_[p++]);
      const std::size_t chiffresExposant = p;
      while (p < t_.size() && estChiffre(t_[p])) exposant += char(t_[p++]);
      if (p > chiffresExposant) {
        chiffres += exposant;
        pos_ = p;
      }
    }
    double v = 0;
    const auto r = std::from_chars(chiffres.data(), chiffres.data() + chiffres.size(), v);
    if (r.ec != std::errc() || r.ptr != chiffres.data() + chiffres.size()) {
      pos_ = debut;
      return echec();
    }
    noeudFormule n;
    n.type = noeudFormule::nombre;
    n.valeur = negatif ? -v : v;
    return ajouter(n);
  }

  int variable(noeudFormule::genre g, int index) {
    noeudFormule n;
    n.type = g;
    n.indice = index;
    return ajouter(n);
  }

  int echec() {
    erreur_ = true;
    return -1;
  }

  const std::wstring& t_;
  arbreFormule& arbre_;
  automateVariables automate_;
  std::size_t pos_ = 0;
  bool erreur_ = false;
};

std::wstring texteNoeud(const arbreFormule& a, int i) {
  if (i < 0 || std::size_t(i) >= a.noeuds.size()) return L"#ERR";
  const noeudFormule& n = a.noeuds[std::size_t(i)];
  auto nom = [&]() -> std::wstring {
    return n.indice >= 0 && std::size_t(n.indice) < a.noms.size() ? a.noms[std::size_t(n.indice)] : L"#ERR";
  };
  const wchar_t* op = nullptr;
  switch (n.type) {
    case noeudFormule::nombre: {
      char texte[64];
      std::snprintf(texte, sizeof texte, "%s", texteNombrePoids(n.valeur).c_str());
      return std::wstring(texte, texte + std::char_traits<char>::length(texte));
    }
    case noeudFormule::variable: return nom();
    case noeudFormule::variableNegative: return L"(-" + nom() + L")";
    case noeudFormule::somme: op = L" + "; break;
    case noeudFormule::difference: op = L" - "; break;
    case noeudFormule::produit: op = L" * "; break;
    case noeudFormule::quotient: op = L" / "; break;
    case noeudFormule::puissance: op = L" ^ "; break;
  }
  return L"( " + texteNoeud(a, n.gauche) + op + texteNoeud(a, n.droite) + L" )";
}

std::optional<double> valeurNoeud(const arbreFormule& a, int i, const std::vector<double>& valeurs) {
  if (i < 0 || std::size_t(i) >= a.noeuds.size()) return std::nullopt;
  const noeudFormule& n = a.noeuds[std::size_t(i)];
  double r = 0;
  switch (n.type) {
    case noeudFormule::nombre: r = n.valeur; break;
    case noeudFormule::variable:
    case noeudFormule::variableNegative:
      if (n.indice < 0 || std::size_t(n.indice) >= valeurs.size()) return std::nullopt;
      r = valeurs[std::size_t(n.indice)];
      if (n.type == noeudFormule::variableNegative) r = -r;
      break;
    default: {
      const auto g = valeurNoeud(a, n.gauche, valeurs);
      if (!g) return std::nullopt;
      const auto d = valeurNoeud(a, n.droite, valeurs);
      if (!d) return std::nullopt;
      switch (n.type) {
        case noeudFormule::somme: r = *g + *d; break;
        case noeudFormule::difference: r = *g - *d; break;
        case noeudFormule::produit: r = *g * *d; break;
        case noeudFormule::quotient:
          if (*d == 0) return std::nullopt;
          r = *g / *d;
          break;
        default: r = std::pow(*g, *d); break;
      }
    }
  }
  if (!std::isfinite(r)) return std::nullopt;
  return r;
}

std::wstring sansBlancs(const std::wstring& texte) {
  std::wstring t;
  t.reserve(texte.size());
  for (wchar_t c : texte)
    if (c != L' ' && c != L'\t') t += c;
  return t;
}

}  // namespace

// ============================================================ parse tree

std::wstring arbreFormule::texte() const { return texteNoeud(*this, racine); }

std::optional<double> arbreFormule::evaluer(const std::vector<double>& valeurs) const {
  if (!valide) return std::nullopt;
  return valeurNoeud(*this, racine, valeurs);
}

arbreFormule analyserFormule(const std::wstring& texte, const std::vector<std::wstring>& noms) {
  arbreFormule arbre;
  arbre.noms = noms;
  const std::wstring t = sansBlancs(texte);
  analyseur(t, arbre).analyser();
  return arbre;
}

// ============================================================ the formulas

const std::vector<formulesPoids::variableObs>& formulesPoids::variablesObs() {
  static const std::vector<variableObs> variables = {
      {L"ang", L"Angle mesuré en grades"},
      {L"d1", L"Distance station - Point visé"},
      {L"d2", L"Distance station - Référence"},
      {L"d3", L"Distance Point visé - Référence"},
  };
  return variables;
}

const std::wstring& formulesPoids::formule(genreFormule g) const {
  switch (g) {
    case genreFormule::angle: return angles_;
    case genreFormule::gisement: return gisements_;
    default: return distances_;
  }
}

void formulesPoids::fixerFormule(genreFormule g, std::wstring texte) {
  switch (g) {
    case genreFormule::angle: angles_ = std::move(texte); break;
    case genreFormule::gisement: gisements_ = std::move(texte); break;
    default: distances_ = std::move(texte); break;
  }
}

int formulesPoids::trouverConstante(const std::wstring& nom) const {
  for (std::size_t i = 0; i < constantes_.size(); ++i)
    if (egauxSansCasse(constantes_[i].nom, nom)) return int(i);
  return -1;
}

erreurNomConstante formulesPoids::verifierNom(const std::wstring& nom, int sauf) const {
  if (nom.empty()) return erreurNomConstante::vide;
  if (nom.size() > kNomMax) return erreurNomConstante::tropLong;
  for (wchar_t c : nom)
    if (!estLettre(c)) return erreurNomConstante::pasDesLettres;
  for (const variableObs& v : variablesObs())
    if (egauxSansCasse(nom, v.nom)) return erreurNomConstante::variableObservation;
  const int i = trouverConstante(nom);
  if (i >= 0 && i != sauf) return erreurNomConstante::dejaDefinie;
  return erreurNomConstante::aucune;
}

bool formulesPoids::ajouterConstante(const constantePoids& c) {
  if (verifierNom(c.nom) != erreurNomConstante::aucune || !std::isfinite(c.valeur)) return false;
  constantes_.push_back(c);
  return true;
}

bool formulesPoids::modifierConstante(int index, const constantePoids& c) {
  if (index < 0 || std::size_t(index) >= constantes_.size()) return false;
  if (verifierNom(c.nom, index) != erreurNomConstante::aucune || !std::isfinite(c.valeur)) return false;
  constantes_[std::size_t(index)] = c;
  return true;
}

bool formulesPoids::supprimerConstante(int index) {
  if (index < 0 || std::size_t(index) >= constantes_.size()) return false;
  constantes_.erase(constantes_.begin() + index);
  return true;
}

void formulesPoids::reinitialiser() { *this = formulesPoids(); }

std::vector<std::wstring> formulesPoids::nomsVariables() const {
  std::vector<std::wstring> noms = {L"d1", L"d2", L"d3", L"ang"};
  for (const constantePoids& c : constantes_) noms.push_back(c.nom);
  return noms;
}

arbreFormule formulesPoids::analyser(const std::wstring& texte) const { return analyserFormule(texte, nomsVariables()); }

std::wstring formulesPoids::verifier(const std::wstring& texte) const {
  const arbreFormule a = analyser(texte);
  if (a.valide) return L"OK : " + a.texte();
  return L"Erreur dans la formule : " + (a.racine >= 0 ? a.texte() : std::wstring(L"Erreur !!!"));
}

std::optional<double> formulesPoids::evaluerTexte(const std::wstring& texte, const variablesObservation& v) const {
  std::vector<double> valeurs = {v.d1, v.d2, v.d3, v.ang};
  for (const constantePoids& c : constantes_) valeurs.push_back(c.valeur);
  return analyser(texte).evaluer(valeurs);
}

std::optional<double> formulesPoids::evaluer(genreFormule g, const variablesObservation& v) const {
  return evaluerTexte(formule(g), v);
}

formulesPoidsFn formulesPoids::fonction() const {
  return [this](genreFormule g, const variablesObservation& v) { return evaluer(g, v); };
}
