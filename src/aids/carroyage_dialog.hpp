// The dialog "Dessin de carroyage" and the command CARROYAGE: the grid's
// steps, sizes and label format, the side of the labels, and the regions
// (light polylines) to grid.
#pragma once

#include <vector>

#include "aids/carroyage.hpp"
#include "host/ui/dialog.hpp"

class DlgCarroyage : public host::ui::Dialog {
 public:
  enum : int {
    kPasX = 1101,
    kPasY = 1102,
    kTailleCroix = 1103,
    kTailleTextes = 1104,
    kFormat = 1105,
    kEcritures = 1106,
    kRegions = 1107,
    kNombreRegions = 1108,
  };

  DlgCarroyage();

  // The values shown, then those entered once the dialog ends with OK.
  paramsCarroyage params;
  std::vector<ZcDbObjectId> regions;

 protected:
  void onInit() override;
  void onPress(int id) override;
  void doDataExchange(host::ui::DataExchange& dx) override;

 private:
  void afficherEcritures();
  void choisirRegions();
};

// CARROYAGE: the dialog, then the grid of every region chosen, in order.
void commandeCarroyage();
