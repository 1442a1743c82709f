// "Points en XYZ": the working table of the command COORDSXYZ, shown as a
// list; every action is in the dialog's menu (load, save, merge, close,
// place in the drawing, renumber).
#pragma once

#include "host/ui/dialog.hpp"
#include "tools/xyz_table.hpp"

class CformulaireXYZ : public host::ui::Dialog {
 public:
  enum : int {
    kListe = 166,
    kCharger = 523,
    kSauvegarder = 524,
    kFusionner = 525,
    kFin = 526,
    kPlacer = 527,
    kRenumeroter = 528,
  };

  explicit CformulaireXYZ(tableObsXYZ& table);

  // One row a record, in table order.
  void remplirListe();

 protected:
  void onInit() override;
  void onPress(int id) override;
  void onHeaderClick(int id, int column) override;

 private:
  void charger(bool viderAvant);
  void sauvegarder();
  void renumeroter();

  tableObsXYZ& table_;
  tableCodification* codification_;
};

// COORDSXYZ: an empty table on the process-wide codification table, shown
// until the dialog is closed; nothing is saved at the end.
void commandeCoordsXYZ();
