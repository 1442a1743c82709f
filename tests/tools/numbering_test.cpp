// Point names in series: the letter advance, the integer generator, the
// renumbering of a table, the numbering dialog and the check-list dialog.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "host/db/database.hpp"
#include "host/ui/session.hpp"
#include "tools/numbering.hpp"

using host::ui::IDCANCEL;
using host::ui::IDOK;
using host::ui::testing::contains;
using host::ui::testing::Session;

namespace {

using Drapeaux = std::vector<std::uint16_t>;

// The dialogs' handlers are protected; the user actions and init() are the
// way in, as for a user.
std::string texte(const host::ui::Dialog& dlg, int id) { return dlg.get<host::ui::Edit>(id).text(); }

std::vector<bool> coches(const CMultiChoice& dlg) {
  const auto& liste = dlg.get<host::ui::ListView>(IDC_CHOIX_LISTE);
  std::vector<bool> r;
  for (int i = 0; i < liste.rowCount(); ++i) r.push_back(liste.checked(i));
  return r;
}

}  // namespace

// ------------------------------------------------------------------ letters

TEST(LettresSuivantes, Table) {
  struct Cas {
    const wchar_t* avant;
    const wchar_t* apres;
  };
  const Cas cas[] = {
      {L"", L"A"},        {L"A", L"B"},     {L"Y", L"Z"},         {L"Z", L"AA"},     {L"AZ", L"BA"},
      {L"ZZ", L"AAA"},    {L"AZZ", L"BAA"}, {L"ZAZ", L"ZBA"},     {L"a", L"b"},      {L"9", L":"},
      {L"P1Z", L"P2A"},   {L"z", L"{"},     {L"aZ", L"bA"},       {L"\u00e9", L"\u00ea"},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(host::toUtf8(c.avant));
    EXPECT_EQ(lettresSuivantes(c.avant), c.apres);
  }
}

// --------------------------------------------------------------- generators

TEST(NumeroteurEntier, NotCopyable) {
  static_assert(!std::is_copy_constructible_v<numeroteurEntier>);
  static_assert(!std::is_copy_assignable_v<numeroteurEntier>);
  static_assert(std::is_abstract_v<numeroteur>);
}

TEST(NumeroteurEntier, DefaultsAndInitialisation) {
  numeroteurEntier n;
  EXPECT_EQ(n.nomSuivant(), L"1");
  EXPECT_EQ(n.nomSuivant(), L"2");

  n.initialiser(L"P", 8, L"", 1);
  EXPECT_EQ(n.nomSuivant(), L"P8");
  EXPECT_EQ(n.nomSuivant(), L"P9");
  EXPECT_EQ(n.nomSuivant(), L"P10");

  n.initialiser(L"S", -1, L"b", 5);
  EXPECT_EQ(n.nomSuivant(), L"S-1b");
  EXPECT_EQ(n.nomSuivant(), L"S4b");
  EXPECT_EQ(n.pas(), 5);
  EXPECT_EQ(n.reprise(), 1);
}

TEST(NumeroteurEntier, LetterChangesRestartTheNumber) {
  numeroteurEntier n;
  n.initialiser(L"A", 42, L"Z", 3);
  EXPECT_EQ(n.nomSuivant(), L"A42Z");
  EXPECT_EQ(n.lettresSuffixeSuivantes(), 1);
  EXPECT_EQ(n.suffixe(), L"AA");
  EXPECT_EQ(n.prefixe(), L"A");
  EXPECT_EQ(n.nomSuivant(), L"A1AA");
  EXPECT_EQ(n.nomSuivant(), L"A4AA");

  // Through the interface, as the callers hold it.
  numeroteur& g = n;
  EXPECT_EQ(g.lettresPrefixeSuivantes(), 1);
  EXPECT_EQ(g.prefixe(), L"B");
  EXPECT_EQ(g.suffixe(), L"AA");
  EXPECT_EQ(g.nomSuivant(), L"B1AA");

  // An empty suffix starts at A.
  n.initialiser(L"P", 10, L"", 1);
  n.lettresSuffixeSuivantes();
  EXPECT_EQ(n.nomSuivant(), L"P1A");
}

TEST(NumeroteurEntier, CurrentNumberAndIncrementGoByOneWhateverTheStep) {
  numeroteurEntier n;
  n.initialiser(L"", 7, L"", 5);
  EXPECT_EQ(n.numeroCourant(true), 7);
  EXPECT_EQ(n.numeroCourant(false), 8);
  EXPECT_EQ(n.numeroCourant(false), 8);
  n.incrementer();
  EXPECT_EQ(n.nomSuivant(), L"9");
  EXPECT_EQ(n.numeroCourant(false), 14);
}

TEST(NumeroteurEntier, NumberWrapsAtTheEndOfTheRange) {
  // The 32-bit number goes round instead of overflowing (checked by the
  // sanitizers of the test build).
  numeroteurEntier n;
  n.initialiser(L"P", INT_MAX, L"", 1);
  EXPECT_EQ(n.nomSuivant(), L"P2147483647");
  EXPECT_EQ(n.nomSuivant(), L"P-2147483648");
  n.initialiser(L"", INT_MAX, L"", 1);
  EXPECT_EQ(n.numeroCourant(true), INT_MAX);
  EXPECT_EQ(n.numeroCourant(false), INT_MIN);
  n.initialiser(L"", INT_MIN, L"", -1);
  EXPECT_EQ(n.nomSuivant(), L"-2147483648");
  EXPECT_EQ(n.nomSuivant(), L"2147483647");
}

TEST(NumeroteurBase, LetterChangesOnlyTouchTheText) {
  // A generator without a number of its own.
  class Lettres : public numeroteur {
   public:
    std::wstring nomSuivant() override { return prefixe_ + suffixe_; }
    void incrementer() override {}
  };
  std::unique_ptr<numeroteur> g = std::make_unique<Lettres>();
  EXPECT_EQ(g->lettresSuffixeSuivantes(), 0);
  EXPECT_EQ(g->lettresPrefixeSuivantes(), 0);
  EXPECT_EQ(g->lettresPrefixeSuivantes(), 0);
  EXPECT_EQ(g->nomSuivant(), L"BA");
}

// ------------------------------------------------------------- renumbering

TEST(NomNumerote, SeriesFromAStartNumber) {
  std::vector<std::wstring> noms;
  for (int i = 0; i < 3; ++i) noms.push_back(nomNumerote(L"S", 100, L"b", i));
  EXPECT_EQ(noms, (std::vector<std::wstring>{L"S100b", L"S101b", L"S102b"}));
  EXPECT_EQ(nomNumerote(L"", -2, L"", 1), L"-1");
  EXPECT_EQ(nomNumerote(L"P\u00e9", 0, L"", 0), L"P\u00e90");
  // Past the largest 32-bit number the names keep counting upwards: no two
  // points of the table get the same name.
  EXPECT_EQ(nomNumerote(L"S", INT_MAX, L"", 1), L"S2147483648");
}

// -------------------------------------------------------- numbering dialog

TEST(CModeNumerotation, PrefilledAndExampleFollowsPrefixAndSuffix) {
  CModeNumerotation dlg;
  EXPECT_EQ(dlg.title(), "Num\u00e9rotation");
  dlg.prefixe = L"P";
  dlg.numero = 12;
  dlg.suffixe = L"x";
  dlg.init();
  EXPECT_EQ(texte(dlg, IDC_NUM_PREFIXE), "P");
  EXPECT_EQ(texte(dlg, IDC_NUM_DEPART), "12");
  EXPECT_EQ(texte(dlg, IDC_NUM_SUFFIXE), "x");
  EXPECT_EQ(texte(dlg, IDC_NUM_EXEMPLE), "");
  EXPECT_TRUE(dlg.get<host::ui::Edit>(IDC_NUM_EXEMPLE).readOnly());
  EXPECT_EQ(dlg.find(IDC_NUM_EXEMPLE)->caption(), "Exemple:");

  EXPECT_EQ(dlg.userSetText(IDC_NUM_PREFIXE, "St\u00e9"), "");
  EXPECT_EQ(texte(dlg, IDC_NUM_EXEMPLE), "St\u00e912x");
  // The start number alone does not refresh the example...
  EXPECT_EQ(dlg.userSetText(IDC_NUM_DEPART, "300"), "");
  EXPECT_EQ(texte(dlg, IDC_NUM_EXEMPLE), "St\u00e912x");
  // ...the next change of the suffix takes it.
  EXPECT_EQ(dlg.userSetText(IDC_NUM_SUFFIXE, ""), "");
  EXPECT_EQ(texte(dlg, IDC_NUM_EXEMPLE), "St\u00e9300");
  // The example cannot be typed in.
  EXPECT_NE(dlg.userSetText(IDC_NUM_EXEMPLE, "Z"), "");
}

TEST(CModeNumerotation, StartNumberMustBeAnInteger) {
  Session s("");
  CModeNumerotation dlg;
  dlg.numero = 5;
  dlg.init();
  dlg.userSetText(IDC_NUM_DEPART, "12.5");
  EXPECT_TRUE(contains(s.out(), "Entrez un entier"));
  // The example keeps the last number accepted meanwhile, without a message
  // at each change of the prefix.
  const std::string avant = s.out();
  dlg.userSetText(IDC_NUM_PREFIXE, "P");
  EXPECT_EQ(texte(dlg, IDC_NUM_EXEMPLE), "P5");
  EXPECT_EQ(s.out(), avant);

  EXPECT_NE(dlg.userOk(), "");
  EXPECT_FALSE(dlg.ended());
  EXPECT_EQ(dlg.numero, 5);
  dlg.userSetText(IDC_NUM_DEPART, " -7 ");
  EXPECT_EQ(dlg.userOk(), "");
  EXPECT_EQ(dlg.result(), IDOK);
  EXPECT_EQ(dlg.numero, -7);
  EXPECT_EQ(dlg.prefixe, L"P");
}

TEST(DemanderNumerotation, OkWritesBackOtherwiseNothingChanges) {
  struct Cas {
    const char* pourquoi;
    const char* script;
    bool ok;
    std::wstring prefixe;
    int numero;
    std::wstring suffixe;
  };
  const Cas cas[] = {
      {"ok", "set Pr\u00e9fixe S\nset 332 100\nset Suffixe b\nok\n", true, L"S", 100, L"b"},
      {"ok unchanged", "ok\n", true, L"P", 8, L""},
      {"cancel", "set 331 S\nset 332 100\ncancel\n", false, L"P", 8, L""},
      {"end of input", "set 331 S\n", false, L"P", 8, L""},
      {"refused number, then cancel", "set 332 abc\nok\ncancel\n", false, L"P", 8, L""},
      // A blank would split the names in two in a point file, which then
      // reads back as nothing; a character outside the code page changes.
      {"prefix with a blank refused, then corrected", "set 331 \"S 1\"\nok\nset 331 S1\nok\n", true, L"S1", 8, L""},
      {"suffix with a tab refused, then cancel", "set 333 \"a\tb\"\nok\ncancel\n", false, L"P", 8, L""},
      {"prefix outside the code page refused", "set 331 \u03b1\nok\ncancel\n", false, L"P", 8, L""},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(c.pourquoi);
    Session s(c.script);
    std::wstring prefixe = L"P", suffixe;
    int numero = 8;
    EXPECT_EQ(demanderNumerotation(prefixe, numero, suffixe), c.ok);
    EXPECT_EQ(prefixe, c.prefixe);
    EXPECT_EQ(numero, c.numero);
    EXPECT_EQ(suffixe, c.suffixe);
  }
}

TEST(DemanderNumerotation, RenumbersATableFromTheAnswer) {
  Session s("set 331 S\nset 332 100\nset 333 b\nok\n");
  std::wstring prefixe, suffixe;
  int numero = 1;
  ASSERT_TRUE(demanderNumerotation(prefixe, numero, suffixe));
  std::vector<std::wstring> noms;
  for (int i = 0; i < 3; ++i) noms.push_back(nomNumerote(prefixe, numero, suffixe, i));
  EXPECT_EQ(noms, (std::vector<std::wstring>{L"S100b", L"S101b", L"S102b"}));
}

// -------------------------------------------------------- check-list dialog

TEST(CMultiChoice, OpensWithTheTicksOfTheFlagsAndTheButtonsChangeThem) {
  const std::vector<std::wstring> elements{L"Murs", L"Cl\u00f4tures", L"Arbres", L"Regards"};
  Drapeaux drapeaux{1, 0, 7, 0};
  CMultiChoice dlg(elements, drapeaux, L"Calques \u00e0 traiter", L"");
  EXPECT_EQ(dlg.title(), "Choisissez");
  dlg.init();
  const auto& liste = dlg.get<host::ui::ListView>(IDC_CHOIX_LISTE);
  EXPECT_TRUE(liste.checkBoxes());
  ASSERT_EQ(liste.columns().size(), 1u);
  EXPECT_EQ(liste.columns()[0].header, "Modeles");
  EXPECT_EQ(liste.cell(1, 0), "Cl\u00f4tures");
  EXPECT_EQ(dlg.get<host::ui::Static>(IDC_CHOIX_TEXTE).text(), "Calques \u00e0 traiter");
  EXPECT_EQ(coches(dlg), (std::vector<bool>{true, false, true, false}));

  dlg.userPress(IDC_CHOIX_INVERSER);
  EXPECT_EQ(coches(dlg), (std::vector<bool>{false, true, false, true}));
  dlg.userPress(IDC_CHOIX_TOUS);
  EXPECT_EQ(coches(dlg), (std::vector<bool>(4, true)));
  dlg.userPress(IDC_CHOIX_AUCUN);
  EXPECT_EQ(coches(dlg), (std::vector<bool>(4, false)));
  // Nothing reaches the flags before OK.
  EXPECT_EQ(drapeaux, (Drapeaux{1, 0, 7, 0}));

  dlg.userCheckRow(IDC_CHOIX_LISTE, 2, true);
  EXPECT_EQ(dlg.userOk(), "");
  EXPECT_EQ(dlg.result(), IDOK);
  EXPECT_EQ(drapeaux, (Drapeaux{0, 0, 1, 0}));
}

TEST(CMultiChoice, FlagsFollowTheItemsWhenTheListIsSorted) {
  const std::vector<std::wstring> elements{L"b", L"c", L"a"};
  Drapeaux drapeaux{1, 0, 0};
  CMultiChoice dlg(elements, drapeaux, L"", L"Calques");
  dlg.init();
  dlg.userHeaderClick(IDC_CHOIX_LISTE, 0);
  const auto& liste = dlg.get<host::ui::ListView>(IDC_CHOIX_LISTE);
  ASSERT_EQ(liste.cell(0, 0), "a");
  dlg.userCheckRow(IDC_CHOIX_LISTE, 0, true);  // a
  dlg.userCheckRow(IDC_CHOIX_LISTE, 1, false);  // b
  dlg.userOk();
  EXPECT_EQ(drapeaux, (Drapeaux{0, 0, 1}));
}

TEST(DemanderChoix, EmptyFlagsGiveOneUntickedItemEach) {
  const std::vector<std::wstring> elements{L"un", L"deux", L"trois"};
  {
    Session s("ok\n");
    Drapeaux drapeaux;
    EXPECT_TRUE(demanderChoix(elements, drapeaux));
    EXPECT_EQ(drapeaux, (Drapeaux{0, 0, 0}));
    EXPECT_TRUE(contains(s.out(), "=== Choisissez ==="));
  }
  {
    // Cancel: the ticks are lost, the list keeps its zeros.
    Session s("press Tous\ncancel\n");
    Drapeaux drapeaux;
    EXPECT_FALSE(demanderChoix(elements, drapeaux));
    EXPECT_EQ(drapeaux, (Drapeaux{0, 0, 0}));
  }
}

TEST(DemanderChoix, OkWritesTheTicksCancelLeavesTheFlags) {
  const std::vector<std::wstring> elements{L"un", L"deux", L"trois"};
  struct Cas {
    const char* pourquoi;
    const char* script;
    bool ok;
    Drapeaux apres;
  };
  const Cas cas[] = {
      {"inverser", "press Inverser\nok\n", true, {0, 1, 0}},
      {"tous", "press Tous\nok\n", true, {1, 1, 1}},
      {"aucun", "press Aucun\nok\n", true, {0, 0, 0}},
      {"one row", "check 448 1 on\nok\n", true, {1, 1, 1}},
      {"as they were", "ok\n", true, {1, 0, 1}},
      {"cancel", "press Inverser\ncancel\n", false, {2, 0, 1}},
      {"end of input", "press Aucun\n", false, {2, 0, 1}},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(c.pourquoi);
    Session s(c.script);
    Drapeaux drapeaux{2, 0, 1};
    EXPECT_EQ(demanderChoix(elements, drapeaux, L"Texte", L"Calques", L"calque"), c.ok);
    EXPECT_EQ(drapeaux, c.apres);
    EXPECT_TRUE(contains(s.out(), "=== Calques ==="));
    EXPECT_TRUE(contains(s.out(), "Modeles"));
    EXPECT_TRUE(contains(s.out(), "Texte"));
  }
}

TEST(DemanderChoix, ListsOfDifferentLengthsShowNothing) {
  struct Cas {
    const char* pourquoi;
    std::vector<std::wstring> elements;
    Drapeaux drapeaux;
  };
  const Cas cas[] = {
      {"more flags", {L"un", L"deux"}, {1, 0, 1}},
      {"fewer flags", {L"un", L"deux"}, {1}},
      {"flags without items", {}, {0}},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(c.pourquoi);
    Session s("ok\n");
    Drapeaux drapeaux = c.drapeaux;
    EXPECT_FALSE(demanderChoix(c.elements, drapeaux));
    EXPECT_EQ(drapeaux, c.drapeaux);
    EXPECT_EQ(s.out(), "");
    EXPECT_EQ(s.rest(), "ok\n");
  }
}
