// "Moindres carrés": the least-squares dialog. The user loads a network from
// a ".mc" file, sets the observation weights, computes the planimetry and the
// altimetry, reads the computation text and places the known and the computed
// points as survey points of code 100. Also the command CORRMCARRES.
#pragma once

#include <string>

#include "calc/formule_poids.hpp"
#include "calc/reseau_mc.hpp"
#include "host/ui/dialog.hpp"

class CDlgMoindresCarres : public host::ui::Dialog {
 public:
  enum : int {
    kResultat = 3001, kDonnees = 3002, kPoids = 3003, kPlacerCanevas = 3004, kPlacerCalcules = 3005,
    kCalculerXY = 3006, kCalculerZ = 3007, kClear = 3008, kIterer = 3009,
  };
  // "Fermer" is the dialog's OK button (host::ui::IDOK).

  // Code of the placed points.
  static constexpr int kCodePoints = 100;

  CDlgMoindresCarres();

  reseauMoindresCarres reseau;
  formulesPoids formules;

  // The button actions.
  void donnees();
  void poids();
  void calculerXY();
  void calculerZ();
  void effacer();
  // Places the known points (canevas) or the positioned points to compute;
  // returns how many were placed.
  int placerCanevas();
  int placerCalcules();

 protected:
  void onPress(int id) override;

 private:
  void afficher();
  int placer(bool connus);
};

// CORRMCARRES: opens the dialog.
void commandeCorrMCarres();
