// Names of points created in series: a text prefix, a number and a text
// suffix ("P12", "S100b"). The generators hand out the names one after the
// other; the dialog CModeNumerotation asks the user for the three parts.
// The check-list dialog CMultiChoice lets the user tick items of a list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/ui/dialog.hpp"
#include "points/uncopyable.hpp"

// The name "%s%d%s" of a prefix, a number and a suffix.
std::wstring formerNom(const std::wstring& prefixe, long long numero, const std::wstring& suffixe);

// The name of the i-th point (from 0) of a series renumbered from `depart`:
// "%s%d%s" of prefix, depart + i, suffix. The sum is taken in 64 bits, so a
// series that goes past the largest 32-bit number keeps counting upwards.
std::wstring nomNumerote(const std::wstring& prefixe, int depart, const std::wstring& suffixe, int i);

// The letters that follow `s`: "" gives "A"; trailing capital Z's become A's
// and the character before them moves on (an A is put in front when every
// character is a Z: "Z" gives "AA", "ZZ" gives "AAA"); otherwise the last
// character takes the next character code ("A" gives "B", "a" gives "b",
// "9" gives ":").
std::wstring lettresSuivantes(const std::wstring& s);

// A generator of point names. Not copyable: each series has one generator.
class numeroteur : private Uncopyable {
 public:
  virtual ~numeroteur() = default;

  // The next name of the series.
  virtual std::wstring nomSuivant() = 0;
  // Moves the suffix (or the prefix) on to the following letters. Here only
  // the text changes and 0 is given; a generator with a number gives the
  // number the series starts again from.
  virtual int lettresSuffixeSuivantes();
  virtual int lettresPrefixeSuivantes();
  // Moves the number on by one.
  virtual void incrementer() = 0;

  const std::wstring& prefixe() const { return prefixe_; }
  const std::wstring& suffixe() const { return suffixe_; }

 protected:
  numeroteur() = default;

  std::wstring prefixe_;
  std::wstring suffixe_;
};

// A generator of names with a 32-bit number: the current number goes up by
// the step at each name; a change of letters starts it again from the
// restart value. Number, step and restart value start at 1, both texts empty.
class numeroteurEntier : public numeroteur {
 public:
  numeroteurEntier() = default;

  // The name of the current number, then the number goes up by the step.
  std::wstring nomSuivant() override;
  // The letters move on and the number goes back to the restart value,
  // which is given.
  int lettresSuffixeSuivantes() override;
  int lettresPrefixeSuivantes() override;
  // Adds 1 to the current number.
  void incrementer() override;
  // The current number; with `avancer`, the number then goes up by 1 (not
  // by the step).
  virtual int numeroCourant(bool avancer);

  // Sets the prefix, the current number, the suffix and the step; the
  // restart value stays as it is.
  void initialiser(const std::wstring& prefixe, int numero, const std::wstring& suffixe, int pas);

  int pas() const { return pas_; }
  int reprise() const { return reprise_; }

 private:
  // Numbers wrap around at the ends of the 32-bit range instead of
  // overflowing.
  std::int32_t numero_ = 1;
  std::int32_t pas_ = 1;
  std::int32_t reprise_ = 1;
};

// Controls of the two dialogs.
enum : int {
  IDC_NUM_PREFIXE = 331,
  IDC_NUM_DEPART = 332,
  IDC_NUM_SUFFIXE = 333,
  IDC_NUM_EXEMPLE = 334,
  IDC_CHOIX_TOUS = 281,
  IDC_CHOIX_AUCUN = 282,
  IDC_CHOIX_LISTE = 448,
  IDC_CHOIX_TEXTE = 451,
  IDC_CHOIX_INVERSER = 460,
};

// "Numérotation": a prefix, a start number and a suffix, with an example of
// the name they make. The example follows the prefix and the suffix as they
// are typed; a start number that is not an integer is refused.
class CModeNumerotation : public host::ui::Dialog {
 public:
  CModeNumerotation();

  // The values shown, then those entered once the dialog ends with OK.
  std::wstring prefixe;
  int numero = 1;
  std::wstring suffixe;

 protected:
  void onInit() override;
  void onKillFocus(int id) override;
  void doDataExchange(host::ui::DataExchange& dx) override;
  // Refuses a prefix or suffix that a point file could not give back: a
  // blank or a tab splits the name in two when the file is read, and a
  // character outside the files' code page changes.
  bool onOk() override;

 private:
  void majExemple();
};

// Asks for a prefix, a start number and a suffix, prefilled with the values
// given. True on OK, with the values written back; false otherwise, the
// values unchanged.
bool demanderNumerotation(std::wstring& prefixe, int& numero, std::wstring& suffixe);

// "Choisissez": items with check boxes, a text line above them and buttons
// that tick all, none, or invert the ticks. `drapeaux` runs parallel to
// `elements` (1 ticked, 0 not) and takes the ticks back on OK.
class CMultiChoice : public host::ui::Dialog {
 public:
  CMultiChoice(const std::vector<std::wstring>& elements, std::vector<std::uint16_t>& drapeaux,
               const std::wstring& texte, const std::wstring& titre);

 protected:
  void onInit() override;
  void onPress(int id) override;
  bool onOk() override;

 private:
  const std::vector<std::wstring>& elements_;
  std::vector<std::uint16_t>& drapeaux_;
};

// Runs CMultiChoice. An empty flag list given with items is first filled
// with one 0 per item; lists that still differ in length show nothing and
// give false. An empty title becomes "Choisissez". The column name is
// accepted for the callers' sake, but the column is always titled
// "Modeles". True on OK with the flags written back (1 or 0); false on
// Cancel, the flags as they were.
bool demanderChoix(const std::vector<std::wstring>& elements, std::vector<std::uint16_t>& drapeaux,
                   const std::wstring& texte = {}, const std::wstring& titre = {},
                   const std::wstring& colonne = L"modele");
