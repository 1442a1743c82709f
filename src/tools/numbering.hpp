// The dialog CModeNumerotation asks the user for the three parts of the
// names of points created in series (the generators are in
// points/numerotation.hpp). The check-list dialog CMultiChoice lets the user
// tick items of a list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/ui/dialog.hpp"
#include "points/numerotation.hpp"

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
