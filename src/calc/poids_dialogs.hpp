// The weight dialogs of the least-squares network: the table of the
// observation weights (fixed weights, or the formulas), the formula dialog
// with its constants, example and files, and the dialog that defines one
// constant.
#pragma once

#include <string>
#include <vector>

#include "calc/formule_poids.hpp"
#include "calc/reseau_mc.hpp"
#include "host/ui/dialog.hpp"

// "Définir une variable": name, value and comment of a user constant. The
// name must be letters only, neither an observation variable nor the name of
// another constant; the value a finite number; the comment at most 255
// characters (what a formula file can hold).
class CDlgDefinirVariable : public host::ui::Dialog {
 public:
  enum : int { kNom = 2501, kValeur = 2502, kCommentaire = 2503 };

  // `index`: the constant being modified, -1 for a new one.
  CDlgDefinirVariable(const formulesPoids& formules, int index = -1);

  // In: the values shown; out (on OK): the values typed.
  constantePoids constante;

 protected:
  void onInit() override;
  bool onOk() override;

 private:
  const formulesPoids& formules_;
  int index_;
};

// "Formules poids des observations". Works on a copy of the formulas; OK
// gives them back to the caller's object, Cancel leaves it as it was.
class CDlgFormulePoids : public host::ui::Dialog {
 public:
  enum : int {
    kAngles = 2401, kVerifierAngles = 2402, kGisements = 2403, kVerifierGisements = 2404,
    kDistances = 2405, kVerifierDistances = 2406,
    kVariables = 2410, kAjouter = 2411, kSupprimer = 2412, kModifier = 2413, kImporter = 2414,
    kD1 = 2420, kD2 = 2421, kD3 = 2422, kAngle = 2423, kCalculer = 2424,
    kPoidsAngle1 = 2425, kPoidsAngle2 = 2426, kPoidsDistance = 2427,
    kEnregistrer = 2430, kCharger = 2431,
  };

  explicit CDlgFormulePoids(formulesPoids& formules);

  // The working copy (the formula fields are read into it by every action
  // that needs them).
  const formulesPoids& formules() const { return travail_; }

  // The button actions.
  void verifier(int champ);
  void ajouter();
  void supprimer();
  void modifier();
  void importer();
  void calculer();
  void enregistrer();
  void charger();

 protected:
  void onInit() override;
  void onPress(int id) override;
  void onDoubleClick(int id, int row) override;
  bool onOk() override;

 private:
  void afficherFormules();
  void afficherVariables();
  void lireFormules();
  // The constant of the selected row, or -1 (after telling the user when
  // the row is an observation variable).
  int constanteSelectionnee();

  formulesPoids& resultat_;
  formulesPoids travail_;
};

// "Poids des observations": one row per observation with its weight, fixed
// or "* calc *" (given by the formulas). Fixed weights go to the network on
// OK; the formulas are changed by their own dialog ("&Formules").
class CDlgTabPoidsObse : public host::ui::Dialog {
 public:
  enum : int { kListe = 2301, kPoids = 2302, kFixer = 2303, kFormules = 2304 };

  CDlgTabPoidsObse(reseauMoindresCarres& reseau, formulesPoids& formules);

  // The weights as they stand in the dialog, one per observation.
  const std::vector<double>& poids() const { return poids_; }

  // "Fi&xer": the field's value, made positive, as the weight of every
  // selected observation; empty, 0 or 1e38 gives them back to the formulas.
  void fixer();
  void ouvrirFormules();

 protected:
  void onInit() override;
  void onPress(int id) override;
  bool onOk() override;

 private:
  void afficherPoids(int ligne);

  reseauMoindresCarres& reseau_;
  formulesPoids& formules_;
  std::vector<double> poids_;
};
