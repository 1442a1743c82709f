// The dialog "Import GSI": a field book is opened (its text shown in the
// upper box), then analysed: every line decoded, the measurement lines
// recorded in the observation book, the decoded values listed in the lower
// box. The drawing is not changed. Also the command IMPORTGSI.
#pragma once

#include <string>
#include <vector>

#include "field/gsi.hpp"
#include "host/ui/dialog.hpp"

class ImportGSI : public host::ui::Dialog {
 public:
  enum : int {
    kChemin = 3001, kFichier = 3002, kTexteFichier = 3003, kAnalyser = 3004, kAnalyse = 3005, kProgression = 3006,
  };

  // The analyses go into `carnet`; by default the module's observation book.
  explicit ImportGSI(carnetObservations* carnet = nullptr);

  // What the file picture does: the open-file dialog, then the chosen file
  // is loaded. Cancelling it keeps the file already shown.
  void ouvrir();
  // Loads a field book: its lines, its text in the upper box; "Analyser"
  // enabled. An unreadable file gives empty boxes.
  void charger(const std::string& chemin);
  // What "Analyser" does.
  void analyser();

  const std::string& chemin() const { return chemin_; }
  const std::vector<std::string>& lignes() const { return lignes_; }
  // Windows-1252, as the file holds it.
  const std::string& texteAnalyse() const { return texteAnalyse_; }

 protected:
  void onInit() override;
  void onPress(int id) override;

 private:
  carnetObservations* carnet_;
  std::string chemin_;
  std::vector<std::string> lignes_;
  std::string texteFichier_, texteAnalyse_;
};

// The command IMPORTGSI: the dialog, modal; nothing else happens after it.
void commandeImportGSI();
