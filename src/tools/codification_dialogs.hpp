// The dialogs of the codification table: the list of the codes
// ("Table codification") and the entry of one code ("Codification").
#pragma once

#include <array>
#include <string>

#include "host/ui/dialog.hpp"
#include "points/codification.hpp"

// Controls of the two dialogs.
enum : int {
  IDC_LISTE_CODES = 189,
  IDC_NOUVEAU_CODE = 191,
  IDC_SUPPRIMER_CODES = 193,
  IDC_CODE = 195,
  IDC_LIBELLE = 197,
  IDC_APERCU = 199,  // the block file, where a window shows its preview
  IDC_LAYER_NUMERO = 203,
  IDC_LAYER_BLOCK = 206,
  IDC_LAYER_CODE = 210,
  IDC_LAYER_OBS = 213,
  IDC_LAYER_ALTITUDES = 215,
  IDC_TAILLE = 260,
  IDC_PRECISION = 377,
  IDC_SYMBOLE = 436,
};

// Edits entry i of `table` in the code dialog ("Codification"); false for
// an index outside the table.
bool editerCode(tableCodification& table, int i);

// One code: its text, label, block file, layers, block scale and altitude
// decimals. For a new code the code text is checked when it is left ("?"
// gives the smallest free code of 1..9999) and again on OK; an existing
// code is read-only.
class DlgCodification : public host::ui::Dialog {
 public:
  // `table` is where codes are looked up and where the entry of the
  // dialog's code takes a newly chosen block file at once.
  DlgCodification(tableCodification& table, bool nouveauCode);

  // The values shown, then those entered once the dialog ends with OK.
  std::wstring code = L"-1";
  std::wstring libelle;
  std::wstring chemin;
  std::array<std::wstring, codifPoint::kNbCalques> calques{};
  double taille = 1.0;
  int precision = 2;

  // Takes every field but the code from an entry (and its code as text).
  void depuis(const codifPoint& c);
  // Writes label, block file, layers, scale and decimals into an entry.
  void vers(codifPoint& c) const;
  // The code text's decimal value.
  int valeurCode() const;

  // What a click on "Symbole" or on the preview does: asks for a drawing
  // file; true when one was chosen.
  bool choisirFichier();

 protected:
  void onInit() override;
  void onPress(int id) override;
  void onKillFocus(int id) override;
  bool onOk() override;
  void doDataExchange(host::ui::DataExchange& dx) override;

 private:
  // The code field's check; false when the code was refused.
  bool validerCode();
  // Completes the block file (".dwg", installation folder) and shows it.
  void apercu();

  tableCodification& table_;
  bool nouveau_;
};

// The whole table: one row per code, new codes, double click to edit one,
// removal of the selected rows. Changes go to the table at once.
class CDlgTabCodification : public host::ui::Dialog {
 public:
  explicit CDlgTabCodification(tableCodification& table);

 protected:
  void onInit() override;
  void onPress(int id) override;
  void onHeaderClick(int id, int column) override;
  void onDoubleClick(int id, int row) override;

 private:
  void nouveauCode();
  void supprimerSelection();
  void majLigne(int ligne, const codifPoint& c);

  tableCodification& table_;
};
