// Weight formulas: parsing and the rebuilt text, evaluation, the constants
// and their names.
#include <gtest/gtest.h>

#include <cmath>
#include <cwchar>
#include <string>

#include "calc/formule_poids.hpp"

namespace {

// Constants used by the tables: k = 2.5, ab = 10, a = 3.
formulesPoids avecConstantes() {
  formulesPoids f;
  EXPECT_TRUE(f.ajouterConstante({L"k", 2.5, L"facteur"}));
  EXPECT_TRUE(f.ajouterConstante({L"ab", 10, L""}));
  EXPECT_TRUE(f.ajouterConstante({L"a", 3, L""}));
  return f;
}

const variablesObservation kVars{100, 200, 50, 80};  // d1, d2, d3, ang

TEST(FormulePoids, VerifierTexteReconstruit) {
  struct Cas {
    const wchar_t* formule;
    const wchar_t* attendu;
  } cas[] = {
      {L"2*d1^2", L"OK : ( 2.0000 * ( d1 ^ 2.0000 ) )"},
      {L"1.0", L"OK : 1.0000"},
      {L" 1 +\t2 * 3 ", L"OK : ( 1.0000 + ( 2.0000 * 3.0000 ) )"},
      // Chains go from left to right; the power from right to left.
      {L"a-b-c", nullptr},
      {L"d1-d2-d3", L"OK : ( ( d1 - d2 ) - d3 )"},
      {L"d1/d2*d3", L"OK : ( ( d1 / d2 ) * d3 )"},
      {L"d1^d2^d3", L"OK : ( d1 ^ ( d2 ^ d3 ) )"},
      {L"(d1+d2)*d3", L"OK : ( ( d1 + d2 ) * d3 )"},
      {L"((d1))", L"OK : d1"},
      // Negated variable and signed numbers.
      {L"-d1", L"OK : (-d1)"},
      {L"d1*-d2", L"OK : ( d1 * (-d2) )"},
      {L"-2.5", L"OK : -2.5000"},
      {L"+2", L"OK : 2.0000"},
      {L"d1--2", L"OK : ( d1 - -2.0000 )"},
      {L".5", L"OK : 0.5000"},
      // Names without regard to case, shown as defined; the longest match.
      {L"D1*ANG", L"OK : ( d1 * ang )"},
      {L"K*Ab+a", L"OK : ( ( k * ab ) + a )"},
      // Errors: the partial tree, "#ERR" for what is missing.
      {L"", L"Erreur dans la formule : Erreur !!!"},
      {L"   ", L"Erreur dans la formule : Erreur !!!"},
      {L"x", L"Erreur dans la formule : Erreur !!!"},
      {L"d4", L"Erreur dans la formule : Erreur !!!"},
      {L"d1+", L"Erreur dans la formule : ( d1 + #ERR )"},
      {L"2*(3+", L"Erreur dans la formule : ( 2.0000 * ( 3.0000 + #ERR ) )"},
      {L"(d1", L"Erreur dans la formule : d1"},
      {L"d1)", L"Erreur dans la formule : d1"},
      {L"d1 2", L"Erreur dans la formule : d1"},
      {L"abc", L"Erreur dans la formule : ab"},
      {L"1.2.3", L"Erreur dans la formule : Erreur !!!"},
      {L"d1+.", L"Erreur dans la formule : ( d1 + #ERR )"},
      {L"-(d1)", L"Erreur dans la formule : Erreur !!!"},
      {L"+d1", L"Erreur dans la formule : Erreur !!!"},
      {L"d1^", L"Erreur dans la formule : ( d1 ^ #ERR )"},
      // Weights 1/σ² are written in scientific notation; small numbers keep
      // their digits.
      {L"1e5", L"OK : 100000.0000"},
      {L"1e-6*d1", L"OK : ( 1e-06 * d1 )"},
      {L"2.5E+3/d1^2", L"OK : ( 2500.0000 / ( d1 ^ 2.0000 ) )"},
      {L"0.000002", L"OK : 2e-06"},
      {L"1e", L"Erreur dans la formule : 1.0000"},
  };
  const formulesPoids f = avecConstantes();
  for (const Cas& c : cas) {
    if (!c.attendu) continue;
    EXPECT_EQ(f.verifier(c.formule), c.attendu) << std::string(c.formule, c.formule + std::wcslen(c.formule));
  }
  // b and c are not defined: "a-b-c" stops after a.
  EXPECT_EQ(f.verifier(L"a-b-c"), L"Erreur dans la formule : ( a - #ERR )");
  EXPECT_EQ(formulesPoids().verifier(L"k"), L"Erreur dans la formule : Erreur !!!");
}

TEST(FormulePoids, Evaluation) {
  struct Cas {
    const wchar_t* formule;
    double attendu;
  } cas[] = {
      {L"1.0", 1},
      {L"2*d1^2", 20000},
      {L"d1-d2-d3", -150},      // (100 - 200) - 50, not 100 - (200 - 50)
      {L"d2/d3/2", 2},          // (200 / 50) / 2
      {L"2^3^2", 512},          // 2 ^ 9
      {L"-d1+d2", 100},
      {L"-2^2", 4},             // the signed number is the primary
      {L"1/(k*ang)", 1 / 200.0},
      {L"ab - A", 7},
      {L"(d1+d2)*(d3-ang)/10", -900},
      {L"d1^0.5", 10},
  };
  const formulesPoids f = avecConstantes();
  for (const Cas& c : cas) {
    const auto v = f.evaluerTexte(c.formule, kVars);
    ASSERT_TRUE(v.has_value()) << std::string(c.formule, c.formule + std::wcslen(c.formule));
    EXPECT_NEAR(*v, c.attendu, 1e-12) << std::string(c.formule, c.formule + std::wcslen(c.formule));
  }
}

TEST(FormulePoids, PasDePoidsSansNombreFini) {
  const formulesPoids f = avecConstantes();
  const variablesObservation zero{0, 200, 50, 0};
  for (const wchar_t* formule : {L"1/d1", L"k/(d2-200)", L"10^400", L"(-d3)^0.5", L"0/0", L"d1+", L"inconnu", L""})
    EXPECT_FALSE(f.evaluerTexte(formule, zero).has_value()) << std::string(formule, formule + std::wcslen(formule));
  // The value of each kind follows its own formula.
  formulesPoids g;
  g.fixerFormule(genreFormule::angle, L"1/d1");
  g.fixerFormule(genreFormule::gisement, L"ang");
  EXPECT_DOUBLE_EQ(*g.evaluer(genreFormule::angle, kVars), 1 / 100.0);
  EXPECT_DOUBLE_EQ(*g.evaluer(genreFormule::gisement, kVars), 80);
  EXPECT_DOUBLE_EQ(*g.evaluer(genreFormule::distance, kVars), 1);
  EXPECT_FALSE(g.evaluer(genreFormule::angle, zero).has_value());
  const formulesPoidsFn fn = g.fonction();
  EXPECT_DOUBLE_EQ(*fn(genreFormule::gisement, kVars), 80);
}

TEST(FormulePoids, TexteTropLongOuTresImbrique) {
  const formulesPoids f;
  // 400 nested parentheses parse (a depth the printer and evaluator walk).
  const std::wstring imbrique = std::wstring(400, L'(') + L"d1" + std::wstring(400, L')');
  EXPECT_EQ(f.verifier(imbrique), L"OK : d1");
  EXPECT_DOUBLE_EQ(*f.evaluerTexte(imbrique, kVars), 100);
  std::wstring chaine = L"1";
  for (int i = 0; i < 500; ++i) chaine += L"+1";
  EXPECT_DOUBLE_EQ(*f.evaluerTexte(chaine, kVars), 501);
  // Beyond 1023 characters (blanks aside) the text is refused whole.
  std::wstring long_ = chaine + chaine.substr(1);
  EXPECT_EQ(f.verifier(long_), L"Erreur dans la formule : Erreur !!!");
  EXPECT_EQ(f.verifier(std::wstring(2000, L' ') + L"d1"), L"OK : d1");
}

TEST(FormulePoids, DefautsEtVariablesObservation) {
  formulesPoids f;
  for (genreFormule g : {genreFormule::angle, genreFormule::gisement, genreFormule::distance})
    EXPECT_EQ(f.formule(g), L"1.0");
  EXPECT_TRUE(f.constantes().empty());
  const auto& obs = formulesPoids::variablesObs();
  ASSERT_EQ(obs.size(), 4u);
  EXPECT_EQ(std::wstring(obs[0].nom), L"ang");
  EXPECT_EQ(std::wstring(obs[0].commentaire), L"Angle mesuré en grades");
  EXPECT_EQ(std::wstring(obs[1].commentaire), L"Distance station - Point visé");
  EXPECT_EQ(std::wstring(obs[2].commentaire), L"Distance station - Référence");
  EXPECT_EQ(std::wstring(obs[3].commentaire), L"Distance Point visé - Référence");

  f.fixerFormule(genreFormule::angle, L"k");
  f.libelle = L"x";
  ASSERT_TRUE(f.ajouterConstante({L"k", 1, L""}));
  f.reinitialiser();
  EXPECT_EQ(f.formule(genreFormule::angle), L"1.0");
  EXPECT_TRUE(f.constantes().empty());
  EXPECT_TRUE(f.libelle.empty());
}

TEST(FormulePoids, NomsDesConstantes) {
  formulesPoids f;
  ASSERT_TRUE(f.ajouterConstante({L"sigma", 0.002, L"écart"}));
  struct Cas {
    const wchar_t* nom;
    erreurNomConstante attendu;
  } cas[] = {
      {L"", erreurNomConstante::vide},
      {L"k2", erreurNomConstante::pasDesLettres},
      {L"a b", erreurNomConstante::pasDesLettres},
      {L"é", erreurNomConstante::pasDesLettres},
      {L"ANG", erreurNomConstante::variableObservation},
      {L"Sigma", erreurNomConstante::dejaDefinie},
      {L"sig", erreurNomConstante::aucune},
      {L"d", erreurNomConstante::aucune},
  };
  for (const Cas& c : cas)
    EXPECT_EQ(f.verifierNom(c.nom), c.attendu) << std::string(c.nom, c.nom + std::wcslen(c.nom));
  EXPECT_EQ(f.verifierNom(std::wstring(65, L'a')), erreurNomConstante::tropLong);
  EXPECT_EQ(f.verifierNom(L"SIGMA", 0), erreurNomConstante::aucune);  // renaming itself

  EXPECT_FALSE(f.ajouterConstante({L"sigma", 1, L""}));
  EXPECT_FALSE(f.ajouterConstante({L"inf", INFINITY, L""}));
  EXPECT_FALSE(f.modifierConstante(1, {L"x", 1, L""}));
  ASSERT_TRUE(f.ajouterConstante({L"d", 4, L""}));
  EXPECT_FALSE(f.modifierConstante(1, {L"SIGMA", 1, L""}));
  ASSERT_TRUE(f.modifierConstante(0, {L"Sigma", 0.5, L"modifié"}));
  EXPECT_EQ(f.constantes()[0].nom, L"Sigma");
  EXPECT_EQ(f.trouverConstante(L"SIGMA"), 0);
  // "d" next to "d1": each name is recognised whole.
  EXPECT_DOUBLE_EQ(*f.evaluerTexte(L"d*d1+sigma", kVars), 400.5);
  ASSERT_TRUE(f.supprimerConstante(0));
  EXPECT_FALSE(f.supprimerConstante(5));
  EXPECT_EQ(f.verifier(L"sigma"), L"Erreur dans la formule : Erreur !!!");
}

}  // namespace
