// Weight formulas of least-squares observations.
//
// A formula is a small arithmetic expression over the four observation
// variables (d1, d2, d3 in metres, ang in grades) and the user's named
// constants:
//   expression := terme { ('+' | '-') terme }        left to right
//   terme      := puissance { ('*' | '/') puissance } left to right
//   puissance  := primaire [ '^' puissance ]         right to left
//   primaire   := nombre | variable | '-' variable | ('+' | '-') nombre
//               | '(' expression ')'
// Blanks and tabs are ignored; the whole text must be consumed. Numbers are
// digits with at most one '.'; variable names are matched without regard to
// case, the longest defined name first.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "calc/reseau_mc.hpp"

// ------------------------------------------------------------ parse tree

struct noeudFormule {
  enum genre { nombre, variable, variableNegative, somme, difference, produit, quotient, puissance };
  genre type = nombre;
  double valeur = 0;  // nombre
  int indice = -1;    // variable, variableNegative: index into the names
  int gauche = -1;    // operators: node indexes, -1 when missing
  int droite = -1;
};

// A parsed formula. Nodes live in one vector (children by index), so a tree
// is a plain value and never recurses when destroyed.
struct arbreFormule {
  std::vector<noeudFormule> noeuds;
  int racine = -1;   // -1: nothing could be built
  bool valide = false;  // the whole text parsed
  std::vector<std::wstring> noms;  // the variable names, as defined

  // The tree fully parenthesised: "( %s + %s )" ..., "(-%s)" for a negated
  // variable, "%.4f" for a number, "#ERR" for a missing operand.
  std::wstring texte() const;
  // The value with `valeurs[i]` for the variable named `noms[i]`. No value
  // for an invalid tree, a missing variable value, a division by zero or a
  // result that is not finite.
  std::optional<double> evaluer(const std::vector<double>& valeurs) const;
};

// Parses `texte` against the variable names `noms` (a variable in the tree
// is an index into them). On error the tree holds what was built so far.
// A number of a formula or a weight as shown: four decimals ("%.4f"), or
// four significant digits for a magnitude below 0.1 ("2e-06", not
// "0.0000").
std::string texteNombrePoids(double v);

arbreFormule analyserFormule(const std::wstring& texte, const std::vector<std::wstring>& noms);

// ------------------------------------------------------------ the formulas

struct constantePoids {
  std::wstring nom;
  double valeur = 0;
  std::wstring commentaire;
};

// Why a constant's name is refused.
enum class erreurNomConstante { aucune, vide, tropLong, pasDesLettres, variableObservation, dejaDefinie };

class formulesPoids {
 public:
  static constexpr const wchar_t* kFormuleDefaut = L"1.0";
  // A constant name has 1 to kNomMax letters (A-Z, a-z).
  static constexpr std::size_t kNomMax = 64;

  // The four observation variables, in their list order (ang, d1, d2, d3),
  // with the comments the user sees.
  struct variableObs {
    const wchar_t* nom;
    const wchar_t* commentaire;
  };
  static const std::vector<variableObs>& variablesObs();

  formulesPoids() = default;

  // A text kept with the formulas in their file (not shown).
  std::wstring libelle;

  const std::wstring& formule(genreFormule g) const;
  void fixerFormule(genreFormule g, std::wstring texte);

  const std::vector<constantePoids>& constantes() const { return constantes_; }
  // Index of a constant by name without regard to case; -1 when absent.
  int trouverConstante(const std::wstring& nom) const;
  // Whether `nom` may name a constant; `sauf` is the index of the constant
  // being renamed (its own name is no duplicate).
  erreurNomConstante verifierNom(const std::wstring& nom, int sauf = -1) const;
  // Adds, replaces or removes a constant; false (nothing changed) when the
  // name is refused, the value not finite or the index out of range.
  bool ajouterConstante(const constantePoids& c);
  bool modifierConstante(int index, const constantePoids& c);
  bool supprimerConstante(int index);

  // Back to the defaults: formulas "1.0", no constant, empty label.
  void reinitialiser();

  // Every variable name (d1, d2, d3, ang, then the constants) for the parser.
  std::vector<std::wstring> nomsVariables() const;
  arbreFormule analyser(const std::wstring& texte) const;
  // "OK : " and the rebuilt formula, or "Erreur dans la formule : " and the
  // partial tree ("Erreur !!!" when nothing could be built).
  std::wstring verifier(const std::wstring& texte) const;

  // The value of a formula text, or of the formula of a kind, for one
  // observation's variables; no value when it does not parse or gives no
  // finite number.
  std::optional<double> evaluerTexte(const std::wstring& texte, const variablesObservation& v) const;
  std::optional<double> evaluer(genreFormule g, const variablesObservation& v) const;

  // A callback for the network; it refers to this object, which must
  // outlive it.
  formulesPoidsFn fonction() const;

 private:
  std::wstring angles_ = kFormuleDefaut, gisements_ = kFormuleDefaut, distances_ = kFormuleDefaut;
  std::vector<constantePoids> constantes_;
};
