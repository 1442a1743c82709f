// "Points du dessin": the points of one table, filtered by code and sorted
// by column, with the actions that move them between the table, the
// drawing and files (export, placing blocks, refreshing from the drawing,
// importing, a coordinate table). The commands IMPORTPOINTS, EXPORTPOINTS,
// MAJPOINTS and TABLEXYZ open it on the current table.
#pragma once

#include <string>
#include <vector>

#include "host/ui/dialog.hpp"
#include "points/table.hpp"

class tableCodification;

class DlgPntsDuDessin : public host::ui::Dialog {
 public:
  // Controls.
  enum : int {
    kExporter = 267,
    kTableXYZ = 268,
    kPlacer = 257,
    kImporter = 271,
    kRaffraichir = 270,
    kComboCode = 189,
    kListe = 269,
  };
  // Mode bits: each shows one action button.
  enum : int { kModeExporter = 1, kModeTableXYZ = 2, kModePlacer = 4, kModeImporter = 8, kModeRaffraichir = 16 };

  DlgPntsDuDessin();

  int mode = 31;
  tableCodification* codifs = nullptr;
  listePointsDuDessin* table = nullptr;
  // Code preselected in the filter (-1: all codes).
  int codeInitial = -1;
  // Table index of the point chosen when the dialog closed with "&Fermer",
  // or -1.
  int pointChoisi = -1;

  // The table indices of the rows an action works on: the selected rows, or
  // every row when none is selected, in display order.
  std::vector<int> lignesAction() const;
  // The code of the filter (-1 for all).
  int codeFiltre() const;
  void remplirListe(int code);
  void trierSur(int colonne);

 protected:
  void onInit() override;
  void onPress(int id) override;
  void onSelectionChange(int id) override;
  void onHeaderClick(int id, int column) override;
  bool onOk() override;
  void onCancel() override;

 private:
  void remplirCodes(int selection);
  void exporter();
  void placer();
  void raffraichir();
  void importer();
  void tableXYZ();
};

// Export of table points: a text file (appended to), or an HTML / Word
// document for the extensions htm, html and doc. False, with a message on
// the command line, when the file cannot be written.
bool exporterPoints(const listePointsDuDessin& table, const std::vector<int>& indices, const std::string& chemin);

// The commands: the dialog on the current table in their mode.
void commandeImportPoints();
void commandeExportPoints();
void commandeMajPoints();
void commandeTableXYZ();

// The sort column (-1: none) and direction of the point lists, kept while
// the module is loaded.
struct etatTriPoints {
  int colonne = -1;
  bool croissant = true;
};
etatTriPoints& triPoints();
