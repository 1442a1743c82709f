// The description of a block definition ("Infos block"): the user picks a
// block reference (and may pick a text to propose as its description),
// sees the block's name, size and descriptions, and writes a new
// description into the definition (its comments and the description
// records on the definition and on its first entity).
#pragma once

#include <string>

#include "host/db/database.hpp"
#include "host/ui/dialog.hpp"

// Controls of the dialog.
enum : int {
  IDC_INFOBLOC_NOM = 391,
  IDC_INFOBLOC_CHOISIR = 392,
  IDC_INFOBLOC_TAILLE_X = 393,
  IDC_INFOBLOC_TAILLE_Y = 394,
  IDC_INFOBLOC_MODIFIER = 395,
  IDC_INFOBLOC_DESCRIPTION = 396,
};

class CDlgCommentaireBlock : public host::ui::Dialog {
 public:
  CDlgCommentaireBlock();

  // The block definition chosen, null until one is.
  ZcDbObjectId bloc() const { return bloc_; }

 protected:
  void onInit() override;
  void onPress(int id) override;

 private:
  void choisir();
  void modifier();
  // Shows the chosen block; `proposee`, when not empty, goes into the
  // description field instead of the block's comments.
  void afficher(const std::wstring& proposee);
  void activer(bool on);

  ZcDbObjectId bloc_;
};

// c:decrireblock: the dialog on the current drawing. Result T.
void c_decrireblock();
