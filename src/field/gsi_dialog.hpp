// The dialog "Import GSI": a field book is opened (its text shown in the
// upper box), then analysed: every line decoded, the measurement lines
// recorded in the observation book, the decoded values listed in the lower
// box. The analysis does not change the drawing; "Calculer les points" then
// computes the points of the analysed book and places them in the current
// point table and the drawing. Also the command IMPORTGSI.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "field/carnet_calcul.hpp"
#include "field/gsi.hpp"
#include "host/ui/dialog.hpp"

class htmlDocument;

class ImportGSI : public host::ui::Dialog {
 public:
  enum : int {
    kChemin = 3001, kFichier = 3002, kTexteFichier = 3003, kAnalyser = 3004, kAnalyse = 3005, kProgression = 3006,
    kCalculer = 3007,
  };

  // The analyses go into `carnet`; by default the module's observation book.
  explicit ImportGSI(carnetObservations* carnet = nullptr);
  ~ImportGSI() override;

  // What the file picture does: the open-file dialog, then the chosen file
  // is loaded. Cancelling it keeps the file already shown.
  void ouvrir();
  // Loads a field book: its lines, its text in the upper box; "Analyser"
  // enabled. An unreadable file gives empty boxes.
  void charger(const std::string& chemin);
  // What "Analyser" does.
  void analyser();
  // What "Calculer les points" does, on the lines of the last analysis: the
  // set-ups of the book; the station of the lines before the first set-up
  // asked (a point of the current table by name, or X,Y[,Z]; Enter leaves
  // them out); the backsights of each set-up that nothing orients asked;
  // the points computed; each name already in the table asked about
  // (replace, keep both with a suffix, skip; or the same for all the
  // later ones); then every point placed in
  // one undo group and the report shown. Escape at any question places
  // nothing. False when nothing was placed.
  bool calculerPoints();
  // Whether the report is built and shown after the computation (tests and
  // the benchmark turn it off; rapport() then builds it when asked).
  void setAfficherRapport(bool on) { afficherRapport_ = on; }

  // The last computation.
  const resultatCarnet& resultat() const { return resultat_; }
  // The names the points were placed under (suffixed when kept beside a
  // point of the same name), in the order of resultat().points; empty for
  // a skipped point.
  const std::vector<std::string>& nomsPlaces() const { return nomsPlaces_; }
  // The report of the last computation; null before any.
  const htmlDocument* rapport() const;

  const std::string& chemin() const { return chemin_; }
  const std::vector<std::string>& lignes() const { return lignes_; }
  // Windows-1252, as the file holds it.
  const std::string& texteAnalyse() const { return texteAnalyse_; }

 protected:
  void onInit() override;
  void onPress(int id) override;

 private:
  carnetObservations* carnet_;
  std::size_t debutAnalyse_ = 0, finAnalyse_ = 0;  // entries of the last analysis
  resultatCarnet resultat_;
  std::vector<std::string> nomsPlaces_;
  mutable std::unique_ptr<htmlDocument> rapport_;
  bool calcule_ = false;
  bool afficherRapport_ = true;
  std::string chemin_;
  std::vector<std::string> lignes_;
  std::string texteFichier_, texteAnalyse_;
};

// The command IMPORTGSI: the dialog, modal; nothing else happens after it.
void commandeImportGSI();
