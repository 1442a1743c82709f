// "Transformation d'helmert": pairs of calage points picked in the drawing
// (point by point or from two polylines), the similarity estimated from
// them, its report, and the transformation applied to selected entities.
// The command c:HELMERT opens the dialog.
#pragma once

#include <vector>

#include "calc/helmert.hpp"
#include "host/geom/matrix.hpp"
#include "host/ui/dialog.hpp"
#include "report/html.hpp"

class CHelmertDLG : public host::ui::Dialog {
 public:
  enum : int {
    kListe = 1001,
    kDeplX = 1002, kDeplY = 1003, kA = 1004, kB = 1005, kRotation = 1006, kEchelle = 1007, kEmq = 1008,
    kAjouterPolyline = 1010, kAjouterPoints = 1011, kSupprimer = 1012, kToutEffacer = 1013,
    kCalculer = 1014, kAppliquer = 1015,
  };
  // "Fermer" is the dialog's OK button (host::ui::IDOK).

  // The pairs need at least this many points to be computed or applied.
  static constexpr std::size_t kPairesMinimum = 3;

  CHelmertDLG();

  const std::vector<pointCalage>& depart() const { return depart_; }
  const std::vector<pointCalage>& final() const { return final_; }
  // Appends a pair (then the list and the fields are refreshed).
  void ajouterPaire(const pointCalage& depart, const pointCalage& final);

  // The button actions.
  void ajouterPolyline();
  void ajouterPoints();
  void supprimer();
  void toutEffacer();
  void calculer();
  void appliquer();

 protected:
  void onInit() override;
  void onPress(int id) override;

 private:
  // The list and the result fields from the pairs.
  void rafraichir();
  // The estimation when the pairs allow a computation; otherwise the user is
  // told why (in a box captioned "Erreur de données") and the result is not ok.
  resultatHelmert estimerPourAction() const;

  std::vector<pointCalage> depart_, final_;
};

// The report of an estimation (the result must be ok).
void rapportHelmert(htmlDocument& document, const std::vector<pointCalage>& depart,
                    const std::vector<pointCalage>& final, const resultatHelmert& r);

// The matrix that moves entities as the estimation moves the source points:
// T(x̄ + Tx, ȳ + Ty) · R(−θ) · S(s) · T(−x̄, −ȳ).
ZcGeMatrix3d matriceHelmert(const resultatHelmert& r);

// The LISP command c:HELMERT.
void c_HELMERT();
